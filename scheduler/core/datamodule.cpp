// Data module.
#include "scheduler/core/datamodule.h"

#include <QDebug>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/schema.h"

using orvane::MessageBox;
namespace mb = orvane::mb;
namespace odb = orvane::db;

TDataModule1* DataModule1 = nullptr;

TDataModule1::TDataModule1(QObject* parent) : QObject(parent) {}

TDataModule1::~TDataModule1() {
  for (odb::Query* q : {&qry_show, &qry_temp, &qry_show2, &qry_show3, &qry_optime1, &qry_temp2}) {
    q->blockSignals(true);
    q->close();
    q->setConnection(nullptr);
  }
}

bool TDataModule1::ConnectDatabase(const QString& kind, const QString& database, const QString&, const QString&,
                                   const QString&, odb::Connection::Mode mode) {
  QString error;
  std::unique_ptr<odb::Connection> c;
  if (kind == QLatin1String("accesspw") || kind == QLatin1String("access")) {
    c = odb::Connection::open(database, mode, &error);
  } else {
    error = QStringLiteral("unknown connection kind ") + kind;
  }
  if (c) {
    QString schemaError;
    if (!EnsureSchema(*c, &schemaError)) {
      // A read-only database cannot be healed but can still be read: carry on when the
      // tables are there.
      if (!HasSchema(*c)) {
        error = schemaError;
        c.reset();
      } else {
        qWarning().noquote() << "database: could not complete the schema:" << schemaError;
      }
    }
  }
  if (!c) {
    qWarning().noquote() << "database: cannot connect:" << error;
    // The operator is told why, not only that.
    MessageBox(QStringLiteral("运行出错!\n无法打开数据库：") + error, QStringLiteral("错误"), mb::ICONHAND);
    return false;
  }
  con1 = std::move(c);
  for (odb::Query* q : {&qry_show, &qry_temp, &qry_show2, &qry_show3, &qry_optime1, &qry_temp2})
    q->setConnection(con1.get());
  return true;
}

void TDataModule1::prepare(odb::Query& query, const QString& sql, const SqlParams& params) {
  query.close();
  query.setSql(sql);
  for (const auto& [name, value] : params) query.bindValue(name, value);
}

void TDataModule1::OpenQuery(odb::Query& query, const QString& sql, const SqlParams& params) {
  prepare(query, sql, params);
  if (!query.open()) throw DbError(query.lastError());
}

bool TDataModule1::ExecQuery(odb::Query& query, const QString& sql, const SqlParams& params) {
  prepare(query, sql, params);
  return query.exec();
}

bool TDataModule1::ParamCountMatches(const QString& sql, const QStringList& values) const {
  if (!con1) return false;
  odb::Query probe(con1.get());
  probe.setSql(sql);
  // A statement the database cannot even prepare (a damaged file, a missing column) has no
  // parameter count: that is not a count that differs, and the statement's own failure says
  // why when it runs.
  const int count = probe.parameterCount();
  return count < 0 || count == values.size();
}

void TDataModule1::PrepareParams(odb::Query& query, const QString& sql, const QStringList& values) {
  query.close();
  query.setSql(sql);
  for (int i = 0; i < values.size(); ++i) query.bindValue(QStringLiteral(":v%1").arg(i + 1), values.at(i));
}

bool TDataModule1::ExecQueryParams(odb::Query& query, const QString& sql, const QStringList& values) {
  if (!ParamCountMatches(sql, values)) {
    MessageBox(QStringLiteral("参数个数不一致!"), QStringLiteral("错误"), mb::ICONHAND);
    return false;
  }
  PrepareParams(query, sql, values);
  return query.exec();
}

void TDataModule1::QueryToStrings(odb::Query& query, const QString& sql, QStringList& list, const SqlParams& params) {
  OpenQuery(query, sql, params);
  list.clear();
  for (int row = 0; row < query.recordCount(); ++row) {
    const QVariant v = query.value(row, 0);
    const QString s = v.isNull() ? QString() : v.toString();
    if (!s.trimmed().isEmpty()) list.append(s);
  }
}

QString TDataModule1::GetSetting(const QString& key) { return ReadSetting(key).value_or(QString()); }

std::optional<QString> TDataModule1::ReadSetting(const QString& key) {
  if (!con1) return std::nullopt;
  try {
    OpenQuery(qry_temp, QStringLiteral("select name1,value1 from system1 where name1=:k"), {{QStringLiteral(":k"), key}});
  } catch (const DbError& e) {
    qWarning().noquote() << "settings: cannot read" << key << ":" << e.what();
    return std::nullopt;
  }
  return qry_temp.isEmpty() ? QString() : qry_temp.fieldAsString(QStringLiteral("value1"));
}

bool TDataModule1::SetSetting(const QString& key, const QString& value) {
  const bool ok = con1 && ExecQuery(qry_temp,
                                    QStringLiteral("insert into system1(name1,value1) values(:k,:v) "
                                                   "on conflict(name1) do update set value1=excluded.value1"),
                                    {{QStringLiteral(":k"), key}, {QStringLiteral(":v"), value}});
  if (!ok) MessageBox(QStringLiteral("数据库写入出错!"), QStringLiteral("错误"), mb::ICONHAND);
  return ok;
}

QStringList TDataModule1::SplitString(const QString& s, const QString& delimiter) {
  if (delimiter.isEmpty()) return {s};
  return s.split(delimiter, Qt::KeepEmptyParts);
}

int TDataModule1::CountSubstr(const QString& substr, const QString& s) {
  if (substr.isEmpty()) return 0;
  int n = 0;
  for (qsizetype at = s.indexOf(substr); at >= 0; at = s.indexOf(substr, at + 1)) ++n;
  return n;
}

QString TDataModule1::MidStr(const QString& s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0) return {};
  return s.mid(index - 1, count);
}

int TDataModule1::PosStr(const QString& substr, const QString& s) {
  if (substr.isEmpty()) return 0;
  return int(s.indexOf(substr)) + 1;
}
