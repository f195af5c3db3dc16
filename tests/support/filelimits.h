// The process's file limits for one scope, put back however the scope is left (a failed
// assertion returns early), and a file's permission bits as a test compares them.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QString>

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

// A file's permission bits; 01000 (no permission bits can make it) when the file is missing.
inline unsigned modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? unsigned(st.st_mode & 0777) : 01000u;
}

}  // namespace testing_support
