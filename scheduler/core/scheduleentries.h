// What the schedule manager does to table `sjb`: list schedules, show one, delete entries or a
// whole schedule, and copy entries into a schedule. Every value is bound.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TDataModule1;
namespace orvane::db {
class Query;
}

class ScheduleEntries {
 public:
  explicit ScheduleEntries(TDataModule1& dm);

  // The list of schedules: "select Schedulen from sjb group by Schedulen" (non-blank).
  // Throws DbError.
  QStringList Names();
  // Opens one schedule's entries on the query, ordered by "starttime" or "ID" (anything
  // else counts as "starttime"). Throws DbError.
  void Show(orvane::db::Query& query, const QString& schedule, const QString& order);

  // Deletes the entries with these ids, all or none. False when the write failed.
  bool DeleteIds(const QList<qint64>& ids);
  // Deletes every entry of the schedule named exactly so. False when the write failed.
  bool DeleteSchedule(const QString& schedule);

  enum class PasteResult { Pasted, Missing, Failed };
  // Copies the entry with this id into the schedule (name, times, path, length, play mode,
  // volume, kind, channel and text; status and status day take the table's defaults). An id
  // whose entry was deleted meanwhile is Missing.
  PasteResult PasteOne(qint64 id, const QString& schedule);

 private:
  TDataModule1& dm_;
};
