// No sound server: the main channel plays on into a timed silent output, so the day's statuses
// stay right, and the operator is told once when the output is lost and once when it returns;
// a song under way is heard again at its place soon after the server is back.
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <optional>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/songentries.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;
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

// A sound server of the test's own, killed and started again at will (never the shared one of
// test.sh, which other test programs use): the test reaches it at once, at a socket of its own;
// the program finds it at address() only once open() has made it answer there.
class OwnServer {
 public:
  ~OwnServer() { kill(); }
  QByteArray address() const { return "unix:" + path("native").toUtf8(); }
  QByteArray testAddress() const { return "unix:" + path("test").toUtf8(); }
  bool start() {
    kill();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.path());
    env.insert(QStringLiteral("PULSE_STATE_PATH"), dir.path());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("pulseaudio"),
                  {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--log-level=info",
                   "--log-target=file:" + path(QString::number(++starts) + ".log"), "-L",
                   "module-native-protocol-unix auth-anonymous=1 socket=" + path("test"), "-L", "module-null-sink sink_name=ownsink"});
    for (int i = 0; i < 250 && !pactl({"info"}); ++i) QThread::msleep(20);
    return pactl({"set-default-sink", "ownsink"});
  }
  bool open() { return pactl({"load-module", "module-native-protocol-unix", "auth-anonymous=1", "socket=" + path("native")}); }
  // At once, as a crash would; its sockets stay behind, answering nobody.
  void kill() {
    process.kill();
    process.waitForFinished();
  }
  // The clients that have connected so far, through every start.
  int connections() const {
    int n = 0;
    for (int i = 1; i <= starts; ++i) {
      QFile log(path(QString::number(i) + ".log"));
      n += log.open(QIODevice::ReadOnly) ? int(log.readAll().count("Client authenticated")) : 0;
    }
    return n;
  }

 private:
  QString path(const QString& name) const { return dir.filePath(name); }
  bool pactl(const QStringList& args) const {
    QProcess p;
    p.start(QStringLiteral("pactl"), QStringList{"-s", QString::fromUtf8(testAddress())} + args);
    return p.waitForFinished() && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }
  QTemporaryDir dir;
  QProcess process;
  int starts = 0;  // each start logs to a file of its own
};

// The same, with a sound server of its own: apart from the shared private server, so it runs
// beside the tests that listen to that one.
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

// The server goes away under a song (or is not there when it starts) and comes back: soon after,
// the song is heard again where it has got to, on either channel, and the return is told then,
// once; nobody looks for a server that is there.
TEST_F(SoundServerReturn, TheSongUnderWayIsHeardAgainAtItsPlaceAndTheReturnIsToldThenOnce) {
  // Quiet for its first seconds, loud after (tones without their 44-byte headers): what is
  // heard tells where the song is.
  constexpr int kQuietMs = 3000;
  const QByteArray pcm = testing_support::toneWav(kQuietMs / 1000.0, 1000.0, 0.1).mid(44) +
                         testing_support::toneWav(27.0, 1000.0, 0.5).mid(44);
  const QString song = testing_support::writeFile(music.filePath(QStringLiteral("steps.wav")),
                                                  orvane::pcmWaveHeader(48000, 1, 16, pcm.size()) + pcm);
  const struct {
    QString channel;
    bool serverAtStart;  // else none until the song is under way
    QTime start;
  } cases[] = {{QStringLiteral("主通道"), true, QTime(8, 0, 0)},
               {QStringLiteral("副通道"), true, QTime(8, 0, 10)},
               {QStringLiteral("主通道"), false, QTime(8, 0, 20)}};
  for (const auto& c : cases) add(c.start.toString(), c.start, c.channel, song, 5);
  startDay();
  const QString lost = QStringLiteral("声音输出中断"), back = QStringLiteral("声音输出已恢复");
  constexpr double kHeard = 0.003;  // above the null sink's floor, which is exactly zero
  for (const auto& c : cases) {
    SCOPED_TRACE(qPrintable(c.channel + (c.serverAtStart ? QStringLiteral(" lost") : QStringLiteral(" none at start"))));
    OwnServer server;
    testing_support::ScopedEnv at("PULSE_SERVER", server.address()), sink("PULSE_SINK", "ownsink");
    std::optional<MonitorRecorder> heard;
    const auto serve = [&] {  // listening before the program can reach the server
      heard.reset();
      return server.start() && heard.emplace(QStringLiteral("ownsink"), server.testAddress()).start();
    };
    if (c.serverAtStart) {
      ASSERT_TRUE(serve() && server.open());
    }
    const int lostBefore = told(lost), backBefore = told(back);
    const auto started = MonitorRecorder::Clock::now();
    playThrough(c.start);
    if (c.serverAtStart) {
      EXPECT_TRUE(testing_support::waitUntil([&] { return heard->firstLouder(kHeard, started).has_value(); }, 3000));
      const int connected = server.connections();
      QTest::qWait(2200);
      EXPECT_EQ(server.connections(), connected) << "looked for a server that is there";
      server.kill();
    }
    EXPECT_TRUE(testing_support::waitUntil([&] { return told(lost) == lostBefore + 1; }, 5000)) << "the loss is not told";
    // Back once the song has played on silently past its quiet start, and just after a look
    // that fell due while listening was made ready found nothing: the next one is a whole
    // interval away.
    testing_support::waitUntil([&] { return MonitorRecorder::Clock::now() > started + std::chrono::milliseconds(kQuietMs + 3000); }, 10000);
    ASSERT_TRUE(serve());
    QTest::qWait(300);
    const auto returned = MonitorRecorder::Clock::now();
    ASSERT_TRUE(server.open());
    ASSERT_TRUE(testing_support::waitUntil([&] { return heard->firstLouder(kHeard, returned).has_value(); }, 8000));
    const auto again = *heard->firstLouder(kHeard, returned);
    qInfo() << "heard again" << std::chrono::duration_cast<std::chrono::milliseconds>(again - returned).count() << "ms after the return";
    EXPECT_LT(again - returned, 3s);
    QTest::qWait(700);
    EXPECT_GT(heard->loudShare(0.25, again + 100ms, again + 600ms), 0.9) << "not at its place";
    EXPECT_TRUE(testing_support::waitUntil([&] { return told(back) == backBefore + 1; }, 1000)) << "the return is not told";
    const int connected = server.connections();
    QTest::qWait(2500);
    EXPECT_EQ(server.connections(), connected) << "still looking for the server once it is back";
    EXPECT_TRUE(told(back) == backBefore + 1 && told(lost) == lostBefore + 1);
    playThrough(c.start.addSecs(5));  // ends it
  }
  EXPECT_EQ(log().filter(lost).size(), std::size(cases));
  EXPECT_EQ(log().filter(back).size(), std::size(cases));
}
