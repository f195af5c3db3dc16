// Setting the computer's clock. Only a relative shift is offered: a request that waits for a
// password prompt must not set a time that has aged meanwhile.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <functional>

namespace orvane {

// The system's answer to a clock shift.
struct ClockAnswer {
  enum Outcome {
    Ok,
    // Refused because the system keeps its clock by network time itself (its NTP switch is on).
    SyncEnabled,
    Failed,
  };
  Outcome outcome = Failed;
  QString error;  // empty when Ok
};

class ClockControl {
 public:
  using Done = std::function<void(const ClockAnswer&)>;
  virtual ~ClockControl() = default;
  // Shifts the clock by signed microseconds. Interactive requests may let the system ask the
  // person at the desk for a password; others are refused at once without the right. The
  // answer comes later, through `done` (called exactly once, never from inside this call's
  // caller frame on the real layer).
  virtual void ShiftClock(qint64 usec, bool interactive, Done done) = 0;
};

// The real layer: timedated's SetTime(usec, relative = true, interactive) on the system bus,
// asynchronously (120 s limit when interactive, to leave time for the prompt; else 10 s).
// Under ORVANE_DRY_RUN_SYSTEM=1 it only logs and answers Ok.
class TimedatedClock : public ClockControl {
 public:
  explicit TimedatedClock(QDBusConnection bus = QDBusConnection::systemBus(), bool dryRun = false);
  // The dry-run switch is read from the environment.
  static TimedatedClock fromEnvironment();
  void ShiftClock(qint64 usec, bool interactive, Done done) override;

  static constexpr int kInteractiveTimeoutMs = 120000;
  static constexpr int kTimeoutMs = 10000;

 private:
  // A SetTime refusal for automatic sync: the answer depends on timedated's NTP property.
  static void askNtp(QDBusConnection bus, const QString& error, Done done);
  QDBusConnection bus_;
  bool dryRun_;
};

// A fake that records the requests and answers them, at once or when told to.
class RecordingClockControl : public ClockControl {
 public:
  struct Call {
    qint64 usec;
    bool interactive;
  };
  void ShiftClock(qint64 usec, bool interactive, Done done) override {
    calls.append({usec, interactive});
    if (deferred) pending.append(std::move(done));
    else if (done) done(answer);
  }
  // Answers every request held back so far with `answer`.
  void answerPending() {
    const QList<Done> waiting = std::move(pending);
    pending.clear();
    for (const Done& d : waiting)
      if (d) d(answer);
  }
  ClockAnswer answer{ClockAnswer::Ok, {}};
  bool deferred = false;
  QList<Call> calls;
  QList<Done> pending;
};

}  // namespace orvane
