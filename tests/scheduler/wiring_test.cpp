// The broadcast through its own wiring: the dispatcher woken by its timer on an injected
// clock, the channels' fade and position timers running (at a short interval), and the fake
// media layer's and the scripted voice's signals, with no handler called by hand.
#include <QSignalSpy>

#include "scheduler/core/dispatcher.h"
#include "tests/scheduler/kindsfixture.h"

namespace {
// The channels' one-second timers run this often here; what they do per tick is the same.
constexpr int kFastMs = 5;

struct DayHost : DispatcherHost {
  TodayProgramme* today = nullptr;
  QStringList power;
  void showClock(const QString&) override {}
  void newDay(const QDate&) override { today->LoadToday(); }
  void ShutdownPC() override { power << QStringLiteral("shutdown"); }
  void RebootPC() override { power << QStringLiteral("reboot"); }
};

class WiringTest : public KindsFixture {
 protected:
  void SetUp() override {
    KindsFixture::SetUp();
    host.today = &unit.today;
    for (QTimer* t : {&main().Timer_musicprocess, &main().Timer_bassprocess, &main().Timer_volupordown,
                      &second().Timer_music2process, &second().Timer_bass2process})
      t->setInterval(kFastMs);
  }
  void TearDown() override {
    dispatcher.stop();
    KindsFixture::TearDown();
  }
  // Loads the day and starts the dispatcher at `at`. The clock stands 10 ms before each next
  // second, so the dispatcher's timer wakes 10 ms after every step of the clock.
  void runFrom(int h, int m, int s) {
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(h, m, s, 990)));
    load();
    dispatcher.start();
  }
  // The clock moves on to h:m:s, a second at a time; the dispatcher's own timer walks each.
  void runTo(int h, int m, int s) {
    const QTime target(h, m, s, 990);
    while (clock.now().time() < target) {
      QSignalSpy ticks(&dispatcher, &Dispatcher::ticked);
      clock.advance(1);
      ASSERT_TRUE(ticks.wait(2000)) << "no tick at " << qPrintable(ClockText(clock.now()));
    }
  }
  // Statuses of an entry: database, grid row and today's entry, "|"-joined.
  QString statuses(int id) {
    QString grid = QStringLiteral("-"), today = QStringLiteral("-");
    const orvane::db::Query& q = dm.qry_show;
    const int cId = q.fieldIndex(QStringLiteral("id")), cStatus = q.fieldIndex(QStringLiteral("status"));
    for (int row = 0; row < q.recordCount(); ++row)
      if (q.value(row, cId).toInt() == id) grid = q.value(row, cStatus).toString();
    for (const rjmb& e : unit.state.todayentries)
      if (e.id == id) today = e.status;
    return statusOf(id) + QLatin1Char('|') + grid + QLatin1Char('|') + today;
  }
  static QString all(const char* status) {
    const QString s = QString::fromUtf8(status);
    return s + QLatin1Char('|') + s + QLatin1Char('|') + s;
  }
  // Volumes set on a player since the n-th.
  static std::vector<int> volumesFrom(const orvane::FakeMediaChannel* p, std::size_t n) {
    return n < p->volumes.size() ? std::vector<int>(p->volumes.begin() + long(n), p->volumes.end()) : std::vector<int>{};
  }
  DayHost host;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
};
}  // namespace

TEST_F(WiringTest, AFadedSongRisesFromSilenceAndItsFadeOutEndsTheEntryAndTheDay) {
  dm.SetSetting(QStringLiteral("cantstr"), QStringLiteral("1"));
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  unit.ReadSettings();
  ASSERT_TRUE(unit.state.fadeenabled);
  const QString dir = folder(QStringLiteral("f"), {QStringLiteral("a.mp3")});
  // Longer than 50 s by its length: it fades; the day's last entry.
  const int id = addSong({"晨曲", "08:00:00", "08:00:10", dir, "单曲循环", 2, "主通道", "00:01:00", 80});
  runFrom(7, 59, 59);
  runTo(8, 0, 0);
  ASSERT_NE(mainPlayer(), nullptr);
  ASSERT_TRUE(mainPlayer()->isPlaying());
  EXPECT_EQ(statuses(id), all("正播"));
  // Silent at first, then four steps of a quarter of the slider's 800.
  ASSERT_TRUE(testing_support::waitUntil([&] { return !main().fadingIn(); }, 2000)) << "the fade-in never ended";
  EXPECT_EQ(mainPlayer()->volumes, (std::vector<int>{0, 200, 400, 600, 800}));
  EXPECT_FALSE(main().Timer_volupordown.isActive());

  // The fade-out starts four seconds before the end, and the entry ends when it is silent.
  runTo(8, 0, 5);
  EXPECT_EQ(mainPlayer()->volumes.size(), 5u);
  runTo(8, 0, 6);
  ASSERT_TRUE(testing_support::waitUntil([&] { return statusOf(id) == QStringLiteral("已播"); }, 2000))
      << "the fade-out never ended its entry";
  EXPECT_EQ(volumesFrom(mainPlayer(), 5), (std::vector<int>{600, 400, 200, 0}));
  EXPECT_EQ(statuses(id), all("已播"));
  EXPECT_FALSE(mainPlayer()->isOpen() || main().busy() || main().Timer_volupordown.isActive());
  // Five seconds after the stored end of the day's last entry the computer shuts down.
  ASSERT_TRUE(unit.state.endshutdownarmed);
  EXPECT_EQ(unit.state.endshutdownat, QStringLiteral("08:00:15"));
  runTo(8, 0, 14);
  EXPECT_TRUE(host.power.isEmpty());
  runTo(8, 0, 15);
  EXPECT_EQ(host.power, QStringList{QStringLiteral("shutdown")});
}

