// The whole program, heard. A fresh home folder whose schedule holds, a few seconds ahead, a
// song entry, an external program, a text read aloud and an internet radio served on loopback,
// and a malformed row; the real program (offscreen) must start each entry at its second and end
// it at its end, as recorded from the test's own null sink on the private sound server, and
// tell of the malformed row without holding up the clock.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <optional>

#include "platform/db/query.h"
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
}  // namespace

// The X server ends while a video plays full screen: the program (the same process) goes on
// without windows, the video's sound at its place (not from its start again), and the next
// bell is heard on its second. When the desktop comes back and the program is started on it,
// the one without windows gives way and the new one rings the bell after.
TEST(DisplayLostTest, TheProgramGoesOnWithoutWindowsThenGivesWayToTheDesktop) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QProcess xserver;
  const QString display = startXServer(xserver);
  ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
  QTemporaryDir files;
  // Loud for its first two seconds, then silent: heard again only if it were started over.
  const QString video = files.filePath(QStringLiteral("clip.mp4"));
  ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=10", "-f", "lavfi",
                               "-i", "sine=f=440:d=10,volume='if(lt(t,2),0.5,0)':eval=frame", "-pix_fmt", "yuv420p",
                               "-shortest", video}),
            0);
  const QString tone = testing_support::writeToneWav(files.filePath(QStringLiteral("bell.wav")), 2.0, 440.0);
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  ProgramHome home(t0.date());
  ASSERT_TRUE(home.ok());
  {
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("gsk.mdb"))));
    ASSERT_TRUE(dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1")));
  }
  const QDateTime bellAt = t0.addSecs(9), secondBellAt = t0.addSecs(20);
  for (const auto& [name, at, end, path] : std::vector<std::tuple<QString, QDateTime, QDateTime, QString>>{
           {QStringLiteral("视频"), t0, t0.addSecs(8), video},
           {QStringLiteral("上课铃"), bellAt, bellAt.addSecs(2), tone},
           {QStringLiteral("下课铃"), secondBellAt, secondBellAt.addSecs(2), tone}})
    ASSERT_TRUE(home.addEntry({.pname = name, .starttime = ClockText(at), .endtime = ClockText(end), .slpath = path,
                               .tlength = QStringLiteral("00:00:10"), .playmode = QStringLiteral("单曲播放"), .jmlx = 1}));
  ASSERT_TRUE(home.start(onDisplay(display)));
  const qint64 pid = home.pid();
  runUntil(t0.addSecs(3));
  xserver.kill();
  xserver.waitForFinished(5000);
  const QDateTime lost = QDateTime::currentDateTime();
  runUntil(bellAt.addSecs(3));
  EXPECT_TRUE(home.running()) << "the program ended with its display";
  EXPECT_EQ(home.pid(), pid);
  EXPECT_LT(monitor->maxPeak(MonitorRecorder::at(lost.addMSecs(300)), MonitorRecorder::at(bellAt.addMSecs(-300))), kQuiet)
      << "the video was started over instead of going on at its place";
  const auto due = MonitorRecorder::at(bellAt);
  const auto heard = monitor->firstPeakAbove(kOnset, due - 1500ms);
  ASSERT_TRUE(heard.has_value()) << "the bell after the display went was not heard";
  const double ms = msBetween(due, *heard);
  std::printf("display lost: bell heard %.1f ms after its second (output path included)\n", ms);
  EXPECT_GE(ms, -50);
  EXPECT_LT(ms, 1000);
  EXPECT_EQ(home.log().filter(QStringLiteral("显示已断开")).size(), 1) << qPrintable(home.log().join('\n'));

  // The desktop is back and the program is started on it: the one without windows gives way.
  QProcess xserver2;
  const QString display2 = startXServer(xserver2);
  ASSERT_FALSE(display2.isEmpty());
  QProcess second;
  second.setProcessEnvironment(home.environment(onDisplay(display2)));
  second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  second.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(second.waitForStarted(5000));
  EXPECT_TRUE(testing_support::waitUntil([&] { return !home.running(); }, 12000)) << "the program without windows stayed";
  runUntil(secondBellAt.addSecs(3));
  EXPECT_EQ(second.state(), QProcess::Running) << "the program on the desktop did not go on";
  const auto secondHeard = monitor->firstPeakAbove(kOnset, MonitorRecorder::at(secondBellAt) - 1500ms);
  ASSERT_TRUE(secondHeard.has_value()) << "the bell after the take-over was not heard";
  EXPECT_LT(msBetween(MonitorRecorder::at(secondBellAt), *secondHeard), 1000);
  EXPECT_EQ(home.statuses(), (QStringList{QStringLiteral("视频=已播"), QStringLiteral("上课铃=已播"),
                                          QStringLiteral("下课铃=已播")}));
  // Each program that gave way or was asked to end closed as the operator's close does.
  second.terminate();
  EXPECT_TRUE(second.waitForFinished(5000)) << "the system's end request was not heard";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(home.log().filter(QStringLiteral("关闭软件")).size(), 2) << qPrintable(home.log().join('\n'));
  xserver2.kill();
  xserver2.waitForFinished(5000);
}
