// Write-behind queue of the broadcast's statuses.
#include "scheduler/core/statusqueue.h"

#include <sqlite3.h>

#include <QDebug>
#include <QScopeGuard>
#include <QElapsedTimer>
#include <QThread>
#include <cerrno>

#include "platform/db/connection.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/diskwatch.h"
#include "scheduler/core/timetext.h"

namespace odb = orvane::db;

namespace {
// For one attempt: the connection waits at most this long for a lock, and a failure is the
// queue's to report (once per cause), not a line per statement; the usual behaviour comes
// back after.
class QueueAttempt {
 public:
  QueueAttempt(odb::Connection& c, int waitMs) : c_(c), usual_(c.busyTimeout()) {
    c_.setBusyTimeout(waitMs);
    c_.setQuietFailures(true);
  }
  ~QueueAttempt() {
    c_.setQuietFailures(false);
    c_.setBusyTimeout(usual_);
  }

 private:
  odb::Connection& c_;
  int usual_;
};

// The error number (errno values) a database result code stands for; 0 for a fault that is
// not the disk's.
int ErrorNumberOf(int sqliteCode) {
  switch (sqliteCode & 0xff) {
    case SQLITE_FULL: return ENOSPC;
    // A read-only file or mount: either way no right to write.
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return EACCES;
    case SQLITE_IOERR: return EIO;
    default: return 0;
  }
}
}  // namespace

StatusQueue::StatusQueue(TDataModule1& dm, QObject* parent) : QObject(parent), dm_(dm) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    // A retry runs beside the clock, like the tick: nothing in it may wait for a person.
    orvane::NoNestedLoopScope noWait;
    writeQueued(0);
    if (!items_.empty()) scheduleRetry();
  });
}

StatusQueue::~StatusQueue() {
  for (const Item& item : items_)
    qWarning().noquote() << "status queue: not written before the end:" << item.what;
}

void StatusQueue::WriteStatus(qint64 id, const QString& status, const QDate& day, bool onlyIfPlaying) {
  Item item;
  item.what = QStringLiteral("entry %1 %2 for %3").arg(id).arg(status, DateText(day));
  item.day = day;
  item.id = id;
  item.status = status;
  item.onlyIfPlaying = onlyIfPlaying;
  item.write = [this, id, status, day, onlyIfPlaying] {
    odb::Query q(dm_.connection());
    q.setSql(onlyIfPlaying ? QStringLiteral("update sjb set status=:s,statusday=:d where id=:id and status='正播'")
                           : QStringLiteral("update sjb set status=:s,statusday=:d where id=:id"));
    q.bindValue(QStringLiteral(":s"), status);
    q.bindValue(QStringLiteral(":d"), DateText(day));
    q.bindValue(QStringLiteral(":id"), id);
    return q.exec();
  };
  Write(std::move(item));
}

void StatusQueue::Write(Item item) {
  // A database that refuses every write for weeks must not take the program's memory with it:
  // past the limit the oldest status goes (today's statuses are the ones that matter), with a
  // line saying how many went once writes land again.
  if (items_.size() >= kMaxQueued && !writing_) {
    if (dropped_++ == 0)
      qWarning().noquote() << "status queue:" << kMaxQueued << "statuses wait to be written; the oldest are let go";
    items_.pop_front();
  }
  items_.push_back(std::move(item));
  // Behind a write that waits for a lock, this one waits too: statuses land in their order.
  if (timer_.isActive()) return;
  writeQueued(0);
  if (!items_.empty()) scheduleRetry();
}

void StatusQueue::writeQueued(int waitMs) {
  // One pass at a time: a write that is asked for while one is being tried (from anything the
  // attempt lets run) is queued and taken by the pass under way.
  if (writing_) return;
  writing_ = true;
  const auto done = qScopeGuard([this] { writing_ = false; });
  odb::Connection* c = dm_.connection();
  QElapsedTimer elapsed;
  elapsed.start();
  while (!items_.empty()) {
    Item& head = items_.front();
    if (!c) {
      logOnce(QStringLiteral("no database connection"), head.what);
      items_.pop_front();
      continue;
    }
    c->setLastError({}, 0);
    bool written = false;
    {
      QueueAttempt attempt(*c, int(qMax<qint64>(0, waitMs - elapsed.elapsed())));
      written = head.write();
    }
    if (written) {
      items_.pop_front();
      nextDelayMs_ = kFirstRetryMs;
      if (dropped_ > 0) {
        qWarning().noquote() << "status queue:" << dropped_ << "of the oldest statuses were let go while none could be written";
        dropped_ = 0;
      }
      if (!lastCause_.isEmpty()) {
        qWarning().noquote() << "status queue: written again after" << lastCause_;
        lastCause_.clear();
        loggedCauses_.clear();  // a later fault is worth a line of its own
      }
      if (watch_) watch_->Written(DiskWatch::Place::Database);
      continue;
    }
    const int code = c->lastErrorCode();
    if (odb::IsLockRefusal(code)) return;
    // Full, read-only or damaged: kept in its place and tried again later, like a lock.
    lastCause_ = QStringLiteral("%1 (%2)").arg(c->lastError()).arg(code);
    logOnce(lastCause_, head.what);
    if (watch_) watch_->Failed(DiskWatch::Place::Database, ErrorNumberOf(code), c->path(), c->lastError());
    return;
  }
}

void StatusQueue::scheduleRetry() {
  timer_.start(nextDelayMs_);
  nextDelayMs_ = qMin(nextDelayMs_ * 2, kMaxRetryMs);
}

bool StatusQueue::Flush(int waitMs) {
  writeQueued(waitMs);
  if (items_.empty()) timer_.stop();
  return items_.empty();
}

void StatusQueue::Close(int waitMs) {
  if (items_.empty()) return;
  QElapsedTimer elapsed;
  elapsed.start();
  Flush(waitMs);
  // A disk that refused the head gets more tries while the time lasts (a lock was waited for
  // inside the attempt already).
  while (!items_.empty() && !lastCause_.isEmpty() && elapsed.elapsed() + kFirstRetryMs < waitMs) {
    QThread::msleep(kFirstRetryMs);
    Flush(int(waitMs - elapsed.elapsed()));
  }
  const QString why = lastCause_.isEmpty() ? QStringLiteral("the database stayed locked") : lastCause_;
  for (const Item& item : items_)
    qWarning().noquote() << "status queue:" << why << "- not written:" << item.what;
  items_.clear();
  timer_.stop();
}

void StatusQueue::logOnce(const QString& cause, const QString& what) {
  if (loggedCauses_.contains(cause)) return;
  loggedCauses_.insert(cause);
  qWarning().noquote() << "status queue: cannot write" << what << "-" << cause
                       << "(kept with the statuses after it and tried again)";
}
