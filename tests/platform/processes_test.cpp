// External programs: started in a group of their own, ended by group and by name (SIGTERM,
// then SIGKILL), only among our own processes and never this program; other paths opened by
// the desktop's handler.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

#include "platform/system/processes.h"
#include "tests/support/helperprogram.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using testing_support::copyHelperProgram;
using testing_support::readHelperPid;
using testing_support::waitUntil;

namespace {
bool alive(qint64 pid) {
  if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) return false;
  // A zombie counts as ended.
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray s = f.readAll();
  return s.mid(s.lastIndexOf(')') + 2, 1) != "Z";
}

// Runs one test of this program in a copy of it whose name has this run's pid appended, so
// that ending "this program" by name can reach nothing but the copy; true when it passed.
bool passesInOwnCopy(const QString& test, const QString& folder, QString* output) {
  const QFileInfo self(QCoreApplication::applicationFilePath());
  const QString copy = QDir(folder).filePath(self.fileName() + QLatin1Char('-') +
                                             QString::number(QCoreApplication::applicationPid()));
  if (!QFile::copy(self.filePath(), copy)) return false;
  testing_support::ScopedEnv inCopy("ORVANE_TEST_IN_OWN_COPY", "1");
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(copy, {QStringLiteral("--gtest_filter=") + test});
  const bool finished = p.waitForFinished(60000);
  *output = QString::fromUtf8(p.readAll());
  if (!finished) p.kill(), p.waitForFinished();
  return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
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
  const QString prog = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-parent"));
  const QString name = QFileInfo(prog).fileName();
  Opened opened;
  Processes processes(opened.opener());
  const OpenResult r = processes.Open(QStringLiteral("  ") + prog + QStringLiteral(" "));
  ASSERT_TRUE(r.ok && r.started) << r.error.toStdString();
  ASSERT_TRUE(waitUntil(
      [&] { return readHelperPid(prog + QStringLiteral(".pid")) && readHelperPid(prog + QStringLiteral(".child")); }));
  const qint64 pid = readHelperPid(prog + QStringLiteral(".pid"));
  const qint64 child = readHelperPid(prog + QStringLiteral(".child"));
  EXPECT_EQ(pid, r.pid);
  EXPECT_TRUE(::getpgid(pid_t(pid)) != ::getpgrp() && ::getpgid(pid_t(child)) == ::getpgid(pid_t(pid))) << "a group of its own";
  EXPECT_TRUE(processes.startedGroups().size() == 1 && opened.urls.isEmpty());
  EXPECT_EQ(Processes::executableName(pid), name);

  // Case does not matter; the program ends on SIGTERM, its child with the group.
  EXPECT_GE(processes.KillProcess(name.toUpper()), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid) && !alive(child); }));
  EXPECT_TRUE(QFile::exists(prog + QStringLiteral(".term")) && processes.startedGroups().isEmpty());
}

TEST(ProcessesTest, WhatIgnoresTheRequestIsKilledAfterTheGraceTime) {
  QTemporaryDir dir;
  const QString prog = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-stubborn"));
  Processes processes;
  ASSERT_TRUE(processes.Open(prog).started);
  ASSERT_TRUE(waitUntil([&] { return readHelperPid(prog + QStringLiteral(".pid")) > 0; }));
  const qint64 pid = readHelperPid(prog + QStringLiteral(".pid"));
  QSignalSpy killed(&processes, &Processes::killed);
  ASSERT_EQ(processes.KillProcess(QFileInfo(prog).fileName()), 1);
  waitUntil([] { return false; }, 1000);
  EXPECT_TRUE(alive(pid)) << "killed before the grace time";
  ASSERT_TRUE(waitUntil([&] { return killed.count() > 0; }, 5000));
  EXPECT_EQ(killed.first().first().toInt(), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid); }));
  EXPECT_FALSE(QFile::exists(prog + QStringLiteral(".term")));
}

TEST(ProcessesTest, EndsOurOtherProcessesOfThatNameOnlyAndNeverItself) {
  QTemporaryDir dir;
  const QString same = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-byname"));
  const QString other = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-other"));
  // Started by someone else (here a plain child process), not through the launcher.
  QProcess a, b;
  a.start(same, {});
  b.start(other, {});
  ASSERT_TRUE(a.waitForStarted() && b.waitForStarted());
  ASSERT_TRUE(waitUntil(
      [&] { return readHelperPid(same + QStringLiteral(".pid")) && readHelperPid(other + QStringLiteral(".pid")); }));

  Processes processes;
  EXPECT_EQ(processes.KillProcess(QFileInfo(same).fileName()), 1);
  EXPECT_TRUE(a.waitForFinished(5000) && QFile::exists(same + QStringLiteral(".term")));
  EXPECT_EQ(b.state(), QProcess::Running);

  // The program's own name: it is never asked to end itself. Asked from a copy of this test
  // program named for this run alone, so that no other run of the tests is asked to end.
  QString output;
  EXPECT_TRUE(passesInOwnCopy(QStringLiteral("ProcessesTest.NeverAsksItselfToEnd"), dir.path(), &output))
      << output.toStdString();
  EXPECT_EQ(processes.KillProcess(QString()) + processes.KillProcess(QStringLiteral("no-such-program-here")), 0);
  b.terminate();
  b.waitForFinished(5000);
}

// Run by the test above inside a copy of this program; on its own it is skipped.
TEST(ProcessesTest, NeverAsksItselfToEnd) {
  if (!qEnvironmentVariableIsSet("ORVANE_TEST_IN_OWN_COPY")) GTEST_SKIP() << "runs inside a copy of the test program";
  Processes processes;
  EXPECT_EQ(processes.KillProcess(Processes::executableName(::getpid())), 0);
}

TEST(ProcessesTest, OtherPathsGoToTheDesktopsHandlerAndBadOnesSaySo) {
  QTemporaryDir dir;
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notice.txt")), "hello");
  Opened opened;
  Processes processes(opened.opener());

  const QUrl web(QStringLiteral("http://127.0.0.1:9/radio.html"));
  for (const auto& [path, url] : std::vector<std::pair<QString, QUrl>>{
           {text, QUrl::fromLocalFile(text)}, {dir.path(), QUrl::fromLocalFile(dir.path())}, {web.toString(), web}}) {
    const OpenResult r = processes.Open(path);
    EXPECT_TRUE(r.ok && !r.started) << path.toStdString();
    EXPECT_EQ(opened.urls.value(opened.urls.size() - 1), url);
  }
  EXPECT_TRUE(processes.Open(dir.filePath(QStringLiteral("missing.exe"))).error.contains(QStringLiteral("does not exist")));
  opened.answer = false;
  for (const QString& bad : {QStringLiteral("   "), dir.filePath(QStringLiteral("missing.exe")), text}) {
    const OpenResult r = processes.Open(bad);
    EXPECT_FALSE(r.ok) << bad.toStdString();
    EXPECT_FALSE(r.error.isEmpty());
  }
  EXPECT_EQ(opened.urls.size(), 4);
  EXPECT_TRUE(processes.startedGroups().isEmpty());
}
