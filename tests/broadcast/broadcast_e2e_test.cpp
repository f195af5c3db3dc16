// The whole program, heard. A fresh home folder whose schedule holds, a few seconds ahead, a
// song entry, an external program, a text read aloud and an internet radio served on loopback,
// and a malformed row; the real program (offscreen) must start each entry at its second and end
// it at its end, as recorded from the test's own null sink on the private sound server, and
// tell of the malformed row without holding up the clock.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

#include "platform/db/query.h"
#include "platform/files/textfile.h"
#include "platform/media/mpvbackend.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/helperprogram.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;
using Steady = MonitorRecorder::Clock;
using namespace std::chrono_literals;

namespace {
constexpr double kOnset = 3000 / 32768.0;
constexpr double kLoud = 8000 / 32768.0;  // the tone peaks at half scale
constexpr double kQuiet = 300 / 32768.0;  // the silence played beside it is exact
constexpr double kHeard = 0.01;

double msBetween(Steady::time_point from, Steady::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The time from play() to the sound at the sink's monitor, through the same player and server
// the program uses; none when the tone was not heard.
std::optional<double> measureLatency(const MonitorRecorder& monitor, const QString& tone) {
  const Steady::time_point begun = Steady::now();
  orvane::MpvSettings s;
  s.silentFallback = false;
  orvane::MpvBackend backend(s);
  auto player = backend.createChannel(orvane::ChannelKind::MediaPlayer);
  if (!player || !player->open(tone).ok) return std::nullopt;
  runUntil(QDateTime::currentDateTime().addMSecs(300));
  player->play();
  const Steady::time_point played = Steady::now();
  runUntil(QDateTime::currentDateTime().addMSecs(1500));
  player->close();
  const auto heard = monitor.firstPeakAbove(kOnset, std::max(begun, played - 500ms));
  if (!heard) return std::nullopt;
  return msBetween(played, *heard);
}
}  // namespace

TEST(BroadcastTest, EveryKindOfEntryIsHeardOrRunFromItsSecondToItsEnd) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QTemporaryDir tones;
  const QString tone = testing_support::writeToneWav(tones.filePath(QStringLiteral("音乐/tone.wav")), 6.0, 440.0);
  const std::optional<double> measured =
      measureLatency(*monitor, testing_support::writeToneWav(tones.filePath(QStringLiteral("ref.wav")), 0.5, 440.0));
  ASSERT_TRUE(measured.has_value()) << "the reference tone was not heard";
  const double latency = *measured;
  ASSERT_GE(latency, -50);
  ASSERT_LT(latency, 1000);
  std::printf("output path latency (player -> server -> monitor): %.1f ms\n", latency);
  ProgramHome home(QDate::currentDate());  // not near midnight: the entries' day too
  ASSERT_TRUE(home.ok());
  testing_support::LoopbackServer server;
  server.route(QStringLiteral("/live.wav"), testing_support::toneWav(60, 660, 0.5, 44100), "audio/wav");
  const QString helper = testing_support::copyHelperProgram(home.path(), QStringLiteral("orvhelper-e2e"));
  ASSERT_TRUE(QFile::exists(helper));
  // The song from +0 s to +3 s (its file is 6 s long), the program from +1 s to +5 s, the text
  // at +6 s (read twice, then it ends by itself), the radio from +16 s to +20 s.
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  const QDateTime songEnd = t0.addSecs(3), programAt = t0.addSecs(1), programEnd = t0.addSecs(5), textAt = t0.addSecs(6),
                  radioAt = t0.addSecs(16), radioEnd = t0.addSecs(20);
  const QString none = QStringLiteral("00:00:00");
  const std::vector<EntryValues> entries = {
      {.pname = QStringLiteral("上课铃"), .starttime = ClockText(t0), .endtime = ClockText(songEnd), .slpath = tone,
       .tlength = QStringLiteral("00:00:06"), .playmode = QStringLiteral("单曲播放"), .jmlx = 1},
      {.pname = QStringLiteral("程序"), .starttime = ClockText(programAt), .endtime = ClockText(programEnd), .slpath = helper,
       .tlength = none, .playmode = QStringLiteral(""), .jmlx = 7},
      {.pname = QStringLiteral("广播"), .starttime = ClockText(textAt), .endtime = none, .slpath = QStringLiteral("请注意"),
       .tlength = none, .playmode = QStringLiteral("VW Hui|4|100|2|0"), .jmlx = 4,
       .txt = QStringLiteral("同学们请注意。\n现在开始上课。")},
      {.pname = QStringLiteral("电台"), .starttime = ClockText(radioAt), .endtime = ClockText(radioEnd),
       .slpath = server.url(QStringLiteral("/live.wav")), .tlength = none, .playmode = QStringLiteral(""), .jmlx = 5}};
  for (const EntryValues& e : entries) ASSERT_TRUE(home.addEntry(e)) << e.pname.toStdString();
  {
    // What no dialog writes: a start without its leading zero and a volume left empty.
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("gsk.mdb"))));
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp,
                             QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,"
                                            "Schedulen,jmlx,mainchannel,txt) values('坏行','9:00:00','23:00:00',:p,"
                                            "'00:00:04','单曲播放',NULL,'日常',1,'主通道','')"),
                             {{QStringLiteral(":p"), tone}}));
  }
  ASSERT_TRUE(home.start());  // into the test's own sink
  // The external program starts in its second and is ended at the entry's end.
  runUntil(programEnd.addMSecs(-500));
  EXPECT_GT(testing_support::readHelperPid(helper + QStringLiteral(".pid")), 0) << "the external program did not start";
  EXPECT_FALSE(QFile::exists(helper + QStringLiteral(".term"))) << "ended before its time";
  runUntil(programEnd.addMSecs(1500));
  EXPECT_TRUE(QFile::exists(helper + QStringLiteral(".term"))) << "the external program was not ended at its end";
  runUntil(radioEnd.addMSecs(2500));
  ASSERT_TRUE(home.stop()) << "the program ended early";
  // The song: heard within its second (less the output latency), on until its end, then silence.
  const Steady::time_point due = MonitorRecorder::at(t0), end = MonitorRecorder::at(songEnd);
  const auto heard = monitor->firstPeakAbove(kOnset, due - 2000ms);
  ASSERT_TRUE(heard.has_value()) << "the tone was never heard";
  const double started = msBetween(due, *heard) - latency;
  std::printf("song due at %s; heard %.1f ms after its second began, less the latency\n", qPrintable(ClockText(t0)), started);
  EXPECT_GE(started, -50) << "heard before its time";
  EXPECT_LT(started, 1000) << "not within the second it was due";
  EXPECT_GT(monitor->maxPeak(*heard + 100ms, end - 200ms), kLoud) << "the tone did not go on";
  const auto afterSong = end + std::chrono::milliseconds(qint64(latency) + 500);
  EXPECT_LT(monitor->maxPeak(afterSong, end + 2400ms), kQuiet) << "still sounding after the entry's end";
  // The text: heard from its second on, read twice, then over before the radio.
  const auto textDue = MonitorRecorder::at(textAt);
  const auto heardText = monitor->firstLouder(kHeard, textDue - 500ms);
  ASSERT_TRUE(heardText.has_value()) << "the text was not heard";
  EXPECT_GE(*heardText, textDue - 100ms) << "heard before its second";
  EXPECT_LT(*heardText, textDue + 1500ms) << "not heard in its second";
  EXPECT_GT(monitor->loudShare(kHeard, *heardText, *heardText + 2s), 0.3);
  const auto radioDue = MonitorRecorder::at(radioAt);
  EXPECT_LT(monitor->maxRms(radioDue - 1200ms, radioDue), kHeard) << "the text did not end by itself before the radio";
  // The radio: heard from its second to its end, then silence.
  const auto heardRadio = monitor->firstLouder(kHeard, radioDue - 200ms);
  ASSERT_TRUE(heardRadio.has_value()) << "the loopback stream was not heard";
  EXPECT_LT(*heardRadio, radioDue + 2000ms);
  EXPECT_GT(monitor->loudShare(kHeard, *heardRadio + 200ms, MonitorRecorder::at(radioEnd)), 0.9);
  EXPECT_LT(monitor->maxRms(MonitorRecorder::at(radioEnd) + 800ms, MonitorRecorder::at(radioEnd.addSecs(2))), kHeard)
      << "the radio still played after its end";
  EXPECT_GE(server.requests(QStringLiteral("/live.wav")), 1);
  // What the program recorded: every start and end in the log, every entry's status.
  const QStringList log = home.log();
  const QString all = log.join(QLatin1Char('\n'));
  const QString played = QStringLiteral("播放节目：[starttime]"), stopped = QStringLiteral("停止节目：[ENDtime]");
  for (const auto& [line, count] : std::vector<std::pair<QString, int>>{
           {played + ClockText(t0), 1}, {QStringLiteral("[歌名：]") + tone, 1}, {played + ClockText(programAt), 1},
           {played + ClockText(textAt), 1}, {played + ClockText(radioAt), 1},
           {stopped + QStringLiteral("00:00:00[path]请注意"), 1},
           {stopped + ClockText(programEnd) + QStringLiteral("[path]") + helper, 1}, {stopped + ClockText(radioEnd), 1}})
    EXPECT_EQ(log.filter(line).size(), count) << line.toStdString() << "\n" << all.toStdString();
  // The malformed row is neither started nor caught up.
  EXPECT_EQ(home.statuses(), (QStringList{QStringLiteral("上课铃=已播"), QStringLiteral("程序=已播"), QStringLiteral("广播=已播"),
                                          QStringLiteral("电台=已播"), QStringLiteral("坏行=待播")}));
}

