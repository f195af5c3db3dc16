// Processes over QProcess::startDetached (which already puts the program in a session and
// process group of its own) and /proc; signals never reach a process of another user.
#include "platform/system/processes.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {
constexpr int kGraceMs = 2000;

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot.
quint64 startTime(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray line = f.readAll();
  // The command name may hold blanks and parentheses: count fields after its closing one.
  const int close = line.lastIndexOf(')');
  if (close < 0) return 0;
  const QList<QByteArray> fields = line.mid(close + 2).split(' ');
  return fields.size() > 19 ? fields.at(19).toULongLong() : 0;  // field 22 is the 20th after the name
}

bool ownedByUs(qint64 pid) {
  struct stat st;
  const QByteArray dir = QByteArray("/proc/") + QByteArray::number(pid);
  return ::stat(dir.constData(), &st) == 0 && st.st_uid == ::getuid();
}

QString commandName(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).trimmed();
}

// The executable file name, or for a script started by its own path the name the kernel
// gave the process (the script's name, at most 15 characters).
bool hasFileName(qint64 pid, const QString& name) {
  if (Processes::executableName(pid).compare(name, Qt::CaseInsensitive) == 0) return true;
  return name.size() <= 15 && commandName(pid).compare(name, Qt::CaseInsensitive) == 0;
}

bool groupAlive(qint64 pgid) { return pgid > 1 && ::kill(pid_t(-pgid), 0) == 0; }
}  // namespace

Processes::Processes(UrlOpener opener, QObject* parent) : QObject(parent), opener_(std::move(opener)) {
  if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

Processes::~Processes() = default;

QString Processes::executableName(qint64 pid) {
  QString target = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
  if (target.isEmpty()) return {};
  if (target.endsWith(QLatin1String(" (deleted)"))) target.chop(10);
  return QFileInfo(target).fileName();
}

OpenResult Processes::Open(const QString& path) {
  OpenResult r;
  const QString p = path.trimmed();
  if (p.isEmpty()) {
    r.error = QStringLiteral("no program or file given");
    return r;
  }
  const QUrl url(p);
  if (!QFileInfo::exists(p) && url.isValid() && url.scheme().size() > 1 && !url.isLocalFile()) {
    r.ok = opener_(url);
    if (!r.ok) r.error = QStringLiteral("no handler opens \"%1\"").arg(p);
    return r;
  }
  const QFileInfo fi(p);
  if (!fi.exists()) {
    r.error = QStringLiteral("\"%1\" does not exist").arg(p);
    return r;
  }
  if (fi.isFile() && fi.isExecutable()) {
    qint64 pid = 0;
    if (!QProcess::startDetached(fi.absoluteFilePath(), {}, QString(), &pid)) {
      r.error = QStringLiteral("\"%1\" could not be started").arg(p);
      return r;
    }
    r.ok = r.started = true;
    r.pid = pid;
    // startDetached has already put it in a session and process group of its own.
    const pid_t pgid = ::getpgid(pid_t(pid));
    if (pgid > 1 && pgid != ::getpgrp()) groups_.append(Group{pgid, fi.fileName()});
    return r;
  }
  r.ok = opener_(QUrl::fromLocalFile(fi.absoluteFilePath()));
  if (!r.ok) r.error = QStringLiteral("no handler opens \"%1\"").arg(p);
  return r;
}

QList<qint64> Processes::startedGroups() const {
  QList<qint64> out;
  for (const StartedGroup& g : runningGroups()) out << g.pgid;
  return out;
}

QList<Processes::StartedGroup> Processes::runningGroups() const {
  QList<StartedGroup> out;
  for (const Group& g : groups_)
    if (groupAlive(g.pgid)) out.append({g.pgid, g.fileName});
  return out;
}

void Processes::adoptGroups(const QList<StartedGroup>& groups) {
  for (const StartedGroup& g : groups)
    if (groupAlive(g.pgid) && g.pgid != ::getpgrp() && !g.fileName.isEmpty()) groups_.append(Group{g.pgid, g.fileName});
}

int Processes::KillProcess(const QString& fileName) {
  const QString name = fileName.trimmed();
  QList<Target> targets;
  QList<qint64> signalledGroups;
  // The groups we started go first: the program and whatever it started in turn.
  for (auto it = groups_.begin(); it != groups_.end();) {
    if (!groupAlive(it->pgid)) {
      it = groups_.erase(it);
      continue;
    }
    if (!name.isEmpty() && it->fileName.compare(name, Qt::CaseInsensitive) == 0) {
      ::kill(pid_t(-it->pgid), SIGTERM);
      targets << Target{it->pgid, true, 0};
      signalledGroups << it->pgid;
      it = groups_.erase(it);
      continue;
    }
    ++it;
  }
  // Then every other process of ours with that executable name, never this program.
  if (!name.isEmpty()) {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
      bool numeric = false;
      const qint64 pid = e.toLongLong(&numeric);
      if (!numeric || pid <= 1 || pid == ::getpid() || !ownedByUs(pid)) continue;
      if (signalledGroups.contains(qint64(::getpgid(pid_t(pid))))) continue;
      if (!hasFileName(pid, name)) continue;
      const quint64 started = startTime(pid);
      if (::kill(pid_t(pid), SIGTERM) == 0) targets << Target{pid, false, started};
    }
  }
  if (!targets.isEmpty()) {
    qInfo().noquote() << "processes: asked" << targets.size() << "process(es) or group(s) named" << name << "to end";
    QTimer::singleShot(kGraceMs, Qt::PreciseTimer, this, [this, targets] { escalate(targets); });
  }
  return int(targets.size());
}

void Processes::escalate(const QList<Target>& targets) {
  int count = 0;
  for (const Target& t : targets) {
    if (t.group) {
      if (groupAlive(t.pid) && ::kill(pid_t(-t.pid), SIGKILL) == 0) ++count;
    } else if (::kill(pid_t(t.pid), 0) == 0 && startTime(t.pid) == t.started) {
      // A zombie has already ended; only a live process is killed.
      if (::kill(pid_t(t.pid), SIGKILL) == 0) ++count;
    }
  }
  if (count) qInfo().noquote() << "processes:" << count << "process(es) or group(s) did not end in time and were killed";
  emit killed(count);
}

}  // namespace orvane
