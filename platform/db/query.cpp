// Query execution over the SQLite C API.
#include "platform/db/query.h"

#include <sqlite3.h>

#include <QDebug>

#include "platform/db/connection.h"
#include "platform/db/rowstore.h"

namespace orvane::db {

namespace {
struct Statement {
  sqlite3_stmt* s = nullptr;
  ~Statement() { sqlite3_finalize(s); }
};

QVariant columnValue(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(s, i));
    case SQLITE_TEXT:
      return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)),
                                        sqlite3_column_bytes(s, i)));
    case SQLITE_BLOB:
      return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)), sqlite3_column_bytes(s, i)));
    default: return QVariant();
  }
}

int bindOne(sqlite3_stmt* s, int index, const QVariant& v) {
  if (!v.isValid() || v.isNull()) return sqlite3_bind_null(s, index);
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
      return sqlite3_bind_int64(s, index, v.toLongLong());
    case QMetaType::Double: return sqlite3_bind_double(s, index, v.toDouble());
    case QMetaType::QByteArray: {
      const QByteArray b = v.toByteArray();
      return sqlite3_bind_blob(s, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    default: {
      const QByteArray t = v.toString().toUtf8();
      return sqlite3_bind_text(s, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
  }
}
}  // namespace

qint64 toStrictInteger(const QVariant& v, bool* ok) {
  *ok = false;
  if (!v.isValid() || v.isNull()) return 0;
  if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
    *ok = true;
    return v.toLongLong();
  }
  if (v.typeId() == QMetaType::Double) {
    const double d = v.toDouble();
    if (d == double(qint64(d))) {
      *ok = true;
      return qint64(d);
    }
    return 0;
  }
  return v.toString().trimmed().toLongLong(ok, 10);
}


QByteArrayView RowReader::text(int column) const {
  const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s_, column));
  return t ? QByteArrayView(t, sqlite3_column_bytes(s_, column)) : QByteArrayView();
}

qint64 RowReader::strictInteger(int column, bool* ok) const {
  if (sqlite3_column_type(s_, column) == SQLITE_INTEGER) {
    *ok = true;
    return sqlite3_column_int64(s_, column);
  }
  return toStrictInteger(value(column), ok);
}

QVariant RowReader::value(int column) const { return columnValue(s_, column); }

Query::Query(Connection* connection, QObject* parent) : QObject(parent), connection_(connection) {}

void Query::setRowStore(RowStore* store) {
  if (store == store_) return;
  // What a store holds stays its own: only this query's view of it ends here.
  store_ = nullptr;
  close();
  store_ = store;
}

int Query::recordCount() const {
  if (columns_.isEmpty()) return 0;
  return store_ ? store_->rowCount() : int(values_.size() / columns_.size());
}

void Query::close() {
  const bool hadRows = active_ || !values_.empty();
  active_ = false;
  columns_.clear();
  values_.clear();
  if (store_) store_->clearRows();
  current_ = -1;
  if (hadRows) emit rowsReset();
}

void Query::setSql(const QString& sql) {
  sql_ = sql;
  bindings_.clear();
}

void Query::bindValue(const QString& name, const QVariant& value) {
  const QString key = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
  for (auto& b : bindings_) {
    if (b.first == key) {
      b.second = value;
      return;
    }
  }
  bindings_.emplace_back(key, value);
}

int Query::parameterCount() const {
  if (!connection_) return -1;
  Statement st;
  if (sqlite3_prepare_v2(connection_->handle(), sql_.toUtf8().constData(), -1, &st.s, nullptr) != SQLITE_OK)
    return -1;
  return st.s ? sqlite3_bind_parameter_count(st.s) : 0;
}

bool Query::open() {
  close();
  return run(true);
}

bool Query::exec() {
  close();
  return run(false);
}

