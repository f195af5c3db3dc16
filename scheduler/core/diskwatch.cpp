// Telling the operator about background writes the disk refuses.
#include "scheduler/core/diskwatch.h"

#include <QDebug>

#include "platform/files/filewrite.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/mainstate.h"

DiskWatch::DiskWatch(const MainState& state, const Clock& clock) : s_(state), clock_(clock) {}

QString DiskWatch::FailedText(const QString& why, const QString& path) {
  return QStringLiteral("写入失败（%1）：\"%2\"。播音照常进行，节目状态和日志暂存在内存中，可以写入后自动补写。")
      .arg(why, path);
}

QString DiskWatch::WritableText() { return QStringLiteral("磁盘已恢复可写入，暂存的节目状态和日志随即补写。"); }

void DiskWatch::Failed(Place place, int error, const QString& path, const QString& detail) {
  const bool told = failing();
  failing_[int(place)] = true;
  if (told) return;
  const QString why = error != 0 || detail.isEmpty() ? orvane::describeWriteError(error) : detail;
  qWarning().noquote() << "disk: cannot write" << path << "-" << why << "(error" << error
                       << "); statuses and log lines are kept and written when the disk takes them again";
  const QString text = FailedText(why, path);
  // The log line waits with the others and lands, in its place, once the disk takes it.
  if (s_.logenabled) WriteLog(BroadcastLog::NoticeLine(clock_.now(), text));
  orvane::PostNotice(text, QStringLiteral("错误"), orvane::mb::ICONHAND);
}

void DiskWatch::Written(Place place) {
  if (!failing_[int(place)]) return;
  failing_[int(place)] = false;
  if (failing()) return;
  qWarning().noquote() << "disk: writable again";
  const QString text = WritableText();
  if (s_.logenabled) WriteLog(BroadcastLog::NoticeLine(clock_.now(), text));
  orvane::PostNotice(text, QStringLiteral("提示"), orvane::mb::ICONASTERISK);
}
