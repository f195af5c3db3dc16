// A disk that refuses the broadcast's writes (full, read-only), a lock file that cannot be
// made, and files that other users must not read: the day plays on, nothing is lost, and the
// operator is told once when writing fails and once when it works again.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <cerrno>
#include <thread>

#include "platform/files/filewrite.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/core/schedulebackup.h"
#include "tests/scheduler/kindsfixture.h"
#include "tests/support/faultvfs.h"
#include "tests/support/filelimits.h"

namespace {
const QString kWaiting = QStringLiteral("待播"), kPlayed = QStringLiteral("已播");
using testing_support::modeOf;

// The boxes the operator was shown that hold a part, and their captions.
QStringList shownWith(const orvane::ScopedMessageResponder& boxes, const QString& part) {
  QStringList found;
  for (const auto& r : boxes.asked())
    if (r.text.contains(part)) found << r.caption;
  return found;
}

class WriteFaults : public DispatchedKindsFixture {
 protected:
  // Notices are shown from the event loop: those another test left waiting are not ours, and
  // ours are shown before the next test begins.
  void SetUp() override {
    DispatchedKindsFixture::SetUp();
    QCoreApplication::processEvents();
    boxes.clear();
  }
  void TearDown() override { QCoreApplication::processEvents(); }
  int add(const QString& name, const QTime& start, int seconds) {
    return addSong({name, start.toString(QStringLiteral("HH:mm:ss")),
                    start.addSecs(seconds).toString(QStringLiteral("HH:mm:ss")), song(name + ".mp3"), "单曲播放", 1,
                    kMainChannel, "00:00:01"});
  }

  // Made before SetUp opens the fixture's database, so its files go through the switch.
  testing_support::FaultVfs vfs;
};
}  // namespace

TEST_F(WriteFaults, StatusesRefusedByAFullDiskAreKeptInOrderAndAllLandWhenItHasRoomAgain) {
  // Ten one-second songs three seconds apart; the disk is full for 14 s in the middle.
  std::vector<int> ids;
  for (int k = 0; k < 10; ++k) ids.push_back(add(QStringLiteral("s%1").arg(k), QTime(8, 0, 0).addSecs(3 * k), 1));
  const QString db = home.file(QStringLiteral("gsk.mdb"));
  startAt(at(7, 59, 58));
  for (QDateTime t = at(7, 59, 59); t <= at(8, 0, 32); t = t.addSecs(1)) {
    const bool full = t >= at(8, 0, 8) && t < at(8, 0, 22);
    vfs.failWrites(full ? SQLITE_FULL : 0);
    tickAt(t);
    if (t == at(8, 0, 9)) {
      EXPECT_EQ(statusOf(ids[3]), kWaiting) << "the start of 08:00:09 was written on a full disk";
      EXPECT_TRUE(boxes.asked().empty()) << "nothing may wait for a person inside the tick";
    }
    if (t == at(8, 0, 21)) {
      EXPECT_GT(queue().retryDelayMs(), StatusQueue::kFirstRetryMs) << "the retries back off";
      EXPECT_LE(queue().retryDelayMs(), StatusQueue::kMaxRetryMs);
      EXPECT_EQ(queue().pending().size(), 9u) << "every refused status is kept";
      EXPECT_GE(vfs.refusedWrites(), 3) << "the queue tried again meanwhile";
    }
    // Real time for the retry timer: long enough while the disk is full for several tries.
    QTest::qWait(full ? 150 : 10);
  }
  ASSERT_TRUE(testing_support::waitUntil([&] { return queue().empty(); }, 5000));
  QStringList stored;
  for (int id : ids) stored << statusOf(id);
  EXPECT_EQ(stored, QStringList(10, kPlayed));
  EXPECT_EQ(shown(), QStringList(10, kPlayed));
  QCoreApplication::processEvents();
  const QStringList fullBoxes = shownWith(boxes, QStringLiteral("磁盘空间已满"));
  EXPECT_EQ(fullBoxes, QStringList{QStringLiteral("错误")}) << "told once that the disk is full";
  EXPECT_EQ(shownWith(boxes, db).size(), 1) << "naming the file it could not write";
  EXPECT_EQ(shownWith(boxes, QStringLiteral("恢复可写")).size(), 1) << "and once that it is writable again";
  // The next start reads what the broadcast did.
  clock.set(at(8, 0, 40));
  TDataModule1 dm2;
  MainUnit again(dm2, clock);
  ASSERT_TRUE(again.ConnectDatabase());
  again.today.LoadToday();
  QStringList afterRestart;
  for (const rjmb& e : again.state.todayentries) afterRestart << e.status;
  EXPECT_EQ(afterRestart, QStringList(10, kPlayed));
}

