// A query in the manner of a client-side recordset: a statement text with named parameters
// bound by value, run either as a statement or as a select whose rows are held in memory with
// a current-row cursor that grids follow.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace orvane::db {

class Connection;
class RowStore;

class Query : public QObject {
  Q_OBJECT
 public:
  explicit Query(Connection* connection = nullptr, QObject* parent = nullptr);

  void setConnection(Connection* c) { connection_ = c; }
  Connection* connection() const { return connection_; }

  // Forgets the rows (the grid empties) and keeps the statement text and bindings.
  void close();
  // Replaces the statement text and drops every binding.
  void setSql(const QString& sql);
  const QString& sql() const { return sql_; }
  // Binds a value by name (":v1" or "v1"); a null QVariant binds NULL.
  void bindValue(const QString& name, const QVariant& value);
  // How many distinct parameters the statement really has; -1 when it does not prepare.
  int parameterCount() const;

  // Runs the select and loads its rows; the cursor goes to the first row. False on error
  // (the rows are then empty and lastError() tells why).
  bool open();
  // Runs a statement that returns no rows. False on error.
  bool exec();
  bool isActive() const { return active_; }
  QString lastError() const { return lastError_; }
  // SQLite's (extended) result code of the last failure; 0 after a success.
  int lastErrorCode() const { return lastErrorCode_; }
  int rowsAffected() const { return rowsAffected_; }

  // Rows of selects go to the store, and are read back from it, instead of being held here
  // (nullptr: held here again). The rows held so far are dropped.
  void setRowStore(RowStore* store);
  RowStore* rowStore() const { return store_; }

  // Rows.
  int recordCount() const;
  bool isEmpty() const { return recordCount() == 0; }
  const QStringList& fieldNames() const { return columns_; }
  int fieldIndex(const QString& name) const;  // without regard to case; -1 when absent
  QVariant value(int row, int column) const;
  // Replaces one value of the rows held in memory (the database is not touched), so a grid
  // shows a change already written without reading every row again.
  void setValue(int row, int column, const QVariant& value);

  // Cursor (0-based; -1 when there is no row).
  int recNo() const { return current_; }
  void setRecNo(int row);
  void first() { setRecNo(isEmpty() ? -1 : 0); }
  void next() { if (current_ < recordCount()) setRecNo(current_ + 1); }
  bool eof() const { return current_ < 0 || current_ >= recordCount(); }
  // Moves to the first row whose field equals value (compared as text); false when none.
  bool locate(const QString& fieldName, const QVariant& value);

  // Fields of the current row; an invalid QVariant when there is no row or no such field.
  QVariant field(const QString& name) const;
  // NULL reads as "".
  QString fieldAsString(const QString& name) const;
  // Strict integer conversion of the current row's field (integers, or text holding one).
  qint64 fieldAsInteger(const QString& name, bool* ok) const;

 signals:
  // The rows were replaced (opened or closed).
  void rowsReset();
  // The cursor moved.
  void currentChanged(int row);
  // One value held in memory was replaced.
  void valueChanged(int row, int column);

 private:
  bool run(bool wantRows);
  Connection* connection_ = nullptr;
  RowStore* store_ = nullptr;
  QString sql_;
  std::vector<std::pair<QString, QVariant>> bindings_;
  QStringList columns_;
  std::vector<QVariant> values_;
  int current_ = -1;
  bool active_ = false;
  int rowsAffected_ = 0;
  QString lastError_;
  int lastErrorCode_ = 0;
};

// Converts a stored value to an integer the strict way: whole integers, or text that is an
// optionally signed decimal integer with optional surrounding blanks.
qint64 toStrictInteger(const QVariant& v, bool* ok);

}  // namespace orvane::db
