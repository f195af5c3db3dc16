// The process's file limits for one scope, put back however the scope is left (a failed
// assertion returns early), the syncs of the file layer, and a file's permission bits as a
// test compares them.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/files/filewrite.h"

namespace testing_support {

// The system's file size limit for this process while it lives (a write past it fails with
// EFBIG instead of ending the process).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &before_);
    const rlimit limit{bytes, before_.rlim_max};
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &before_);
    ::signal(SIGXFSZ, SIG_DFL);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit before_{};
  bool ok_ = false;
};

// The process's umask while it lives; the one before comes back afterwards.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : before_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(before_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t before_;
};

// Every sync the file layer makes while it lives, as the path synced (a folder's own path for a
// folder), followed by "|" and what `probe` says at that moment when one is given. The syncs
// still reach the disk.
class SyncLog {
 public:
  explicit SyncLog(std::function<QString()> probe = {}) : probe_(std::move(probe)) {
    previous_ = orvane::setSyncCall([this](int fd) {
      const QString path = QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
      entries << (probe_ ? path + QLatin1Char('|') + probe_() : path);
      return previous_ ? previous_(fd) : ::fsync(fd);
    });
  }
  ~SyncLog() { orvane::setSyncCall(std::move(previous_)); }
  SyncLog(const SyncLog&) = delete;
  SyncLog& operator=(const SyncLog&) = delete;
  QStringList entries;

 private:
  std::function<QString()> probe_;
  orvane::SyncCall previous_;
};

// A file's permission bits; 01000 (no permission bits can make it) when the file is missing.
inline unsigned modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 0777) : 01000u;
}

}  // namespace testing_support
