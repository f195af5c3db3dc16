#include <QCoreApplication>
#include <QSignalSpy>

#include "platform/db/querymodel.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
struct FakeRunner : EntryRunner {
  std::vector<std::pair<int, EntryMode>> started;
  int stops = 0;
  bool busy = false;
  bool playing = false;
  void StartEntry(int index, EntryMode mode) override { started.emplace_back(index, mode); }
  void EndEntry(int, EntryMode) override {}
  void StopAll() override { ++stops; }
  bool MainChannelBusy() const override { return busy; }
  bool SomethingPlaying() const override { return playing; }
};

struct FakeView : ProgrammeView {
  QString schedule, next;
  int gridShown = 0;
  void setScheduleLabel(const QString& t) override { schedule = t; }
  void setNextEntryLabel(const QString& t) override { next = t; }
  void todayGridShown() override { ++gridShown; }
};

class Today : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    unit.ReadSettings();
    unit.today.setRunner(&runner);
    unit.today.setView(&view);
  }
  void at(int h, int m, int s, QDate day = QDate(2024, 5, 1)) { clock.set(QDateTime(day, QTime(h, m, s))); }
  const std::vector<rjmb>& entries() const { return unit.state.todayentries; }
  FakeRunner runner;
  FakeView view;
};
}  // namespace

TEST_F(Today, ScheduleByWeekdayByDayOfMonthHolidayAndNone) {
  addEntry({"周三铃", "08:00:00", "08:01:00", 1, "00:01:00", "周三"});
  addEntry({"一号铃", "09:00:00", "09:01:00", 1, "00:01:00", "一号"});
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("周三"));
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.todayweekday, QStringLiteral("Wednesday"));
  EXPECT_EQ(view.schedule, QStringLiteral("周三"));
  ASSERT_EQ(entries().size(), 1u);
  EXPECT_EQ(entries()[0].pname, QStringLiteral("周三铃"));
  dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("1"));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update rjb set sjb='一号' where rj='01'"));
  unit.today.LoadToday();
  ASSERT_EQ(entries().size(), 1u);
  EXPECT_EQ(entries()[0].pname, QStringLiteral("一号铃"));
  // With volume4 missing the day of the month decides too.
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from system1 where name1='volume4'"));
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.todayschedule, QStringLiteral("一号"));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into holiday values('2024-05-01')"));
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.todayschedule, QStringLiteral("不播音日期"));
  EXPECT_EQ(view.next, QStringLiteral("今天为不播音日期"));
  EXPECT_TRUE(entries()[0].isDummy());
  EXPECT_EQ(entries().size(), 1u);
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from holiday"));
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("无"));
  view.next = QStringLiteral("stale");
  unit.today.LoadToday();
  EXPECT_TRUE(entries()[0].isDummy());
  EXPECT_EQ(view.next, QStringLiteral("stale")) << "StopAll clears the line in the window; the load leaves it";
  EXPECT_GE(runner.stops, 5);
  EXPECT_TRUE(boxes.asked().empty());
}

TEST_F(Today, DailyResetMarksMissedOnceAndKeepsPlayedRowsOnASecondLoad) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  const int early = addEntry({"早", "09:00:00", "09:05:00", 1, "00:05:00", "日常", "已播", "2024-04-30"});
  const int now = addEntry({"正点", "10:00:00", "10:05:00", 1, "00:05:00", "日常", "正播", QVariant()});
  const int later = addEntry({"晚", "11:00:00", "11:05:00", 1, "00:05:00", "日常", "未播", "2024-04-30"});
  const int other = addEntry({"别的", "08:00:00", "08:05:00", 1, "00:05:00", "其它", "已播", "2024-04-30"});
  at(10, 0, 0);
  unit.today.LoadToday();
  EXPECT_EQ(statusOf(early), QStringLiteral("未播"));
  EXPECT_EQ(statusOf(now), QStringLiteral("未播")) << "a NULL statusday is reset too; a start at this second is passed";
  EXPECT_EQ(statusOf(later), QStringLiteral("待播"));
  EXPECT_EQ(statusOf(other), QStringLiteral("已播")) << "other schedules are untouched";
  // The catch-up of the first showing starts the 10:00:00 entry.
  unit.today.CatchUpEntry();
  ASSERT_EQ(runner.started.size(), 1u);
  EXPECT_EQ(entries()[std::size_t(runner.started[0].first)].id, now);
  // Later the same day: what played stays played, nothing goes back to waiting.
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set status='已播' where id=:id"), {{":id", now}});
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set status='正播' where id=:id"), {{":id", later}});
  at(11, 2, 0);
  unit.today.LoadToday();
  EXPECT_EQ(statusOf(now), QStringLiteral("已播"));
  EXPECT_EQ(statusOf(later), QStringLiteral("已播")) << "a row left playing by a reload counts as played";
  EXPECT_EQ(statusOf(early), QStringLiteral("未播"));
  // The next day everything of the schedule starts over.
  at(6, 0, 0, QDate(2024, 5, 2));
  useWeekdaySchedule(QStringLiteral("Thursday"), QStringLiteral("日常"));
  unit.today.LoadToday();
  for (int id : {early, now, later}) EXPECT_EQ(statusOf(id), QStringLiteral("待播"));
}

