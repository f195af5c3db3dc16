// Rows of a select kept in the caller's own structure: a query given a row store hands each
// row to it as the statement steps, and reads values back from it, instead of holding every
// value as a variant of its own. A caller that needs its rows in a shape of its own (typed
// fields, values worked out once) then reads each row once, and a grid bound to the query
// shows that same structure.
#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <QVariant>

struct sqlite3_stmt;

namespace orvane::db {

// The row under a select's cursor, read straight from the statement; valid only while the
// store's appendRow runs.
class RowReader {
 public:
  explicit RowReader(sqlite3_stmt* statement) : s_(statement) {}
  // The value's text as UTF-8 (numbers as SQLite writes them, empty for NULL).
  QByteArrayView text(int column) const;
  // The strict integer of toStrictInteger(): whole integers, or text holding one.
  qint64 strictInteger(int column, bool* ok) const;
  // The value as a query without a store holds it.
  QVariant value(int column) const;

 private:
  sqlite3_stmt* s_;
};

class RowStore {
 public:
  virtual ~RowStore() = default;
  // A select is under way: the rows held so far are gone; its columns are these.
  virtual void beginRows(const QStringList& columns) = 0;
  virtual void appendRow(const RowReader& row) = 0;
  // The select's last row has been handed over.
  virtual void endRows() {}
  // No rows: the query was closed or its select failed.
  virtual void clearRows() = 0;
  virtual int rowCount() const = 0;
  virtual QVariant value(int row, int column) const = 0;
  // Replaces one value held (the database is not touched); false when the store does not
  // keep that column's value apart, and nothing changed.
  virtual bool setValue(int row, int column, const QVariant& value) = 0;
};

}  // namespace orvane::db