// Another program holds the database locked from two seconds before an entry's start until
// after its end: the tone is still heard on its second, and once the lock is gone the row reads
// "已播" for today.
TEST(LockedDatabaseTest, TheBellRingsOnItsSecondAndItsStatusIsWrittenAfterTheLock) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 30) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QTemporaryDir tones;
  const QString tone = testing_support::writeToneWav(tones.filePath(QStringLiteral("tone.wav")), 3.0, 440.0);
  const MonitorRecorder* monitor = MonitorRecorder::shared();
  ASSERT_NE(monitor, nullptr) << "the test's own sink could not be recorded";
  const QDateTime startAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 5);
  const QDateTime endAt = startAt.addSecs(2);
  ProgramHome home(startAt.date());
  ASSERT_TRUE(home.ok());
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("上课铃"), .starttime = ClockText(startAt), .endtime = ClockText(endAt),
                             .slpath = tone, .tlength = QStringLiteral("00:00:03"),
                             .playmode = QStringLiteral("单曲播放"), .jmlx = 1}));
  ASSERT_TRUE(home.start());
  runUntil(startAt.addSecs(-2));
  auto other = orvane::db::Connection::open(home.file(QStringLiteral("gsk.mdb")), orvane::db::Connection::Mode::OpenExisting);
  ASSERT_TRUE(other && other->execScript(QStringLiteral("BEGIN EXCLUSIVE")));
  runUntil(endAt.addMSecs(1500));
  {
    orvane::db::Query row(other.get());
    row.setSql(QStringLiteral("select status from sjb"));
    ASSERT_TRUE(row.open());
    EXPECT_EQ(row.value(0, 0).toString(), QStringLiteral("待播")) << "written through another program's lock";
  }
  ASSERT_TRUE(other->execScript(QStringLiteral("COMMIT")));
  other.reset();
  const QString played = QStringLiteral("上课铃=已播");
  EXPECT_TRUE(testing_support::waitUntil([&] { return home.statuses() == QStringList{played}; }, 5000))
      << qPrintable(home.statuses().join(' '));
  ASSERT_TRUE(home.stop()) << "the program ended early";
  auto db = orvane::db::Connection::open(home.file(QStringLiteral("gsk.mdb")), orvane::db::Connection::Mode::OpenExisting);
  orvane::db::Query day(db.get());
  day.setSql(QStringLiteral("select statusday from sjb"));
  ASSERT_TRUE(day.open());
  EXPECT_EQ(day.value(0, 0).toString(), DateText(startAt.date()));
  const auto due = MonitorRecorder::at(startAt);
  const auto heard = monitor->firstPeakAbove(3000 / 32768.0, due - std::chrono::seconds(2));
  ASSERT_TRUE(heard.has_value()) << "the tone was never heard";
  const double ms = std::chrono::duration<double, std::milli>(*heard - due).count();
  std::printf("locked database: tone heard %.1f ms after its second (output path included)\n", ms);
  EXPECT_GE(ms, -10) << "heard before its second";
  EXPECT_LT(ms, 250) << "the start waited for the lock";
}

