#include <QTimeZone>
#include <ctime>
#include <optional>

#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/firedset.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
struct Recorder : EntryRunner, DispatcherHost {
  MainState* s = nullptr;
  const Clock* clock = nullptr;
  QStringList events;  // "start <name> @hh:mm:ss", "end ...", "newday", "shutdown", "reboot"
  QString throwFor;
  std::function<void(const QDate&)> onNewDay;
  QString at() const { return QStringLiteral(" @") + ClockText(clock->now()); }
  void StartEntry(int i, EntryMode) override {
    const QString name = s->todayentries[std::size_t(i)].pname;
    if (name == throwFor) throw std::runtime_error("broken entry");
    events << QStringLiteral("start ") + name;
    s->currentid = s->todayentries[std::size_t(i)].id;
  }
  void EndEntry(int i, EntryMode) override { events << QStringLiteral("end ") + s->todayentries[std::size_t(i)].pname; }
  void StopAll() override {}
  bool MainChannelBusy() const override { return false; }
  bool SomethingPlaying() const override { return false; }
  void showClock(const QString&) override {}
  void newDay(const QDate& day) override {
    events << QStringLiteral("newday ") + day.toString(Qt::ISODate);
    s->programmeday = day;
    if (onNewDay) onNewDay(day);
  }
  void ShutdownPC() override { events << QStringLiteral("shutdown"); }
  void RebootPC() override { events << QStringLiteral("reboot"); }
};

rjmb entry(int id, const QString& name, const QString& start, const QString& end) {
  rjmb r;
  r.id = id;
  r.pname = name;
  r.starttime = start;
  r.endtime = end;
  r.jmlx = 1;
  return r;
}

class DispatcherTest : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    rec.s = &unit.state;
    rec.clock = &clock;
    unit.today.setRunner(&rec);
    unit.state.programmeday = day;
    set(7, 59, 58, 500);
    dispatcher.start();
    dispatcher.stop();  // ticks are driven by hand
  }
  void set(int h, int m, int s, int ms = 30, QDate d = {}) {
    clock.set(QDateTime(d.isValid() ? d : day, QTime(h, m, s, ms)));
  }
  void tickAt(int h, int m, int s, int ms = 30, QDate d = {}) {
    set(h, m, s, ms, d);
    dispatcher.Timer1Timer();
  }
  // Starts the dispatcher as if the program came up at that moment.
  void startAt(int h, int m, int s, QDate d = {}) {
    set(h, m, s, 500, d);
    dispatcher.start();
    dispatcher.stop();
  }
  void entries(std::vector<rjmb> list) { unit.state.todayentries = std::move(list); }
  QDate day{2024, 5, 1};
  Recorder rec;
  Dispatcher dispatcher{unit.state, clock, rec, rec, unit.fired, unit.today};
};
}  // namespace

TEST_F(DispatcherTest, LateSkippedAndDoubledTicksFireEachSecondOnceInOrder) {
  entries({entry(1, "a", "08:00:00", "08:10:00"), entry(2, "b", "08:00:01", "08:10:00"),
           entry(3, "c", "08:00:02", "08:10:00"), entry(4, "d", "08:00:03", "08:10:00")});
  tickAt(7, 59, 59);
  tickAt(8, 0, 0);
  tickAt(8, 0, 2, 700);  // the tick for 08:00:01 never came
  tickAt(8, 0, 2, 900);  // doubled
  tickAt(8, 0, 2, 999);  // early for 08:00:03
  EXPECT_EQ(rec.events, (QStringList{"start a", "start b", "start c"}));
  tickAt(8, 0, 3);
  EXPECT_EQ(rec.events.last(), QStringLiteral("start d"));
  EXPECT_EQ(rec.events.size(), 4);
  EXPECT_EQ(dispatcher.watermark(), QDateTime(day, QTime(8, 0, 3)).toSecsSinceEpoch());
}

