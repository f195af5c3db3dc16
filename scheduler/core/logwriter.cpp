// The broadcast log's writer.
#include "scheduler/core/logwriter.h"

#include <QDebug>
#include <algorithm>
#include <vector>

#include "platform/files/homefolder.h"
#include "platform/files/textfile.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/diskwatch.h"
#include "scheduler/core/statusqueue.h"

namespace {
std::vector<LogWriter*>& living() {
  static std::vector<LogWriter*> writers;
  return writers;
}
}  // namespace

LogWriter::LogWriter(const Clock& clock, DiskWatch* watch, QObject* parent)
    : QObject(parent), clock_(clock), watch_(watch), nextDelayMs_(StatusQueue::kFirstRetryMs) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] { Flush(); });
  living().push_back(this);
}

LogWriter::~LogWriter() {
  std::erase(living(), this);
  timer_.stop();
  watch_ = nullptr;  // the watch may be gone already; nobody is told any more
  if (Flush()) return;
  for (const QString& line : pending_) qWarning().noquote() << "log: not written:" << line;
  if (dropped_ > 0) qWarning().noquote() << "log: and" << dropped_ << "more lines not kept";
}

LogWriter* LogWriter::current() { return living().empty() ? nullptr : living().back(); }

QString LogWriter::Path() { return orvane::HomeFolder::file(QStringLiteral("log.txt")); }

bool LogWriter::Write(const QString& line) {
  if (pending_.size() < kMaxPendingLines) {
    pending_.append(line);
  } else {
    ++dropped_;
    return false;
  }
  return Flush();
}

void LogWriter::Restore(const QStringList& lines, int dropped) {
  pending_ = lines + pending_;
  dropped_ += dropped;
  Flush();
}

bool LogWriter::Flush() {
  if (writing_) return false;
  if (pending_.isEmpty()) return true;
  // Lines added meanwhile (the disk watch's own) wait behind these, for the next pass.
  writing_ = true;
  const QString path = Path();
  const qsizetype count = pending_.size();
  int error = 0;
  const bool written = orvane::appendTextLines(path, pending_, &error);
  if (written) {
    pending_.erase(pending_.begin(), pending_.begin() + count);
    timer_.stop();
    nextDelayMs_ = StatusQueue::kFirstRetryMs;
    if (dropped_ > 0) {
      pending_.append(
          BroadcastLog::NoticeLine(clock_.now(), QStringLiteral("磁盘不可写期间另有%1行日志未能保存。").arg(dropped_)));
      dropped_ = 0;
    }
  } else {
    scheduleRetry();
  }
  if (watch_) {
    if (written) watch_->Written(DiskWatch::Place::Log);
    else watch_->Failed(DiskWatch::Place::Log, error, path);
  }
  writing_ = false;
  return written && Flush();
}

void LogWriter::scheduleRetry() {
  if (timer_.isActive()) return;
  timer_.start(nextDelayMs_);
  nextDelayMs_ = std::min(nextDelayMs_ * 2, StatusQueue::kMaxRetryMs);
}
