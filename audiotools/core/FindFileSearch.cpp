// The search component: the folder walk and its worker thread.
#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QDebug>
#include <QFile>
#include <QSet>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "audiotools/core/FindFile.h"

namespace {

// Kernel pseudo file systems: nothing in them is a song, and some never end.
bool IsPseudoFileSystem(long type) {
  switch (static_cast<unsigned long>(type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEVPTS_SUPER_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC: case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC: case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC: case 0x62656570 /* configfs */: case 0x65735543 /* fusectl */: case 0x19800202 /* mqueue */:
    case BINFMTFS_MAGIC: case SELINUX_MAGIC: case EFIVARFS_MAGIC: case NSFS_MAGIC:
      return true;
    default:
      return false;
  }
}

// An entry's name, folded for the masks into a buffer kept from entry to entry. Nearly every
// name is ASCII: it is folded in place, and its string is made only when the entry is listed
// or entered.
class EntryName {
 public:
  // False when the bytes are not valid UTF-8.
  bool Fold(const char* bytes, size_t len) {
    bytes_ = bytes;
    len_ = len;
    named_ = false;
    bool ascii = true;
    for (size_t i = 0; i < len && ascii; ++i) ascii = static_cast<unsigned char>(bytes[i]) < 0x80;
    if (ascii) {
      folded_.resize(len);
      for (size_t i = 0; i < len; ++i) {
        const char c = bytes[i];
        folded_[i] = static_cast<char32_t>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      }
    } else {
      QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
      name_ = decode(QByteArrayView(bytes, static_cast<qsizetype>(len)));
      if (decode.hasError()) return false;
      named_ = true;
      folded_ = Folded(name_);
    }
    dot_ = folded_.rfind(U'.');
    return true;
  }
  // Base name and extension; a name without extension counts as having ".".
  std::u32string_view Base() const { return std::u32string_view(folded_).substr(0, dot_); }
  std::u32string_view Ext() const {
    return dot_ == std::u32string::npos ? std::u32string_view(U".") : std::u32string_view(folded_).substr(dot_);
  }
  const QString& Name() {
    if (!named_) {
      name_ = QString::fromLatin1(bytes_, static_cast<qsizetype>(len_));
      named_ = true;
    }
    return name_;
  }

 private:
  const char* bytes_ = nullptr;
  size_t len_ = 0;
  bool named_ = false;
  std::u32string folded_;
  size_t dot_ = std::u32string::npos;
  QString name_;
};

// A folder's entries read straight from the kernel, through one buffer kept for the whole walk.
class FolderReader {
 public:
  FolderReader() : buf_(32768) {}
  void Reset(int fd) {
    fd_ = fd;
    pos_ = len_ = 0;
  }
  // The next entry; null at the end or on an error.
  const struct dirent64* Next() {
    if (pos_ >= len_) {
      ssize_t n;
      do n = ::getdents64(fd_, buf_.data(), buf_.size());
      while (n < 0 && errno == EINTR);
      if (n <= 0) return nullptr;
      len_ = static_cast<size_t>(n);
      pos_ = 0;
    }
    const auto* e = reinterpret_cast<const struct dirent64*>(buf_.data() + pos_);
    pos_ += e->d_reclen;
    return e;
  }

 private:
  std::vector<char> buf_;
  int fd_ = -1;
  size_t pos_ = 0, len_ = 0;
};

TFileTime TimeOf(const struct statx_timestamp& t) { return {t.tv_sec, static_cast<qint32>(t.tv_nsec)}; }

// Gives the calling thread the scheduling a QThread started with this priority would get: the
// idle class for the lowest, otherwise a place in the range of the current policy.
void ApplyPriority(QThread::Priority priority) {
  if (priority == QThread::InheritPriority) return;
  const pthread_t self = pthread_self();
  int policy = SCHED_OTHER;
  sched_param param{};
  if (pthread_getschedparam(self, &policy, &param) != 0) return;
  if (priority == QThread::IdlePriority) {
    param.sched_priority = 0;
    pthread_setschedparam(self, SCHED_IDLE, &param);
    return;
  }
  const int lo = sched_get_priority_min(policy), hi = sched_get_priority_max(policy);
  if (lo < 0 || hi < 0) return;
  param.sched_priority = (priority - QThread::LowestPriority) * (hi - lo) / QThread::TimeCriticalPriority + lo;
  pthread_setschedparam(self, policy, &param);
}

struct FolderOnPath {
  dev_t dev;
  ino_t ino;
  std::shared_ptr<const FolderOnPath> parent;
};

struct Frame {
  QString folder;
  int depth;
  std::shared_ptr<const FolderOnPath> chain;
};

}  // namespace

// What one search shares between the component and its worker. The worker holds it too, so a
// worker that outlives its component (stuck in the kernel) touches only this.
struct TFindFile::Run {
  explicit Run(TFindFile* o, const TSearchCriteria& c) : plan(std::make_unique<TTargetSearch>(c)), owner(o) {}
  ~Run() {
    if (endedFd >= 0) ::close(endedFd);
  }
  std::recursive_mutex mutex;
  std::atomic<bool> aborted{false};
  std::unique_ptr<TTargetSearch> plan;
  TFindFile* owner;  // reached only while not aborted
  std::atomic<int> depth{0};
  qint64 badNames = 0;
  // Set by the worker as its last step; the component waits on it (and then joins) before it
  // touches anything the worker wrote.
  std::mutex doneMutex;
  std::condition_variable doneChanged;
  bool done = false;
  int endedFd = -1;  // an event file the worker signals when it ends

