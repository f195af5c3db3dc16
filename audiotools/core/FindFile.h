// File search: the criteria a search is described by, the matching routines they use, the plan
// a search is compiled into, and the component that walks folders (on a worker thread when
// asked) and reports every matching file through events.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Attribute bits, valued as the classic file attributes so stored masks keep their meaning.
namespace fa {
constexpr quint32 Readonly = 1;         // the owner's write bit is clear
constexpr quint32 Hidden = 2;           // the name starts with "."
constexpr quint32 System = 4;           // a device, FIFO or socket
constexpr quint32 Directory = 16;
constexpr quint32 Archive = 32;         // any other non-directory
constexpr quint32 Temporary = 256;      // never set on this system
constexpr quint32 SparseFile = 512;     // fewer blocks than the size needs
constexpr quint32 ReparsePoint = 1024;  // a symbolic link
constexpr quint32 Compressed = 2048;
constexpr quint32 Offline = 4096;       // never set on this system
constexpr quint32 Encrypted = 16384;
// The bits the plain attribute criteria look at.
constexpr quint32 Basic = Readonly | Hidden | System | Directory | Archive;
}  // namespace fa

// A date and time as milliseconds since 1899-12-30 00:00 local time: whole days are the date
// part, the rest of a day the time part, and 0 means "no bound".
using TDateTime = qint64;
constexpr TDateTime kMsPerDay = 86400000;
TDateTime DateTimeOf(const QDateTime& local);
TDateTime DateTimeOf(const QDate& date, const QTime& time);

// A file time as the file system keeps it: seconds and nanoseconds since 1970-01-01 UTC.
struct TFileTime {
  qint64 Seconds = 0;
  qint32 Nanoseconds = 0;
};
// The local date and time of a file time.
TDateTime LocalDateTime(const TFileTime& t);

// One directory entry that passed the name masks. Its times are kept as the file system gives
// them and turned into local time (LocalDateTime) only where they are looked at: most
// searches never do.
struct TFileInfo {
  QString Name;
  quint32 Attributes = 0;
  qint64 Size = 0;  // 0 for folders
  TFileTime CreationTime, LastWriteTime, LastAccessTime;
};

enum TFileAttributeStatus { fsIgnore, fsSet, fsUnset };
enum TFolderIgnore { fiNone, fiJustThis, fiJustSubfolders, fiThisAndSubfolders };

struct TFileCriteria {
  QString FileName;      // ";"-separated name masks
  QStringList FileMasks;  // name masks taken whole: a typed name may hold ";"
  QString Location;      // ";"-separated folders; "<" before one: no subfolders, ">": subfolders
  QStringList Included;  // folder + name mask entries, with the same marks
  QStringList Excluded;  // folder and/or name masks a file must not pass
  bool Subfolders = true;
  quint16 MinLevel = 0, MaxLevel = 0;
};

struct TAttributeCriteria {
  quint32 Attributes = fa::Archive | fa::Readonly | fa::Hidden | fa::System;
  bool ExactMatch = false;
  bool Matches(quint32 attributes) const;
};

struct TAttributeCriteriaEx {
  quint32 MustSet = 0, MustUnset = 0;
  TFileAttributeStatus Get(quint32 bit) const;
  void Set(quint32 bit, TFileAttributeStatus status);
  bool Matches(quint32 attributes) const;
};

struct TDateTimeCriteria {
  TDateTime CreatedBefore = 0, CreatedAfter = 0, ModifiedBefore = 0, ModifiedAfter = 0, AccessedBefore = 0,
            AccessedAfter = 0;
  // Each pair with a bound tests its time of the file, converted to local time for it alone.
  bool Matches(const TFileInfo& info) const;
};

struct TSizeCriteria {
  qint64 Min = 0, Max = 0;
  bool Matches(qint64 size) const;
};

class TContentCriteria {
 public:
  const QString& Phrase() const { return phrase_; }
  bool IgnoreCase() const { return ignoreCase_; }
  bool WholeWord = false;
  void SetPhrase(const QString& phrase);
  void SetIgnoreCase(bool on);
  // An empty phrase passes; a set abort flag stops the read and fails.
  bool Matches(const QString& path, const std::atomic<bool>* aborted = nullptr) const;

 private:
  void prepare();
  QString phrase_;
  bool ignoreCase_ = true;
  QByteArray prepared_;
};

struct TSearchCriteria {
  TFileCriteria Files;
  TAttributeCriteria Attribute;
  TAttributeCriteriaEx AttributeEx;
  TDateTimeCriteria TimeStamp;
  TSizeCriteria Size;
  TContentCriteria Content;
};

// The byte tables of content search: identity, ASCII letters lowered (UTF-8 text is never
// altered), and the delimiters (every byte but ASCII letters and digits).
const std::array<unsigned char, 256>& IdentityTable();
const std::array<unsigned char, 256>& LowerCaseTable();
bool IsDelimiter(unsigned char byte);