namespace {
// An X server of the test's own; its display name, empty when it did not start.
QString startXServer(QProcess& xserver) {
  xserver.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("800x600x24")});
  if (!xserver.waitForStarted(5000) || !xserver.waitForReadyRead(10000)) return {};
  return QLatin1Char(':') + QString::fromLatin1(xserver.readAllStandardOutput()).trimmed();
}

QProcessEnvironment onDisplay(const QString& display) {
  QProcessEnvironment env;
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.insert(QStringLiteral("DISPLAY"), display);
  return env;
}

// What the program on a home folder has written to log.txt, whatever was in its place while
// the disk refused the log.
QStringList wholeLog(const ProgramHome& home) {
  return orvane::readTextLines(home.file(QStringLiteral("log.before"))) + home.log();
}

// Lines of the log holding the text.
int linesWith(const QStringList& log, const QString& text) { return int(log.filter(text).size()); }

// The environment of a running process, as its program image sees it.
QStringList environmentOf(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/environ").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList out;
  for (const QByteArray& entry : f.readAll().split('\0'))
    if (!entry.isEmpty()) out << QString::fromLocal8Bit(entry);
  return out;
}

// A song loud for its first two seconds (peaks at half scale) and soft after (a twentieth):
// heard from its start again, it is loud again.
QString writeMarkedSong(const QString& path, int seconds) {
  const QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i",
                         QStringLiteral("sine=f=440:d=%1,volume='if(lt(t,2),4,0.4)':eval=frame").arg(seconds), path};
  return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0 ? path : QString();
}
}  // namespace

