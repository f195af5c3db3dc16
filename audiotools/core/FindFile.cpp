// File search criteria, their matching routines and the search plan.
#include "audiotools/core/FindFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace {

constexpr size_t kBlockSize = 61440;

const QDate kDayZero(1899, 12, 30);


bool Wild(std::u32string_view name, std::u32string_view pat) {
  size_t n = 0, p = 0, starP = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pat.size() && pat[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (p < pat.size() && (pat[p] == U'?' || pat[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != std::u32string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  // The name has ended: what is left of the pattern may only hold wildcards.
  for (; p < pat.size(); ++p)
    if (pat[p] != U'*' && pat[p] != U'?') return false;
  return true;
}

void Split(const std::u32string& folded, std::u32string& base, std::u32string& ext, bool* hasExt = nullptr) {
  const size_t dot = folded.rfind(U'.');
  if (hasExt) *hasExt = dot != std::u32string::npos;
  if (dot == std::u32string::npos) {
    base = folded;
    ext = U".";
  } else {
    base = folded.substr(0, dot);
    ext = folded.substr(dot);
  }
}

struct Tables {
  std::array<unsigned char, 256> identity{}, lower{};
  std::array<bool, 256> delimiter{};
  Tables() {
    for (int b = 0; b < 256; ++b) {
      identity[b] = static_cast<unsigned char>(b);
      lower[b] = static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
      const bool alnum = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9');
      delimiter[b] = !alnum;
    }
  }
};
const Tables& TheTables() {
  static const Tables t;
  return t;
}

// A leading "<" (no subfolders) or ">" (subfolders) overrides the criteria's switch.
QString TakeMark(QString entry, bool& subfolders) {
  if (entry.startsWith(QLatin1Char('<'))) {
    subfolders = false;
    entry.remove(0, 1);
  } else if (entry.startsWith(QLatin1Char('>'))) {
    subfolders = true;
    entry.remove(0, 1);
  }
  return entry;
}

void AddUnique(QStringList& list, const QString& mask) {
  const std::u32string f = Folded(mask);
  for (const QString& m : list)
    if (Folded(m) == f) return;
  list << mask;
}

}  // namespace

std::u32string Folded(const QString& s) {
  std::u32string out;
  bool ascii = true;
  for (QChar c : s)
    if (c.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) {
    out.reserve(s.size());
    for (QChar c : s) {
      char16_t u = c.unicode();
      out.push_back(u >= 'A' && u <= 'Z' ? u + 32 : u);
    }
    return out;
  }
  const QList<uint> ucs = s.toCaseFolded().toUcs4();
  out.assign(ucs.begin(), ucs.end());
  return out;
}

TDateTime DateTimeOf(const QDate& date, const QTime& time) {
  return kDayZero.daysTo(date) * kMsPerDay + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

TDateTime DateTimeOf(const QDateTime& local) {
  const QDateTime l = local.toLocalTime();
  return DateTimeOf(l.date(), l.time());
}

TDateTime LocalDateTime(const TFileTime& t) {
  const time_t secs = static_cast<time_t>(t.Seconds);
  struct tm tm {};
  localtime_r(&secs, &tm);
  const QDate date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return DateTimeOf(date, QTime(tm.tm_hour, tm.tm_min, tm.tm_sec, t.Nanoseconds / 1000000));
}

const std::array<unsigned char, 256>& IdentityTable() { return TheTables().identity; }
const std::array<unsigned char, 256>& LowerCaseTable() { return TheTables().lower; }
bool IsDelimiter(unsigned char byte) { return TheTables().delimiter[byte]; }

bool TAttributeCriteria::Matches(quint32 attributes) const {
  const quint32 a = attributes & fa::Basic;
  return ExactMatch ? a == Attributes : (a & ~Attributes) == 0;
}

TFileAttributeStatus TAttributeCriteriaEx::Get(quint32 bit) const {
  return (MustSet & bit) ? fsSet : (MustUnset & bit) ? fsUnset : fsIgnore;
}

void TAttributeCriteriaEx::Set(quint32 bit, TFileAttributeStatus status) {
  MustSet &= ~bit;
  MustUnset &= ~bit;
  if (status == fsSet) MustSet |= bit;
  if (status == fsUnset) MustUnset |= bit;
}

bool TAttributeCriteriaEx::Matches(quint32 attributes) const {
  return (attributes & MustSet) == MustSet && (attributes & MustUnset) == 0;
}

bool DateTimeInRange(TDateTime value, TDateTime after, TDateTime before) {
  // -1: below, 0: inside, 1: above, for the part of the value the bound names.
  const auto cmp = [value](TDateTime bound) {
    TDateTime v = value, b = bound;
    if (bound % kMsPerDay == 0) {
      v = value / kMsPerDay;
      b = bound / kMsPerDay;
    } else if (bound < kMsPerDay) {
      v = value % kMsPerDay;
    }
    return v < b ? -1 : v > b ? 1 : 0;
  };
  if (before != 0 && cmp(before) > 0) return false;
  if (after != 0 && cmp(after) < 0) return false;
  return true;
}

bool TDateTimeCriteria::Matches(const TFileInfo& info) const {
  const auto pair = [](const TFileTime& t, TDateTime after, TDateTime before) {
    return (after == 0 && before == 0) || DateTimeInRange(LocalDateTime(t), after, before);
  };
  return pair(info.CreationTime, CreatedAfter, CreatedBefore) &&
         pair(info.LastWriteTime, ModifiedAfter, ModifiedBefore) &&
         pair(info.LastAccessTime, AccessedAfter, AccessedBefore);
}

bool TSizeCriteria::Matches(qint64 size) const { return !(Min && size < Min) && !(Max && size > Max); }

void TContentCriteria::SetPhrase(const QString& phrase) {
  phrase_ = phrase;
  prepare();
}

void TContentCriteria::SetIgnoreCase(bool on) {
  ignoreCase_ = on;
  prepare();
}

void TContentCriteria::prepare() {
  prepared_ = phrase_.toUtf8();
  if (ignoreCase_)
    for (char& c : prepared_) c = static_cast<char>(LowerCaseTable()[static_cast<unsigned char>(c)]);
}

bool TContentCriteria::Matches(const QString& path, const std::atomic<bool>* aborted) const {
  return phrase_.isEmpty() ||
         FileContainsPhrase(path, prepared_, WholeWord, ignoreCase_ ? LowerCaseTable() : IdentityTable(), aborted);
}

bool FileContainsPhrase(const QString& path, const QByteArray& phrase, bool wholeWord,
                        const std::array<unsigned char, 256>& table, const std::atomic<bool>* aborted) {
  const size_t len = static_cast<size_t>(phrase.size());
  if (len == 0) return true;
  // Non-blocking and regular files only: a FIFO or device named like a song would stall the
  // search or never end.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < static_cast<off_t>(len)) return false;
  const size_t size = static_cast<size_t>(st.st_size);
  const size_t block = size <= kBlockSize ? size : (len > kBlockSize ? len + 1 : kBlockSize);
  std::vector<unsigned char> buf(block + len + 1);
  const auto* pat = reinterpret_cast<const unsigned char*>(phrase.constData());
  const std::boyer_moore_horspool_searcher searcher(pat, pat + len);
  unsigned char prev = ' ';  // the start of the file counts as a delimiter
  size_t have = 0;
  bool eof = false;
  for (;;) {
    if (aborted && aborted->load(std::memory_order_relaxed)) return false;
    ssize_t n;
    do n = ::read(fd, buf.data() + have, block);
    while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    eof = n == 0;
    for (unsigned char* p = buf.data() + have, *e = p + n; p < e; ++p) *p = table[*p];
    have += static_cast<size_t>(n);
    size_t keepFrom = have >= len ? have - len + 1 : 0;
    for (size_t pos = 0;;) {
      const auto it = std::search(buf.begin() + pos, buf.begin() + have, searcher);
      if (it == buf.begin() + have) break;
      const size_t i = it - buf.begin();
      if (!wholeWord) return true;
      pos = i + 1;
      if (!IsDelimiter(i ? buf[i - 1] : prev)) continue;
      if (i + len < have) {
        if (IsDelimiter(buf[i + len])) return true;
      } else if (eof) {
        return true;
      } else {
        keepFrom = i;  // the byte after it is not read yet
        break;
      }
    }
    if (eof) return false;
    if (keepFrom > 0) prev = buf[keepFrom - 1];
    std::memmove(buf.data(), buf.data() + keepFrom, have - keepFrom);
    have -= keepFrom;
  }
}

QString AddTrailingSlash(const QString& path) {
  return path.isEmpty() || path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

CompiledMask::CompiledMask(const QString& mask) { Split(Folded(mask), base, ext, &hasExt); }

bool CompiledMask::Matches(std::u32string_view nbase, std::u32string_view next) const {
  if (!hasExt) return Wild(nbase, base);
  return Wild(next, ext) && Wild(nbase, base);
}

bool WildcardMatch(const QString& name, const QString& pattern) { return Wild(Folded(name), Folded(pattern)); }

bool FileNameMatchesMask(const QString& name, const QString& mask) {
  std::u32string base, ext;
  Split(Folded(name), base, ext);
  return CompiledMask(mask).Matches(base, ext);
}

bool PathMatchesMask(const QString& folder, const QString& name, const QString& mask) {
  const qsizetype slash = mask.lastIndexOf(QLatin1Char('/'));
  if (slash >= 0) {
    const std::u32string part = Folded(mask.left(slash + 1)), f = Folded(AddTrailingSlash(folder));
    if (f.size() < part.size() || f.compare(f.size() - part.size(), part.size(), part) != 0) return false;
  }
  const QString namePart = mask.mid(slash + 1);
  return namePart.isEmpty() || FileNameMatchesMask(name, namePart);
}

bool TTargetFolder::NameMatches(std::u32string_view base, std::u32string_view ext) const {
  for (const CompiledMask& m : compiled)
    if (m.Matches(base, ext)) return true;
  return false;
}

TTargetFolder* TTargetFolderList::FindOrAdd(const QString& typed) {
  QString path = typed;
  if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
    path = QDir::homePath() + path.mid(1);
  else if (!path.startsWith(QLatin1Char('/')))
    path = QDir::homePath() + QLatin1Char('/') + path;
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  if (canonical.isEmpty() || !info.isDir()) {
    qInfo().noquote() << "search: no folder" << typed << "- left out";
    return nullptr;
  }
  const QString folder = AddTrailingSlash(canonical);
  for (TTargetFolder& t : Targets)
    if (t.Folder == folder) return &t;
  Targets.emplace_back();
  Targets.back().Folder = folder;
  return &Targets.back();
}

TTargetSearch::TTargetSearch(const TSearchCriteria& c)
    : Attribute(c.Attribute), AttributeEx(c.AttributeEx), TimeStamp(c.TimeStamp), Size(c.Size), Content(c.Content) {
  const TFileCriteria& f = c.Files;
  Folders.Excluded = f.Excluded;
  const auto setLevels = [&f](TTargetFolder* t, bool subfolders) {
    t->Subfolders = subfolders;
    t->MinLevel = f.MinLevel;
    t->MaxLevel = f.MaxLevel;
  };
  for (const QString& included : f.Included) {
    bool subfolders = f.Subfolders;
    const QString entry = TakeMark(included.trimmed(), subfolders);
    const qsizetype slash = entry.lastIndexOf(QLatin1Char('/'));
    TTargetFolder* t = Folders.FindOrAdd(entry.left(slash + 1));
    if (!t) continue;
    const QString name = entry.mid(slash + 1);
    AddUnique(t->Masks, name.isEmpty() ? QStringLiteral("*.*") : name);
    setLevels(t, subfolders);
  }
  QStringList names;
  for (const QString& n : f.FileName.split(QLatin1Char(';')))
    if (!n.trimmed().isEmpty()) AddUnique(names, n.trimmed());
  for (const QString& n : f.FileMasks)
    if (!n.isEmpty()) AddUnique(names, n);
  if (names.isEmpty()) names << QStringLiteral("*.*");
  for (const QString& l : f.Location.split(QLatin1Char(';'))) {
    bool subfolders = f.Subfolders;
    const QString location = TakeMark(l.trimmed(), subfolders);
    if (location.isEmpty()) continue;
    TTargetFolder* t = Folders.FindOrAdd(location);
    if (!t) continue;
    for (const QString& n : names) AddUnique(t->Masks, n);
    setLevels(t, subfolders);
  }
  for (TTargetFolder& t : Folders.Targets)
    for (const QString& m : t.Masks) t.compiled.emplace_back(m);
  if (!Content.Phrase().isEmpty()) Attribute.Attributes &= ~fa::Directory;
}

bool TTargetSearch::Matches(const QString& folder, const TFileInfo& info, const std::atomic<bool>* aborted) const {
  if (!Size.Matches(info.Size) || !Attribute.Matches(info.Attributes) || !AttributeEx.Matches(info.Attributes) ||
      !TimeStamp.Matches(info))
    return false;
  for (qsizetype i = Folders.Excluded.size() - 1; i >= 0; --i)
    if (PathMatchesMask(folder, info.Name, Folders.Excluded[i])) return false;
  // The path is made only for a file whose content is to be read.
  return Content.Phrase().isEmpty() || Content.Matches(folder + info.Name, aborted);
}
