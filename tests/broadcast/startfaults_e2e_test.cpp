// The whole program started on a day whose schedule holds malformed rows: the fault is told
// without holding up the clock, so the song entry due a few seconds after the start is heard.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>

#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;

TEST(StartFaultsBroadcastTest, ADayWithMalformedRowsStillPlaysItsNextEntry) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
  const QTime clockNow = QTime::currentTime();
  if (clockNow > QTime(23, 59, 40) || clockNow < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
  QTemporaryDir tones;
  const QString tone = testing_support::writeToneWav(tones.filePath(QStringLiteral("tone.wav")), 4.0, 440.0);
  const QDateTime startAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  ProgramHome home(startAt.date());
  ASSERT_TRUE(home.ok());
  ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("上课铃"),
                             .starttime = ClockText(startAt),
                             .endtime = ClockText(startAt.addSecs(2)),
                             .slpath = tone,
                             .tlength = QStringLiteral("00:00:04"),
                             .playmode = QStringLiteral("单曲播放"),
                             .jmlx = 1}));
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
  ASSERT_TRUE(home.start());
  runUntil(startAt.addMSecs(2800));
  ASSERT_TRUE(home.stop()) << "the program ended early";
  const MonitorRecorder::Clock::time_point due = MonitorRecorder::at(startAt);
  const auto heard = monitor->firstPeakAbove(3000 / 32768.0, due - std::chrono::milliseconds(2000));
  ASSERT_TRUE(heard.has_value()) << "the entry after the start was never heard";
  const double heardMs = std::chrono::duration<double, std::milli>(*heard - due).count();
  EXPECT_GE(heardMs, -50) << "heard before its time";
  EXPECT_LT(heardMs, 1500) << "not heard at its second";
  EXPECT_EQ(home.log().filter(QStringLiteral("播放节目：[starttime]") + ClockText(startAt)).size(), 1);
  EXPECT_EQ(home.statuses(), (QStringList{QStringLiteral("上课铃=已播"), QStringLiteral("坏行=待播")}))
      << "the malformed row is neither started nor caught up";
}
