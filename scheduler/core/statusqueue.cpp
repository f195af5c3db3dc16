// Write-behind queue of the broadcast's statuses.
#include "scheduler/core/statusqueue.h"

#include <sqlite3.h>

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QElapsedTimer>
#include <QThread>
#include <cerrno>

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/files/filewrite.h"
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

// Refusals that a moment later may pass: a lock, a full or read-only disk, an I/O error, a
// file that cannot be opened now. Anything else (a trigger, a constraint, a damaged page, a
// statement the database cannot take) refuses the same write for ever.
bool CanPassLater(int sqliteCode) {
  switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_NOMEM:
    case SQLITE_PROTOCOL: return true;
    default: return false;
  }
}

QJsonObject ToJson(const StatusQueue::Item& item) {
  QJsonObject o{{"day", DateText(item.day)}};
  if (item.reset) {
    o.insert("reset", item.schedule);
    o.insert("second", item.resetSecond);
  } else {
    o.insert("id", QString::number(item.id));
    o.insert("name", item.name);
    o.insert("status", item.status);
    o.insert("playing", item.onlyIfPlaying);
  }
  return o;
}

// Nothing when the object is not a status this queue writes.
std::optional<StatusQueue::Item> FromJson(const QJsonObject& o) {
  StatusQueue::Item item;
  item.day = QDate::fromString(o.value("day").toString(), QStringLiteral("yyyy-MM-dd"));
  if (!item.day.isValid()) return std::nullopt;
  if (o.contains("reset")) {
    item.reset = true;
    item.schedule = o.value("reset").toString();
    item.resetSecond = o.value("second").toInt(-1);
    if (item.resetSecond < 0) return std::nullopt;
    return item;
  }
  bool ok = false;
  item.id = o.value("id").toString().toLongLong(&ok);
  item.name = o.value("name").toString();
  item.status = o.value("status").toString();
  item.onlyIfPlaying = o.value("playing").toBool();
  if (!ok || item.id == 0 || item.status.isEmpty()) return std::nullopt;
  return item;
}
}  // namespace

QString StatusQueue::Item::what() const {
  if (reset) return QStringLiteral("the reset of schedule %1 for %2").arg(schedule, DateText(day));
  return QStringLiteral("entry %1 %2 for %3").arg(id).arg(status, DateText(day));
}

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
  // The connection may be gone already: no last try, only kept.
  keepLeft();
}

void StatusQueue::WriteStatus(qint64 id, const QString& name, const QString& status, const QDate& day,
                              bool onlyIfPlaying) {
  Item item;
  item.day = day;
  item.id = id;
  item.name = name;
  item.status = status;
  item.onlyIfPlaying = onlyIfPlaying;
  Write(std::move(item));
}

void StatusQueue::WriteReset(const QString& schedule, const QDate& day, int second) {
  Item item;
  item.day = day;
  item.reset = true;
  item.schedule = schedule;
  item.resetSecond = second;
  Write(std::move(item));
}

