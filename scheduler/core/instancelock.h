// One running program per home folder: a lock file named after the main window's class.
#pragma once

#include <QLockFile>
#include <QString>

class InstanceLock {
 public:
  enum class Result {
    Acquired,       // this process holds the lock now
    HeldByAnother,  // a living instance holds it
    Failed,         // the lock file could not be made (failure() tells why and where)
  };

  InstanceLock();
  // A lock left behind by a process that no longer runs (a crash), or a lock file that holds
  // no owner (cut short by a full disk), is taken over.
  Result acquire();
  // What failed and in which folder, as the operator reads it.
  const QString& failure() const { return failure_; }
  static QString LockPath();

  // The program's first step: -1 when this process goes on; otherwise the operator has been
  // told (a second instance: "该程序已经在运行中!"; a lock that cannot be made: what failed and
  // where) and the program ends with the returned code (0 and 1).
  int Check();

 private:
  // True when the lock file's owner can be read (a half-written file has none).
  bool ownerReadable();
  Result failed(int error, const QString& what);

  QLockFile lock_;
  QString failure_;
};
