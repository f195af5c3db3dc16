#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include "platform/db/connection.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
const QString kWaiting = QStringLiteral("待播"), kPlaying = QStringLiteral("正播"), kPlayed = QStringLiteral("已播");

class StatusQueueTest : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
    useWeekdaySchedule(QStringLiteral("Thursday"), QStringLiteral("日常"));
    other = orvane::db::Connection::open(dm.connection()->path(), orvane::db::Connection::Mode::OpenExisting);
    ASSERT_TRUE(other);
  }
  // A fault told to the operator is shown from the event loop: while this test's responder
  // answers, not in the next test.
  void TearDown() override { QCoreApplication::processEvents(); }
  // Another program's write lock, as a database browser or a backup tool holds it.
  void lock() { ASSERT_TRUE(other->execScript(QStringLiteral("BEGIN EXCLUSIVE"))); }
  void unlock() { ASSERT_TRUE(other->execScript(QStringLiteral("COMMIT"))); }
  QString dayOf(int id) {
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select statusday from sjb where id=:id"), {{":id", id}});
    return dm.qry_temp.fieldAsString(QStringLiteral("statusday"));
  }
  std::unique_ptr<orvane::db::Connection> other;
};
}  // namespace

TEST_F(StatusQueueTest, ALockedDatabaseDelaysNothingAndTheStatusesLandInTheirOrder) {
  const int a = addEntry({.pname = "a", .starttime = "07:31:00", .endtime = "07:32:00"});
  const int b = addEntry({.pname = "b", .starttime = "07:33:00", .endtime = "07:34:00"});
  unit.today.LoadToday();
  lock();
  QElapsedTimer took;
  took.start();
  // Started, ended (only a playing row takes "已播"), the next started: the order matters.
  unit.today.WriteStatus(a, kPlaying);
  unit.today.WriteStatus(a, kPlayed, true);
  unit.today.WriteStatus(b, kPlaying);
  EXPECT_LT(took.elapsed(), 100) << "a status write waited for the lock";
  EXPECT_EQ(shown(), QStringList({kPlayed, kPlaying}));
  EXPECT_EQ(queue().pending().size(), 3u);
  EXPECT_EQ(queue().retryDelayMs(), StatusQueue::kFirstRetryMs);
  // Retries meanwhile are refused and back off, at most kMaxRetryMs apart.
  testing_support::waitUntil([] { return false; }, 1000);
  EXPECT_GT(queue().retryDelayMs(), StatusQueue::kFirstRetryMs);
  EXPECT_LE(queue().retryDelayMs(), StatusQueue::kMaxRetryMs);
  EXPECT_EQ(statusOf(a), kWaiting);
  unlock();
  EXPECT_TRUE(testing_support::waitUntil([&] { return queue().empty(); }, 4000));
  EXPECT_EQ(QStringList({statusOf(a), statusOf(b), dayOf(a), dayOf(b)}),
            QStringList({kPlayed, kPlaying, "2024-05-01", "2024-05-01"}));
}

TEST_F(StatusQueueTest, AReloadWhileLockedOverMidnightShowsWhatTheDatabaseEndsWith) {
  const int x = addEntry({.pname = "x", .starttime = "23:59:55", .endtime = "23:59:58"});
  const int y = addEntry({.pname = "y", .starttime = "00:00:00", .endtime = "00:00:30"});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 50)));
  unit.today.LoadToday();
  const QString stored = statusOf(y);
  lock();
  unit.today.WriteStatus(x, kPlaying);
  unit.today.WriteStatus(x, kPlayed, true);
  // Midnight: the reload cannot write the day's reset either; the new day starts y.
  clock.set(QDateTime(QDate(2024, 5, 2), QTime(0, 0, 0)));
  unit.today.LoadToday();
  unit.today.WriteStatus(y, kPlaying);
  // A reload a few seconds later (an editor closed), the lock still held: y has played, x
  // waits for tonight.
  clock.set(QDateTime(QDate(2024, 5, 2), QTime(0, 0, 3)));
  unit.today.LoadToday();
  const QStringList expected{kPlayed, kWaiting};  // grid order: y (00:00:00), then x
  EXPECT_EQ(shown(), expected);
  EXPECT_EQ(statusOf(y), stored) << "written through the lock";
  unlock();
  EXPECT_TRUE(queue().Flush(1000));
  EXPECT_EQ(QStringList({statusOf(y), statusOf(x), dayOf(y), dayOf(x)}),
            expected + QStringList({"2024-05-02", "2024-05-02"}));
}

TEST_F(StatusQueueTest, AStatusRefusedByAReadOnlyDatabaseIsLoggedOnceKeptAndWrittenWhenItIsWritable) {
  const int a = addEntry({.pname = "a", .starttime = "07:31:00", .endtime = "07:32:00"});
  unit.today.LoadToday();
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("PRAGMA query_only=1")));  // as a read-only file
  testing_support::LoggedMessages warnings{nullptr, QtWarningMsg};
  for (int i = 0; i < 20; ++i) unit.today.WriteStatus(a, i % 2 ? kPlayed : kPlaying);
  EXPECT_EQ(queue().pending().size(), 20u);
  EXPECT_EQ(queue().retryDelayMs(), StatusQueue::kFirstRetryMs) << "no retry was scheduled";
  EXPECT_EQ(shown(), QStringList({kPlayed}));
  testing_support::waitUntil([] { return false; }, 600);
  EXPECT_EQ(warnings.count(QStringLiteral("readonly")), 1) << "the retries logged again";
  EXPECT_EQ(statusOf(a), kWaiting);
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("PRAGMA query_only=0")));
  EXPECT_TRUE(testing_support::waitUntil([&] { return queue().empty(); }, 3000));
  EXPECT_EQ(statusOf(a), kPlayed);
  EXPECT_EQ(shown(), QStringList({kPlayed}));
}