bool Query::run(bool wantRows) {
  lastError_.clear();
  lastErrorCode_ = 0;
  rowsAffected_ = 0;
  if (!connection_) {
    lastError_ = QStringLiteral("no connection");
    return false;
  }
  sqlite3* db = connection_->handle();
  auto failWith = [&](const QString& why) {
    lastError_ = why;
    lastErrorCode_ = sqlite3_extended_errcode(db);
    // Pages found damaged stay in the connection's cache and would fail every later read the
    // same way, even once the file is mended in place (a copy restored over it): forget them.
    if ((lastErrorCode_ & 0xff) == SQLITE_CORRUPT || (lastErrorCode_ & 0xff) == SQLITE_NOTADB)
      sqlite3_db_release_memory(db);
    connection_->setLastError(why, lastErrorCode_);
    if (!connection_->quietFailures()) qWarning().noquote() << "database:" << why << "in" << sql_;
    if (wantRows) emit rowsReset();
    return false;
  };
  Statement st;
  if (sqlite3_prepare_v2(db, sql_.toUtf8().constData(), -1, &st.s, nullptr) != SQLITE_OK)
    return failWith(QString::fromUtf8(sqlite3_errmsg(db)));
  if (!st.s) return failWith(QStringLiteral("empty statement"));
  for (const auto& [name, value] : bindings_) {
    const int index = sqlite3_bind_parameter_index(st.s, name.toUtf8().constData());
    if (index == 0) continue;  // a value the statement does not use
    if (bindOne(st.s, index, value) != SQLITE_OK) return failWith(QString::fromUtf8(sqlite3_errmsg(db)));
  }
  const int n = sqlite3_column_count(st.s);
  if (wantRows) {
    for (int i = 0; i < n; ++i) columns_.append(QString::fromUtf8(sqlite3_column_name(st.s, i)));
    if (store_) store_->beginRows(columns_);
  }
  const RowReader row(st.s);
  for (;;) {
    const int rc = sqlite3_step(st.s);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      columns_.clear();
      values_.clear();
      if (store_) store_->clearRows();
      return failWith(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    if (!wantRows) continue;
    if (store_) store_->appendRow(row);
    else
      for (int i = 0; i < n; ++i) values_.push_back(columnValue(st.s, i));
  }
  rowsAffected_ = sqlite3_changes(db);
  if (wantRows) {
    if (store_) store_->endRows();
    active_ = true;
    current_ = isEmpty() ? -1 : 0;
    emit rowsReset();
    emit currentChanged(current_);
  }
  return true;
}

int Query::fieldIndex(const QString& name) const {
  for (int i = 0; i < columns_.size(); ++i)
    if (columns_.at(i).compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QVariant Query::value(int row, int column) const {
  if (row < 0 || row >= recordCount() || column < 0 || column >= columns_.size()) return {};
  if (store_) return store_->value(row, column);
  return values_[std::size_t(row) * std::size_t(columns_.size()) + std::size_t(column)];
}

void Query::setValue(int row, int column, const QVariant& v) {
  if (row < 0 || row >= recordCount() || column < 0 || column >= columns_.size()) return;
  if (store_) {
    if (!store_->setValue(row, column, v)) return;
  } else {
    values_[std::size_t(row) * std::size_t(columns_.size()) + std::size_t(column)] = v;
  }
  emit valueChanged(row, column);
}

void Query::setRecNo(int row) {
  if (row < -1) row = -1;
  if (row > recordCount()) row = recordCount();
  if (row == current_) return;
  current_ = row;
  emit currentChanged(current_);
}

bool Query::locate(const QString& fieldName, const QVariant& v) {
  const int column = fieldIndex(fieldName);
  if (column < 0) return false;
  const QString wanted = v.toString();
  for (int row = 0; row < recordCount(); ++row) {
    if (value(row, column).toString() == wanted) {
      setRecNo(row);
      return true;
    }
  }
  return false;
}

QVariant Query::field(const QString& name) const { return value(current_, fieldIndex(name)); }

QString Query::fieldAsString(const QString& name) const {
  const QVariant v = field(name);
  return v.isNull() ? QString() : v.toString();
}

qint64 Query::fieldAsInteger(const QString& name, bool* ok) const { return toStrictInteger(field(name), ok); }

}  // namespace orvane::db