// A song and an external program under way, the disk refusing the statuses and the log (the
// database locked by another program, a folder in the log's place): the X server ends a
// moment before a bell is due. The program (the same process) goes on without windows: the
// bell rings, the song goes on at its place, the program runs on once. A start on a desktop
// later brings it onto that desktop; the song and the program still go on, neither is started
// a second time, the program is ended at its entry's end, and once the disk takes writes
// again every status and log line held across both starts lands, each told once.
TEST(DisplayLostTest, TheBroadcastGoesOnWithoutWindowsAndComesBackToTheDesktopWhole) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QProcess xserver;
  const QString display = startXServer(xserver);
  ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
  QTemporaryDir files;
  const QString song = writeMarkedSong(files.filePath(QStringLiteral("song.wav")), 30);
  ASSERT_FALSE(song.isEmpty());
  const QString bell = testing_support::writeToneWav(files.filePath(QStringLiteral("bell.wav")), 1.5, 880.0);
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  // The display goes 140 ms before the bell's second.
  const QDateTime bellAt = t0.addSecs(7), songEnd = t0.addSecs(24), programEnd = t0.addSecs(20);
  ProgramHome home(t0.date());
  ASSERT_TRUE(home.ok());
  const QString helper = testing_support::copyHelperProgram(home.path(), QStringLiteral("orvhelper-display"));
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("音乐"), .starttime = ClockText(t0), .endtime = ClockText(songEnd),
                             .slpath = song, .tlength = QStringLiteral("00:00:30"), .playmode = QStringLiteral("单曲播放"),
                             .jmlx = 1}));
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("程序"), .starttime = ClockText(t0), .endtime = ClockText(programEnd),
                             .slpath = helper, .tlength = QStringLiteral("00:00:00"), .playmode = QStringLiteral("外部软件"),
                             .jmlx = 7}));
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("铃声"), .starttime = ClockText(bellAt),
                             .endtime = ClockText(bellAt.addSecs(2)), .slpath = bell, .tlength = QStringLiteral("00:00:02"),
                             .playmode = QStringLiteral("单曲播放"), .jmlx = 1, .mainchannel = QStringLiteral("副通道")}));
  ASSERT_TRUE(home.start(onDisplay(display)));
  const qint64 pid = home.pid();
  runUntil(t0.addSecs(3));
  ASSERT_EQ(testing_support::readHelperPid(helper + QStringLiteral(".pid")) > 0, true) << "the program did not start";
  // From here the disk refuses what the broadcast writes.
  auto other = orvane::db::Connection::open(home.file(QStringLiteral("gsk.mdb")), orvane::db::Connection::Mode::OpenExisting);
  ASSERT_TRUE(other && other->execScript(QStringLiteral("BEGIN EXCLUSIVE")));
  ASSERT_TRUE(QFile::rename(home.file(QStringLiteral("log.txt")), home.file(QStringLiteral("log.before"))));
  ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("log.txt")));
  runUntil(bellAt.addMSecs(-140));
  xserver.kill();
  xserver.waitForFinished(5000);
  const QDateTime lost = QDateTime::currentDateTime();
  runUntil(bellAt.addSecs(4));
  EXPECT_TRUE(home.running()) << "the program ended with its display";
  EXPECT_EQ(home.pid(), pid);
  const auto due = MonitorRecorder::at(bellAt);
  const auto rang = monitor->firstPeakAbove(kOnset, MonitorRecorder::at(lost.addMSecs(300)));
  ASSERT_TRUE(rang.has_value()) << "the bell due in the second the program started again never rang";
  std::printf("display lost 140 ms before a bell: heard %.1f ms after its second (output path included)\n",
              msBetween(due, *rang));
  EXPECT_LT(msBetween(due, *rang), 3000);

  // The desktop is back and the program is started on it: the one without windows comes onto
  // it, and the start that asked ends once the window is shown.
  QProcess xserver2;
  const QString display2 = startXServer(xserver2);
  ASSERT_FALSE(display2.isEmpty());
  QProcess desktop;
  desktop.setProcessEnvironment(home.environment(onDisplay(display2)));
  desktop.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const QDateTime askedAt = QDateTime::currentDateTime();
  desktop.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(desktop.waitForFinished(20000)) << "the start on the desktop did not end";
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_TRUE(home.running());
  EXPECT_EQ(home.pid(), pid) << "the broadcast was not kept by the program that held it";
  EXPECT_TRUE(environmentOf(pid).contains(QStringLiteral("DISPLAY=") + display2)) << "not on the new desktop";
  // A start without a display while it runs there is told and leaves it untouched.
  QProcess third;
  third.setProcessEnvironment(home.environment());
  third.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(third.waitForFinished(10000)) << "a second start without a display waits for nobody";
  EXPECT_EQ(third.exitCode(), 0);
  EXPECT_TRUE(environmentOf(pid).contains(QStringLiteral("DISPLAY=") + display2));
  // The disk takes writes again.
  runUntil(askedAt.addSecs(3));
  ASSERT_TRUE(other->execScript(QStringLiteral("COMMIT")));
  other.reset();
  ASSERT_TRUE(QDir(home.path()).rmdir(QStringLiteral("log.txt")));
  runUntil(songEnd.addSecs(2));
  EXPECT_LT(monitor->maxPeak(*rang + 2500ms, MonitorRecorder::at(songEnd) - 300ms), kOnset)
      << "the song was started over instead of going on at its place";
  EXPECT_GT(monitor->loudShare(kQuiet / 2, MonitorRecorder::at(askedAt.addSecs(3)), MonitorRecorder::at(songEnd) - 300ms), 0.9)
      << "the song fell silent";
  EXPECT_EQ(orvane::readTextLines(helper + QStringLiteral(".starts")).size(), 1) << "the external program ran twice";
  EXPECT_TRUE(QFile::exists(helper + QStringLiteral(".term"))) << "the external program was not ended at its end";
  EXPECT_TRUE(testing_support::waitUntil(
      [&] {
        return home.statuses() == QStringList{QStringLiteral("音乐=已播"), QStringLiteral("程序=已播"), QStringLiteral("铃声=已播")};
      },
      5000))
      << qPrintable(home.statuses().join(' '));
  ASSERT_TRUE(home.stop());
  const QStringList log = wholeLog(home);
  const QString all = log.join(QLatin1Char('\n'));
  const QString played = QStringLiteral("播放节目：[starttime]");
  for (const auto& [line, count] : std::vector<std::pair<QString, int>>{
           {played + ClockText(t0) + QStringLiteral("[path]") + song, 1},
           {played + ClockText(t0) + QStringLiteral("[path]") + helper, 1},
           {played + ClockText(bellAt), 1},
           {QStringLiteral("接续节目：[starttime]") + ClockText(t0) + QStringLiteral("[path]") + song, 2},
           {QStringLiteral("[歌名：]") + song, 1},
           {QStringLiteral("显示已断开"), 1},
           {QStringLiteral("程序回到桌面显示"), 1},
           {QStringLiteral("写入失败"), 1},
           {QStringLiteral("磁盘已恢复可写入"), 1},
           {QStringLiteral("停止节目：[ENDtime]") + ClockText(programEnd), 1},
           {QStringLiteral("运行软件"), 1},
           {QStringLiteral("关闭软件"), 1}})
    EXPECT_EQ(linesWith(log, line), count) << line.toStdString() << "\n" << all.toStdString();
  // Held lines land in their order.
  EXPECT_LT(log.indexOf(log.filter(QStringLiteral("显示已断开")).value(0)), log.indexOf(log.filter(played + ClockText(bellAt)).value(0)));
}

