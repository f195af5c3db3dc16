// External programs: started in a group of their own, ended by group and by name (SIGTERM,
// then SIGKILL), only among our own processes and never this program; other paths opened by
// the desktop's handler.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

#include "platform/system/processes.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using testing_support::waitUntil;

namespace {
// A copy of the helper program under a name of the test's choosing.
QString helperNamed(const QTemporaryDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  QFile::copy(QStringLiteral(ORVANE_HELPER_PROGRAM), path);
  QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
  return path;
}

qint64 readPid(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return 0;
  return f.readAll().trimmed().toLongLong();
}

bool alive(qint64 pid) {
  if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) return false;
  // A zombie counts as ended.
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray s = f.readAll();
  return s.mid(s.lastIndexOf(')') + 2, 1) != "Z";
}

struct Opened {
  QList<QUrl> urls;
  bool answer = true;
  Processes::UrlOpener opener() {
    return [this](const QUrl& u) {
      urls << u;
      return answer;
    };
  }
};
}  // namespace

TEST(ProcessesTest, StartsAProgramInItsOwnGroupAndEndsTheGroup) {
  QTemporaryDir dir;
  const QString prog = helperNamed(dir, QStringLiteral("orvhelper-parent"));
  Opened opened;
  Processes processes(opened.opener());
  const OpenResult r = processes.Open(QStringLiteral("  ") + prog + QStringLiteral(" "));
  ASSERT_TRUE(r.ok) << r.error.toStdString();
  EXPECT_TRUE(r.started);
  ASSERT_TRUE(waitUntil([&] { return readPid(prog + QStringLiteral(".pid")) && readPid(prog + QStringLiteral(".child")); }));
  const qint64 pid = readPid(prog + QStringLiteral(".pid"));
  const qint64 child = readPid(prog + QStringLiteral(".child"));
  EXPECT_EQ(pid, r.pid);
  EXPECT_NE(::getpgid(pid_t(pid)), ::getpgrp());
  EXPECT_EQ(::getpgid(pid_t(child)), ::getpgid(pid_t(pid)));
  EXPECT_EQ(processes.startedGroups().size(), 1);
  EXPECT_EQ(Processes::executableName(pid), QStringLiteral("orvhelper-parent"));
  EXPECT_TRUE(opened.urls.isEmpty());

  // Case does not matter; the program ends on SIGTERM, its child with the group.
  EXPECT_GE(processes.KillProcess(QStringLiteral("ORVHELPER-Parent")), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid) && !alive(child); }));
  EXPECT_TRUE(QFile::exists(prog + QStringLiteral(".term")));
  EXPECT_TRUE(processes.startedGroups().isEmpty());
}

TEST(ProcessesTest, WhatIgnoresTheRequestIsKilledAfterTheGraceTime) {
  QTemporaryDir dir;
  const QString prog = helperNamed(dir, QStringLiteral("orvhelper-stubborn"));
  Processes processes;
  ASSERT_TRUE(processes.Open(prog).started);
  ASSERT_TRUE(waitUntil([&] { return readPid(prog + QStringLiteral(".pid")) > 0; }));
  const qint64 pid = readPid(prog + QStringLiteral(".pid"));
  QSignalSpy killed(&processes, &Processes::killed);
  ASSERT_EQ(processes.KillProcess(QStringLiteral("orvhelper-stubborn")), 1);
  waitUntil([] { return false; }, 1000);
  EXPECT_TRUE(alive(pid)) << "killed before the grace time";
  ASSERT_TRUE(waitUntil([&] { return killed.count() > 0; }, 5000));
  EXPECT_EQ(killed.first().first().toInt(), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid); }));
  EXPECT_FALSE(QFile::exists(prog + QStringLiteral(".term")));
}

TEST(ProcessesTest, EndsOurOtherProcessesOfThatNameOnlyAndNeverItself) {
  QTemporaryDir dir;
  const QString same = helperNamed(dir, QStringLiteral("orvhelper-byname"));
  const QString other = helperNamed(dir, QStringLiteral("orvhelper-other"));
  // Started by someone else (here a plain child process), not through the launcher.
  QProcess a, b;
  a.start(same, {});
  b.start(other, {});
  ASSERT_TRUE(a.waitForStarted() && b.waitForStarted());
  ASSERT_TRUE(waitUntil([&] { return readPid(same + QStringLiteral(".pid")) && readPid(other + QStringLiteral(".pid")); }));

  Processes processes;
  EXPECT_EQ(processes.KillProcess(QStringLiteral("orvhelper-byname")), 1);
  EXPECT_TRUE(a.waitForFinished(5000));
  EXPECT_TRUE(QFile::exists(same + QStringLiteral(".term")));
  EXPECT_EQ(b.state(), QProcess::Running);

  // The program's own name: it is never asked to end itself.
  EXPECT_EQ(processes.KillProcess(Processes::executableName(::getpid())), 0);
  EXPECT_EQ(processes.KillProcess(QString()), 0);
  EXPECT_EQ(processes.KillProcess(QStringLiteral("no-such-program-here")), 0);
  b.terminate();
  b.waitForFinished(5000);
}

TEST(ProcessesTest, OtherPathsGoToTheDesktopsHandlerAndBadOnesSaySo) {
  QTemporaryDir dir;
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notice.txt")), "hello");
  Opened opened;
  Processes processes(opened.opener());

  OpenResult r = processes.Open(text);
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.started);
  r = processes.Open(dir.path());
  EXPECT_TRUE(r.ok);
  r = processes.Open(QStringLiteral("http://127.0.0.1:9/radio.html"));
  EXPECT_TRUE(r.ok);
  ASSERT_EQ(opened.urls.size(), 3);
  EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile(text));
  EXPECT_EQ(opened.urls[1], QUrl::fromLocalFile(dir.path()));
  EXPECT_EQ(opened.urls[2], QUrl(QStringLiteral("http://127.0.0.1:9/radio.html")));

  r = processes.Open(dir.filePath(QStringLiteral("missing.exe")));
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.error.contains(QStringLiteral("does not exist")));
  r = processes.Open(QStringLiteral("   "));
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.isEmpty());
  opened.answer = false;
  r = processes.Open(text);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.isEmpty());
  EXPECT_EQ(opened.urls.size(), 4);
  EXPECT_TRUE(processes.startedGroups().isEmpty());
}