  void Work(QThread::Priority priority);
  bool WaitDone(std::chrono::milliseconds limit);

  void SearchAllFolders();
  void SearchTree(const TTargetFolder& target, QSet<QString>* listed);
  bool Stop() const { return aborted.load(std::memory_order_relaxed); }
};

void TFindFile::Run::Work(QThread::Priority priority) {
  ApplyPriority(priority);
  SearchAllFolders();
  {
    const std::lock_guard lock(doneMutex);
    done = true;
  }
  doneChanged.notify_all();
  const uint64_t one = 1;
  if (::write(endedFd, &one, sizeof one) != sizeof one) qWarning() << "search: the worker could not announce its end";
}

bool TFindFile::Run::WaitDone(std::chrono::milliseconds limit) {
  std::unique_lock lock(doneMutex);
  return doneChanged.wait_for(lock, limit, [this] { return done; });
}

void TFindFile::Run::SearchAllFolders() {
  QSet<QString> listed;  // a path is listed once however many targets reach it
  for (const TTargetFolder& t : plan->Folders.Targets) {
    if (Stop()) break;
    SearchTree(t, plan->Folders.Targets.size() > 1 ? &listed : nullptr);
  }
  if (badNames) qInfo() << "search:" << badNames << "entries skipped: their names are not valid UTF-8";
}

void TFindFile::Run::SearchTree(const TTargetFolder& target, QSet<QString>* listed) {
  // Depth first, in the order of each listing, without recursion: a folder is read once and
  // closed before any of its subfolders is opened.
  std::vector<Frame> stack{{target.Folder, 1, nullptr}};
  std::vector<QString> subfolders;
  EntryName entry;
  FolderReader reader;
  while (!stack.empty() && !Stop()) {
    Frame f = std::move(stack.back());
    stack.pop_back();
    const QByteArray folderBytes = QFile::encodeName(f.folder);
    const int fd = ::open(folderBytes.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;  // unreadable or gone: passed over
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    bool skip = ::fstat(fd, &st) != 0;
    // A folder on its parent's device is on its parent's file system: only a mount point can
    // lead into a pseudo file system.
    if (!skip && (!f.chain || f.chain->dev != st.st_dev)) {
      struct statfs fs {};
      skip = ::fstatfs(fd, &fs) != 0 || IsPseudoFileSystem(fs.f_type);
    }
    for (const FolderOnPath* a = f.chain.get(); a && !skip; a = a->parent.get()) skip = a->dev == st.st_dev && a->ino == st.st_ino;
    if (skip) continue;
    depth = f.depth;
    TFolderIgnore ignore = fiNone;
    {
      const std::lock_guard lock(mutex);
      if (Stop()) break;
      ignore = owner->DoFolderChange(f.folder);
    }
    const bool files = (ignore == fiNone || ignore == fiJustSubfolders) && f.depth >= target.MinLevel;
    const bool descend = target.Subfolders && (ignore == fiNone || ignore == fiJustThis) &&
                         !(target.MaxLevel != 0 && f.depth >= target.MaxLevel);
    subfolders.clear();
    reader.Reset(fd);
    while (files || descend) {
      if (Stop()) break;
      const struct dirent64* e = reader.Next();
      if (!e) break;
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      if (!entry.Fold(n, std::strlen(n))) {
        ++badNames;
        continue;
      }
      bool isDir = e->d_type == DT_DIR;
      if (e->d_type == DT_UNKNOWN) {
        struct stat s {};
        isDir = ::fstatat(fd, n, &s, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(s.st_mode);
      }
      if (descend && isDir) subfolders.push_back(entry.Name());
      if (!files || !target.NameMatches(entry.Base(), entry.Ext())) continue;
      struct statx sx {};
      if (::statx(fd, n, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) continue;
      TFileInfo info;
      info.Name = entry.Name();
      if (S_ISLNK(sx.stx_mode)) {
        // A link is described by what it points at (a broken one by itself) and never entered.
        info.Attributes |= fa::ReparsePoint;
        struct statx pointed {};
        if (::statx(fd, n, 0, STATX_BASIC_STATS | STATX_BTIME, &pointed) == 0) sx = pointed;
      }
      const mode_t mode = sx.stx_mode;
      if (S_ISDIR(mode)) info.Attributes |= fa::Directory;
      else if (S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode)) info.Attributes |= fa::System;
      else info.Attributes |= fa::Archive;
      if (n[0] == '.') info.Attributes |= fa::Hidden;
      if (!(mode & S_IWUSR)) info.Attributes |= fa::Readonly;
      if (sx.stx_attributes & STATX_ATTR_COMPRESSED) info.Attributes |= fa::Compressed;
      if (sx.stx_attributes & STATX_ATTR_ENCRYPTED) info.Attributes |= fa::Encrypted;
      if (!S_ISDIR(mode)) {
        info.Size = static_cast<qint64>(sx.stx_size);
        if (S_ISREG(mode) && sx.stx_blocks * 512 < sx.stx_size) info.Attributes |= fa::SparseFile;
      }
      info.LastWriteTime = TimeOf(sx.stx_mtime);
      info.LastAccessTime = TimeOf(sx.stx_atime);
      info.CreationTime = (sx.stx_mask & STATX_BTIME) ? TimeOf(sx.stx_btime) : info.LastWriteTime;
      if (Stop() || !owner->IsAcceptable(f.folder, info)) continue;
      // Where targets overlap, a file that matches is listed under its path once.
      QString path;
      if (listed) {
        path = f.folder + info.Name;
        if (listed->contains(path)) continue;
      }
      const std::lock_guard lock(mutex);
      if (Stop()) break;
      if (listed) listed->insert(path);
      owner->DoFileMatch(f.folder, info);
    }
    if (subfolders.empty()) continue;
    auto chain = std::make_shared<const FolderOnPath>(FolderOnPath{st.st_dev, st.st_ino, f.chain});
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
      stack.push_back({f.folder + *it + QLatin1Char('/'), f.depth + 1, chain});
  }
}

TFindFile::TFindFile(QObject* owner) : QObject(owner) {}

TFindFile::~TFindFile() {
  destroying_ = true;
  if (!busy_) return;
  Abort();
  ended_.reset();
  if (!worker_.joinable()) return;
  if (run_->WaitDone(std::chrono::milliseconds(2000))) {
    worker_.join();
    return;
  }
  qWarning() << "search: the worker did not end within 2 s; it ends alone and its results are dropped";
  worker_.detach();
}

bool TFindFile::Aborted() const { return run_ && run_->aborted; }

int TFindFile::Level() const { return run_ ? run_->depth.load() : 0; }

void TFindFile::Execute() {
  if (busy_) return;
  InitSearch();
  if (!Threaded) {
    run_->SearchAllFolders();
    DoneSearch();
    return;
  }
  run_->endedFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (run_->endedFd < 0) {
    // No event file to hear the worker's end by: the search runs here instead.
    qWarning() << "search: no event file for the worker (" << std::strerror(errno) << "); searching on this thread";
    run_->SearchAllFolders();
    DoneSearch();
    return;
  }
  ended_ = std::make_unique<QSocketNotifier>(run_->endedFd, QSocketNotifier::Read);
  connect(ended_.get(), &QSocketNotifier::activated, this, &TFindFile::workerEnded);
  worker_ = std::thread([run = run_, priority = ThreadPriority] {
    pthread_setname_np(pthread_self(), "TSearchThread");
    run->Work(priority);
  });
}

void TFindFile::Abort() {
  if (!busy_ || !run_ || run_->aborted) return;
  run_->aborted = true;
  // Handlers run under this mutex and test the flag inside it: once it is held here, none
  // runs and none will.
  const std::lock_guard lock(run_->mutex);
  DoSearchAbort();
}

void TFindFile::InitSearch() {
  busy_ = true;
  run_ = std::make_shared<Run>(this, Criteria);
  DoSearchBegin();
}

void TFindFile::DoneSearch() {
  DoSearchFinish();
  run_->plan.reset();
  busy_ = false;
}

void TFindFile::workerEnded() {
  // The notifier is dropped later: it is the one calling.
  ended_->setEnabled(false);
  ended_.release()->deleteLater();
  worker_.join();
  DoneSearch();
}

void TFindFile::DoSearchBegin() {
  if (OnSearchBegin && !destroying_) OnSearchBegin(this);
}

void TFindFile::DoSearchFinish() {
  if (OnSearchFinish && !destroying_) OnSearchFinish(this);
}

void TFindFile::DoSearchAbort() {
  if (OnSearchAbort && !destroying_) OnSearchAbort(this);
}

// The two calls from the walk lock the run by reference: a run always exists while it walks,
// and a locker given a pointer would have the compiler suppose it might not.
TFolderIgnore TFindFile::DoFolderChange(const QString& folder) {
  TFolderIgnore ignore = fiNone;
  const std::lock_guard lock(run_->mutex);
  if (!run_->aborted && OnFolderChange) OnFolderChange(this, folder, ignore);
  return ignore;
}

void TFindFile::DoFileMatch(const QString& folder, const TFileInfo& info) {
  const std::lock_guard lock(run_->mutex);
  if (!run_->aborted && OnFileMatch) OnFileMatch(this, folder, info);
}

bool TFindFile::IsAcceptable(const QString& folder, const TFileInfo& info) {
  // Only the run is touched after this line: the content read may outlast the component, and
  // the worker that calls here holds the run alive itself.
  Run& run = *run_;
  return !run.aborted && run.plan->Matches(folder, info, &run.aborted);
}
