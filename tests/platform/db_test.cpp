// The SQLite layer: opening rules, bound values, transactions, the query cursor and model.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/querymodel.h"
#include "tests/support/testsupport.h"

using orvane::db::Connection;
using orvane::db::Query;

namespace {
std::unique_ptr<Connection> freshDb(const QTemporaryDir& dir, const char* name = "t.db") {
  auto c = Connection::open(dir.filePath(QLatin1String(name)), Connection::Mode::CreateIfMissing);
  EXPECT_TRUE(c);
  EXPECT_TRUE(c->execScript(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, n INTEGER)")));
  return c;
}
}  // namespace

TEST(DbConnection, OpeningRefusesWhatIsNotAnExistingDatabase) {
  QTemporaryDir dir;
  QString error;
  EXPECT_FALSE(Connection::open(QString(), Connection::Mode::CreateIfMissing, &error));
  EXPECT_FALSE(Connection::open(QStringLiteral("   "), Connection::Mode::OpenExisting, &error));
  EXPECT_FALSE(Connection::open(dir.filePath(QStringLiteral("missing.db")), Connection::Mode::OpenExisting, &error));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.db")))) << "opening must never create a file";
  EXPECT_FALSE(Connection::open(dir.path(), Connection::Mode::OpenExisting, &error)) << "a folder";
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notes.mdb")),
                                                  QByteArray("Standard Jet DB, but really just text\n").repeated(40));
  EXPECT_FALSE(Connection::open(text, Connection::Mode::OpenExisting, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_TRUE(Connection::open(dir.filePath(QStringLiteral("new.db")), Connection::Mode::CreateIfMissing, &error));
}

TEST(DbConnection, ReadOnlyFileOpensForReadingAndRefusesWrites) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("ro.db"));
  {
    auto c = freshDb(dir, "ro.db");
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
  }
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  auto c = Connection::open(path, Connection::Mode::OpenExisting);
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->readOnly());
  Query q(c.get());
  q.setSql(QStringLiteral("SELECT name FROM t"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(q.value(0, 0).toString(), QStringLiteral("kept"));
  q.setSql(QStringLiteral("INSERT INTO t(name) VALUES('x')"));
  EXPECT_FALSE(q.exec());
}

TEST(DbQuery, HostileValuesRoundTripBecauseTheyAreBound) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  const QStringList values = {QStringLiteral("say \"hi\""), QStringLiteral("a;b;c"), QStringLiteral("10:00:00 :v1"),
                              QStringLiteral("O'Brien'); DROP TABLE t; --"), QStringLiteral("早操音乐：第一套")};
  Query ins(c.get());
  ins.setSql(QStringLiteral("INSERT INTO t(name) VALUES(:name)"));
  for (const QString& v : values) {
    ins.bindValue(QStringLiteral(":name"), v);
    ASSERT_TRUE(ins.exec()) << qPrintable(ins.lastError());
  }
  Query sel(c.get());
  sel.setSql(QStringLiteral("SELECT name FROM t WHERE name=:name"));
  for (const QString& v : values) {
    sel.bindValue(QStringLiteral("name"), v);
    ASSERT_TRUE(sel.open());
    ASSERT_EQ(sel.recordCount(), 1) << qPrintable(v);
    EXPECT_EQ(sel.fieldAsString(QStringLiteral("NAME")), v);
  }
}

TEST(DbQuery, DoubleQuotedTextIsAnIdentifierNeverAValue) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  Query q(c.get());
  q.setSql(QStringLiteral("INSERT INTO t(name) VALUES(\"oops\")"));
  EXPECT_FALSE(q.exec());
  EXPECT_TRUE(q.lastError().contains(QStringLiteral("oops")));
}

TEST(DbQuery, ParameterCountIsTheStatementsRealCount) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  Query q(c.get());
  q.setSql(QStringLiteral("UPDATE t SET name=:v1 WHERE name=:v2 OR name=:v2 OR name='12:00:00'"));
  EXPECT_EQ(q.parameterCount(), 2);
  q.setSql(QStringLiteral("UPDATE nosuchtable SET x=:v1"));
  EXPECT_EQ(q.parameterCount(), -1);
}

TEST(DbQuery, CursorLocateAndStrictIntegers) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  ASSERT_TRUE(c->execScript(QStringLiteral(
      "INSERT INTO t(name,n) VALUES('a',1),('b','42'),('c',' 7 '),('d','x9'),('e',NULL),('f',2.5)")));
  Query q(c.get());
  QSignalSpy reset(&q, &Query::rowsReset);
  q.setSql(QStringLiteral("SELECT id,name,n FROM t ORDER BY id"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(q.recordCount(), 6);
  EXPECT_EQ(q.recNo(), 0);
  bool ok = false;
  std::vector<std::pair<qint64, bool>> got;
  for (q.first(); !q.eof(); q.next()) {
    const qint64 v = q.fieldAsInteger(QStringLiteral("n"), &ok);
    got.emplace_back(v, ok);
  }
  const std::vector<std::pair<qint64, bool>> expected = {{1, true}, {42, true}, {7, true}, {0, false}, {0, false}, {0, false}};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(q.locate(QStringLiteral("name"), QStringLiteral("c")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_FALSE(q.locate(QStringLiteral("name"), QStringLiteral("zz")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QStringLiteral("7")) << "integer affinity stores it as a number";
  q.setRecNo(4);
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QString()) << "NULL reads as empty text";
  q.close();
  EXPECT_TRUE(q.isEmpty());
  EXPECT_TRUE(q.eof());
}

TEST(DbTransaction, RollsBackUnlessCommittedAndNestsAsOne) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  {
    orvane::db::Transaction t(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('lost')")));
  }
  {
    orvane::db::Transaction outer(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
    {
      orvane::db::Transaction inner(*c);
      EXPECT_TRUE(inner.commit());
      EXPECT_TRUE(c->inTransaction()) << "an inner commit must not end the outer transaction";
    }
    EXPECT_TRUE(outer.commit());
  }
  Query q(c.get());
  q.setSql(QStringLiteral("SELECT group_concat(name) FROM t"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(q.value(0, 0).toString(), QStringLiteral("kept"));
}

TEST(DbQueryModel, FollowsTheQueryAndKeepsTitles) {
  QTemporaryDir dir;
  auto c = freshDb(dir);
  ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name,n) VALUES('a',1),('b',2)")));
  Query q(c.get());
  orvane::db::QueryModel model(&q);
  model.setTitle(QStringLiteral("name"), QStringLiteral("节目名称"));
  q.setSql(QStringLiteral("SELECT id,name FROM t"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 2);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("节目名称"));
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("id"));
  EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("b"));
  q.close();
  EXPECT_EQ(model.rowCount(), 0);
}
