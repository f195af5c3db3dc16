// The statuses the broadcast writes while it runs ("正播", "已播", "未播" with their day, and
// the day's reset): each is tried at once without waiting for a lock; one that is refused
// for a while (another program holds the database locked, the disk is full or read-only, an
// I/O error) stays queued, in order, and a timer tries again, so a locked or full disk never
// delays a bell and never loses a status. A refusal that can never pass (a trigger, a
// constraint, a damaged page under the row) is told once and let go, so it never holds back
// the statuses after it. Only a status whose row is gone is let go silently (its statement
// then changes nothing).
#pragma once

#include <QDate>
#include <QJsonArray>
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
  // One write: an entry's status (id != 0), or the day's reset of a schedule (reset true).
  // Plain data, so that what waits can be carried into a new image of the program or kept
  // in a file across a close.
  struct Item {
    QDate day;  // the programme day the status belongs to
    qint64 id = 0;
    QString name;  // the entry's name, to tell the operator which entry a refusal concerns
    QString status;
    bool onlyIfPlaying = false;  // only a row that is "正播" takes the status
    bool reset = false;
    QString schedule;  // reset: the schedule reset
    int resetSecond = 0;  // reset: starts up to this second of the day are missed
    // For the program's log.
    QString what() const;
  };
  // A refusal that can never pass: the item and the database's reason.
  using RefusedHandler = std::function<void(const Item&, const QString& why)>;

  // Retries: the first after this long, each next one twice as late, at most kMaxRetryMs.
  static constexpr int kFirstRetryMs = 250;
  static constexpr int kMaxRetryMs = 2000;
  // At most this many statuses wait; past it the oldest is let go (and counted).
  static constexpr std::size_t kMaxQueued = 10000;

  explicit StatusQueue(TDataModule1& dm, QObject* parent = nullptr);
  ~StatusQueue() override;
  // Where refusals by the disk (anything but a lock) and the writes after them are told.
  void setDiskWatch(DiskWatch* watch) { watch_ = watch; }
  // Where a refusal that can never pass is told.
  void setRefusedHandler(RefusedHandler h) { refused_ = std::move(h); }

  // "update sjb set status=..., statusday=... where id=..." (and "status='正播'" when
  // onlyIfPlaying), queued behind whatever waits and tried at once.
  void WriteStatus(qint64 id, const QString& name, const QString& status, const QDate& day, bool onlyIfPlaying);
  // The day's reset of a schedule: its statuses back to "待播" once a day, "正播" to "已播",
  // and starts up to `second` of the day "未播".
  void WriteReset(const QString& schedule, const QDate& day, int second);
  // Any write of the kinds above, same rules.
  void Write(Item item);
  // Writes what is queued, waiting at most waitMs for a lock (blocking, no event loop);
  // true when nothing is left.
  bool Flush(int waitMs);
  // Closing: Flush(waitMs) (a write refused by the disk gets one more try each kFirstRetryMs
  // within waitMs); what is left is kept in the file set by setKeptFile (where the disk takes
  // it) for the next start, else logged, and forgotten.
  void Close(int waitMs);

  // What waits, as data (oldest first), and the same taken back: queued behind whatever
  // waits now, then tried at once.
  QJsonArray Saved() const;
  void Restore(const QJsonArray& items);
  // The file that keeps what a close could not write. Restore(TakeKeptItems()) at the next start
  // writes them first; the file goes once they are written.
  void setKeptFile(const QString& path) { keptFile_ = path; }
  // What the kept file holds (empty when there is none or it cannot be read), and takes
  // charge of the file: it goes once the queue is empty.
  QJsonArray TakeKeptItems();

  const std::deque<Item>& pending() const { return items_; }
  bool empty() const { return items_.empty(); }
  // When the retry timer fires next (ms from its start), 0 when it is not running.
  int retryDelayMs() const { return timer_.isActive() ? timer_.interval() : 0; }

 private:
  // Tries the queue from its head, each write waiting for a lock at most what is left of
  // waitMs; stops at the first write still refused (by a lock or by the disk).
  void writeQueued(int waitMs);
  bool write(const Item& item);
  void scheduleRetry();
  void logOnce(const QString& cause, const QString& what);
  // The queue is empty: a kept file taken in has done its work.
  void drained();
  // What is left goes to the kept file (else to the program's log) and is forgotten.
  void keepLeft();

  TDataModule1& dm_;
  DiskWatch* watch_ = nullptr;
  RefusedHandler refused_;
  QString keptFile_;
  bool keptFileTaken_ = false;
  QString lastCause_;  // why the head was last refused by the disk (empty: it was not)
  std::deque<Item> items_;
  QTimer timer_;
  int nextDelayMs_ = kFirstRetryMs;
  bool writing_ = false;
  int dropped_ = 0;  // let go past kMaxQueued since the last write that landed
  QSet<QString> loggedCauses_;
};