TEST_F(WriteFaults, AStatusThatIsLeftAtCloseIsTriedAgainWhileTheCloseMayWait) {
  const int a = add(QStringLiteral("a"), QTime(8, 0, 0), 1);
  unit.today.LoadToday();
  vfs.failWrites(SQLITE_FULL);
  unit.today.WriteStatus(a, kPlayed);
  ASSERT_EQ(queue().pending().size(), 1u);
  // Room comes back while the program closes.
  std::thread room([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    vfs.failWrites(0);
  });
  QElapsedTimer took;
  took.start();
  queue().Close(3000);
  room.join();
  EXPECT_LT(took.elapsed(), 2000);
  EXPECT_EQ(statusOf(a), kPlayed);
}

TEST_F(WriteFaults, LogLinesRefusedByTheDiskAreKeptWholeAndWrittenInTheirOrderBeforeTheNext) {
  unit.state.logenabled = true;
  add(QStringLiteral("bell"), QTime(8, 0, 0), 2);
  startAt(at(7, 59, 58));
  const QString logPath = home.file(QStringLiteral("log.txt"));
  // The disk takes the first half of the next write and nothing after it.
  bool full = true, halfTaken = false;
  const orvane::WriteCall previous = orvane::setWriteCall([&](int fd, const void* data, size_t n) -> ssize_t {
    if (!full) return ::write(fd, data, n);
    if (!halfTaken) {
      halfTaken = true;
      return ::write(fd, data, n / 2);
    }
    errno = ENOSPC;
    return -1;
  });
  tickAt(at(7, 59, 59));
  tickAt(at(8, 0, 0));
  EXPECT_TRUE(halfTaken);
  EXPECT_EQ(QFileInfo(logPath).size(), 0) << "half a line was left in the log";
  EXPECT_TRUE(boxes.asked().empty()) << "nothing may wait for a person inside the tick";
  tickAt(at(8, 0, 1));
  tickAt(at(8, 0, 2));
  QTest::qWait(700);  // tries meanwhile, refused
  EXPECT_GT(unit.log.retryDelayMs(), StatusQueue::kFirstRetryMs);
  EXPECT_EQ(QFileInfo(logPath).size(), 0);
  full = false;
  EXPECT_TRUE(testing_support::waitUntil([&] { return unit.log.pending().empty(); }, 3000)) << "not tried again";
  orvane::setWriteCall(previous);
  const QStringList lines = log();
  // The song line was refused first; the disk's own line waits behind it.
  const QStringList expected{QStringLiteral("[歌名：]"), QStringLiteral("磁盘空间已满"), QStringLiteral("播放节目"),
                             QStringLiteral("停止节目"), QStringLiteral("恢复可写")};
  ASSERT_EQ(lines.size(), expected.size()) << qPrintable(lines.join('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(lines[i].contains(expected[i])) << qPrintable(lines[i]);
    EXPECT_TRUE(lines[i].startsWith(QStringLiteral("<2024-05-01 08:00:0")) || lines[i].startsWith(QStringLiteral("*<2024-05-01 08:00:0")))
        << qPrintable(lines[i]);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(shownWith(boxes, QStringLiteral("磁盘空间已满")).size(), 1);
  EXPECT_EQ(shownWith(boxes, logPath).size(), 1);
  EXPECT_EQ(shownWith(boxes, QStringLiteral("恢复可写")).size(), 1);
}

// A file written beside its name and renamed over it is on the disk under that name once the
// write returns: its folder is synced after the rename (before that, a power loss can bring
// the old file back, or leave no file at all under a new name).
TEST_F(WriteFaults, AFileRenamedIntoPlaceHasItsFolderSyncedAfterTheRename) {
  const QString list = home.file(QStringLiteral("pl3/a.pl3")), backup = home.file(QStringLiteral("a.bkj"));
  QDir().mkpath(QFileInfo(list).absolutePath());
  const struct {
    const char* name;
    QString path;
    std::function<bool()> write;
  } cases[] = {{"a song list", list, [&] { return orvane::writeTextLines(list, {QStringLiteral("/music/a.mp3")}); }},
               {"a schedule backup", backup, [&] { return ScheduleBackup::Write(*dm.connection(), backup); }}};
  for (const auto& c : cases)
    for (const bool replacing : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (replacing ? " replacing an old one" : " made anew"));
      QFile::remove(c.path);
      if (replacing) testing_support::writeFile(c.path, "old");
      // What is under the name at each sync: nothing yet, the old file, or the new one.
      testing_support::SyncLog syncs([&] {
        QFile f(c.path);
        if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("none");
        return f.readAll() == "old" ? QStringLiteral("old") : QStringLiteral("new");
      });
      ASSERT_TRUE(c.write());
      ASSERT_FALSE(syncs.entries.isEmpty());
      EXPECT_EQ(syncs.entries.last(), QDir(QFileInfo(c.path).absolutePath()).canonicalPath() + QStringLiteral("|new"))
          << qPrintable(syncs.entries.join('\n'));
    }
}

TEST_F(WriteFaults, TheDatabaseItsJournalsAndBackupsAreTheOwnersAloneWhateverTheUmask) {
  // The fixture's database was made under the test's own umask; a fresh home under none.
  const testing_support::ScopedUmask none(0);
  testing_support::TempHome fresh;
  TDataModule1 dm2;
  MainUnit unit2(dm2, clock);
  ASSERT_TRUE(unit2.ConnectDatabase());
  const QString db = fresh.file(QStringLiteral("gsk.mdb"));
  ASSERT_TRUE(dm2.SetSetting(QStringLiteral("pw"), QStringLiteral("x")));  // the journals exist now
  struct Case {
    QString path;
    unsigned mode;
  };
  const QString backup = fresh.file(QStringLiteral("new.bkj")), looser = fresh.file(QStringLiteral("looser.bkj")),
                stricter = fresh.file(QStringLiteral("stricter.bkj"));
  testing_support::writeFile(looser, "old");
  ::chmod(QFile::encodeName(looser).constData(), 0644);
  testing_support::writeFile(stricter, "old");
  ::chmod(QFile::encodeName(stricter).constData(), 0400);
  // Each backup is the owner's alone while it is being written, not only once it is: the mode
  // of the file (and of its journal) at every row written into it.
  struct Watch {
    sqlite3* db;
    QStringList modes;
  } watch{dm2.connection()->handle(), {}};
  sqlite3_update_hook(
      watch.db,
      [](void* w, int, const char* schema, const char*, sqlite3_int64) {
        auto* watch = static_cast<Watch*>(w);
        const QString file = QString::fromUtf8(sqlite3_db_filename(watch->db, schema));
        for (const QString& f : {file, file + QStringLiteral("-journal")})
          if (QFileInfo::exists(f)) watch->modes << QString::number(modeOf(f), 8);
      },
      &watch);
  for (const QString& b : {backup, looser, stricter}) ASSERT_TRUE(ScheduleBackup::Write(*dm2.connection(), b));
  sqlite3_update_hook(watch.db, nullptr, nullptr);
  ASSERT_GE(watch.modes.size(), 3);
  EXPECT_EQ(watch.modes, QStringList(watch.modes.size(), QStringLiteral("600")));
  // Made here, replacing a 0644 backup and replacing a 0400 one.
  const std::vector<Case> cases = {{db, 0600},     {db + "-wal", 0600}, {db + "-shm", 0600},
                                   {backup, 0600}, {looser, 0600},      {stricter, 0400}};
  for (const Case& c : cases) EXPECT_EQ(modeOf(c.path), c.mode) << qPrintable(c.path);
  // A database (and journals) left readable by an older start are made private at the next.
  dm2.con1.reset();
  for (const QString& f : {db, db + "-wal"}) {
    if (!QFileInfo::exists(f)) testing_support::writeFile(f, {});
    ::chmod(QFile::encodeName(f).constData(), 0644);
  }
  TDataModule1 dm3;
  MainUnit unit3(dm3, clock);
  ASSERT_TRUE(unit3.ConnectDatabase());
  EXPECT_EQ(modeOf(db), 0600u);
  EXPECT_EQ(modeOf(db + "-wal"), 0600u);
}

namespace {
// The operator's box for a lock that cannot be made, and the program's exit code.
struct LockOutcome {
  int code;
  QString box;
};
LockOutcome checkLock() {
  orvane::ScopedMessageResponder boxes;
  InstanceLock lock;
  const int code = lock.Check();
  QCoreApplication::processEvents();  // a notice that does not wait comes from the event loop
  return {code, boxes.asked().empty() ? QString() : boxLine(boxes.asked().back())};
}
}  // namespace

TEST(InstanceLockFaults, OnlyALivingInstanceIsReportedAsRunningAndALockThatCannotBeMadeSaysWhatAndWhere) {
  testing_support::TempHome home;
  // A living instance (this process) holds the lock: the one case for "already running".
  {
    InstanceLock first;
    ASSERT_EQ(first.acquire(), InstanceLock::Result::Acquired);
    const LockOutcome second = checkLock();
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.box, QStringLiteral("该程序已经在运行中!|提示|0"));
  }
  // A lock file without an owner (its writer met a full disk, or died writing it) is left over.
  testing_support::writeFile(InstanceLock::LockPath(), {});
  EXPECT_EQ(checkLock().code, -1);
  // A home folder under a file cannot be made: which folder, and why.
  const QString blocker = home.file(QStringLiteral("a-file"));
  testing_support::writeFile(blocker, "x");
  {
    testing_support::ScopedEnv under("ORVANE_HOME", (blocker + QStringLiteral("/home")).toUtf8());
    const LockOutcome o = checkLock();
    EXPECT_EQ(o.code, 1);
    EXPECT_TRUE(o.box.contains(blocker + QStringLiteral("/home")) && o.box.contains(QStringLiteral("不是文件夹")) &&
                o.box.endsWith(QStringLiteral("|错误|16")))
        << qPrintable(o.box);
  }
  // No room for the lock file: the system's file size limit stands for a full disk (root is
  // held to it as well). The home folder's own lock needs no room: the program runs, and the
  // operator is told what failed and where without waiting.
  testing_support::TempHome tight;
  LockOutcome o{};
  {
    const testing_support::FileSizeLimit oneByte(1);
    ASSERT_TRUE(oneByte.ok());
    o = checkLock();
  }
  EXPECT_EQ(o.code, -1) << "a full disk kept the bells from ringing";
  EXPECT_TRUE(o.box.contains(tight.path()) && o.box.contains(QStringLiteral("文件超出大小限制")) &&
              !o.box.contains(QStringLiteral("已经在运行")) && o.box.endsWith(QStringLiteral("|提示|48")))
      << qPrintable(o.box);
  EXPECT_FALSE(QFileInfo::exists(InstanceLock::LockPath())) << "no lock file is left behind";
  // While that instance runs on its folder's lock, a second one is still refused.
  {
    InstanceLock first;
    const InstanceLock::Result firstResult = [&] {
      const testing_support::FileSizeLimit oneByte(1);
      return first.acquire();
    }();
    ASSERT_EQ(firstResult, InstanceLock::Result::Acquired);
    EXPECT_EQ(checkLock().box, QStringLiteral("该程序已经在运行中!|提示|0")) << "a disk with room again let a second one in";
  }
}
