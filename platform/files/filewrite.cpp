// Checked file writing.
#include "platform/files/filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace orvane {

namespace {
WriteCall& writeCall() {
  static WriteCall call;
  return call;
}

SyncCall& syncCall() {
  static SyncCall call;
  return call;
}

int syncFd(int fd) {
  errno = 0;
  return syncCall() ? syncCall()(fd) : ::fsync(fd);
}

int errorOr(int fallback) { return errno != 0 ? errno : fallback; }
}  // namespace

WriteCall setWriteCall(WriteCall call) {
  WriteCall previous = std::move(writeCall());
  writeCall() = std::move(call);
  return previous;
}

SyncCall setSyncCall(SyncCall call) {
  SyncCall previous = std::move(syncCall());
  syncCall() = std::move(call);
  return previous;
}

int writeAll(int fd, const char* data, qint64 size) {
  while (size > 0) {
    errno = 0;
    const size_t chunk = size_t(size);
    const ssize_t n = writeCall() ? writeCall()(fd, data, chunk) : ::write(fd, data, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errorOr(EIO);
    }
    // Nothing taken and no error: the file system has no room left.
    if (n == 0) return ENOSPC;
    data += n;
    size -= n;
  }
  return 0;
}

bool replaceFile(const QString& path, const QByteArray& bytes, int* error) {
  auto fail = [error](int e) {
    if (error) *error = e;
    return false;
  };
  if (error) *error = 0;
  // A link is followed: the file it names is the one replaced.
  const QFileInfo info(path);
  const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
  struct stat old {};
  const bool existed = ::stat(QFile::encodeName(target).constData(), &old) == 0;
  // The new bytes go to a hidden file of their own beside the old one, which they replace only
  // once every one of them has reached the disk. It is made with the old file's mode: a file
  // the owner keeps to himself is never readable by others, not even while it is empty.
  QString temp;
  int e = 0;
  const int fd = createFileBeside(target, existed ? unsigned(old.st_mode) & 0777u : 0666u, &temp, &e);
  if (fd < 0) return fail(e);
  // The umask may have taken bits the old file had.
  if (existed && ::fchmod(fd, old.st_mode & 07777) != 0) e = errno;
  if (e == 0) e = writeAll(fd, bytes.constData(), bytes.size());
  if (e == 0 && syncFd(fd) != 0) e = errorOr(EIO);
  if (::close(fd) != 0 && e == 0) e = errorOr(EIO);
  if (e == 0) e = renameDurably(temp, target);
  if (e == 0) return true;
  ::unlink(QFile::encodeName(temp).constData());
  return fail(e);
}

int createFileBeside(const QString& target, unsigned mode, QString* path, int* error) {
  const QFileInfo where(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString name = where.absolutePath() + QStringLiteral("/.") + where.fileName() + QStringLiteral(".new") +
                         QString::number(::getpid()) + QLatin1Char('-') + QString::number(attempt);
    const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
    if (fd >= 0) {
      if (path) *path = name;
      return fd;
    }
    if (errno != EEXIST) {
      if (error) *error = errorOr(EIO);
      return -1;
    }
  }
  if (error) *error = EEXIST;
  return -1;
}

int syncFile(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errorOr(EIO);
  int e = syncFd(fd) == 0 ? 0 : errorOr(EIO);
  if (::close(fd) != 0 && e == 0) e = errorOr(EIO);
  return e;
}

int syncFolderOf(const QString& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errorOr(EIO);
  // Some file systems cannot sync a folder at all; their names are as safe as they get.
  int e = syncFd(fd) == 0 || errno == EINVAL ? 0 : errorOr(EIO);
  if (::close(fd) != 0 && e == 0) e = errorOr(EIO);
  return e;
}

int renameDurably(const QString& from, const QString& to) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) return errorOr(EIO);
  // The rename lives only in the folder: until the folder reaches the disk a power loss can
  // bring back the old file, or lose a new name altogether. The file is in place by now, so
  // a folder that cannot be synced is told, not taken for a failed write.
  if (const int e = syncFolderOf(to))
    qWarning().noquote() << "files: the folder of" << to << "could not be synced:" << describeWriteError(e);
  return 0;
}

int makeFolder(const QString& folder) {
  const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
  const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString path;
  for (const QString& part : parts) {
    path += QLatin1Char('/') + part;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return ENOTDIR;
      continue;
    }
    if (errno != ENOENT) return errorOr(EIO);
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) return errorOr(EIO);
  }
  return 0;
}

int probeFolderWrite(const QString& folder) {
  if (const int e = makeFolder(folder)) return e;
  const QByteArray name = QFile::encodeName(folder + QStringLiteral("/.orvane-write-probe-") +
                                            QString::number(::getpid()));
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errorOr(EIO);
  // A few blocks' worth: an empty file may still be made on a disk without a free block.
  const QByteArray bytes(8192, '\0');
  int error = writeAll(fd, bytes.constData(), bytes.size());
  if (error == 0 && syncFd(fd) != 0) error = errorOr(EIO);
  if (::close(fd) != 0 && error == 0) error = errorOr(EIO);
  ::unlink(name.constData());
  return error;
}

int createPrivateFile(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EEXIST ? restrictToOwner(path) : errorOr(EIO);
  return ::close(fd) == 0 ? 0 : errorOr(EIO);
}

unsigned privateMode(const QString& existing) {
  struct stat st {};
  if (::stat(QFile::encodeName(existing).constData(), &st) != 0) return 0600;
  return unsigned(st.st_mode) & 0600u;
}

int restrictToOwner(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0) return errno == ENOENT ? 0 : errorOr(EIO);
  if (!S_ISREG(st.st_mode) || (st.st_mode & 077) == 0) return 0;
  return ::chmod(native.constData(), st.st_mode & 0600) == 0 ? 0 : errorOr(EIO);
}

QString describeWriteError(int error) {
  switch (error) {
    case ENOSPC: return QStringLiteral("磁盘空间已满");
    case EDQUOT: return QStringLiteral("磁盘配额已用完");
    case EFBIG: return QStringLiteral("文件超出大小限制");
    case EROFS: return QStringLiteral("磁盘为只读");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case ENOTDIR: return QStringLiteral("路径中有一部分不是文件夹");
    case ENOENT: return QStringLiteral("文件夹不存在");
    case EIO: return QStringLiteral("磁盘读写错误");
    case 0: return QStringLiteral("未知错误");
    default: return QString::fromLocal8Bit(std::strerror(error));
  }
}

}  // namespace orvane
