// External programs: started detached in a process group of their own, ended by group and by
// executable name; any other path is opened with the desktop's handler.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace orvane {

// What opening a path did.
struct OpenResult {
  bool ok = false;
  bool started = false;  // an executable was started (else the path went to the desktop's handler)
  qint64 pid = 0;        // the started program, leader of its own process group
  QString error;         // why nothing was opened
};

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // An executable file is started detached in a new process group; any other existing file,
  // folder or URL is opened with the desktop's handler.
  virtual OpenResult Open(const QString& path) = 0;
  // Ends the process groups started for programs of this file name, then every process of
  // the same user whose executable file name equals it, ignoring case, never this program:
  // SIGTERM now, SIGKILL two seconds later to whatever is left. Returns how many processes
  // and groups were signalled.
  virtual int KillProcess(const QString& fileName) = 0;
};

class Processes : public QObject, public ProgramLauncher {
  Q_OBJECT
 public:
  using UrlOpener = std::function<bool(const QUrl&)>;
  // The opener defaults to the desktop's handler (QDesktopServices); tests pass their own.
  explicit Processes(UrlOpener opener = {}, QObject* parent = nullptr);
  ~Processes() override;

  OpenResult Open(const QString& path) override;
  int KillProcess(const QString& fileName) override;

  // Process groups started and not yet ended (their leaders' pids).
  QList<qint64> startedGroups() const;
  // The same with the file name each was started for, and the same taken over from a former
  // image of this program (started again in place): groups that still run are ended as if
  // started here.
  struct StartedGroup {
    qint64 pgid = 0;
    QString fileName;
  };
  QList<StartedGroup> runningGroups() const;
  void adoptGroups(const QList<StartedGroup>& groups);
  // The executable file name of a running process (from /proc), empty when it is gone.
  static QString executableName(qint64 pid);

 signals:
  // After the grace time: the processes that needed SIGKILL.
  void killed(int count);

 private:
  struct Group {
    qint64 pgid;
    QString fileName;
  };
  struct Target {
    qint64 pid;        // a process, or a group when `group` is set
    bool group;
    quint64 started;   // the process's start time, so that a reused pid is never hit
  };
  void escalate(const QList<Target>& targets);

  UrlOpener opener_;
  QList<Group> groups_;
};

// A fake that records requests, for tests of the code that decides what to start and end.
class RecordingLauncher : public ProgramLauncher {
 public:
  OpenResult Open(const QString& path) override {
    calls << QStringLiteral("Open ") + path;
    return result;
  }
  int KillProcess(const QString& fileName) override {
    calls << QStringLiteral("KillProcess ") + fileName;
    return 0;
  }
  OpenResult result{true, true, 4242, {}};
  QStringList calls;
};

}  // namespace orvane