bool StatusQueue::write(const Item& item) {
  const QString day = DateText(item.day);
  if (item.reset) {
    odb::Transaction t(*dm_.connection());
    // Once per day the schedule's statuses go back to waiting; rows never reset (statusday
    // NULL) count as not reset today.
    QStringList values = TDataModule1::SplitString(QStringLiteral("待播;") + day, QStringLiteral(";"));
    values.append(item.schedule);
    const SqlParams schedule{{QStringLiteral(":s"), item.schedule}};
    return dm_.ExecQueryParams(dm_.qry_temp,
                               QStringLiteral("update sjb set status=:v1,statusday=:v2 where Schedulen=:v3 "
                                              "and (statusday<>:v2 or statusday is null)"),
                               values) &&
           dm_.ExecQuery(dm_.qry_temp,
                         QStringLiteral("update sjb set status='已播' where Schedulen=:s and status='正播'"), schedule) &&
           // Starts already passed are missed, compared as seconds of the day the way the
           // dispatcher reads a start (exactly "hh:nn:ss"): a start the clock can never meet is
           // neither missed here nor started later, only reported when the day is copied.
           dm_.ExecQuery(dm_.qry_temp,
                         QStringLiteral("update sjb set status='未播' where Schedulen=:s and status='待播' "
                                        "and starttime glob '[0-9][0-9]:[0-5][0-9]:[0-5][0-9]' "
                                        "and substr(starttime,1,2)*3600+substr(starttime,4,2)*60+substr(starttime,7,2)"
                                        "<=:now"),
                         {{QStringLiteral(":s"), item.schedule}, {QStringLiteral(":now"), item.resetSecond}}) &&
           t.commit();
  }
  odb::Query q(dm_.connection());
  q.setSql(item.onlyIfPlaying ? QStringLiteral("update sjb set status=:s,statusday=:d where id=:id and status='正播'")
                              : QStringLiteral("update sjb set status=:s,statusday=:d where id=:id"));
  q.bindValue(QStringLiteral(":s"), item.status);
  q.bindValue(QStringLiteral(":d"), day);
  q.bindValue(QStringLiteral(":id"), item.id);
  return q.exec();
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
  const auto emptied = qScopeGuard([this] {
    if (items_.empty()) drained();
  });
  while (!items_.empty()) {
    Item& head = items_.front();
    if (!c) {
      // Nothing lands before the database is open; nothing is lost either.
      logOnce(QStringLiteral("no database connection"), head.what());
      return;
    }
    c->setLastError({}, 0);
    bool written = false;
    {
      QueueAttempt attempt(*c, int(qMax<qint64>(0, waitMs - elapsed.elapsed())));
      written = write(head);
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
    if (!CanPassLater(code)) {
      // Refused for good: trying it again would hold back every status after it for ever.
      const Item refused = std::move(head);
      items_.pop_front();
      const QString why = c->lastError().isEmpty() ? QStringLiteral("the statement was refused") : c->lastError();
      qWarning().noquote() << "status queue: the database refuses" << refused.what() << "for good -" << why << "(" << code
                           << "); it is let go, the statuses after it are written";
      if (refused_) refused_(refused, why);
      continue;
    }
    // Full, read-only or an I/O error: kept in its place and tried again later, like a lock.
    lastCause_ = QStringLiteral("%1 (%2)").arg(c->lastError()).arg(code);
    logOnce(lastCause_, head.what());
    if (watch_) watch_->Failed(DiskWatch::Place::Database, ErrorNumberOf(code), c->path(), c->lastError());
    return;
  }
}

void StatusQueue::drained() {
  if (!keptFileTaken_) return;
  keptFileTaken_ = false;
  QFile::remove(keptFile_);
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

QJsonArray StatusQueue::Saved() const {
  QJsonArray out;
  for (const Item& item : items_) out.append(ToJson(item));
  return out;
}

void StatusQueue::Restore(const QJsonArray& items) {
  int ignored = 0;
  for (const QJsonValue& v : items) {
    std::optional<Item> item = FromJson(v.toObject());
    if (!item) {
      ++ignored;
      continue;
    }
    items_.push_back(std::move(*item));
  }
  if (ignored) qWarning().noquote() << "status queue:" << ignored << "kept statuses could not be read and are let go";
  if (items_.empty() || timer_.isActive()) return;
  writeQueued(0);
  if (!items_.empty()) scheduleRetry();
}

QJsonArray StatusQueue::TakeKeptItems() {
  QFile file(keptFile_);
  if (keptFile_.isEmpty() || !file.open(QIODevice::ReadOnly)) return {};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
  file.close();
  if (!doc.isArray()) {
    qWarning().noquote() << "status queue: the kept statuses in" << keptFile_ << "cannot be read; the file is left as it is";
    return {};
  }
  keptFileTaken_ = true;
  return doc.array();
}

void StatusQueue::Close(int waitMs) {
  if (!items_.empty()) {
    QElapsedTimer elapsed;
    elapsed.start();
    Flush(waitMs);
    // A disk that refused the head gets more tries while the time lasts (a lock was waited for
    // inside the attempt already).
    while (!items_.empty() && !lastCause_.isEmpty() && elapsed.elapsed() + kFirstRetryMs < waitMs) {
      QThread::msleep(kFirstRetryMs);
      Flush(int(waitMs - elapsed.elapsed()));
    }
  }
  timer_.stop();
  if (items_.empty()) {
    drained();
    return;
  }
  keepLeft();
}

void StatusQueue::keepLeft() {
  if (items_.empty()) return;
  const QString why = lastCause_.isEmpty() ? QStringLiteral("the database stayed locked") : lastCause_;
  int error = 0;
  const bool kept = !keptFile_.isEmpty() &&
                    orvane::replaceFile(keptFile_, QJsonDocument(Saved()).toJson(QJsonDocument::Compact), &error);
  if (kept) {
    qWarning().noquote() << "status queue:" << why << "-" << items_.size() << "statuses kept in" << keptFile_
                         << "for the next start";
  } else {
    for (const Item& item : items_) qWarning().noquote() << "status queue:" << why << "- not written:" << item.what();
  }
  items_.clear();
  keptFileTaken_ = false;
}

void StatusQueue::logOnce(const QString& cause, const QString& what) {
  if (loggedCauses_.contains(cause)) return;
  loggedCauses_.insert(cause);
  qWarning().noquote() << "status queue: cannot write" << what << "-" << cause
                       << "(kept with the statuses after it and tried again)";
}
