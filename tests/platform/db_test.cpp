// The SQLite layer (opening rules, bound values, transactions, the cursor, the model and the
// grid that follow it) and the file rules (home folder, INI, text files, wave header).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <unistd.h>

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/querymodel.h"
#include "platform/files/homefolder.h"
#include "platform/files/inifile.h"
#include "platform/files/textfile.h"
#include "platform/files/waveheader.h"
#include "platform/forms/dbgrid.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using db::Connection;
using db::Query;

namespace {
class Db : public ::testing::Test {
 protected:
  void SetUp() override {
    c = Connection::open(dir.filePath(QStringLiteral("t.db")), Connection::Mode::CreateIfMissing);
    ASSERT_TRUE(c && c->execScript(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, n INTEGER)")));
  }
  QString one(const QString& sql) {
    Query q(c.get());
    q.setSql(sql);
    return q.open() ? q.value(0, 0).toString() : QStringLiteral("error");
  }
  QTemporaryDir dir;
  std::unique_ptr<Connection> c;
};
}  // namespace

TEST_F(Db, OpeningRefusesWhatIsNotAnExistingDatabaseAndAReadOnlyFileRefusesWrites) {
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notes.mdb")),
                                                  QByteArray("Standard Jet DB, but really just text\n").repeated(40));
  for (const QString& path : {QString(), QStringLiteral("   "), dir.filePath(QStringLiteral("missing.db")), dir.path(), text}) {
    QString error;
    EXPECT_FALSE(Connection::open(path, Connection::Mode::OpenExisting, &error)) << path.toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.db")))) << "opening must never create a file";
  ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
  c.reset();
  QFile::setPermissions(dir.filePath(QStringLiteral("t.db")), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  c = Connection::open(dir.filePath(QStringLiteral("t.db")), Connection::Mode::OpenExisting);
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->readOnly());
  EXPECT_EQ(one(QStringLiteral("SELECT name FROM t")), QStringLiteral("kept"));
  Query q(c.get());
  q.setSql(QStringLiteral("INSERT INTO t(name) VALUES('x')"));
  EXPECT_FALSE(q.exec());
}

TEST_F(Db, ValuesAreBoundNeverSpliced) {
  const QStringList values = {QStringLiteral("say \"hi\""), QStringLiteral("10:00:00 :v1"),
                              QStringLiteral("O'Brien'); DROP TABLE t; --"), QStringLiteral("早操音乐：第一套")};
  Query ins(c.get()), sel(c.get());
  ins.setSql(QStringLiteral("INSERT INTO t(name) VALUES(:name)"));
  sel.setSql(QStringLiteral("SELECT name FROM t WHERE name=:name"));
  for (const QString& v : values) {
    ins.bindValue(QStringLiteral(":name"), v);
    ASSERT_TRUE(ins.exec()) << qPrintable(ins.lastError());
    sel.bindValue(QStringLiteral("name"), v);
    ASSERT_TRUE(sel.open());
    ASSERT_EQ(sel.recordCount(), 1) << qPrintable(v);
    EXPECT_EQ(sel.fieldAsString(QStringLiteral("NAME")), v);
  }
  ins.setSql(QStringLiteral("INSERT INTO t(name) VALUES(\"oops\")"));  // an identifier, never a value
  EXPECT_FALSE(ins.exec());
  EXPECT_TRUE(ins.lastError().contains(QStringLiteral("oops")));
  ins.setSql(QStringLiteral("UPDATE t SET name=:v1 WHERE name=:v2 OR name=:v2 OR name='12:00:00'"));
  EXPECT_EQ(ins.parameterCount(), 2);
  ins.setSql(QStringLiteral("UPDATE nosuchtable SET x=:v1"));
  EXPECT_EQ(ins.parameterCount(), -1);
}

TEST_F(Db, CursorLocateStrictIntegersModelAndGrid) {
  ASSERT_TRUE(c->execScript(QStringLiteral(
      "INSERT INTO t(name,n) VALUES('a',1),('b','42'),('c',' 7 '),('d','x9'),('e',NULL),('f',2.5),('g','-3')")));
  Query q(c.get());
  QSignalSpy reset(&q, &Query::rowsReset);
  db::QueryModel model(&q);
  model.setTitle(QStringLiteral("name"), QStringLiteral("节目名称"));
  DBGrid grid;
  grid.setQuery(&q);
  q.setSql(QStringLiteral("SELECT id,name,n FROM t ORDER BY id"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(q.recNo(), 0);
  std::vector<std::pair<qint64, bool>> got;
  for (q.first(); !q.eof(); q.next()) {
    bool ok = false;
    const qint64 v = q.fieldAsInteger(QStringLiteral("n"), &ok);
    got.emplace_back(v, ok);
  }
  EXPECT_EQ(got, (std::vector<std::pair<qint64, bool>>{{1, true}, {42, true}, {7, true}, {0, false}, {0, false}, {0, false}, {-3, true}}));
  EXPECT_TRUE(q.locate(QStringLiteral("name"), QStringLiteral("c")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_EQ(grid.currentIndex().row(), 2) << "the grid follows the cursor";
  EXPECT_FALSE(q.locate(QStringLiteral("name"), QStringLiteral("zz")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QStringLiteral("7")) << "integer affinity stores it as a number";
  grid.setCurrentIndex(grid.model()->index(4, 1));
  EXPECT_EQ(q.recNo(), 4) << "the cursor follows the grid";
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QString()) << "NULL reads as empty text";
  EXPECT_EQ(model.rowCount(), 7);
  EXPECT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("节目名称"));
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("id"));
  EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("b"));
  grid.hideColumnOf(QStringLiteral("id"));
  grid.setColumn(QStringLiteral("name"), QStringLiteral("歌曲"), 60);
  EXPECT_TRUE(grid.isColumnHidden(0));
  EXPECT_EQ(grid.columnWidth(1), 60);
  EXPECT_EQ(grid.columnTitle(QStringLiteral("name")), QStringLiteral("歌曲"));
  q.close();
  EXPECT_TRUE(q.eof());
  EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(Db, TransactionsRollBackUnlessCommittedAndNestAsOne) {
  {
    db::Transaction t(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('lost')")));
  }
  {
    db::Transaction outer(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
    {
      db::Transaction inner(*c);
      EXPECT_TRUE(inner.commit());
      EXPECT_TRUE(c->inTransaction()) << "an inner commit must not end the outer transaction";
    }
    EXPECT_TRUE(outer.commit());
  }
  EXPECT_EQ(one(QStringLiteral("SELECT group_concat(name) FROM t")), QStringLiteral("kept"));
}

TEST(Files, HomeFolderExplicitThenXdgDataHomeThenDefault) {
  const QString fallback = QDir::homePath() + QStringLiteral("/.local/share/orvane");
  testing_support::ScopedEnv home("ORVANE_HOME", std::nullopt), xdg("XDG_DATA_HOME", std::nullopt);
  for (const auto& [explicitHome, data, expected] : std::vector<std::tuple<const char*, const char*, QString>>{
           {"/tmp/orvane-explicit/", "/tmp/xdg-data", QStringLiteral("/tmp/orvane-explicit")},
           {nullptr, "/tmp/xdg-data", QStringLiteral("/tmp/xdg-data/orvane")},
           {nullptr, "relative/ignored", fallback},
           {nullptr, nullptr, fallback}}) {
    explicitHome ? qputenv("ORVANE_HOME", explicitHome) : qunsetenv("ORVANE_HOME");
    data ? qputenv("XDG_DATA_HOME", data) : qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(HomeFolder::path(), expected) << (explicitHome ? explicitHome : "-") << " " << (data ? data : "-");
  }
}

TEST(Files, IniSectionsAndKeysIgnoreCaseAndTextFilesAreUtf8OrGb18030WithCrLf) {
  QTemporaryDir dir;
  const QString path = testing_support::writeFile(dir.filePath(QStringLiteral("dbpath.ini")),
                                                  "; comment\r\n[other]\r\npath=wrong\r\n[DB]\r\n  Path = \"/srv/gsk.mdb\" \r\n");
  EXPECT_EQ(IniFile(path).readString(QStringLiteral("db"), QStringLiteral("path")), QStringLiteral("/srv/gsk.mdb"));
  EXPECT_EQ(IniFile(path).readString(QStringLiteral("db"), QStringLiteral("nokey"), QStringLiteral("fb")), QStringLiteral("fb"));
  EXPECT_EQ(IniFile(dir.filePath(QStringLiteral("none.ini"))).readString(QStringLiteral("db"), QStringLiteral("path")), QString());

  const QString chinese = QStringLiteral("上课铃声");
  QStringEncoder gb("GB18030");
  const QString gbPath = testing_support::writeFile(dir.filePath(QStringLiteral("gb.pl3")), gb.encode(chinese + QStringLiteral("\r\nline2\n")));
  EXPECT_EQ(readTextLines(gbPath), (QStringList{chinese, QStringLiteral("line2")}));
  const QString utf8 = testing_support::writeFile(dir.filePath(QStringLiteral("u.pl3")), "\xEF\xBB\xBF" + chinese.toUtf8() + "\rlast");
  EXPECT_EQ(readTextLines(utf8), (QStringList{chinese, QStringLiteral("last")}));
  ASSERT_TRUE(writeTextLines(dir.filePath(QStringLiteral("out.txt")), {chinese, QString()}));
  EXPECT_EQ(readTextFile(dir.filePath(QStringLiteral("out.txt"))), chinese + QStringLiteral("\r\n\r\n"));
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("x")));
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("y")));
  EXPECT_EQ(readTextFile(dir.filePath(QStringLiteral("new.txt"))), QStringLiteral("x\r\ny\r\n"));
  EXPECT_FALSE(appendTextLine(dir.filePath(QStringLiteral("no/such/dir/x.txt")), QStringLiteral("x")));
}

TEST(Files, CanonicalPcmWaveHeaderAndAStreamOfUnknownLength) {
  // 1 s of 44.1 kHz 16-bit stereo: the 44 bytes every wave reader knows.
  EXPECT_EQ(pcmWaveHeader(44100, 2, 16, 176400), QByteArray::fromHex("52494646" "34b10200" "57415645" "666d7420" "10000000" "0100"
                                                                     "0200" "44ac0000" "10b10200" "0400" "1000" "64617461" "10b10200"));
  EXPECT_EQ(pcmWaveHeader(8000, 1, 8, 3).mid(22, 14), QByteArray::fromHex("0100" "401f0000" "401f0000" "0100" "0800"));
  // Unknown length: both sizes as large as they go.
  EXPECT_EQ(pcmWaveHeader(22050, 1, 16, -1).toHex(), QByteArray("52494646" "ffffffff" "57415645" "666d7420" "10000000" "0100" "0100"
                                                                "22560000" "44ac0000" "0200" "1000" "64617461" "ffffffff"));
}
