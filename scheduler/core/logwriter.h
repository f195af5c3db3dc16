// "log.txt" in the home folder as the broadcast writes it: a line the disk refuses (full,
// read-only) is kept and written, in its order, before the next one as soon as the disk takes
// it again; a timer tries again meanwhile with the status queue's back-off, so lines do not
// wait for the next event. The main unit owns one; WriteLog() goes to the newest living one.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class Clock;
class DiskWatch;

class LogWriter : public QObject {
  Q_OBJECT
 public:
  // Lines kept while the disk refuses them, at most this many (older ones first); beyond it
  // lines are counted, and the count is written once the disk takes lines again.
  static constexpr int kMaxPendingLines = 10000;

  LogWriter(const Clock& clock, DiskWatch* watch = nullptr, QObject* parent = nullptr);
  // Gives what is kept a last try; what still cannot be written goes to the program's log.
  ~LogWriter() override;

  // Writes what is kept, then the line; false when the line is kept for later.
  bool Write(const QString& line);
  // Tries to write what is kept; true when nothing is left.
  bool Flush();
  const QStringList& pending() const { return pending_; }
  int dropped() const { return dropped_; }
  // Lines a former image of the program could not write yet: they go first.
  void Restore(const QStringList& lines, int dropped);
  int retryDelayMs() const { return timer_.isActive() ? timer_.interval() : 0; }

  static QString Path();
  // The writer WriteLog() uses: the newest living one, or none.
  static LogWriter* current();

 private:
  void scheduleRetry();

  const Clock& clock_;
  DiskWatch* watch_;
  QStringList pending_;
  int dropped_ = 0;
  bool writing_ = false;
  QTimer timer_;
  int nextDelayMs_;
};
