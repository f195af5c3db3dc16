// One running program per home folder: a lock file named after the main window's class.
#pragma once

#include <QLockFile>
#include <QString>

class InstanceLock {
 public:
  InstanceLock();
  // True when this process now holds the lock. A lock left behind by a process that no
  // longer runs (a crash) is taken over.
  bool acquire();
  static QString LockPath();

 private:
  QLockFile lock_;
};