TEST_F(WiringTest, MainChannelSongsFollowEachOtherOnTheirEndSignalsAndTheStreamsPositionTimer) {
  const QStringList two{QStringLiteral("a.mp3"), QStringLiteral("b.mp3")};
  const QString dir = folder(QStringLiteral("m"), two);
  const int id = addSong({"课间", "08:00:00", "08:00:30", dir, "顺序播放", 2});
  runFrom(7, 59, 59);
  runTo(8, 0, 0);
  ASSERT_NE(mainPlayer(), nullptr);
  // The position display follows the player.
  mainPlayer()->setPosition(65000);
  EXPECT_TRUE(testing_support::waitUntil([&] { return main().nowText() == QStringLiteral("1:05"); }, 2000))
      << qPrintable(main().nowText());
  mainPlayer()->finish();
  EXPECT_EQ(names(mainPlayer()->opened), two);
  mainPlayer()->finish();
  // The last song of the list: the line says so and the position timer lets go.
  EXPECT_EQ(main().songLine(), QStringLiteral("停止播放"));
  EXPECT_TRUE(testing_support::waitUntil([&] { return !main().Timer_musicprocess.isActive(); }, 2000));
  EXPECT_EQ(main().songLine(), QStringLiteral("停止播放"));
  runTo(8, 0, 30);
  EXPECT_EQ(statuses(id), all("已播"));

  // On the stream player no end signal is listened to: its position timer notices the end.
  unit.state.usebass = true;
  ASSERT_TRUE(songs.CreateStreams());
  backend.unplayableByMediaPlayer = {QStringLiteral("*")};
  const int streamed = addSong({"流", "08:01:00", "08:01:30", dir, "顺序播放", 2});
  load();
  runTo(8, 1, 0);
  ASSERT_NE(mainStream(), nullptr);
  ASSERT_TRUE(mainStream()->isPlaying());
  mainStream()->setPosition(61500);
  EXPECT_TRUE(testing_support::waitUntil([&] { return main().nowText() == QStringLiteral("1:01"); }, 2000))
      << qPrintable(main().nowText());
  mainStream()->finish();
  EXPECT_TRUE(testing_support::waitUntil([&] { return mainStream()->opened.size() == 2; }, 2000));
  EXPECT_EQ(names(mainStream()->opened), two);
  mainStream()->finish();
  EXPECT_TRUE(testing_support::waitUntil([&] { return !main().Timer_bassprocess.isActive(); }, 2000));
  EXPECT_EQ(main().songLine(), QStringLiteral("停止播放"));
  runTo(8, 1, 30);
  EXPECT_EQ(statuses(streamed), all("已播"));
}

