// One-second dispatcher.
#include "scheduler/core/dispatcher.h"

#include <QDebug>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/firedset.h"
#include "scheduler/core/guarded.h"
#include "scheduler/core/todayprogramme.h"

namespace {
const QString kTextEnd = QStringLiteral("00:00:00");

// Each entry is guarded on its own: one failing entry never skips the others of its second.
template <typename F>
void guarded(const char* what, const rjmb& e, F&& f) {
  RunGuarded(QStringLiteral("dispatcher: %1 %2 %3").arg(QLatin1String(what), e.pname, e.starttime), f);
}
// Runs one step of the tick; whatever it throws is logged, so the tick always finishes and
// re-arms the timer.
template <typename F>
void guardedStep(const char* what, F&& f) {
  RunGuarded(QStringLiteral("dispatcher: ") + QLatin1String(what), f);
}

// Seconds of local wall-clock time on one continuous scale (days and seconds of the day).
qint64 wallSeconds(const QDateTime& t) {
  return t.date().toJulianDay() * 86400 + t.time().msecsSinceStartOfDay() / 1000;
}
}  // namespace

Dispatcher::Dispatcher(MainState& state, const Clock& clock, EntryRunner& runner, DispatcherHost& host,
                       FiredSet& fired, TodayProgramme& today, QObject* parent)
    : QObject(parent), s_(state), clock_(clock), runner_(runner), host_(host), fired_(fired), today_(today) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &Dispatcher::onTimer);
}

void Dispatcher::start() {
  watermark_ = clock_.now().toSecsSinceEpoch();
  running_ = true;
  arm();
}

void Dispatcher::startFrom(qint64 walked) {
  const qint64 now = clock_.now().toSecsSinceEpoch();
  watermark_ = walked > 0 && walked <= now ? walked : now;
  replayLimit_ = kTakeOverLimit;
  running_ = true;
  arm();
}

void Dispatcher::stop() {
  running_ = false;
  timer_.stop();
}

int Dispatcher::msToNextTick() const { return 1000 - clock_.now().time().msec(); }

void Dispatcher::arm() {
  const qint64 now = clock_.now().toMSecsSinceEpoch();
  const qint64 second = now - now % 1000;
  if (second / 1000 > watermark_) {
    // The tick outlasted its second (a slow open, a reload): the second under way is due
    // already and is walked at once, not when the one after it begins.
    dueMs_ = second;
    timer_.start(0);
    return;
  }
  dueMs_ = second + 1000;
  timer_.start(int(dueMs_ - now));
}

void Dispatcher::onTimer() {
  // The timer runs on the monotonic clock, which may disagree with the wall clock by a
  // millisecond or two: a start is never early, so the rest is waited out.
  const qint64 early = dueMs_ - clock_.now().toMSecsSinceEpoch();
  if (early > 0 && early < 1000) {
    timer_.start(int(early));
    return;
  }
  Timer1Timer();
}

void Dispatcher::Timer1Timer() {
  if (inTick_) return;
  inTick_ = true;
  {
    // A notice shown inside the tick must not stall the clock in a nested event loop.
    orvane::NoNestedLoopScope noNestedLoop;
    const QDateTime now = clock_.now();
    const qint64 t = now.toSecsSinceEpoch();
    if (t < watermark_ - kBackwardTolerance) {
      // The clock was set back: take up from here; the fired set stops any repeat.
      qInfo().noquote() << "dispatcher: the clock went back" << (watermark_ - t) << "s";
      watermark_ = t - 1;
    }
    if (t > watermark_) {
      // The wall clock can leap while the epoch does not: when daylight saving time begins
      // an hour of the clock never happens, and that is a gap like any other (its ends are
      // applied and the entry playing now is caught up).
      const qint64 wallGap = wallSeconds(QDateTime::fromSecsSinceEpoch(t)) -
                             wallSeconds(QDateTime::fromSecsSinceEpoch(watermark_));
      const qint64 limit = replayLimit_;
      replayLimit_ = kReplayLimit;
      if (t - watermark_ <= limit && wallGap <= limit) {
        for (qint64 second = watermark_ + 1; second <= t; ++second) {
          // A second that fails is logged and left behind; the clock never stops on it.
          guardedStep("second", [&] { processSecond(QDateTime::fromSecsSinceEpoch(second)); });
          watermark_ = second;
        }
      } else {
        qInfo().noquote() << "dispatcher: the clock moved on" << wallGap << "s (" << (t - watermark_)
                          << "s of real time) without a tick; starts and power times in between are not made up";
        guardedStep("jump", [&] { jumpTo(now); });
        watermark_ = t;
      }
    }
  }
  inTick_ = false;
  emit ticked();
  if (running_) arm();
}