TEST_F(StatusQueueTest, ClosingWithTheLockHeldWaitsBoundedAndKeepsWhatIsLeftForTheNextStart) {
  const int a = addEntry({.pname = "a", .starttime = "07:31:00", .endtime = "07:32:00"});
  const int b = addEntry({.pname = "b", .starttime = "07:33:00", .endtime = "07:34:00"});
  unit.today.LoadToday();
  const QString kept = home.file(QStringLiteral("kept.statuses"));
  queue().setKeptFile(kept);
  lock();
  unit.today.WriteStatus(a, kPlaying);
  unit.today.WriteStatus(a, kPlayed, true);
  unit.today.WriteStatus(b, kPlaying);
  QElapsedTimer took;
  took.start();
  queue().Close(500);
  EXPECT_GE(took.elapsed(), 400);
  EXPECT_LT(took.elapsed(), 1500);
  EXPECT_TRUE(queue().empty());
  ASSERT_TRUE(QFile::exists(kept)) << "what a close could not write is only on standard error";
  unlock();
  EXPECT_EQ(statusOf(a), kWaiting);
  // The next start writes them first, in their order, and the file goes with them.
  StatusQueue next(dm);
  next.setKeptFile(kept);
  next.Restore(next.TakeKeptItems());
  EXPECT_TRUE(next.empty());
  EXPECT_EQ(QStringList({statusOf(a), statusOf(b), dayOf(a)}), QStringList({kPlayed, kPlaying, "2024-05-01"}));
  EXPECT_FALSE(QFile::exists(kept));
}

TEST_F(StatusQueueTest, ARowRefusedForGoodIsToldOnceAndNeverHoldsBackTheRowsAfterIt) {
  const int a = addEntry({.pname = "升旗", .starttime = "07:31:00", .endtime = "07:32:00"});
  const int b = addEntry({.pname = "b", .starttime = "07:33:00", .endtime = "07:34:00"});
  unit.today.LoadToday();
  ASSERT_TRUE(dm.connection()->execScript(
      QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF status ON sjb WHEN old.id=%1 "
                     "BEGIN SELECT RAISE(ABORT,'protected row'); END").arg(a)));
  unit.today.WriteStatus(a, kPlaying);
  unit.today.WriteStatus(b, kPlaying);
  unit.today.WriteStatus(a, kPlayed, true);
  unit.today.WriteStatus(b, kPlayed, true);
  EXPECT_TRUE(queue().empty()) << "a refusal for good is tried again";
  EXPECT_EQ(QStringList({statusOf(a), statusOf(b)}), QStringList({kWaiting, kPlayed}));
  QCoreApplication::processEvents();
  ASSERT_EQ(boxes.asked().size(), 1u) << qPrintable(lastBox());
  EXPECT_TRUE(boxes.asked().front().text.contains(QStringLiteral("节目<升旗>")));
  EXPECT_TRUE(boxes.asked().front().text.contains(QStringLiteral("protected row")));
  EXPECT_FALSE(unit.disk.failing()) << "told as a disk that refuses writes";
  EXPECT_EQ(log().filter(QStringLiteral("数据库拒绝写入")).size(), 1);
}

TEST_F(StatusQueueTest, ADatabaseThatRefusesForeverKeepsAtMostTheLimitAndTheNewestLands) {
  const int a = addEntry({.pname = "a", .starttime = "07:31:00", .endtime = "07:32:00"});
  const int b = addEntry({.pname = "b", .starttime = "07:33:00", .endtime = "07:34:00"});
  unit.today.LoadToday();
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("PRAGMA query_only=1")));
  testing_support::LoggedMessages warnings{nullptr, QtWarningMsg};
  const std::size_t more = 5;
  for (std::size_t i = 0; i < StatusQueue::kMaxQueued + more; ++i) unit.today.WriteStatus(a, kPlaying);
  unit.today.WriteStatus(b, kPlayed);
  EXPECT_EQ(queue().pending().size(), StatusQueue::kMaxQueued) << "the queue grew past its limit";
  EXPECT_EQ(warnings.count(QStringLiteral("the oldest are let go")), 1);
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("PRAGMA query_only=0")));
  EXPECT_TRUE(testing_support::waitUntil([&] { return queue().empty(); }, 10000));
  EXPECT_EQ(statusOf(a), kPlaying);
  EXPECT_EQ(statusOf(b), kPlayed) << "the newest status was let go";
  EXPECT_EQ(warnings.count(QStringLiteral("%1 of the oldest statuses were let go").arg(more + 1)), 1);
}
