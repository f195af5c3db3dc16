// The whole program with one entry of each of the kinds read aloud, internet radio and
// external program, due a few seconds ahead: the text is heard and ends by itself after its
// repeats, the helper program starts and is ended at the entry's end, and a stream served
// on loopback is heard until the radio entry ends. Heard on a sink of the test's own.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>

#include "scheduler/core/timetext.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/helperprogram.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::LoopbackServer;
using testing_support::MonitorRecorder;

namespace {
constexpr double kHeard = 0.01;
}  // namespace

TEST(KindsBroadcastTest, TextRadioAndProgramEntriesStartAndEndAtTheirTimes) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 0) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";

  ProgramHome home(QDate::currentDate());  // not near midnight: the entries' day too
  ASSERT_TRUE(home.ok());
  LoopbackServer server;
  server.route(QStringLiteral("/live.wav"), testing_support::toneWav(60, 660, 0.5, 44100), "audio/wav");
  const QString helper = testing_support::copyHelperProgram(home.path(), QStringLiteral("orvhelper-e2e"));
  ASSERT_TRUE(QFile::exists(helper));

  // Text at +4 s (read twice, then it ends by itself); the program from +4 s to +8 s; the radio
  // from +14 s to +18 s, after the text.
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 5);
  const QDateTime textAt = t0, programEnd = t0.addSecs(4), radioAt = t0.addSecs(10), radioEnd = t0.addSecs(14);
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("广播"),
                             .starttime = ClockText(textAt),
                             .endtime = QStringLiteral("00:00:00"),
                             .slpath = QStringLiteral("请注意"),
                             .tlength = QStringLiteral("00:00:00"),
                             .playmode = QStringLiteral("VW Hui|4|100|2|0"),
                             .jmlx = 4,
                             .txt = QStringLiteral("同学们请注意。\n现在开始上课。")}));
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("程序"),
                             .starttime = ClockText(t0),
                             .endtime = ClockText(programEnd),
                             .slpath = helper,
                             .tlength = QStringLiteral("00:00:00"),
                             .playmode = QStringLiteral(""),
                             .jmlx = 7}));
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("电台"),
                             .starttime = ClockText(radioAt),
                             .endtime = ClockText(radioEnd),
                             .slpath = server.url(QStringLiteral("/live.wav")),
                             .tlength = QStringLiteral("00:00:00"),
                             .playmode = QStringLiteral(""),
                             .jmlx = 5}));

  ASSERT_TRUE(home.start());  // into the test's own sink

  // The program's helper starts in the entry's second and is ended at the entry's end.
  runUntil(programEnd.addMSecs(-500));
  const qint64 helperPid = testing_support::readHelperPid(helper + QStringLiteral(".pid"));
  EXPECT_GT(helperPid, 0) << "the external program did not start";
  EXPECT_FALSE(QFile::exists(helper + QStringLiteral(".term"))) << "ended before its time";
  runUntil(programEnd.addMSecs(1500));
  EXPECT_TRUE(QFile::exists(helper + QStringLiteral(".term"))) << "the external program was not ended at its end";

  runUntil(radioEnd.addMSecs(2500));
  ASSERT_TRUE(home.stop()) << "the program ended early";

  // The text: heard from its second on, read twice, then over before the radio.
  const auto textDue = MonitorRecorder::at(textAt);
  const auto heardText = monitor->firstLouder(kHeard, textDue - std::chrono::milliseconds(500));
  ASSERT_TRUE(heardText.has_value()) << "the text was not heard";
  EXPECT_GE(*heardText, textDue - std::chrono::milliseconds(100)) << "heard before its second";
  EXPECT_LT(*heardText, textDue + std::chrono::milliseconds(1500)) << "not heard in its second";
  EXPECT_GT(monitor->loudShare(kHeard, *heardText, *heardText + std::chrono::seconds(2)), 0.3);
  EXPECT_LT(monitor->maxRms(MonitorRecorder::at(radioAt) - std::chrono::milliseconds(1200), MonitorRecorder::at(radioAt)), kHeard)
      << "the text did not end by itself before the radio";
  // The radio: heard from its second to its end, then silence.
  const auto radioDue = MonitorRecorder::at(radioAt);
  const auto heardRadio = monitor->firstLouder(kHeard, radioDue - std::chrono::milliseconds(200));
  ASSERT_TRUE(heardRadio.has_value()) << "the loopback stream was not heard";
  EXPECT_LT(*heardRadio, radioDue + std::chrono::milliseconds(2000));
  EXPECT_GT(monitor->loudShare(kHeard, *heardRadio + std::chrono::milliseconds(200), MonitorRecorder::at(radioEnd)), 0.9);
  EXPECT_LT(monitor->maxRms(MonitorRecorder::at(radioEnd) + std::chrono::milliseconds(800), MonitorRecorder::at(radioEnd.addSecs(2))), kHeard)
      << "the radio still played after its end";
  EXPECT_GE(server.requests(QStringLiteral("/live.wav")), 1);

  // What the program recorded: every start and end in the log, the text's status.
  const QStringList log = home.log();
  const QString all = log.join(QLatin1Char('\n'));
  EXPECT_EQ(log.filter(QStringLiteral("播放节目：[starttime]") + ClockText(textAt)).size(), 2) << qPrintable(all);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]00:00:00[path]请注意")).size(), 1) << qPrintable(all);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]") + ClockText(programEnd) + QStringLiteral("[path]") + helper).size(), 1);
  EXPECT_EQ(log.filter(QStringLiteral("停止节目：[ENDtime]") + ClockText(radioEnd)).size(), 1);
  EXPECT_EQ(home.statuses(),
            (QStringList{QStringLiteral("广播=已播"), QStringLiteral("程序=已播"), QStringLiteral("电台=已播")}));
}