TEST_F(WiringTest, TheSecondChannelPlaysOnThroughItsSignalsAndTimersAndGivesTheLevelBack) {
  unit.state.minvolume10 = 300;
  const QStringList two{QStringLiteral("a.mp3"), QStringLiteral("b.mp3")};
  const QString music = folder(QStringLiteral("m"), {QStringLiteral("x.mp3")});
  const QString dir = folder(QStringLiteral("s"), two);
  addSong({"背景", "08:00:00", "08:10:00", music, "单曲循环", 2, "主通道", "00:10:00", 90});
  const int id = addSong({"副", "08:00:01", "08:00:20", dir, "顺序播放", 2, "副通道", "00:00:19", 70});
  runFrom(7, 59, 59);
  runTo(8, 0, 1);
  ASSERT_NE(secondPlayer(), nullptr);
  ASSERT_TRUE(secondPlayer()->isPlaying());
  EXPECT_EQ(mainPlayer()->volume(), 300) << "the main channel is lowered under the second";
  secondPlayer()->setPosition(5000);
  const QString first = second().secondcaption();
  EXPECT_TRUE(testing_support::waitUntil([&] { return second().line() == first + QStringLiteral("0:05】"); }, 2000))
      << qPrintable(second().line());
  secondPlayer()->finish();
  EXPECT_EQ(names(secondPlayer()->opened), two);
  secondPlayer()->finish();
  // After the last song the position timer clears the line and stops.
  EXPECT_TRUE(testing_support::waitUntil(
      [&] { return !second().Timer_music2process.isActive() && second().line().isEmpty(); }, 2000));
  runTo(8, 0, 20);
  EXPECT_EQ(statuses(id), all("已播"));
  EXPECT_EQ(mainPlayer()->volume(), 900) << "the main channel comes back up";

  // The second channel's stream player: its position timer notices each end.
  unit.state.usebass = true;
  ASSERT_TRUE(songs.CreateStreams());
  backend.unplayableByMediaPlayer = {QStringLiteral("*")};
  const int streamed = addSong({"副流", "08:01:00", "08:01:20", dir, "顺序播放", 2, "副通道", "00:00:20", 70});
  load();
  runTo(8, 1, 0);
  ASSERT_NE(secondStream(), nullptr);
  ASSERT_TRUE(secondStream()->isPlaying());
  secondStream()->setPosition(7400);
  const QString streamFirst = second().secondcaption();
  EXPECT_TRUE(testing_support::waitUntil([&] { return second().line() == streamFirst + QStringLiteral("0:07】"); }, 2000))
      << qPrintable(second().line());
  secondStream()->finish();
  EXPECT_TRUE(testing_support::waitUntil([&] { return secondStream()->opened.size() == 2; }, 2000));
  EXPECT_EQ(names(secondStream()->opened), two);
  runTo(8, 1, 20);
  EXPECT_EQ(statuses(streamed), all("已播"));
}

TEST_F(WiringTest, AHintSoundIsWaitedOutByItsTimerBeforeTheReading) {
  dm.SetSetting(QStringLiteral("ttstsy"), QStringLiteral("40"));
  const int id = addText({"通知", "08:15:00", "VW Hui|0|100|1|1", QStringLiteral("请注意")});
  runFrom(8, 14, 59);
  runTo(8, 15, 0);
  EXPECT_TRUE(texts.hintWaiting());
  EXPECT_TRUE(speech == nullptr || speech->spoken.isEmpty()) << "read before the hint's time was up";
  ASSERT_TRUE(testing_support::waitUntil([&] { return speech && speech->spoken.size() == 1; }, 2000))
      << "the reading never followed the hint";
  EXPECT_EQ(speech->spoken.first(), QStringLiteral("请注意"));
  speech->finish();
  EXPECT_EQ(statuses(id), all("已播"));
}

TEST_F(WiringTest, ATextCutOffByAnotherTextIsPlayedUnlessItWasATrial) {
  for (EntryMode firstMode : {EntryMode::Auto, EntryMode::TryPlay}) {
    SCOPED_TRACE(firstMode == EntryMode::Auto ? "by the clock" : "a trial");
    const bool trial = firstMode == EntryMode::TryPlay;
    dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb"));
    // A trial is of a text whose own time has not come.
    const int a = addText({"第一", trial ? "09:00:00" : "08:15:00", "VW Hui|0|100|3|0", QStringLiteral("第一篇")});
    const int b = addText({"第二", "08:15:02", "VW Hui|0|100|1|0", QStringLiteral("第二篇")});
    dispatcher.stop();
    runFrom(8, 14, 59);
    if (trial) runner.StartEntry(indexOf(QStringLiteral("第一")), EntryMode::TryPlay);
    runTo(8, 15, 1);
    ASSERT_TRUE(unit.state.textshown);
    EXPECT_EQ(texts.textindex(), indexOf(QStringLiteral("第一")));
    EXPECT_EQ(statuses(a), trial ? all("待播") : all("正播"));
    runTo(8, 15, 2);
    EXPECT_EQ(texts.textindex(), indexOf(QStringLiteral("第二")));
    EXPECT_EQ(statuses(a), trial ? all("待播") : all("已播")) << "the text cut off stays as it was left";
    EXPECT_EQ(statuses(b), all("正播"));
    speech->finish();
    EXPECT_EQ(statuses(b), all("已播"));
    EXPECT_FALSE(unit.state.textshown);
  }
}
