// No sound server: the main channel plays on into a timed silent output, so the day's statuses
// stay right, and the operator is told once when the output is lost and once when it returns;
// a song under way is heard again at its place soon after the server is back.
#include <QTest>
#include <optional>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/songentries.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/ownsoundserver.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;
using testing_support::OwnSoundServer;
using namespace std::chrono_literals;

namespace {
class SoundOutput : public SchedulerFixture, public DispatcherHost {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
    unit.ReadSettings();
    unit.state.logenabled = true;
    unit.state.fadeenabled = false;
    for (int kind = 1; kind <= 3; ++kind) runner.setHandler(kind, &songs);
    unit.today.setRunner(&runner);
    QCoreApplication::processEvents();  // notices another test left waiting are not ours
    boxes.clear();
  }
  void TearDown() override { QCoreApplication::processEvents(); }
  void showClock(const QString&) override {}
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
  // A song entry from that second on, on a channel, for `seconds`: by default a one-second
  // silent song.
  int add(const QString& name, const QTime& start, const QString& channel = QStringLiteral("主通道"),
          QString file = {}, int seconds = 1) {
    if (file.isEmpty()) file = testing_support::writeToneWav(music.filePath(name + ".wav"), 1.0, 1000.0, 0.0);
    return insertRow({{"pname", name}, {"starttime", start.toString("HH:mm:ss")},
                      {"endtime", start.addSecs(seconds).toString("HH:mm:ss")}, {"slpath", file},
                      {"tlength", QTime(0, 0).addSecs(seconds).toString("HH:mm:ss")}, {"playmode", QStringLiteral("单曲播放")},
                      {"ivolume", 100}, {"Schedulen", QStringLiteral("日常")}, {"jmlx", 1}, {"mainchannel", channel}});
  }
  // Ticks the dispatcher from its start on, by hand.
  void startDay() {
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 58)));
    unit.today.LoadToday();
    dispatcher.start();
    dispatcher.stop();
  }
  // The dispatcher's ticks through that second, then events until the song has sounded.
  void playThrough(const QTime& start) {
    for (int s = -1; s <= 1; ++s) {
      clock.set(QDateTime(QDate(2024, 5, 1), start.addSecs(s)).addMSecs(30));
      const std::size_t before = boxes.asked().size();
      dispatcher.Timer1Timer();
      EXPECT_EQ(boxes.asked().size(), before) << "nothing may wait for a person inside the tick";
      QTest::qWait(s == 0 ? 700 : 50);
    }
  }
  int told(const QString& part) const {
    int n = 0;
    for (const auto& r : boxes.asked()) n += r.text.contains(part) ? 1 : 0;
    return n;
  }

  QTemporaryDir music;
  orvane::MpvBackend mpv{orvane::MpvSettings{}};  // the program's own: pulse, silent when it is gone
  SongEntries songs{dm, unit.state, clock, unit.today, &mpv};
  BroadcastRunner runner{dm, unit.state, clock, unit.today};
  Dispatcher dispatcher{unit.state, clock, runner, *this, unit.fired, unit.today};
};

// The same, with a sound server of the test's own that it kills and starts again: apart from
// the shared private server, so it runs beside the tests that listen to that one.
class SoundServerReturn : public SoundOutput {};
}  // namespace

TEST_F(SoundOutput, WithoutASoundServerTheDayPlaysOnAndTheOperatorIsToldOnceAndAgainWhenItReturns) {
  const QByteArray server = qgetenv("PULSE_SERVER");
  const int first = add(QStringLiteral("first"), QTime(8, 0, 0));
  // Each channel's players lose the server in turn; the operator hears of it once.
  const int second = add(QStringLiteral("second"), QTime(8, 0, 5), QStringLiteral("副通道"));
  const int third = add(QStringLiteral("third"), QTime(8, 0, 10));
  startDay();
  {
    testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:" + music.filePath(QStringLiteral("no-server")).toUtf8());
    playThrough(QTime(8, 0, 0));
    playThrough(QTime(8, 0, 5));
  }
  EXPECT_EQ(QStringList({statusOf(first), statusOf(second)}), QStringList({QStringLiteral("已播"), QStringLiteral("已播")}))
      << "the silent output keeps the entries' time";
  EXPECT_EQ(told(QStringLiteral("声音输出中断")), 1) << "told once, whatever the number of songs";
  EXPECT_EQ(log().filter(QStringLiteral("声音输出中断")).size(), 1);
  if (server.isEmpty()) GTEST_SKIP() << "no private sound server for the output to return to (run through ./test.sh)";
  playThrough(QTime(8, 0, 10));
  EXPECT_EQ(statusOf(third), QStringLiteral("已播"));
  EXPECT_EQ(told(QStringLiteral("声音输出已恢复")), 1);
  // Known as soon as the song is opened, a second ahead of its start.
  const QStringList lines = log();
  const QStringList back = lines.filter(QStringLiteral("声音输出已恢复"));
  ASSERT_EQ(back.size(), 1);
  EXPECT_TRUE(back.front().startsWith(QStringLiteral("<2024-05-01 08:00:09>"))) << qPrintable(back.front());
  EXPECT_GT(lines.indexOf(back.front()), lines.indexOf(log().filter(QStringLiteral("声音输出中断")).value(0)));
  EXPECT_EQ(boxes.asked().size(), 2u);
}

