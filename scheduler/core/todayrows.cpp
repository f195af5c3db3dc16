// Today's entries as the grid's select reads them.
#include "scheduler/core/todayrows.h"

#include <limits>
#include <string_view>

#include "scheduler/core/timetext.h"

namespace odb = orvane::db;

namespace {
// Fades need this much of a song entry, in seconds, before they apply.
constexpr int kFadeMinimumSeconds = 50;
constexpr int kFadeSeconds = 4;
constexpr int kDay = 24 * 3600;

// The grid statement's columns, by field.
const char* const kColumnNames[] = {"id",     "pname",   "starttime", "endtime",   "slpath", "playmode",
                                    "status", "tlength", "ivolume",   "Schedulen", "jmlx",   "mainchannel"};

quint64 cellKey(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// EntryTimeSeconds on the stored bytes: exactly "hh:nn:ss" with minutes and seconds below 60
// (eight ASCII characters are eight bytes, and nothing else is a time).
int clockSeconds(QByteArrayView t) {
  if (t.size() != 8 || t[2] != ':' || t[5] != ':') return rjmb::kNotATime;
  for (int i : {0, 1, 3, 4, 6, 7})
    if (!isDigit(t[i])) return rjmb::kNotATime;
  const int h = (t[0] - '0') * 10 + (t[1] - '0'), m = (t[3] - '0') * 10 + (t[4] - '0'),
            s = (t[6] - '0') * 10 + (t[7] - '0');
  if (m >= 60 || s >= 60) return rjmb::kNotATime;
  return h * 3600 + m * 60 + s;
}
}  // namespace

const TodayRows::Repeats::Value& TodayRows::Repeats::of(QByteArrayView utf8) {
  const std::string_view key(utf8.data(), std::size_t(utf8.size()));
  for (std::size_t i = 0; i < used_; ++i)
    if (values_[i].utf8 == key) return values_[i];
  // A new value takes the place of the one seen longest ago; rows that share it keep theirs.
  Value& v = values_[next_];
  next_ = (next_ + 1) % values_.size();
  if (used_ < values_.size()) ++used_;
  v.utf8.assign(key);
  v.text = QString::fromUtf8(utf8);
  v.seconds = TimeToSeconds(v.text);
  return v;
}

void TodayRows::prepare(const QString& schedule, bool fades) {
  schedule_ = schedule;
  fades_ = fades;
}

void TodayRows::beginRows(const QStringList& columns) {
  columnOf_.fill(-1);
  fieldOf_.assign(std::size_t(columns.size()), kFields);
  for (int c = 0; c < columns.size(); ++c)
    for (int f = 0; f < kFields; ++f)
      if (columnOf_[std::size_t(f)] < 0 && columns.at(c).compare(QLatin1String(kColumnNames[f]), Qt::CaseInsensitive) == 0) {
        columnOf_[std::size_t(f)] = c;
        fieldOf_[std::size_t(c)] = f;
      }
  // Cleared, not freed: a reload of the day fills the room the last one left.
  s_.todayentries.clear();
  asStored_.clear();
  malformed_ = false;
}

QString TodayRows::text(const odb::RowReader& row, Field f) const {
  const int c = columnOf_[std::size_t(f)];
  if (c < 0) return {};
  const QByteArrayView t = row.text(c);
  return t.data() ? QString::fromUtf8(t) : QString();  // NULL reads as no text
}

const TodayRows::Repeats::Value* TodayRows::repeated(const odb::RowReader& row, Field f) {
  const int c = columnOf_[std::size_t(f)];
  if (c < 0) return nullptr;
  const QByteArrayView t = row.text(c);
  return t.data() ? &repeats_[std::size_t(f)].of(t) : nullptr;
}

qint64 TodayRows::integer(const odb::RowReader& row, Field f, int fallback) {
  const int c = columnOf_[std::size_t(f)];
  bool ok = false;
  const qint64 v = c < 0 ? 0 : row.strictInteger(c, &ok);
  if (ok && (f == Id || (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()))) return v;
  malformed_ = true;
  if (c >= 0) asStored_.insert(cellKey(int(s_.todayentries.size()) - 1, c), row.value(c));
  return fallback;
}

void TodayRows::appendRow(const odb::RowReader& row) {
  rjmb& e = s_.todayentries.emplace_back();
  e.id = integer(row, Id, 0);
  e.pname = text(row, Name);
  e.starttime = text(row, Start);
  e.storedend = text(row, End);
  const int start = columnOf_[Start], end = columnOf_[End];
  e.startsec = start < 0 ? rjmb::kNotATime : clockSeconds(row.text(start));
  e.storedendsec = end < 0 ? rjmb::kNotATime : clockSeconds(row.text(end));
  // Read as the dispatcher reads it, or reported: never a time for one part of the day and
  // not for another.
  if (e.startsec < 0 || e.storedendsec < 0) malformed_ = true;
  e.endtime = e.storedend;
  e.endsec = e.storedendsec;
  e.slpath = text(row, Path);
  if (const Repeats::Value* v = repeated(row, Mode)) e.playmode = v->text;
  if (const Repeats::Value* v = repeated(row, Status)) e.status = v->text;
  const Repeats::Value* length = repeated(row, Length);
  if (length) e.tlength = length->text;
  e.ivolume = int(integer(row, Volume, 100));
  e.jmlx = int(integer(row, Kind, 0));
  if (const Repeats::Value* v = repeated(row, Channel)) e.mainchannel = v->text;
  // A song entry long enough to fade ends its fade-out at its stored end: the clock ends it
  // four seconds before. Only an end the clock can read is brought forward, and a text's
  // "00:00:00" or a never time stays as it is.
  if (e.jmlx >= 1 && e.jmlx <= 3 && fades_ && length && length->seconds > kFadeMinimumSeconds && e.endsec > 0 &&
      e.endsec < kDay) {
    e.endsec = (e.endsec - kFadeSeconds + kDay) % kDay;
    e.endtime = SecondsToTime(e.endsec);
  }
}

void TodayRows::endRows() {
  if (s_.todayentries.empty()) s_.todayentries.push_back(rjmb::Dummy());
}

void TodayRows::clearRows() {
  s_.todayentries.assign(1, rjmb::Dummy());
  asStored_.clear();
  malformed_ = false;
}

int TodayRows::rowCount() const {
  const std::vector<rjmb>& e = s_.todayentries;
  return e.size() == 1 && e.front().isDummy() ? 0 : int(e.size());
}

QVariant TodayRows::value(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= int(fieldOf_.size())) return {};
  if (!asStored_.isEmpty())
    if (const auto it = asStored_.constFind(cellKey(row, column)); it != asStored_.constEnd()) return *it;
  const rjmb& e = s_.todayentries[std::size_t(row)];
  switch (fieldOf_[std::size_t(column)]) {
    case Id: return qint64(e.id);
    case Name: return e.pname;
    case Start: return e.starttime;
    case End: return e.endAsStored();  // the grid shows the end as stored, not a fade's
    case Path: return e.slpath;
    case Mode: return e.playmode;
    case Status: return e.status;
    case Length: return e.tlength;
    case Volume: return qint64(e.ivolume);
    case Schedule: return schedule_;
    case Kind: return qint64(e.jmlx);
    case Channel: return e.mainchannel;
    default: return {};
  }
}

bool TodayRows::setValue(int row, int column, const QVariant& value) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= int(fieldOf_.size()) ||
      fieldOf_[std::size_t(column)] != Status)
    return false;
  s_.todayentries[std::size_t(row)].status = value.isNull() ? QString() : value.toString();
  return true;
}
