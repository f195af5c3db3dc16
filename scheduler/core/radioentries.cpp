// Internet radio entries.
#include "scheduler/core/radioentries.h"

#include <QDebug>
#include <cmath>

#include "platform/media/mediachannel.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/todayprogramme.h"

RadioEntries::RadioEntries(MainState& state, TodayProgramme& today, MainChannel& main, orvane::MediaBackend* media,
                           QObject* parent)
    : QObject(parent), s_(state), today_(today), main_(main), media_(media) {}

RadioEntries::~RadioEntries() = default;

int RadioEntries::RadioLevel(int ivolume) {
  // The control's 0..100, rounded as everywhere else in the program: halves to the even one.
  const int control = int(std::nearbyint(qBound(0, ivolume, 100) / 10.0));
  return control * 10;                                                     // the channel's 0..1000
}

void RadioEntries::StartKind(int, const rjmb& e, EntryMode mode) {
  owner_ = e.id;
  address_ = e.slpath.trimmed();
  main_.setSongLine(QStringLiteral("正在播放：") + address_);
  if (view_)
    view_->setNextEntryLabel((mode == EntryMode::TryPlay ? QStringLiteral("正在试播节目<") : QStringLiteral("正在播放节目<")) +
                             e.pname + QStringLiteral(">中的网址电台"));
  if (!player_ && media_) {
    // A third player beside the two channels' own, for sound only.
    player_ = media_->createChannel(orvane::ChannelKind::Stream);
    if (player_) {
      connect(player_.get(), &orvane::MediaChannel::failed, this, [this](const QString& why) {
        qWarning().noquote() << "radio:" << address_ << "broke off:" << why;
        status_ = QStringLiteral("播放中断：") + why;
        emit panelChanged();
      });
      connect(player_.get(), &orvane::MediaChannel::endOfMedia, this, [this] {
        status_ = QStringLiteral("播放结束");
        emit panelChanged();
      });
      connect(player_.get(), &orvane::MediaChannel::loaded, this, &RadioEntries::startPlaying);
      connect(player_.get(), &orvane::MediaChannel::loadFailed, this, &RadioEntries::cannotPlay);
    }
  }
  if (!player_) {
    qWarning().noquote() << "radio: no player can be made for" << address_;
    return;
  }
  shown_ = true;
  player_->setVolume(RadioLevel(e.ivolume));
  status_ = QStringLiteral("正在连接…");
  emit panelChanged();
  // A station may take seconds to answer, and this runs inside the dispatcher's tick: the
  // address is only asked for here, and its answer (loaded or failed, at the latest after
  // the time limit) comes later from the event loop. An end or a stop before then closes the
  // player, which drops the answer. Either way the entry stays "正播" until its end.
  if (orvane::MediaChannel::isStreamAddress(address_)) {
    const orvane::MediaResult asked = player_->openAddress(address_, kOpenTimeoutMs);
    if (!asked) cannotPlay(asked.message);
    return;
  }
  // A file path plays as the radio control would play it; a local file opens at once.
  const orvane::MediaResult opened = player_->open(address_, kOpenTimeoutMs);
  if (!opened) {
    cannotPlay(opened.message);
    return;
  }
  startPlaying();
}

void RadioEntries::startPlaying() {
  if (!shown_ || !player_) return;
  player_->play();
  status_ = QStringLiteral("正在播放");
  emit panelChanged();
}

void RadioEntries::cannotPlay(const QString& why) {
  if (!shown_) return;
  qWarning().noquote() << "radio: cannot play" << address_ << "-" << why;
  status_ = QStringLiteral("无法播放：") + why;
  emit panelChanged();
}

void RadioEntries::hide() {
  main_.setSongLine(QString());
  if (view_) view_->setNextEntryLabel(QString());
  if (player_) player_->close();
  shown_ = false;
  owner_ = 0;
  status_.clear();
  emit panelChanged();
}

void RadioEntries::EndKind(int, const rjmb& e, EntryMode) {
  // An entry whose address another radio entry has replaced does not silence that one.
  if (!exists() || !shown_ || e.id != owner_) return;
  hide();
  today_.ShowNextEntry();
}

void RadioEntries::StopKind() {
  if (exists() && shown_) hide();
}

bool RadioEntries::HoldForInsertion() {
  if (!shown_ || !player_) return false;
  // A station still connecting must not start in the middle of the insertion when it
  // answers: the opening is given up (stop does that) and asked for again afterwards.
  const bool connecting = player_->opening();
  if (!connecting && !player_->isPlaying()) return false;
  player_->stop();
  heldOwner_ = owner_;
  heldConnecting_ = connecting;
  return true;
}

bool RadioEntries::ResumeAfterInsertion() {
  const qint64 held = heldOwner_;
  const bool connecting = heldConnecting_;
  heldOwner_ = 0;
  heldConnecting_ = false;
  // Only the same entry's address, and only while it is still up (not ended or replaced).
  if (held == 0 || held != owner_ || !shown_ || !player_) return false;
  if (connecting) {
    status_ = QStringLiteral("正在连接…");
    emit panelChanged();
    const orvane::MediaResult asked = player_->openAddress(address_, kOpenTimeoutMs);
    if (!asked) {
      cannotPlay(asked.message);
      return false;
    }
    return true;
  }
  if (player_->mode() != orvane::MediaMode::Stopped) return false;
  player_->play();
  return true;
}
