// Single-instance lock.
#include "scheduler/core/instancelock.h"

#include "platform/files/homefolder.h"

InstanceLock::InstanceLock() : lock_(LockPath()) {
  // The lock is held for the whole run: only a dead owner makes it stale, never its age.
  lock_.setStaleLockTime(0);
}

QString InstanceLock::LockPath() { return orvane::HomeFolder::file(QStringLiteral("TForm_main_tamu.lock")); }

bool InstanceLock::acquire() {
  orvane::HomeFolder::ensure();
  return lock_.tryLock(0);
}
