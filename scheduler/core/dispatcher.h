// The one-second dispatcher: the whole clock of the broadcast. A precise single-shot timer
// wakes it at each wall-clock second (and, when it comes a little early by the wall clock,
// once more for the milliseconds left); every second since the last one it processed is then
// walked in order, so a late, doubled or skipped tick neither misses nor repeats an entry or
// a power action.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include "scheduler/core/mainstate.h"

class Clock;
class EntryRunner;
class FiredSet;
class TodayProgramme;

// What the tick does beside starting and ending entries.
class DispatcherHost {
 public:
  virtual ~DispatcherHost() = default;
  virtual void showClock(const QString& nowtime) = 0;
  // A new day began: renew the date line and load the day's programme.
  virtual void newDay(const QDate& day) = 0;
  virtual void ShutdownPC() = 0;
  virtual void RebootPC() = 0;
};

class Dispatcher : public QObject {
  Q_OBJECT
 public:
  Dispatcher(MainState& state, const Clock& clock, EntryRunner& runner, DispatcherHost& host, FiredSet& fired,
             TodayProgramme& today, QObject* parent = nullptr);

  // Starts ticking; the present second counts as processed (the first showing's catch-up
  // covers it).
  void start();
  // Starts ticking where a former image of the program left off: every second after
  // `walked` (seconds since the epoch) is walked, starts and ends, up to kTakeOverLimit.
  void startFrom(qint64 walked);
  void stop();
  bool running() const { return running_; }

  // One tick: processes every second after the watermark up to now, then re-arms.
  void Timer1Timer();

  // Gaps up to this many seconds are walked second by second; longer ones are a jump.
  static constexpr qint64 kReplayLimit = 10;
  // The seconds a start in place takes (the program started again) are walked in full up to
  // this many: a bell due meanwhile rings late rather than never.
  static constexpr qint64 kTakeOverLimit = 120;
  // A backwards step of the clock of at most this many seconds is sat out; a larger one
  // moves the watermark back (the fired set keeps anything from firing twice).
  static constexpr qint64 kBackwardTolerance = 2;

  qint64 watermark() const { return watermark_; }
  // Milliseconds from now to the next wall-clock second.
  int msToNextTick() const;

 signals:
  // After each tick (benchmarks and tests watch it).
  void ticked();

 private:
  void processSecond(const QDateTime& second);
  void jumpTo(const QDateTime& now);
  void arm();
  // The timer fired: a tick, unless the wall clock has not reached its second yet.
  void onTimer();

  MainState& s_;
  const Clock& clock_;
  EntryRunner& runner_;
  DispatcherHost& host_;
  FiredSet& fired_;
  TodayProgramme& today_;
  QTimer timer_;
  qint64 watermark_ = 0;  // seconds since the epoch of the last processed second
  qint64 replayLimit_ = kReplayLimit;  // for the next tick
  qint64 dueMs_ = 0;      // the wall-clock second the timer is armed for, ms since the epoch
  bool running_ = false;
  bool inTick_ = false;
};
