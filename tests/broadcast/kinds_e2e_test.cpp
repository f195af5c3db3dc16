// The whole program with one entry of each of the kinds read aloud, internet radio and
// external program, due a few seconds ahead: the text is heard and ends by itself after its
// repeats, the helper program starts and is ended at the entry's end, and a stream served
// on loopback is heard until the radio entry ends. Heard on a sink of the test's own.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "platform/files/textfile.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"
#include "tests/support/helperprogram.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

using testing_support::LoopbackServer;
using testing_support::MonitorRecorder;
using Steady = MonitorRecorder::Clock;

namespace {
constexpr double kHeard = 0.01;

// The steady-clock moment of a wall-clock moment.
Steady::time_point steadyAt(const QDateTime& wall) {
  return Steady::now() + std::chrono::milliseconds(wall.toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch());
}

void runUntil(const QDateTime& wall) {
  testing_support::waitUntil([&] { return QDateTime::currentDateTime() >= wall; }, 60000);
}
}  // namespace

TEST(KindsBroadcastTest, TextRadioAndProgramEntriesStartAndEndAtTheirTimes) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";

  QTemporaryDir home, config;
  LoopbackServer server;
  server.route(QStringLiteral("/live.wav"), testing_support::toneWav(60, 660, 0.5, 44100), "audio/wav");
  const QString helper = testing_support::copyHelperProgram(home.path(), QStringLiteral("orvhelper-e2e"));
  ASSERT_TRUE(QFile::exists(helper));

  // Text at +4 s (read twice, then it ends by itself); the program from +4 s to +8 s; the radio
  // from +14 s to +18 s, after the text.
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 5);
  const QDateTime textAt = t0, programEnd = t0.addSecs(4), radioAt = t0.addSecs(10), radioEnd = t0.addSecs(14);
  int textId = 0;
  {
    testing_support::ScopedEnv homeHere("ORVANE_HOME", home.path().toUtf8());
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.filePath(QStringLiteral("gsk.mdb")), {}, {}, {},
                                   orvane::db::Connection::Mode::CreateIfMissing));
    dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0"));
    dm.SetSetting(EnglishWeekday(t0.date()), QStringLiteral("日常"));
    dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
    const QString insert = QStringLiteral(
        "insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,mainchannel,txt) "
        "values(:n,:s,:e,:p,'00:00:00',:m,100,'日常',:k,'主通道',:t)");
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, insert,
                             {{":n", QStringLiteral("广播")}, {":s", ClockText(textAt)}, {":e", QStringLiteral("00:00:00")},
                              {":p", QStringLiteral("请注意")}, {":m", QStringLiteral("VW Hui|4|100|2|0")}, {":k", 4},
                              {":t", QStringLiteral("同学们请注意。\n现在开始上课。")}}));
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select max(id) from sjb"));
    textId = dm.qry_temp.value(0, 0).toInt();
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, insert,
                             {{":n", QStringLiteral("程序")}, {":s", ClockText(t0)}, {":e", ClockText(programEnd)},
                              {":p", helper}, {":m", QStringLiteral("")}, {":k", 7}, {":t", QStringLiteral("")}}));
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, insert,
                             {{":n", QStringLiteral("电台")}, {":s", ClockText(radioAt)}, {":e", ClockText(radioEnd)},
                              {":p", server.url(QStringLiteral("/live.wav"))}, {":m", QStringLiteral("")}, {":k", 5},
                              {":t", QStringLiteral("")}}));
  }

  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();  // PULSE_SINK: the test's sink
  env.insert(QStringLiteral("ORVANE_HOME"), home.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("ORVANE_DRY_RUN_SYSTEM"), QStringLiteral("1"));
  program.setProcessEnvironment(env);
  program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program.start(QStringLiteral(ORVANE_PROGRAM), {});
  ASSERT_TRUE(program.waitForStarted(5000));

  // The program's helper starts in the entry's second and is ended at the entry's end.
  runUntil(programEnd.addMSecs(-500));
  const qint64 helperPid = testing_support::readHelperPid(helper + QStringLiteral(".pid"));
  EXPECT_GT(helperPid, 0) << "the external program did not start";
  EXPECT_FALSE(QFile::exists(helper + QStringLiteral(".term"))) << "ended before its time";
  runUntil(programEnd.addMSecs(1500));
  EXPECT_TRUE(QFile::exists(helper + QStringLiteral(".term"))) << "the external program was not ended at its end";

  runUntil(radioEnd.addMSecs(2500));
  const bool stillRunning = program.state() == QProcess::Running;
  program.terminate();
  if (!program.waitForFinished(5000)) program.kill();
  ASSERT_TRUE(stillRunning) << "the program ended early";

  // The text: heard from its second on, read twice, then over before the radio.
  const auto textDue = steadyAt(textAt);
  const auto heardText = monitor->firstLouder(kHeard, textDue - std::chrono::milliseconds(500));
  ASSERT_TRUE(heardText.has_value()) << "the text was not heard";
  EXPECT_GE(*heardText, textDue - std::chrono::milliseconds(100)) << "heard before its second";
  EXPECT_LT(*heardText, textDue + std::chrono::milliseconds(1500)) << "not heard in its second";
  EXPECT_GT(monitor->loudShare(kHeard, *heardText, *heardText + std::chrono::seconds(2)), 0.3);
  EXPECT_LT(monitor->maxRms(steadyAt(radioAt) - std::chrono::milliseconds(1200), steadyAt(radioAt)), kHeard)
      << "the text did not end by itself before the radio";
  // The radio: heard from its second to its end, then silence.
  const auto radioDue = steadyAt(radioAt);
  const auto heardRadio = monitor->firstLouder(kHeard, radioDue - std::chrono::milliseconds(200));
  ASSERT_TRUE(heardRadio.has_value()) << "the loopback stream was not heard";
  EXPECT_LT(*heardRadio, radioDue + std::chrono::milliseconds(2000));
  EXPECT_GT(monitor->loudShare(kHeard, *heardRadio + std::chrono::milliseconds(200), steadyAt(radioEnd)), 0.9);
  EXPECT_LT(monitor->maxRms(steadyAt(radioEnd) + std::chrono::milliseconds(800), steadyAt(radioEnd.addSecs(2))), kHeard)
      << "the radio still played after its end";
  EXPECT_GE(server.requests(QStringLiteral("/live.wav")), 1);

  // What the program recorded: every start and end in the log, the text's status.
  const QStringList log = orvane::readTextLines(home.filePath(QStringLiteral("log.txt")));
  const QString all = log.join(QLatin1Char('\n'));
  EXPECT_EQ(log.filter(QStringLiteral("播放节目：[starttime]") + ClockText(textAt)).size(), 2) << qPrintable(all);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]00:00:00[path]请注意")).size(), 1) << qPrintable(all);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]") + ClockText(programEnd) + QStringLiteral("[path]") + helper).size(), 1);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]") + ClockText(radioEnd)).size(), 1);
  {
    testing_support::ScopedEnv homeHere("ORVANE_HOME", home.path().toUtf8());
    TDataModule1 dm;
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.filePath(QStringLiteral("gsk.mdb"))));
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select pname, status from sjb order by id"));
    QStringList statuses;
    for (dm.qry_temp.first(); !dm.qry_temp.eof(); dm.qry_temp.next())
      statuses << dm.qry_temp.fieldAsString(QStringLiteral("pname")) + QLatin1Char('=') + dm.qry_temp.fieldAsString(QStringLiteral("status"));
    EXPECT_EQ(statuses, (QStringList{QStringLiteral("广播=已播"), QStringLiteral("程序=已播"), QStringLiteral("电台=已播")}));
  }
  (void)textId;
}
