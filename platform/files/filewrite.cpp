// Checked file writing.
#include "platform/files/filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

int errorOr(int fallback) { return errno != 0 ? errno : fallback; }
}  // namespace

WriteCall setWriteCall(WriteCall call) {
  WriteCall previous = std::move(writeCall());
  writeCall() = std::move(call);
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
  // once every one of them has reached the disk.
  const QFileInfo where(target);
  QByteArray temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = QFile::encodeName(where.absolutePath() + QStringLiteral("/.") + where.fileName()) + ".new" +
           QByteArray::number(::getpid()) + "-" + QByteArray::number(attempt);
    fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return fail(errno);
  }
  if (fd < 0) return fail(EEXIST);
  int e = 0;
  if (existed && ::fchmod(fd, old.st_mode & 07777) != 0) e = errno;
  if (e == 0) e = writeAll(fd, bytes.constData(), bytes.size());
  if (e == 0 && ::fsync(fd) != 0) e = errorOr(EIO);
  if (::close(fd) != 0 && e == 0) e = errorOr(EIO);
  if (e == 0 && ::rename(temp.constData(), QFile::encodeName(target).constData()) != 0) e = errorOr(EIO);
  if (e == 0) return true;
  ::unlink(temp.constData());
  return fail(e);
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
  if (error == 0 && ::fsync(fd) != 0) error = errorOr(EIO);
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