TEST_F(DispatcherTest, ClockStepsBackAndForward) {
  entries({entry(1, "a", "08:00:00", "08:10:00"), entry(2, "b", "08:00:03", "08:10:00"),
           entry(3, "c", "08:00:07", "08:10:00"), entry(4, "d", "08:00:09", "08:10:00")});
  for (int s = 0; s <= 5; ++s) tickAt(8, 0, s);
  EXPECT_EQ(rec.events, (QStringList{"start a", "start b"}));
  tickAt(8, 0, 0);  // stepped back 5 s: nothing repeats
  tickAt(8, 0, 3);
  tickAt(8, 0, 4);
  EXPECT_EQ(rec.events, (QStringList{"start a", "start b"}));
  tickAt(8, 0, 5);
  tickAt(8, 0, 8);  // stepped forward 3 s: the seconds between are walked
  EXPECT_EQ(rec.events, (QStringList{"start a", "start b", "start c"}));
  tickAt(8, 0, 9);
  EXPECT_EQ(rec.events.last(), QStringLiteral("start d"));
  EXPECT_EQ(rec.events.size(), 4);
}

TEST_F(DispatcherTest, LongGapEndsWhatPlayedCatchesUpAndMakesNothingElseUp) {
  unit.state.shutdownat1 = QStringLiteral("09:00:00");
  entries({entry(1, "a", "08:00:00", "08:30:00"), entry(2, "b", "09:00:00", "09:10:00"),
           entry(3, "c", "09:50:00", "10:30:00"), entry(4, "t", "09:55:00", "00:00:00")});
  tickAt(8, 0, 0);
  EXPECT_EQ(rec.events, QStringList{"start a"});
  tickAt(10, 0, 0);  // asleep for two hours
  EXPECT_EQ(rec.events, (QStringList{"start a", "end a", "start c"}));
  tickAt(10, 0, 1);
  EXPECT_EQ(rec.events.size(), 3);
  EXPECT_TRUE(unit.fired.has(day, FiredKind::Start, 3, QStringLiteral("09:50:00")));
}

TEST_F(DispatcherTest, NewDayLoadsBeforeItsFirstSecondSoMidnightEntriesPlay) {
  const QDate next = day.addDays(1);
  entries({entry(1, "late", "23:59:59", "23:59:59"), entry(9, "t", "20:00:00", "00:00:00")});
  rec.onNewDay = [&](const QDate&) {
    entries({entry(5, "midnight", "00:00:00", "00:00:00"), entry(6, "one", "00:00:01", "00:05:00")});
  };
  startAt(23, 59, 58);
  tickAt(23, 59, 59);
  tickAt(0, 0, 1, 30, next);  // the tick for 00:00:00 never came
  EXPECT_EQ(rec.events, (QStringList{"start late", "end late", "newday 2024-05-02", "start midnight", "start one"}))
      << "a text end of 00:00:00 never ends an entry";
  // Without the tick at 00:00:01 the second is replayed from the next tick.
  rec.events.clear();
  const QDate third = next.addDays(1);
  startAt(23, 59, 58, next);
  tickAt(23, 59, 59, 30, next);
  tickAt(0, 0, 2, 30, third);
  EXPECT_EQ(rec.events, (QStringList{"newday 2024-05-03", "start midnight", "start one"}));
}

TEST_F(DispatcherTest, SameSecondStartAndEndAndOneFailingEntryDoesNotSkipOthers) {
  entries({entry(1, "x", "07:00:00", "07:00:00"), entry(2, "broken", "07:00:00", "07:05:00"),
           entry(3, "y", "07:00:00", "07:05:00")});
  rec.throwFor = QStringLiteral("broken");
  startAt(6, 59, 59);
  tickAt(7, 0, 0);
  EXPECT_EQ(rec.events, (QStringList{"start x", "end x", "start y"}));
}

