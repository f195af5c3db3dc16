// Single-instance lock.
#include "scheduler/core/instancelock.h"

#include <QDebug>
#include <QFile>
#include <QThread>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/files/filewrite.h"
#include "platform/files/homefolder.h"
#include "platform/msgbox/messagebox.h"

namespace {
// An instance that has just made its lock file writes its owner in the same breath; this is
// ample time for it before a lock file without an owner counts as left over.
constexpr int kOwnerWriteGraceMs = 200;
}  // namespace

InstanceLock::InstanceLock(int inheritedFolderFd) : lock_(LockPath()), folderFd_(inheritedFolderFd) {
  // Programs the broadcast starts must never hold the folder's lock after this one ends.
  if (folderFd_ >= 0 && ::fcntl(folderFd_, F_SETFD, FD_CLOEXEC) != 0) folderFd_ = -1;
  // The lock is held for the whole run: only a dead owner makes it stale, never its age.
  lock_.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() {
  // The file first: a program starting meanwhile that gets the folder's lock finds no file
  // still held.
  lock_.unlock();
  if (folderFd_ >= 0) ::close(folderFd_);  // the folder's lock ends with it
}

QString InstanceLock::LockPath() { return orvane::HomeFolder::file(QStringLiteral("TForm_main_tamu.lock")); }

bool InstanceLock::ownerReadable() {
  qint64 pid = 0;
  QString host, app;
  return lock_.getLockInfo(&pid, &host, &app) && pid > 0;
}

InstanceLock::Result InstanceLock::failed(int error, const QString& what, bool fatal) {
  const QString folder = orvane::HomeFolder::path();
  failure_ = QStringLiteral("%1：文件夹 \"%2\"（%3）。%4")
                 .arg(what, folder, orvane::describeWriteError(error),
                      fatal ? QStringLiteral("程序无法启动。") : QStringLiteral("程序照常运行，不会重复启动。"));
  qWarning().noquote() << "instance lock:" << what << "in" << folder << "-" << orvane::describeWriteError(error)
                       << "(error" << error << ")";
  return fatal ? Result::Failed : Result::Acquired;
}

InstanceLock::Result InstanceLock::acquire() {
  failure_.clear();
  if (const int e = orvane::makeFolder(orvane::HomeFolder::path())) return failed(e, QStringLiteral("无法创建程序文件夹"));
  bool folderLocked = false;
  if (folderFd_ < 0) folderFd_ = ::open(QFile::encodeName(orvane::HomeFolder::path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ >= 0) {
    if (::flock(folderFd_, LOCK_EX | LOCK_NB) == 0) folderLocked = true;
    // Only a living process holds a flock: the kernel ends it with its owner.
    else if (errno == EWOULDBLOCK) return Result::HeldByAnother;
    // Any other answer: a file system without folder locks; the lock file decides alone.
  }
  if (lock_.tryLock(0)) return Result::Acquired;
  if (folderLocked) {
    // No other instance runs (it would hold the folder): a lock file found there was left by
    // one that ended, even where the disk has no room for the lock layer to clear it its way.
    if (lock_.error() == QLockFile::LockFailedError && lock_.removeStaleLockFile() && lock_.tryLock(0))
      return Result::Acquired;
    const int e = folderWriteError();
    // A writable folder and a file still held: a process holding the file and not the folder.
    if (e == 0 && lock_.error() == QLockFile::LockFailedError) return Result::HeldByAnother;
    // No room for the file (a full or read-only disk): the folder's lock keeps this the only
    // instance, and the broadcast goes on.
    return failed(e != 0 ? e : lockError(), QStringLiteral("无法创建运行锁文件"), false);
  }
  if (lock_.error() == QLockFile::LockFailedError && !ownerReadable()) {
    // No owner in the file: an instance that is writing it right now, or one that died (or
    // met a full disk) before it could. Only the first still holds it after a moment, and the
    // lock layer refuses to remove a file that a living process holds.
    QThread::msleep(kOwnerWriteGraceMs);
    if (lock_.tryLock(0)) return Result::Acquired;
    if (lock_.error() == QLockFile::LockFailedError && !ownerReadable() && lock_.removeStaleLockFile()) {
      qWarning().noquote() << "instance lock: took over a lock file without an owner:" << LockPath();
      if (lock_.tryLock(0)) return Result::Acquired;
    }
  }
  if (lock_.error() == QLockFile::LockFailedError) return Result::HeldByAnother;
  const int e = folderWriteError();
  return failed(e != 0 ? e : lockError(), QStringLiteral("无法创建运行锁文件"));
}

// The lock layer does not say why it failed: a small write of our own in the folder does.
int InstanceLock::folderWriteError() { return orvane::probeFolderWrite(orvane::HomeFolder::path()); }

int InstanceLock::lockError() const { return lock_.error() == QLockFile::PermissionError ? EACCES : EIO; }

int InstanceLock::Check(const std::function<int()>& heldByAnother) {
  const Result result = acquire();
  if (result == Result::HeldByAnother && heldByAnother)
    if (const int rc = heldByAnother(); rc >= 0) return rc;
  switch (result) {
    case Result::Acquired:
      // The lock file could not be made, the folder's lock holds: told without waiting.
      if (!failure_.isEmpty()) orvane::PostNotice(failure_, QStringLiteral("提示"), orvane::mb::ICONEXCLAMATION);
      return -1;
    case Result::HeldByAnother:
      orvane::MessageBox(QStringLiteral("该程序已经在运行中!"), QStringLiteral("提示"), orvane::mb::OK);
      return 0;
    case Result::Failed:
      orvane::MessageBox(failure_, QStringLiteral("错误"), orvane::mb::ICONHAND);
      return 1;
  }
  return 1;
}
