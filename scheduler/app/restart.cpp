// Starting again in place.
#include "scheduler/app/restart.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QDir>
#include <QProcessEnvironment>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files/filewrite.h"

namespace restart {

namespace {
constexpr const char* kCarry = "ORVANE_CARRY";          // the memory file's descriptor
constexpr const char* kCarryPid = "ORVANE_CARRY_PID";   // the process it is meant for

bool carryVariable(const QString& entry) {
  return entry.startsWith(QLatin1String(kCarry) + QLatin1Char('=')) ||
         entry.startsWith(QLatin1String(kCarryPid) + QLatin1Char('='));
}

void setCloseOnExec(int fd, bool on) {
  const int flags = fcntl(fd, F_GETFD);
  if (flags >= 0) fcntl(fd, F_SETFD, on ? flags | FD_CLOEXEC : flags & ~FD_CLOEXEC);
}
}  // namespace

std::optional<CarriedState> takeCarried() {
  const QByteArray fdText = qgetenv(kCarry);
  const QByteArray pidText = qgetenv(kCarryPid);
  ::unsetenv(kCarry);
  ::unsetenv(kCarryPid);
  bool ok = false;
  const int fd = fdText.toInt(&ok);
  // A value inherited from a parent names that parent's memory file, not ours.
  if (!ok || fd < 3 || pidText.toLongLong() != qint64(::getpid())) return std::nullopt;
  QByteArray bytes;
  char buffer[65536];
  ::lseek(fd, 0, SEEK_SET);
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) bytes.append(buffer, n);
    else if (n < 0 && errno == EINTR) continue;
    else break;
  }
  ::close(fd);
  std::optional<CarriedState> state = CarriedState::fromJson(bytes);
  // Programs this image starts never inherit what it took over.
  if (state)
    for (int kept : {state->lockFd, state->replyFd})
      if (kept > 2) setCloseOnExec(kept, true);
  return state;
}

QStringList windowlessEnvironment() {
  QStringList out;
  for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList()) {
    if (entry.startsWith(QLatin1String("DISPLAY=")) || entry.startsWith(QLatin1String("WAYLAND_DISPLAY=")) ||
        entry.startsWith(QLatin1String("QT_QPA_PLATFORM=")))
      continue;
    out << entry;
  }
  out << QStringLiteral("QT_QPA_PLATFORM=offscreen");
  return out;
}

QString startAgain(char** argv, const QStringList& environment, const CarriedState& state) {
  const int memory = ::memfd_create("orvane-carried", 0);
  if (memory < 0) return QStringLiteral("no memory file: ") + QString::fromLocal8Bit(std::strerror(errno));
  const QByteArray bytes = state.toJson();
  if (const int e = orvane::writeAll(memory, bytes.constData(), bytes.size())) {
    ::close(memory);
    return QStringLiteral("the memory file took no state: ") + QString::fromLocal8Bit(std::strerror(e));
  }
  std::vector<QByteArray> env;
  for (const QString& entry : environment)
    if (!carryVariable(entry)) env.push_back(entry.toLocal8Bit());
  env.push_back(QByteArray(kCarry) + '=' + QByteArray::number(memory));
  env.push_back(QByteArray(kCarryPid) + '=' + QByteArray::number(qint64(::getpid())));
  std::vector<char*> envp;
  for (QByteArray& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  // Every descriptor but the standard ones and those the new image takes over is closed by
  // the call (sound server connections, the database, the X connection).
  const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
  for (const QString& name : fds)
    if (const int fd = name.toInt(); fd > 2) setCloseOnExec(fd, true);
  for (int keep : {memory, state.lockFd, state.replyFd})
    if (keep > 2) setCloseOnExec(keep, false);
  ::execve("/proc/self/exe", argv, envp.data());
  const QString why = QString::fromLocal8Bit(std::strerror(errno));
  ::close(memory);
  for (int keep : {state.lockFd, state.replyFd})
    if (keep > 2) setCloseOnExec(keep, true);
  return why;
}

}  // namespace restart