TEST_F(DispatcherTest, PowerTimesFireOnceShutdownWinsAndStopStateStillAdvances) {
  unit.state.shutdownat1 = unit.state.shutdownat2 = QStringLiteral("08:00:01");
  unit.state.rebootat = QStringLiteral("08:00:01");
  unit.state.shutdownat3 = QStringLiteral("08:00:03");
  entries({entry(1, "a", "08:00:02", "08:10:00")});
  unit.state.playstate = PlayState::StopPlay;
  tickAt(8, 0, 0);
  tickAt(8, 0, 1);
  tickAt(8, 0, 1, 900);
  tickAt(8, 0, 2);
  unit.state.playstate = PlayState::Auto;
  tickAt(8, 0, 3);
  EXPECT_EQ(rec.events, (QStringList{"shutdown", "shutdown"})) << "a missed entry is not made up later";
  // The next day the same time fires again; a reboot alone fires.
  unit.state.shutdownat1 = unit.state.shutdownat2 = unit.state.shutdownat3 = kNever;
  startAt(8, 0, 0, day.addDays(1));
  tickAt(8, 0, 1, 30, day.addDays(1));
  EXPECT_EQ(rec.events.last(), QStringLiteral("reboot"));
}

TEST_F(DispatcherTest, EndOfDayShutdownArmedLateFiresAfterMidnight) {
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  unit.state.endshutdownat = QStringLiteral("23:59:57");
  startAt(23, 59, 57);
  unit.today.ArmEndShutdown();
  EXPECT_TRUE(unit.state.endshutdownarmed);
  EXPECT_EQ(unit.state.endshutdownat, QStringLiteral("00:00:02"));
  tickAt(23, 59, 58);
  tickAt(23, 59, 59);
  tickAt(0, 0, 1, 30, day.addDays(1));
  EXPECT_FALSE(rec.events.contains(QStringLiteral("shutdown")));
  tickAt(0, 0, 2, 30, day.addDays(1));
  EXPECT_EQ(rec.events.last(), QStringLiteral("shutdown"));
  EXPECT_FALSE(unit.state.endshutdownarmed) << "fires once, then disarmed";
  // An end before the day's last end arms nothing.
  unit.state.endshutdownat = QStringLiteral("17:00:00");
  set(12, 0, 0, 0, day.addDays(1));
  unit.today.ArmEndShutdown();
  EXPECT_FALSE(unit.state.endshutdownarmed);
}

TEST_F(DispatcherTest, CatchUpAndTickShareTheFiredSet) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  addEntry({"radio", "08:00:00", "08:30:00", 5});
  set(8, 0, 0, 100);
  unit.today.LoadToday();
  unit.today.CatchUpEntry();  // an editor closed at 08:00:00.1
  startAt(7, 59, 59);
  tickAt(8, 0, 0, 900);
  EXPECT_EQ(rec.events, QStringList{"start radio"});
}

TEST_F(DispatcherTest, RealTimerTicksJustAfterTheSecond) {
  SystemClock wall;
  Recorder r;
  r.s = &unit.state;
  r.clock = &wall;
  unit.state.programmeday = QDate::currentDate();
  Dispatcher real(unit.state, wall, r, r, unit.fired, unit.today);
  std::vector<int> offsets;
  QObject::connect(&real, &Dispatcher::ticked, [&] { offsets.push_back(wall.now().time().msec()); });
  real.start();
  ASSERT_TRUE(testing_support::waitUntil([&] { return offsets.size() >= 2; }, 4000));
  real.stop();
  for (int ms : offsets) EXPECT_LT(ms, 900) << "a tick must come after its second, never just before it";
}

namespace {
// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : tz_(std::in_place, "TZ", zone) { tzset(); }
  ~ScopedTimeZone() {
    tz_.reset();
    tzset();
  }
 private:
  std::optional<testing_support::ScopedEnv> tz_;
};
}  // namespace

