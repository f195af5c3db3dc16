// The statuses the broadcast writes while it runs ("正播", "已播", "未播" with their day, and
// the day's reset): each is tried at once without waiting for a lock; one that is refused
// (another program holds the database locked, the disk is full or read-only) stays queued, in
// order, and a timer tries again, so a locked or full disk never delays a bell and never loses
// a status. Only a status whose row is gone is let go (its statement then changes nothing).
#pragma once

#include <QDate>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <deque>
#include <functional>

class DiskWatch;
class TDataModule1;

class StatusQueue : public QObject {
  Q_OBJECT
 public:
  // One write. `write` runs its statement(s) on the data module's connection and returns
  // true when they were written; on false the connection's last error tells why.
  struct Item {
    QString what;  // for the log
    QDate day;     // the programme day the status belongs to
    std::function<bool()> write;
    // An entry's status (id != 0), or the day's reset of a schedule (reset true).
    qint64 id = 0;
    QString status;
    bool onlyIfPlaying = false;  // only a row that is "正播" takes the status
    bool reset = false;
    QString schedule;  // reset: the schedule reset
    int resetSecond = 0;  // reset: starts up to this second of the day are missed
  };

  // Retries: the first after this long, each next one twice as late, at most kMaxRetryMs.
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kMaxRetryMs = 2000;
  // At most this many statuses wait; past it the oldest is let go (and counted).
  static constexpr std::size_t kMaxQueued = 10000;

  explicit StatusQueue(TDataModule1& dm, QObject* parent = nullptr);
  ~StatusQueue() override;
  // Where refusals by the disk (anything but a lock) and the writes after them are told.
  void setDiskWatch(DiskWatch* watch) { watch_ = watch; }

  // "update sjb set status=..., statusday=... where id=..." (and "status='正播'" when
  // onlyIfPlaying), queued behind whatever waits and tried at once.
  void WriteStatus(qint64 id, const QString& status, const QDate& day, bool onlyIfPlaying);
  // Any other write of the same kind, same rules.
  void Write(Item item);
  // Writes what is queued, waiting at most waitMs for a lock (blocking, no event loop);
  // true when nothing is left.
  bool Flush(int waitMs);
  // Closing: Flush(waitMs) (a write refused by the disk gets one more try each kFirstRetryMs
  // within waitMs), then logs each write that is left and forgets it.
  void Close(int waitMs);

  const std::deque<Item>& pending() const { return items_; }
  bool empty() const { return items_.empty(); }
  // When the retry timer fires next (ms from its start), 0 when it is not running.
  int retryDelayMs() const { return timer_.isActive() ? timer_.interval() : 0; }

 private:
  // Tries the queue from its head, each write waiting for a lock at most what is left of
  // waitMs; stops at the first write still refused (by a lock or by the disk).
  void writeQueued(int waitMs);
  void scheduleRetry();
  void logOnce(const QString& cause, const QString& what);

  TDataModule1& dm_;
  DiskWatch* watch_ = nullptr;
  QString lastCause_;  // why the head was last refused by the disk (empty: it was not)
  std::deque<Item> items_;
  QTimer timer_;
  int nextDelayMs_ = kFirstRetryMs;
  bool writing_ = false;
  int dropped_ = 0;  // let go past kMaxQueued since the last write that landed
  QSet<QString> loggedCauses_;
};