void Dispatcher::processSecond(const QDateTime& second) {
  const QDate day = second.date();
  bool walkEntries = true;
  if (day != s_.programmeday) {
    if (day < s_.programmeday && clock_.now().date() == s_.programmeday) {
      // A late second of the day before, walked after the new day's programme was already
      // loaded (a reload just after midnight came before this tick): the entries in memory
      // belong to the new day and must not be started at the old day's time.
      walkEntries = false;
    } else {
      // A new day is loaded before its first second is walked, so an entry at 00:00:01 plays.
      host_.newDay(day);
      walkEntries = s_.programmeday == day;
    }
  }
  const QString nowtime = ClockText(second);
  if (walkEntries && s_.playstate == PlayState::Auto) {
    for (std::size_t i = 0; i < s_.todayentries.size(); ++i) {
      // Most entries have nothing at this second; the few that do are copied, since a start
      // may change the day's entries under the walk.
      const rjmb& at = s_.todayentries[i];
      if (at.starttime != nowtime && at.endtime != nowtime) continue;
      const rjmb e = at;
      if (e.starttime == nowtime && fired_.mark(day, FiredKind::Start, e.id, nowtime))
        guarded("start of", e, [&] { runner_.StartEntry(int(i), EntryMode::Auto); });
      // A text ("00:00:00") ends when it has been read, never by the clock.
      if (i < s_.todayentries.size() && e.endtime == nowtime && nowtime != kTextEnd &&
          fired_.mark(day, FiredKind::End, e.id, nowtime))
        guarded("end of", e, [&] { runner_.EndEntry(int(i), EntryMode::Auto); });
    }
    // What starts in the next second gets ready now, so its start is only the sound.
    if (second.toSecsSinceEpoch() == clock_.now().toSecsSinceEpoch()) {
      const QString next = ClockText(second.addSecs(1));
      for (std::size_t i = 0; i < s_.todayentries.size(); ++i)
        if (s_.todayentries[i].starttime == next)
          guarded("preparing", s_.todayentries[i], [&] { runner_.PrepareEntry(int(i)); });
    }
  }
  host_.showClock(nowtime);

  bool shutdown = false;
  if (nowtime == s_.shutdownat1 || nowtime == s_.shutdownat2 || nowtime == s_.shutdownat3)
    shutdown = fired_.mark(day, FiredKind::Shutdown, 0, nowtime);
  const bool reboot = nowtime == s_.rebootat && fired_.mark(day, FiredKind::Reboot, 0, nowtime);
  if (s_.endshutdownarmed && s_.endshutdowndue.isValid() &&
      s_.endshutdowndue.toSecsSinceEpoch() == second.toSecsSinceEpoch()) {
    s_.endshutdownarmed = false;
    shutdown = fired_.mark(day, FiredKind::EndShutdown, 0, nowtime) || shutdown;
  }
  // Shutting down wins over restarting in the same second.
  if (shutdown) host_.ShutdownPC();
  else if (reboot) host_.RebootPC();
}

void Dispatcher::jumpTo(const QDateTime& now) {
  const QDate day = now.date();
  if (day != s_.programmeday) {
    // The reload stops whatever the old day left playing.
    host_.newDay(day);
  } else if (s_.playstate == PlayState::Auto) {
    // Entries that were playing and whose end fell into the gap are ended now.
    const QDateTime last = QDateTime::fromSecsSinceEpoch(watermark_);
    const int from = last.date() == day ? last.time().msecsSinceStartOfDay() / 1000 : -1;
    const int to = now.time().msecsSinceStartOfDay() / 1000;
    for (std::size_t i = 0; i < s_.todayentries.size(); ++i) {
      // The end as the clock reads it: one it could never meet is not met in a gap either.
      const std::optional<int> end = s_.todayentries[i].endSeconds();
      if (s_.todayentries[i].endtime == kTextEnd || !end || *end <= from || *end > to) continue;
      const rjmb e = s_.todayentries[i];
      if (!fired_.has(day, FiredKind::Start, e.id, e.starttime)) continue;
      if (fired_.mark(day, FiredKind::End, e.id, e.endtime))
        guarded("end of", e, [&] { runner_.EndEntry(int(i), EntryMode::Auto); });
    }
  }
  host_.showClock(ClockText(now));
  today_.CatchUpEntry();
}