TEST_F(Today, StatusesAreNotWrittenOutsideAutomaticPlay) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  const int id = addEntry({"a", "07:00:00", "07:05:00"});
  unit.state.playstate = PlayState::StopPlay;
  at(8, 0, 0);
  unit.today.LoadToday();
  EXPECT_EQ(statusOf(id), QStringLiteral("待播"));
  EXPECT_EQ(entries().size(), 1u);
}

TEST_F(Today, FadeShorteningOnlyForLongSongEntriesWhenFadesAreOn) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  const int song = addEntry({"song", "07:30:00", "07:35:00", 1});
  addEntry({"short", "08:00:00", "08:00:50", 2, "00:00:50"});
  addEntry({"radio", "09:00:00", "09:30:00", 5, "00:30:00"});
  addEntry({"bad length", "10:00:00", "10:30:00", 3, QString()});
  at(6, 0, 0);
  ASSERT_TRUE(unit.state.fadeenabled) << "cantstr is on by default and read before the first load";
  unit.today.LoadToday();
  ASSERT_EQ(entries().size(), 4u);
  EXPECT_EQ(entries()[0].endtime, QStringLiteral("07:34:56"));
  EXPECT_EQ(entries()[1].endtime, QStringLiteral("08:00:50"));
  EXPECT_EQ(entries()[2].endtime, QStringLiteral("09:30:00"));
  EXPECT_EQ(entries()[3].endtime, QStringLiteral("10:30:00"));
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select endtime from sjb where id=:id"), {{":id", song}});
  EXPECT_EQ(dm.qry_temp.fieldAsString(QStringLiteral("endtime")), QStringLiteral("07:35:00"));
  unit.state.fadeenabled = false;
  unit.today.LoadToday();
  EXPECT_EQ(entries()[0].endtime, QStringLiteral("07:35:00"));
  EXPECT_TRUE(boxes.asked().empty()) << "an empty length is not an error";
  // The switch turned in the settings window moves no end of the day loaded (an entry under
  // way would miss its end, or meet it twice): the grid shown again keeps them, the next load
  // takes the switch.
  unit.state.fadeenabled = true;
  unit.today.ShowTodayGrid();
  EXPECT_EQ(entries()[0].endtime, QStringLiteral("07:35:00"));
  unit.today.LoadToday();
  EXPECT_EQ(entries()[0].endtime, QStringLiteral("07:34:56"));
}

TEST_F(Today, EndOfDayTimeIsTheLatestEndOrTextStart) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  addEntry({"song", "15:00:00", "15:30:00", 1, "00:30:00"});
  addEntry({"text", "16:00:00", "00:00:00", 4, "00:00:00"});
  at(6, 0, 0);
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.endshutdownat, QStringLiteral("16:00:00"));
  addEntry({"late", "17:00:00", "17:45:00", 2, "00:45:00"});
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.endshutdownat, QStringLiteral("17:45:00"));
  // A day without entries does not keep yesterday's time.
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("无"));
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.endshutdownat, kNever);
  // Switched off, nothing stays set.
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("0"));
  unit.today.LoadToday();
  EXPECT_EQ(unit.state.endshutdownat, kNever);
}