TEST_F(DispatcherTest, DaylightSavingTimeNeitherStrandsNorRepeatsEntries) {
  ScopedTimeZone berlin("Europe/Berlin");
  const QDate spring(2024, 3, 31), autumn(2024, 10, 27);
  if (QDateTime(spring, QTime(1, 59, 59)).addSecs(1).time() != QTime(3, 0, 0))
    GTEST_SKIP() << "the time zone cannot be changed here";
  // Spring: 02:00:00 never comes. What played into the lost hour is ended, and what plays
  // across it is caught up.
  entries({entry(1, "night", "01:59:58", "02:30:00"), entry(2, "lost", "02:10:00", "02:20:00"),
           entry(3, "across", "02:45:00", "03:30:00")});
  unit.state.programmeday = spring;
  startAt(1, 59, 57, spring);
  tickAt(1, 59, 58, 30, spring);
  tickAt(1, 59, 59, 30, spring);
  ASSERT_EQ(rec.events, QStringList{"start night"});
  clock.set(QDateTime(spring, QTime(1, 59, 59, 30)).addSecs(1));  // one real second later: 03:00:00
  ASSERT_EQ(clock.now().time().hour(), 3);
  dispatcher.Timer1Timer();
  EXPECT_EQ(rec.events, (QStringList{"start night", "end night", "start across"}));
  // Autumn: 02:00:00 to 02:59:59 come twice; each entry and power time fires once.
  rec.events.clear();
  unit.state.shutdownat1 = QStringLiteral("02:30:05");
  entries({entry(4, "twice", "02:30:00", "02:30:02")});
  unit.state.programmeday = autumn;
  // 02:29:58 of summer time.
  const QDateTime first = QDateTime(autumn, QTime(0, 29, 58), QTimeZone::utc()).toLocalTime();
  ASSERT_EQ(first.time(), QTime(2, 29, 58));
  ASSERT_TRUE(first.isDaylightTime());
  clock.set(first);
  dispatcher.start();
  dispatcher.stop();
  auto tickEpoch = [&](qint64 secs) {
    clock.set(QDateTime::fromSecsSinceEpoch(secs).addMSecs(30));
    dispatcher.Timer1Timer();
  };
  // Through the repeated hour, a tick every five seconds.
  for (int s = 5; s <= 3610; s += 5) tickEpoch(first.toSecsSinceEpoch() + s);
  EXPECT_EQ(rec.events, (QStringList{"start twice", "end twice", "shutdown"}));
}

TEST_F(DispatcherTest, LateSecondOfYesterdayStartsNothingOfTheNewDay) {
  const QDate next = day.addDays(1);
  entries({entry(1, "old", "23:59:59", "23:59:59")});
  startAt(23, 59, 58);
  // The tick for 23:59:59 is held up past midnight, and an editor's reload at 00:00:00.2
  // loaded the new day first.
  set(0, 0, 0, 200, next);
  entries({entry(2, "new", "23:59:59", "23:59:59"), entry(3, "first", "00:00:00", "00:10:00")});
  unit.state.programmeday = next;
  tickAt(0, 0, 0, 600, next);
  EXPECT_EQ(rec.events, QStringList{"start first"}) << "the new day's 23:59:59 entry waits for tonight";
}

TEST_F(DispatcherTest, AFailingReloadDoesNotStopTheClock) {
  int ticks = 0;
  QObject::connect(&dispatcher, &Dispatcher::ticked, [&] { ++ticks; });
  rec.onNewDay = [](const QDate&) { throw std::runtime_error("database gone"); };
  entries({entry(1, "morning", "00:00:02", "00:05:00")});
  startAt(23, 59, 58);
  tickAt(0, 0, 0, 30, day.addDays(1));
  tickAt(0, 0, 2, 30, day.addDays(1));
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(dispatcher.watermark(), QDateTime(day.addDays(1), QTime(0, 0, 2)).toSecsSinceEpoch());
  EXPECT_EQ(rec.events.filter(QStringLiteral("start")), QStringList{"start morning"});
  // A failing reload in a long gap is left behind the same way.
  tickAt(3, 0, 0, 30, day.addDays(1));
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(dispatcher.watermark(), QDateTime(day.addDays(1), QTime(3, 0, 0)).toSecsSinceEpoch());
}