// Without a display nobody can answer a box, and nothing may wait for one: a home folder that
// cannot be made ends the program with its code, two starts at the same moment leave one
// program running and end the other, and a display that does not answer leaves the program
// broadcasting without windows (told in the log) until a start on a desktop brings it there.
TEST(WindowlessStartTest, NoBoxHoldsAProgramWithoutADisplay) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QTemporaryDir files;
  {
    QFile plain(files.filePath(QStringLiteral("a-file")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  }
  QProcess noHome;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("ORVANE_HOME"), files.filePath(QStringLiteral("a-file/home")));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  noHome.setProcessEnvironment(env);
  noHome.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(noHome.waitForFinished(10000)) << "the program waited for someone to read why it cannot start";
  EXPECT_EQ(noHome.exitCode(), 1);
  // A file-size limit makes its writes fail, told; it does not end the program by a signal.
  QProcess limited;
  limited.setProcessEnvironment(env);
  env.insert(QStringLiteral("ORVANE_HOME"), files.filePath(QStringLiteral("limited")));
  limited.setProcessEnvironment(env);
  limited.setChildProcessModifier([] {
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit tiny{1, RLIM_INFINITY};
    ::setrlimit(RLIMIT_FSIZE, &tiny);
  });
  limited.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(limited.waitForFinished(10000));
  EXPECT_EQ(limited.exitStatus(), QProcess::NormalExit) << "ended by the file-size signal";

  const QString tone = testing_support::writeToneWav(files.filePath(QStringLiteral("bell.wav")), 1.0, 660.0);
  const QDateTime bellAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 6);
  ProgramHome home(bellAt.date());
  ASSERT_TRUE(home.ok());
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("上课铃"), .starttime = ClockText(bellAt),
                             .endtime = ClockText(bellAt.addSecs(2)), .slpath = tone,
                             .tlength = QStringLiteral("00:00:01"), .playmode = QStringLiteral("单曲播放"), .jmlx = 1}));
  // Two starts at the same moment, one of them on a display that does not answer.
  QProcessEnvironment noDisplay;
  noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
  noDisplay.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4093"));
  QProcess twin;
  twin.setProcessEnvironment(home.environment(noDisplay));
  ASSERT_TRUE(home.start(noDisplay));
  twin.start(QStringLiteral(ORVANE_PROGRAM), {});
  EXPECT_TRUE(testing_support::waitUntil([&] { return !home.running() || twin.state() == QProcess::NotRunning; }, 10000))
      << "the start that lost waits for nobody";
  const bool twinLost = twin.state() == QProcess::NotRunning;
  EXPECT_TRUE(twinLost ? home.running() : twin.state() == QProcess::Running) << "both ended";
  EXPECT_EQ(twinLost ? twin.exitCode() : 0, 0);
  const qint64 keptPid = twinLost ? home.pid() : twin.processId();
  runUntil(bellAt.addSecs(3));
  const auto heard = monitor->firstPeakAbove(kOnset, MonitorRecorder::at(bellAt) - 1500ms);
  ASSERT_TRUE(heard.has_value()) << "no bell without a display";
  EXPECT_LT(msBetween(MonitorRecorder::at(bellAt), *heard), 1000);
  EXPECT_EQ(linesWith(home.log(), QStringLiteral("无法连接显示（DISPLAY=:4093）")), 1) << qPrintable(home.log().join('\n'));
  // A desktop comes: the program comes onto it.
  QProcess xserver;
  const QString display = startXServer(xserver);
  ASSERT_FALSE(display.isEmpty());
  QProcess desktop;
  desktop.setProcessEnvironment(home.environment(onDisplay(display)));
  desktop.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(desktop.waitForFinished(20000));
  EXPECT_EQ(desktop.exitCode(), 0);
  EXPECT_TRUE(environmentOf(keptPid).contains(QStringLiteral("DISPLAY=") + display));
  if (twinLost) {
    EXPECT_TRUE(home.stop());
  } else {
    twin.terminate();
    EXPECT_TRUE(twin.waitForFinished(5000));
  }
  EXPECT_EQ(linesWith(home.log(), QStringLiteral("关闭软件")), 1);

  // A home folder on a read-only disk (a mount of the test's own, where the system lets a
  // test make one): the day is read and plays, its statuses stay in memory, and the operator
  // is told why nothing can be written, not only that something went wrong.
  const QString readOnly = files.filePath(QStringLiteral("readonly"));
  ASSERT_TRUE(QDir().mkpath(readOnly));
  const QDateTime roBell = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  {
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("gsk.mdb"))));
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set starttime=:s, endtime=:e"),
                             {{QStringLiteral(":s"), ClockText(roBell)}, {QStringLiteral(":e"), ClockText(roBell.addSecs(2))}}));
  }
  QProcess onReadOnly;
  QProcessEnvironment roEnv = home.environment();
  roEnv.insert(QStringLiteral("ORVANE_HOME"), readOnly);
  onReadOnly.setProcessEnvironment(roEnv);
  onReadOnly.start(QStringLiteral("unshare"),
                   {"--user", "--map-root-user", "--mount", "sh", "-c",
                    QStringLiteral("mount --bind \"$0\" \"$1\" && mount -o remount,ro,bind \"$1\" && exec \"$2\""),
                    home.path(), readOnly, QStringLiteral(ORVANE_PROGRAM)});
  ASSERT_TRUE(onReadOnly.waitForStarted(5000));
  runUntil(roBell.addSecs(3));
  if (onReadOnly.state() != QProcess::Running && onReadOnly.exitCode() != 0 &&
      onReadOnly.readAllStandardError().contains("mount"))
    GTEST_SKIP() << "this system lets no test make a read-only mount";
  EXPECT_EQ(onReadOnly.state(), QProcess::Running) << "a read-only home stopped the program";
  const auto roHeard = monitor->firstPeakAbove(kOnset, MonitorRecorder::at(roBell) - 1500ms);
  ASSERT_TRUE(roHeard.has_value()) << "no bell on a read-only home";
  EXPECT_LT(msBetween(MonitorRecorder::at(roBell), *roHeard), 1000);
  onReadOnly.terminate();
  ASSERT_TRUE(onReadOnly.waitForFinished(5000));
  const QString told = QString::fromLocal8Bit(onReadOnly.readAllStandardError());
  EXPECT_FALSE(told.contains(QStringLiteral("运行出错"))) << qPrintable(told);
  EXPECT_TRUE(told.contains(QStringLiteral("[错误] 写入失败（"))) << qPrintable(told);
}
