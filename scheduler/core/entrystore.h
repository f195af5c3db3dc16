// Reading and writing single entries of table sjb for the entry dialogs, the time-conflict
// test, and a series of entries written in one transaction.
#pragma once

#include <QList>
#include <QString>
#include <optional>

class TDataModule1;

// The columns an entry dialog writes. txt is written only when set (text entries).
struct EntryValues {
  QString pname;
  QString starttime;
  QString endtime;
  QString slpath;
  QString tlength;
  QString playmode;
  QString ivolume;
  QString Schedulen;
  int jmlx = 1;
  QString mainchannel;
  std::optional<QString> txt;
};

// A stored entry as the edit dialog reads it.
struct StoredEntry {
  qint64 id = 0;
  QString pname;
  QString starttime;
  QString endtime;
  QString slpath;
  QString tlength;
  QString playmode;
  QString ivolume;
  QString Schedulen;
  QString jmlx;  // as stored; may be anything
  QString mainchannel;
  QString txt;
};

// One entry of a series: its start and end.
struct SeriesSlot {
  QString starttime;
  QString endtime;
};

class EntryStore {
 public:
  explicit EntryStore(TDataModule1& dm) : dm_(dm) {}

  // True when the time t collides with another entry of the schedule. "00:00:00" never
  // does. Song kinds (1-3) collide with song entries of the same channel whose span, widened
  // by one second before its start, holds t; other kinds collide with entries of the same
  // kind (any channel) that start or end at exactly t. The entry excludeId (the one being
  // edited; 0 for none) never collides. Rows whose times are not times of day are skipped.
  // A failed read counts as no collision (and is logged).
  bool TimeConflicts(const QString& schedule, const QString& channel, const QString& t, int jmlx,
                     qint64 excludeId = 0) const;

  bool Insert(const EntryValues& v);
  bool Update(qint64 id, const EntryValues& v);
  std::optional<StoredEntry> Read(qint64 id) const;

  // Writes one row per slot in one transaction: row k (from 0) gets the slot's times and,
  // with numbering, the name followed by k + 1. Returns how many rows were written; when a
  // row fails, the rows before it are kept and *failed is set.
  int InsertSeries(const EntryValues& model, const QList<SeriesSlot>& series, bool numbering, bool* failed);

  // The starts from first to latest (inclusive) every interval seconds; each end is the
  // start plus the length, wrapped into the day, or "00:00:00" for a text read to its end
  // (zero length).
  static QList<SeriesSlot> SeriesSlots(const QString& first, const QString& latest, int intervalSeconds,
                                       const QString& length, bool text);

 private:
  bool write(const QString& sql, const EntryValues& v, qint64 id);
  TDataModule1& dm_;
};