TEST_F(Today, CatchUpAndNextEntryLine) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  addEntry({"text", "11:00:00", "00:00:00", 4, "00:00:00"});
  const int noon = addEntry({"午间", "12:00:00", "12:30:00"});
  const int after = addEntry({"下午", "13:00:00", "13:30:00"});
  at(11, 59, 59);
  unit.today.LoadToday();
  EXPECT_EQ(view.next, QStringLiteral("下一个要播放的节目为 <下午>")) << "12:00:00 is less than two seconds away";
  bool isId = false;
  EXPECT_EQ(dm.qry_show.fieldAsInteger(QStringLiteral("id"), &isId), after);
  EXPECT_TRUE(isId);
  at(11, 59, 58);
  unit.today.ShowNextEntry();
  EXPECT_EQ(view.next, QStringLiteral("下一个要播放的节目为 <午间>"));
  unit.today.CatchUpEntry();
  EXPECT_TRUE(runner.started.empty()) << "a text entry (end 00:00:00) is never caught up";
  at(12, 10, 0);
  runner.busy = true;
  unit.today.CatchUpEntry();
  EXPECT_TRUE(runner.started.empty()) << "not while the main channel plays";
  runner.busy = false;
  unit.state.playstate = PlayState::TryPlay;
  unit.today.CatchUpEntry();
  EXPECT_TRUE(runner.started.empty());
  unit.state.playstate = PlayState::Auto;
  unit.today.CatchUpEntry();
  ASSERT_EQ(runner.started.size(), 1u);
  EXPECT_EQ(entries()[std::size_t(runner.started[0].first)].id, noon);
  EXPECT_EQ(runner.started[0].second, EntryMode::Auto);
  // While something plays the grid stays on the playing entry and the line is left alone.
  runner.playing = true;
  unit.state.currentid = noon;
  view.next = QStringLiteral("kept");
  unit.today.ShowNextEntry();
  EXPECT_EQ(view.next, QStringLiteral("kept"));
  bool ok = false;
  EXPECT_EQ(dm.qry_show.fieldAsInteger(QStringLiteral("id"), &ok), noon);
  runner.playing = false;
  at(14, 0, 0);
  unit.today.ShowNextEntry();
  EXPECT_EQ(view.next, QStringLiteral("今天已无节目"));
}

TEST_F(Today, ArmedEndOfDayShutdownWaitsForAnEntryAddedLaterAndStopsWhenSwitchedOff) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  addEntry({"last", "16:00:00", "17:00:00", 5, "01:00:00"});
  at(15, 0, 0);
  unit.today.LoadToday();
  at(17, 0, 0);
  unit.today.ArmEndShutdown();
  ASSERT_TRUE(unit.state.endshutdownarmed);
  // A reload that changes nothing keeps it armed.
  at(17, 0, 1);
  unit.today.LoadToday();
  EXPECT_TRUE(unit.state.endshutdownarmed);
  // The operator adds an evening entry before the five seconds are over: no shutdown now.
  addEntry({"evening", "18:00:00", "18:30:00", 5, "00:30:00"});
  at(17, 0, 3);
  unit.today.LoadToday();
  EXPECT_FALSE(unit.state.endshutdownarmed);
  EXPECT_EQ(unit.state.endshutdownat, QStringLiteral("18:30:00"));
  at(18, 30, 0);
  unit.today.ArmEndShutdown();
  EXPECT_TRUE(unit.state.endshutdownarmed);
  EXPECT_EQ(unit.state.endshutdowndue, QDateTime(QDate(2024, 5, 1), QTime(18, 30, 5)));
  // Switched off before it fires: called off.
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("0"));
  unit.today.ComputeEndShutdownTime();
  EXPECT_FALSE(unit.state.endshutdownarmed);
  // Armed just before midnight, it survives the new day's load and fires at 00:00:02.
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  addEntry({"night", "23:00:00", "23:59:57", 5, "00:59:57"});
  at(22, 0, 0);
  unit.today.LoadToday();
  at(23, 59, 57);
  unit.today.ArmEndShutdown();
  useWeekdaySchedule(QStringLiteral("Thursday"), QStringLiteral("日常"));
  at(0, 0, 0, QDate(2024, 5, 2));
  unit.today.LoadToday();
  EXPECT_TRUE(unit.state.endshutdownarmed);
  EXPECT_EQ(unit.state.endshutdowndue, QDateTime(QDate(2024, 5, 2), QTime(0, 0, 2)));
}

namespace {
// The dispatcher's starts and ends, each with the second it came at.
struct ClockRunner : FakeRunner, DispatcherHost {
  const Clock* clock = nullptr;
  const MainState* s = nullptr;
  QStringList events;
  void note(const char* what, int i) {
    events << QStringLiteral("%1 %2 %3").arg(QLatin1String(what), s->todayentries[std::size_t(i)].pname, ClockText(clock->now()));
  }
  void StartEntry(int i, EntryMode) override { note("start", i); }
  void EndEntry(int i, EntryMode) override { note("end", i); }
  void showClock(const QString&) override {}
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
};
}  // namespace

