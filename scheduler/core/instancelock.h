// One running program per home folder: a lock file named after the main window's class.
#pragma once

#include <QLockFile>
#include <QString>
#include <functional>

// Two locks make one: the home folder's own lock (flock), which needs no free space and ends
// with its process, and the lock file beside it. A full or read-only disk that refuses the
// file does not keep the program from running while the folder's lock holds; the file alone
// decides on file systems without folder locks.
class InstanceLock {
 public:
  enum class Result {
    Acquired,       // this process holds the lock now (failure() says when the file is missing)
    HeldByAnother,  // a living instance holds it
    Failed,         // neither lock could be made (failure() tells why and where)
  };

  // inheritedFolderFd: the home folder's lock as a former image of this process held it (it
  // started itself again in place and kept it, so that no other start slips in between).
  explicit InstanceLock(int inheritedFolderFd = -1);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  // A lock left behind by a process that no longer runs (a crash), or a lock file that holds
  // no owner (cut short by a full disk), is taken over.
  Result acquire();
  // What failed and in which folder, as the operator reads it.
  const QString& failure() const { return failure_; }
  static QString LockPath();
  // The home folder's lock (-1: none), for a start in place to keep.
  int folderFd() const { return folderFd_; }

  // The program's first step: -1 when this process goes on (a lock file that could not be
  // made is told without waiting); otherwise the operator has been told (a second instance:
  // "该程序已经在运行中!"; no lock at all: what failed and where) and the program ends with the
  // returned code (0 and 1). With another instance running, `heldByAnother` decides first:
  // the code it returns ends the program, -1 lets the operator be told as above.
  int Check(const std::function<int()>& heldByAnother = {});

 private:
  // True when the lock file's owner can be read (a half-written file has none).
  bool ownerReadable();
  Result failed(int error, const QString& what, bool fatal = true);
  static int folderWriteError();
  // The error number closest to what the lock layer last said.
  int lockError() const;

  QLockFile lock_;
  int folderFd_ = -1;  // the home folder, flock()ed while this lock lives
  QString failure_;
};