TEST(FiredSetTest, AClockSetYearsBackStillRemembersItsOwnDay) {
  FiredSet fired;
  const QDate today(2024, 5, 1);
  for (int d = 0; d < 3; ++d) fired.mark(today.addDays(-d), FiredKind::Start, 1, QStringLiteral("08:00:00"));
  const QDate reset(2000, 1, 1);  // a dead clock battery
  EXPECT_TRUE(fired.mark(reset, FiredKind::Start, 1, QStringLiteral("08:00:00")));
  EXPECT_FALSE(fired.mark(reset, FiredKind::Start, 1, QStringLiteral("08:00:00")));
  EXPECT_TRUE(fired.has(reset, FiredKind::Start, 1, QStringLiteral("08:00:00")));
  EXPECT_EQ(fired.size(reset), 1u);
}

// What fired goes across a start in place whole: each event, of any id and any time, is
// found again and does not fire a second time; nothing else is found.
TEST(FiredSetTest, WhatFiredIsCarriedWholeIntoANewSet) {
  const QDate day(2024, 5, 1);
  const struct {
    FiredKind kind;
    qint64 id;
    const char* time;
  } events[] = {{FiredKind::Start, 1, "08:00:00"},       {FiredKind::End, 1, "08:00:05"},
                {FiredKind::Start, 4294967297, "23:59:59"}, {FiredKind::Start, qint64(1) << 50, "00:00:01"},
                {FiredKind::EndShutdown, 0, "24:00:02"},  {FiredKind::Start, 7, "9:00:00"}};
  FiredSet fired;
  for (const auto& e : events) fired.mark(day, e.kind, e.id, QString::fromLatin1(e.time));
  fired.mark(day.addDays(-1), FiredKind::Reboot, 0, QStringLiteral("06:00:00"));
  FiredSet carried;
  carried.Restore(fired.Saved());
  for (const auto& e : events) {
    SCOPED_TRACE(e.time);
    EXPECT_FALSE(carried.mark(day, e.kind, e.id, QString::fromLatin1(e.time)));
  }
  EXPECT_TRUE(carried.has(day.addDays(-1), FiredKind::Reboot, 0, QStringLiteral("06:00:00")));
  EXPECT_FALSE(carried.has(day, FiredKind::End, 4294967297, QStringLiteral("23:59:59")));
  EXPECT_FALSE(carried.has(day, FiredKind::Start, 1, QStringLiteral("08:00:05")));
  EXPECT_EQ(carried.size(day), std::size(events));
}

namespace {
struct StubHandler : EntryKindHandler {
  bool throws = false;
  int stops = 0;
  void StartKind(int, const rjmb&, EntryMode) override {}
  void EndKind(int, const rjmb&, EntryMode) override {}
  void StopKind() override {
    ++stops;
    if (throws) throw std::runtime_error("device gone");
  }
  bool Sounding() const override { return false; }
  bool HoldForInsertion() override { return false; }
  bool ResumeAfterInsertion() override { return false; }
};
}  // namespace

TEST_F(SchedulerFixture, StopAllStopsEveryOutputEvenWhenOneFails) {
  BroadcastRunner runner(dm, unit.state, clock, unit.today);
  StubHandler broken, songs, radio;
  broken.throws = true;
  runner.setHandler(4, &broken);
  runner.setHandler(1, &songs);
  runner.setHandler(5, &radio);
  bool tidied = false;
  runner.onStopAll([&] { tidied = true; });
  EXPECT_NO_THROW(runner.StopAll());
  EXPECT_EQ(songs.stops, 1);
  EXPECT_EQ(radio.stops, 1);
  EXPECT_EQ(broken.stops, 1);
  EXPECT_TRUE(tidied);
}
