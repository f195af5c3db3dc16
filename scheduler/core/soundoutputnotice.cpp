// Telling the operator about a lost sound output.
#include "scheduler/core/soundoutputnotice.h"

#include <QDebug>

#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/mainstate.h"

SoundOutputNotice::SoundOutputNotice(const MainState& state, const Clock& clock, QObject* parent)
    : QObject(parent), s_(state), clock_(clock) {}

QString SoundOutputNotice::LostText() {
  return QStringLiteral("声音输出中断：无法连接声音服务器。节目照常按时播放并记录状态，但听不到声音。");
}

QString SoundOutputNotice::ReturnedText() { return QStringLiteral("声音输出已恢复。"); }

void SoundOutputNotice::watch(orvane::MediaChannel* player) {
  if (!player) return;
  connect(player, &orvane::MediaChannel::soundOutputLost, this, [this] { tell(true); });
  connect(player, &orvane::MediaChannel::soundOutputReturned, this, [this] { tell(false); });
}

void SoundOutputNotice::tell(bool lost) {
  if (lost == lost_) return;
  lost_ = lost;
  const QString text = lost ? LostText() : ReturnedText();
  qWarning().noquote() << (lost ? "sound: the output is lost; entries go on in silence" : "sound: the output is back");
  if (s_.logenabled) WriteLog(BroadcastLog::NoticeLine(clock_.now(), text));
  orvane::PostNotice(text, lost ? QStringLiteral("错误") : QStringLiteral("提示"),
                     lost ? orvane::mb::ICONHAND : orvane::mb::ICONASTERISK);
}
