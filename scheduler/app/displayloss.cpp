// Starting again without windows when the display is lost.
#include "scheduler/app/displayloss.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/instancelock.h"

namespace displayloss {

namespace {
char** args = nullptr;
QtMessageHandler previous = nullptr;
constexpr const char* kMarker = "ORVANE_DISPLAY_LOST";

// Nothing of this image may reach the next one but what it opens itself.
void closeOnExec() {
  const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
  for (const QString& fd : fds) {
    const int n = fd.toInt();
    if (n > 2) fcntl(n, F_SETFD, FD_CLOEXEC);
  }
}

[[noreturn]] void startAgain() {
  const QString line = QStringLiteral("显示已断开，程序在无窗口状态下继续播音");
  std::fprintf(stderr, "display: the display is gone; the program starts again without windows and broadcasts on\n");
  WriteLog(QStringLiteral("<") + BroadcastLog::Stamp(QDateTime::currentDateTime()) + QStringLiteral(">  ") + line);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv(kMarker, QByteArray::number(qint64(getpid())).constData(), 1);
  closeOnExec();
  execv("/proc/self/exe", args);
  // Not started again: the window system ends the process as it would have.
  std::fprintf(stderr, "display: could not start again without windows\n");
  std::_Exit(1);
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (previous) previous(type, context, message);
  else std::fprintf(stderr, "%s\n", qPrintable(message));
  // Qt's X11 platform says this just before it ends the process.
  if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke"))) startAgain();
}
}  // namespace

void watch(char** argv) {
  args = argv;
  previous = qInstallMessageHandler(handler);
}

bool resumedAfterLoss() {
  const QByteArray marker = qgetenv(kMarker);
  if (marker.isEmpty()) return false;
  qunsetenv(kMarker);
  if (marker.toLongLong() != qint64(getpid())) return false;
  // The lock names this process, but its former image: it is ours to take again.
  QFile::remove(InstanceLock::LockPath());
  return true;
}

}  // namespace displayloss
