// Text files on a disk that refuses writes: a full device, the system's file size limit and
// the file layer's own write seam. A refused write is a failure with its reason, never a
// success, and never leaves half a line behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>

#include "platform/files/filewrite.h"
#include "platform/files/textfile.h"
#include "tests/support/filelimits.h"
#include "tests/support/testsupport.h"

namespace {
using testing_support::FileSizeLimit;
using testing_support::modeOf;

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
}  // namespace

TEST(FileWrites, ARefusedAppendFailsWithItsReasonAndLeavesOnlyWholeLines) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("log.txt"));
  const QByteArray before = "<2024-05-01 07:00:00> first\r\n";
  const QString line = QStringLiteral("<2024-05-01 07:00:01> 播放节目：[starttime]07:00:01[path]/music/a.mp3");
  struct Case {
    const char* name;
    int error;                      // what the append must report
    std::function<void()> fault;    // applied around the append
  };
  int halves = 0;
  const std::vector<Case> cases = {
      {"a full device", ENOSPC, [&] { QFile::remove(log); QFile::link(QStringLiteral("/dev/full"), log); }},
      {"half the line, then no room", ENOSPC,
       [&] {
         orvane::setWriteCall([&](int fd, const void* data, size_t n) -> ssize_t {
           if (halves++ == 0) return ::write(fd, data, n / 2);
           errno = ENOSPC;
           return -1;
         });
       }},
      {"a read-only disk", EROFS,
       [] {
         orvane::setWriteCall([](int, const void*, size_t) -> ssize_t {
           errno = EROFS;
           return -1;
         });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(log);
    testing_support::writeFile(log, before);
    c.fault();
    // Five times of five: each refusal is told.
    for (int i = 0; i < 5; ++i) {
      int error = 0;
      EXPECT_FALSE(orvane::appendTextLine(log, line, &error));
      EXPECT_EQ(error, c.error);
    }
    orvane::setWriteCall({});
    if (QFileInfo(log).isSymLink()) {
      QFile::remove(log);
      testing_support::writeFile(log, before);
    }
    EXPECT_EQ(bytesOf(log), before) << "a refused append left part of its line";
    ASSERT_TRUE(orvane::appendTextLine(log, line));
    EXPECT_EQ(bytesOf(log), before + line.toUtf8() + "\r\n");
  }
}

TEST(FileWrites, TheFileSizeLimitRefusesAppendsAndReplacementsWithoutDamage) {
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("log.txt")), list = dir.filePath(QStringLiteral("list.pl3"));
  testing_support::writeFile(log, "0123456789\r\n");
  testing_support::writeFile(list, "/music/a.mp3\r\n");
  bool appended = true, replaced = true;
  int error = 0;
  {
    // Room for a few more bytes than the files hold: every line below crosses the limit.
    FileSizeLimit limit(20);
    ASSERT_TRUE(limit.ok());
    appended = orvane::appendTextLine(log, QStringLiteral("a line longer than the room left"), &error);
    replaced = orvane::writeTextLines(list, {QStringLiteral("/music/a-much-longer-name.mp3"), QStringLiteral("/music/b.mp3")});
  }
  EXPECT_FALSE(appended);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(bytesOf(log), QByteArray("0123456789\r\n"));
  EXPECT_FALSE(replaced);
  EXPECT_EQ(bytesOf(list), QByteArray("/music/a.mp3\r\n")) << "a replacement that failed damaged the old list";
}

TEST(FileWrites, PrivateFilesAreTheOwnersAloneAndAStricterModeIsKept) {
  QTemporaryDir dir;
  const QString made = dir.filePath(QStringLiteral("made.db")), loose = dir.filePath(QStringLiteral("loose.db")),
                strict = dir.filePath(QStringLiteral("strict.db"));
  {
    // Under no umask at all: the modes come from the file layer alone.
    const testing_support::ScopedUmask none(0);
    EXPECT_EQ(orvane::createPrivateFile(made), 0);
    testing_support::writeFile(loose, "x");
    QFile::setPermissions(loose, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    testing_support::writeFile(strict, "x");
    QFile::setPermissions(strict, QFile::ReadOwner);
    EXPECT_EQ(orvane::privateMode(loose), 0600u);
    EXPECT_EQ(orvane::privateMode(strict), 0400u);
    EXPECT_EQ(orvane::privateMode(dir.filePath(QStringLiteral("missing"))), 0600u);
    EXPECT_EQ(orvane::createPrivateFile(loose), 0) << "an existing file is kept, made private";
    EXPECT_EQ(orvane::restrictToOwner(strict), 0);
    EXPECT_EQ(orvane::restrictToOwner(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
  }
  EXPECT_EQ(modeOf(made), 0600u);
  EXPECT_EQ(modeOf(loose), 0600u);
  EXPECT_EQ(modeOf(strict), 0400u);
  EXPECT_EQ(bytesOf(loose), QByteArray("x"));
}
