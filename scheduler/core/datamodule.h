// The data module: the one database connection, the named queries every window uses, the
// statement routines and the settings accessor. Every value is bound, never concatenated.
#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/db/connection.h"
#include "platform/db/query.h"

// A database error that a caller may let pass up to its own handler.
class DbError : public std::runtime_error {
 public:
  explicit DbError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Named values for a statement: {":name", value} or {"name", value}.
using SqlParams = QList<QPair<QString, QVariant>>;

class TDataModule1 : public QObject {
  Q_OBJECT
 public:
  explicit TDataModule1(QObject* parent = nullptr);
  ~TDataModule1() override;

  // Opens the database of the given kind ("accesspw" and "access" are SQLite files here;
  // the password, user and server of the classic kinds have no meaning for SQLite). The
  // file must exist unless mode says otherwise. Brings the schema up to date (tables, day
  // rows, settings keys; nothing is overwritten). On failure shows "运行出错!" and returns false.
  bool ConnectDatabase(const QString& kind, const QString& database, const QString& password = {},
                       const QString& user = {}, const QString& server = {},
                       orvane::db::Connection::Mode mode = orvane::db::Connection::Mode::OpenExisting);
  bool connected() const { return con1 != nullptr; }
  orvane::db::Connection* connection() const { return con1.get(); }

  // Runs a select on the query; throws DbError on failure.
  void OpenQuery(orvane::db::Query& query, const QString& sql, const SqlParams& params = {});
  // Runs a statement; false (and a log line with SQLite's reason) on failure.
  bool ExecQuery(orvane::db::Query& query, const QString& sql, const SqlParams& params = {});
  // Runs a statement whose parameters :v1..:vN take the values in order. A count that does
  // not match the statement's real parameters shows "参数个数不一致!" and runs nothing.
  bool ExecQueryParams(orvane::db::Query& query, const QString& sql, const QStringList& values);
  bool ParamCountMatches(const QString& sql, const QStringList& values) const;
  void PrepareParams(orvane::db::Query& query, const QString& sql, const QStringList& values);
  // The first column of every row whose value is not blank after trimming (untrimmed).
  void QueryToStrings(orvane::db::Query& query, const QString& sql, QStringList& list, const SqlParams& params = {});

  // The value of a settings key, "" when the key has no row (or the read failed, logged).
  QString GetSetting(const QString& key);
  // The same, but nothing when the settings could not be read (the reason logged), so a
  // caller can tell an unreadable setting from a missing or empty one.
  std::optional<QString> ReadSetting(const QString& key);
  // Writes a settings key, inserting its row when missing. A failed write shows
  // "数据库写入出错!" and returns false.
  bool SetSetting(const QString& key, const QString& value);

  static QStringList SplitString(const QString& s, const QString& delimiter);
  static int CountSubstr(const QString& substr, const QString& s);
  static QString MidStr(const QString& s, int index, int count);
  static int PosStr(const QString& substr, const QString& s);

  std::unique_ptr<orvane::db::Connection> con1;
  orvane::db::Query qry_show;
  orvane::db::Query qry_temp;
  orvane::db::Query qry_show2;
  orvane::db::Query qry_show3;
  orvane::db::Query qry_optime1;
  orvane::db::Query qry_temp2;

 private:
  void prepare(orvane::db::Query& query, const QString& sql, const SqlParams& params);
};

// The program's one data module (set by the main block; null in most tests).
extern TDataModule1* DataModule1;