// Names compare by Unicode case folding; "*" matches any run (also empty), "?" one code point.
// When the name ends, the rest of the pattern may hold only "*" and "?".
bool WildcardMatch(const QString& name, const QString& pattern);
// Base name and extension match separately; a mask without extension looks at base names only.
bool FileNameMatchesMask(const QString& name, const QString& mask);
// The mask's folder part must end the file's folder (ignoring case); its name part, when there
// is one, must pass FileNameMatchesMask.
bool PathMatchesMask(const QString& folder, const QString& name, const QString& mask);
// Inclusive bounds; a bound with no time part compares whole days, one with no date part the
// time of day, any other the full value.
bool DateTimeInRange(TDateTime value, TDateTime after, TDateTime before);
// Whether the regular file at path holds the prepared phrase (bytes through the table).
bool FileContainsPhrase(const QString& path, const QByteArray& phrase, bool wholeWord,
                        const std::array<unsigned char, 256>& table, const std::atomic<bool>* aborted = nullptr);
QString AddTrailingSlash(const QString& path);

// A name mask prepared once: folded base name and extension.
struct CompiledMask {
  explicit CompiledMask(const QString& mask);
  bool Matches(std::u32string_view base, std::u32string_view ext) const;
  std::u32string base, ext;
  bool hasExt = false;
};
// A name case-folded for comparing, one code point a character.
std::u32string Folded(const QString& s);

struct TTargetFolder {
  QString Folder;  // canonical, with a trailing "/"
  bool Subfolders = true;
  QStringList Masks;
  quint16 MinLevel = 0, MaxLevel = 0;
  std::vector<CompiledMask> compiled;
  bool NameMatches(std::u32string_view base, std::u32string_view ext) const;
};

struct TTargetFolderList {
  std::vector<TTargetFolder> Targets;  // in the order they were first named
  QStringList Excluded;
  // The target for a folder as typed ("~" and relative ones start at the home folder); null
  // when the folder does not exist.
  TTargetFolder* FindOrAdd(const QString& folder);
};

// The compiled form of a search: target folders with their masks, and copies of the criteria.
class TTargetSearch {
 public:
  explicit TTargetSearch(const TSearchCriteria& criteria);
  TTargetFolderList Folders;
  TAttributeCriteria Attribute;
  TAttributeCriteriaEx AttributeEx;
  TDateTimeCriteria TimeStamp;
  TSizeCriteria Size;
  TContentCriteria Content;
  bool Matches(const QString& folder, const TFileInfo& info, const std::atomic<bool>* aborted = nullptr) const;
};

class QSocketNotifier;
class TFindFile;
using TFileMatchEvent = std::function<void(TFindFile* sender, const QString& folder, const TFileInfo& info)>;
using TFolderChangeEvent = std::function<void(TFindFile* sender, const QString& folder, TFolderIgnore& ignore)>;
using TNotifyEvent = std::function<void(TFindFile* sender)>;

// The search component. Folder and match events run on the worker when Threaded, each inside
// the component's mutex and only while the search is not aborted, so none runs after Abort
// returns. Begin and abort run on the caller's thread; finish on the thread that called
// Execute, after the worker has ended.
class TFindFile : public QObject {
  Q_OBJECT
 public:
  explicit TFindFile(QObject* owner = nullptr);
  // A busy component aborts and waits at most 2 s; a worker still stuck in the kernel then
  // ends alone and its results are dropped.
  ~TFindFile() override;

  TSearchCriteria Criteria;
  bool Threaded = false;
  QThread::Priority ThreadPriority = QThread::NormalPriority;
  TFileMatchEvent OnFileMatch;
  TFolderChangeEvent OnFolderChange;
  TNotifyEvent OnSearchBegin, OnSearchFinish, OnSearchAbort;

  // Does nothing while busy.
  void Execute();
  void Abort();
  bool Busy() const { return busy_; }
  bool Aborted() const;
  // The folder depth of the walk (the top folder is 1); meaningful inside the folder event.
  int Level() const;

  struct Run;

 protected:
  virtual void DoSearchBegin();
  virtual void DoSearchFinish();
  virtual void DoSearchAbort();
  virtual TFolderIgnore DoFolderChange(const QString& folder);
  virtual void DoFileMatch(const QString& folder, const TFileInfo& info);
  virtual bool IsAcceptable(const QString& folder, const TFileInfo& info);

 private:
  friend struct Run;
  void InitSearch();
  void DoneSearch();
  void workerEnded();
  std::shared_ptr<Run> run_;
  // A plain thread, so that its start, its end and the join are all in plain sight of the
  // tools that check the worker's sharing; its end is announced through the run's event file.
  std::thread worker_;
  std::unique_ptr<QSocketNotifier> ended_;
  std::atomic<bool> busy_{false};
  bool destroying_ = false;
};