TEST_F(Today, TheGridAndTheDispatcherShowTheSameRowsReadOnce) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  struct Row {
    const char *name, *start, *end;
    int kind;
    const char* length;
    QVariant volume;
  };
  // Stored out of order; both views follow the start times.
  const std::vector<Row> stored = {{"radio", "08:00:20", "08:00:40", 5, "00:00:20", (qint64(1) << 32) + 60},
                                   {"song", "08:00:00", "08:01:00", 1, "00:01:00", 80},
                                   {"loud", "08:00:30", "08:00:50", 6, "00:00:20", QStringLiteral("很响")},
                                   {"text", "08:00:10", "00:00:00", 4, "00:00:00", 90}};
  for (const Row& r : stored)
    addEntry({QString::fromUtf8(r.name), QString::fromLatin1(r.start), QString::fromLatin1(r.end), r.kind,
              QString::fromLatin1(r.length), QStringLiteral("日常"), QStringLiteral("待播"), QStringLiteral(""),
              kMainChannel, r.volume});
  at(7, 0, 0);
  unit.today.LoadToday();

  // The grid: the rows as stored (a fade's shorter end and a volume that is not a number are
  // the broadcast's business, not the grid's).
  orvane::db::QueryModel grid(&dm.qry_show);
  const QStringList columns{"pname", "starttime", "endtime", "ivolume", "status", "Schedulen"};
  auto shown = [&](int row) {
    QStringList cells;
    for (const QString& c : columns) cells << grid.data(grid.index(row, dm.qry_show.fieldIndex(c))).toString();
    return cells.join(QLatin1Char('|'));
  };
  ASSERT_EQ(grid.rowCount(), 4);
  EXPECT_EQ(shown(0), QStringLiteral("song|08:00:00|08:01:00|80|待播|日常"));
  EXPECT_EQ(shown(1), QStringLiteral("text|08:00:10|00:00:00|90|待播|日常"));
  EXPECT_EQ(shown(2), QStringLiteral("radio|08:00:20|08:00:40|4294967356|待播|日常"));
  EXPECT_EQ(shown(3), QStringLiteral("loud|08:00:30|08:00:50|很响|待播|日常"));
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(grid.data(grid.index(row, dm.qry_show.fieldIndex("id"))).toLongLong(), entries()[std::size_t(row)].id);
  EXPECT_EQ(entries()[3].ivolume, 100) << "a volume that is not a number plays at full volume";
  EXPECT_EQ(entries()[2].ivolume, 100) << "nor does one past the range of an int, cut to another";

  // The dispatcher: the same rows at their times, the song's end brought forward for its fade,
  // the text left to end by itself.
  ClockRunner clockRunner;
  clockRunner.clock = &clock;
  clockRunner.s = &unit.state;
  Dispatcher dispatcher(unit.state, clock, clockRunner, clockRunner, unit.fired, unit.today);
  at(7, 59, 59);
  dispatcher.start();
  dispatcher.stop();
  for (QDateTime t = clock.now().addSecs(1); t <= QDateTime(QDate(2024, 5, 1), QTime(8, 1, 1)); t = t.addSecs(1)) {
    clock.set(t);
    dispatcher.Timer1Timer();
  }
  EXPECT_EQ(clockRunner.events, (QStringList{"start song 08:00:00", "start text 08:00:10", "start radio 08:00:20",
                                             "start loud 08:00:30", "end radio 08:00:40", "end loud 08:00:50",
                                             "end song 08:00:56"}));

  // A status the broadcast sets is the one the grid shows: one row changes, nothing is read.
  QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
  QSignalSpy reset(&grid, &QAbstractItemModel::modelReset);
  unit.today.WriteStatus(entries()[2].id, QStringLiteral("正播"));
  EXPECT_EQ(entries()[2].status, QStringLiteral("正播"));
  EXPECT_EQ(shown(2), QStringLiteral("radio|08:00:20|08:00:40|4294967356|正播|日常"));
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(reset.count(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(boxes.count(QStringLiteral("时间表读取错误!请检查时间表。")), 1) << "the two volumes no entry can have";
}
