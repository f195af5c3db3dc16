// Today's entries read from the grid's select straight into MainState::todayentries: each row
// is read once and its times worked out once, and the main grid shows those same records
// through the data module's qry_show. The dispatcher and the grid are two views of one
// structure, so a status set on an entry is the status the grid shows.
#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "platform/db/rowstore.h"
#include "scheduler/core/mainstate.h"

class TodayRows : public orvane::db::RowStore {
 public:
  explicit TodayRows(MainState& state) : s_(state) {}

  // Taken for the rows read next: the schedule they belong to (their Schedulen column holds
  // exactly the name the select asked for), and whether song entries end early for a fade.
  void prepare(const QString& schedule, bool fades);
  // A row read since the last select began holds a value the broadcast cannot use: a time
  // that is not "hh:nn:ss", or an id, volume or kind that is not a whole number.
  bool malformed() const { return malformed_; }

  void beginRows(const QStringList& columns) override;
  void appendRow(const orvane::db::RowReader& row) override;
  void endRows() override;
  // No rows: the day holds its one entry that never matches the clock.
  void clearRows() override;
  int rowCount() const override;
  QVariant value(int row, int column) const override;
  // Only the status is kept apart from the database (the broadcast sets it while it runs).
  bool setValue(int row, int column, const QVariant& value) override;

 private:
  enum Field { Id, Name, Start, End, Path, Mode, Status, Length, Volume, Schedule, Kind, Channel, kFields };
  // A column whose few values repeat from row to row (a play mode, a status, a length, a
  // channel): the rows share one string per value instead of each building its own.
  class Repeats {
   public:
    struct Value {
      std::string utf8;
      QString text;
      int seconds = 0;  // TimeToSeconds of the text (what a length is compared by)
    };
    const Value& of(QByteArrayView utf8);

   private:
    std::array<Value, 8> values_;
    std::size_t used_ = 0, next_ = 0;
  };

  QString text(const orvane::db::RowReader& row, Field f) const;
  const Repeats::Value* repeated(const orvane::db::RowReader& row, Field f);
  // The field as a whole number: an id takes 64 bits, the other fields an int (a value past
  // it is malformed, not cut to another one).
  qint64 integer(const orvane::db::RowReader& row, Field f, int fallback);

  MainState& s_;
  QString schedule_;
  bool fades_ = false;
  bool malformed_ = false;
  std::array<int, kFields> columnOf_{};  // -1 when the select has no such column
  std::vector<int> fieldOf_;             // for each column of the select, its field (or kFields)
  std::array<Repeats, kFields> repeats_;
  // Cells whose stored value is not the whole number the entry holds, as stored (shown so).
  QHash<quint64, QVariant> asStored_;
};
