// Around a start: a tick that outlasts its second, a song opened ahead of its second, and
// rows whose times the clock cannot read.
#include <QSignalSpy>

#include "scheduler/core/dispatcher.h"
#include "tests/scheduler/songfixture.h"

namespace {
// Showing one second takes as long as the case says (a slow open, a reload).
struct SlowHost : DispatcherHost {
  ManualClock* clock = nullptr;
  int overrunMs = 0;
  void showClock(const QString& t) override {
    if (t == QLatin1String("08:00:00")) clock->set(clock->now().addMSecs(overrunMs));
  }
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
};
}  // namespace

TEST_F(SongFixture, ATickThatOutlastsItsSecondWalksTheNextOneAtOnceAndNeverEarly) {
  // How far into the next seconds the tick of 08:00:00 ends; the ticks that follow at once.
  for (auto [overrunMs, ticksAtOnce] : {std::pair{300, 0}, {990, 1}, {2500, 1}}) {
    SCOPED_TRACE(overrunMs);
    SlowHost host;
    host.clock = &clock;
    host.overrunMs = overrunMs;
    Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 59, 500)));
    dispatcher.start();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 0, 10)));
    dispatcher.Timer1Timer();
    const qint64 walked = dispatcher.watermark();
    QSignalSpy ticks(&dispatcher, &Dispatcher::ticked);
    testing_support::waitUntil([] { return false; }, 150);  // the clock stands still meanwhile
    EXPECT_EQ(ticks.count(), ticksAtOnce);
    EXPECT_EQ(dispatcher.watermark(), ticksAtOnce ? clock.now().toSecsSinceEpoch() : walked);
  }
}

TEST_F(SongFixture, ASongOpenedAheadNeverHoldsUpTheSecondItIsFor) {
  SlowHost host;
  host.clock = &clock;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
  const QString bell = song(QStringLiteral("bell.wav"));
  addSong({QStringLiteral("铃声"), "08:20:00", "08:20:05", bell, QStringLiteral("单曲播放"), 1});
  // How long the file takes to open, when the tick before its second comes, whether it is
  // opened then (else at its start, as without opening ahead).
  struct Case {
    int opensInMs, tickMs;
    bool ahead;
  };
  for (const Case& c : {Case{0, 2, true}, Case{900, 2, true}, Case{2000, 2, false}, Case{0, 960, false}}) {
    SCOPED_TRACE(testing::Message() << c.opensInMs << " ms at " << c.tickMs);
    backend.openTakesMs[bell] = c.opensInMs;
    unit.fired = FiredSet();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 58)));
    load();
    dispatcher.start();
    dispatcher.stop();
    mainPlayer()->opened.clear();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 59, c.tickMs)));
    dispatcher.Timer1Timer();
    EXPECT_EQ(mainPlayer()->opened, c.ahead ? QStringList{bell} : QStringList{});
    EXPECT_FALSE(mainPlayer()->isPlaying()) << "heard before its second";
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 20, 0, 2)));
    dispatcher.Timer1Timer();
    EXPECT_EQ(mainPlayer()->opened, QStringList{bell});
    EXPECT_TRUE(mainPlayer()->isPlaying());
  }
}

TEST_F(SongFixture, OnlyAnEndTheClockCanReadIsBroughtForwardForTheFade) {
  unit.state.fadeenabled = true;
  // The stored end and the end the clock meets (a malformed one never).
  const std::vector<std::pair<QString, QString>> ends = {{"07:35:00", "07:34:56"}, {"00:00:02", "23:59:58"},
                                                         {"7:35:00", "7:35:00"},   {"07:35:00 ", "07:35:00 "},
                                                         {"07:75:00", "07:75:00"}};
  for (const auto& [stored, met] : ends)
    addSong({stored, "07:30:00", stored, song(QStringLiteral("a.mp3")), QStringLiteral("单曲播放"), 1});
  load();
  for (const auto& [stored, met] : ends) EXPECT_EQ(unit.state.todayentries[std::size_t(indexOf(stored))].endtime, met);
}

TEST_F(SongFixture, TheCatchUpPassesOverAnEntryOfAnUnknownKind) {
  addSong({QStringLiteral("music"), "08:00:00", "09:00:00", song(QStringLiteral("m.mp3")), QStringLiteral("单曲播放"), 1});
  addSong({QStringLiteral("kind nine"), "08:30:00", "08:45:00", song(QStringLiteral("n.mp3")), QStringLiteral("单曲播放"), 9});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 35, 0)));
  load();
  unit.today.CatchUpEntry();
  EXPECT_EQ(unit.state.currentid, unit.state.todayentries[std::size_t(indexOf(QStringLiteral("music")))].id);
  EXPECT_TRUE(mainPlayer()->isPlaying());
}