// The sound server of the test's own goes away under a song (or is not there when it starts) and
// comes back: within a few seconds the song is heard again where it has got to, on either
// channel, and the operator is told of the return then, once.
TEST_F(SoundServerReturn, TheSongUnderWayIsHeardAgainAtItsPlaceSoonAfterTheServerReturns) {
  // Quiet for its first seconds, loud after: what is heard tells where the song is.
  constexpr double kQuietSeconds = 3.0;
  QByteArray pcm;
  for (const auto& [seconds, amplitude] : {std::pair{kQuietSeconds, 0.1}, std::pair{27.0, 0.5}})
    pcm += testing_support::toneWav(seconds, 1000.0, amplitude).mid(44);
  const QString song =
      testing_support::writeFile(music.filePath(QStringLiteral("steps.wav")), orvane::pcmWaveHeader(48000, 1, 16, pcm.size()) + pcm);
  const struct {
    QString channel;
    bool serverAtStart;  // else there is none until the song is under way
    QTime start;
  } cases[] = {{QStringLiteral("主通道"), true, QTime(8, 0, 0)},
               {QStringLiteral("副通道"), true, QTime(8, 0, 10)},
               {QStringLiteral("主通道"), false, QTime(8, 0, 20)}};
  std::vector<int> ids;
  for (const auto& c : cases) ids.push_back(add(c.start.toString(), c.start, c.channel, song, 5));
  startDay();
  const QString lost = QStringLiteral("声音输出中断"), back = QStringLiteral("声音输出已恢复");
  constexpr double kHeard = 0.003;  // above the null sink's floor, which is exactly zero
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(qPrintable(c.channel + (c.serverAtStart ? QStringLiteral(", lost mid-song") : QStringLiteral(", none at start"))));
    OwnSoundServer server;
    testing_support::ScopedEnv at("PULSE_SERVER", server.address());
    testing_support::ScopedEnv sink("PULSE_SINK", OwnSoundServer::sink().toUtf8());
    std::optional<MonitorRecorder> heard;
    // Listening is made ready before the program can reach the server.
    const auto serve = [&] {
      heard.reset();
      heard.emplace(OwnSoundServer::sink(), server.testAddress());
      return server.start() && heard->start();
    };
    if (c.serverAtStart) {
      ASSERT_TRUE(serve() && server.open());
    }
    const int lostBefore = told(lost), backBefore = told(back);
    const auto started = MonitorRecorder::Clock::now();
    playThrough(c.start);
    if (c.serverAtStart) {
      EXPECT_TRUE(testing_support::waitUntil([&] { return heard->firstLouder(kHeard, started).has_value(); }, 3000))
          << "not heard at its start";
      server.kill();
    }
    EXPECT_TRUE(testing_support::waitUntil([&] { return told(lost) == lostBefore + 1; }, 5000)) << "the loss is not told";
    // Silent until it has played on past its quiet start.
    while (MonitorRecorder::Clock::now() < started + std::chrono::milliseconds(int(kQuietSeconds * 1000) + 2000))
      QTest::qWait(50);
    ASSERT_TRUE(serve());
    // The channel's look for the server that fell due while listening was made ready finds
    // nothing; the server returns just after it, so that the next look is almost a whole
    // interval away.
    QTest::qWait(300);
    const auto returned = MonitorRecorder::Clock::now();
    ASSERT_TRUE(server.open());
    ASSERT_TRUE(testing_support::waitUntil([&] { return heard->firstLouder(kHeard, returned).has_value(); }, 8000))
        << "not heard again";
    const auto again = *heard->firstLouder(kHeard, returned);
    const auto delay = std::chrono::duration_cast<std::chrono::milliseconds>(again - returned);
    qInfo().noquote() << "heard again" << delay.count() << "ms after the server returned, on" << c.channel;
    EXPECT_LT(delay, 3s);
    QTest::qWait(700);
    EXPECT_GT(heard->loudShare(0.25, again + 100ms, again + 600ms), 0.9) << "not at its place";
    // Told when it is heard again (not at the next song), and once only.
    EXPECT_TRUE(testing_support::waitUntil([&] { return told(back) == backBefore + 1; }, 1000)) << "the return is not told";
    QTest::qWait(2500);
    EXPECT_EQ(told(back), backBefore + 1);
    EXPECT_EQ(told(lost), lostBefore + 1);
    playThrough(c.start.addSecs(5));
    EXPECT_EQ(statusOf(ids[i]), QStringLiteral("已播"));
  }
  EXPECT_EQ(log().filter(lost).size(), std::size(cases));
  EXPECT_EQ(log().filter(back).size(), std::size(cases));
}
