// The whole program while another program holds the database locked from two seconds before
// an entry's start until after its end: the tone is still heard on its second, and once the
// lock is gone the row reads "已播" for today.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "scheduler/core/timetext.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;

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
