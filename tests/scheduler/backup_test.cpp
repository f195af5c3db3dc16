#include <QFile>

#include "platform/db/connection.h"
#include "scheduler/core/backuprestore.h"
#include "scheduler/core/schedulebackup.h"
#include "tests/scheduler/schedulerfixture.h"

namespace odb = orvane::db;

namespace {
// The columns a backup holds, in their order.
const QStringList kColumns{"pname",  "starttime", "endtime",   "slpath", "tlength",     "playmode", "status",
                           "ivolume", "Schedulen", "statusday", "jmlx",   "mainchannel", "txt"};

// Every backed-up value of every entry, with its storage kind, in a stable order.
QList<QStringList> contents(TDataModule1& dm) {
  const QString cols = kColumns.join(QLatin1Char(','));
  QString typed;
  for (const QString& c : kColumns) typed += QStringLiteral("typeof(%1)||':'||ifnull(%1,'<null>'),").arg(c);
  typed.chop(1);
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select %1 from sjb order by %2").arg(typed, cols));
  QList<QStringList> rows;
  for (int r = 0; r < dm.qry_temp.recordCount(); ++r) {
    QStringList row;
    for (int c = 0; c < kColumns.size(); ++c) row.append(dm.qry_temp.value(r, c).toString());
    rows.append(row);
  }
  return rows;
}

class Backup : public SchedulerFixture {
 protected:
  // Three schedules, with every value that ever broke a statement built from text.
  void fillHostile() {
    const QStringList names{QStringLiteral("日常"), QStringLiteral("周末 \"特别\""), QStringLiteral("a;b:c")};
    const QList<QVariant> pnames{QStringLiteral("say \"hi\""), QStringLiteral("a;b;c"), QStringLiteral("x:y :v1"),
                                 QStringLiteral("line1\r\nline2\n"), QStringLiteral("早操（第一节）"), QString(""),
                                 QVariant()};
    int n = 0;
    for (const QString& schedule : names) {
      for (const QVariant& p : pnames) {
        const QString start = QString::asprintf("%.2d:%.2d:00", 6 + n / 10, n % 60);
        insertRow({{"pname", p}, {"starttime", start}, {"endtime", AddSeconds(start, 30, true)},
                   {"slpath", n % 2 ? QStringLiteral("文本：你好\"；") : QStringLiteral("/音乐/a;b.mp3")},
                   {"tlength", QStringLiteral("00:00:30")}, {"playmode", QStringLiteral("VW Hui|0|100|1|0")},
                   {"status", n % 3 ? QStringLiteral("已播") : QStringLiteral("待播")}, {"ivolume", n % 4 ? QVariant(n) : QVariant()},
                   {"Schedulen", schedule}, {"statusday", n % 2 ? QVariant() : QVariant(QStringLiteral("2024-04-30"))},
                   {"jmlx", 1 + n % 7}, {"mainchannel", QStringLiteral("副通道")},
                   {"txt", n % 5 ? QStringLiteral("第一行\r\n第二行 \"引号\"; :x") : QString("")}});
        ++n;
      }
    }
  }
  QString file(const QString& name) const { return home.file(name); }
  odb::Connection& db() { return *dm.connection(); }
};
}  // namespace

TEST_F(Backup, RoundTripKeepsEveryValueAndNoDoublesYesReplaces) {
  fillHostile();
  const QList<QStringList> original = contents(dm);
  ASSERT_EQ(original.size(), 21);
  int rows = -1;
  QString why;
  ASSERT_TRUE(ScheduleBackup::Write(db(), file(QStringLiteral("all.bkj")), &why, &rows)) << qPrintable(why);
  EXPECT_EQ(rows, 21);
  // The file is an SQLite file of ours: known by its first bytes, 13 columns in order, rows in
  // start-time order, and a format record.
  QFile f(file(QStringLiteral("all.bkj")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ScheduleBackup::LooksLikeBackup(f.read(100)));
  f.close();
  {
    auto c = odb::Connection::open(file(QStringLiteral("all.bkj")), odb::Connection::Mode::OpenExisting);
    ASSERT_TRUE(c);
    odb::Query q(c.get());
    q.setSql(QStringLiteral("select * from sjb"));
    ASSERT_TRUE(q.open());
    EXPECT_EQ(q.fieldNames(), kColumns);
    EXPECT_EQ(q.recordCount(), 21);
    for (int r = 1; r < q.recordCount(); ++r) EXPECT_LE(q.value(r - 1, 1).toString(), q.value(r, 1).toString());
    q.setSql(QStringLiteral("select group_concat(value,'|') from (select value from meta where key in "
                            "('format','version') order by key)"));
    ASSERT_TRUE(q.open());
    EXPECT_EQ(q.value(0, 0).toString(), QStringLiteral("Orvane schedule backup|1"));
  }
  auto fileBytes = [&] {
    QFile b(file(QStringLiteral("all.bkj")));
    b.open(QIODevice::ReadOnly);
    return b.readAll();
  };
  const QByteArray written = fileBytes();
  // "No": the restored rows come in addition, every one of them exactly as it was.
  {
    BackupRestore restore(db());
    ASSERT_TRUE(restore.Open(file(QStringLiteral("all.bkj")), &why)) << qPrintable(why);
    EXPECT_EQ(restore.rowCount(), 21);
    ASSERT_TRUE(restore.Apply(false, &why)) << qPrintable(why);
  }
  QList<QStringList> doubled = original + original;
  std::sort(doubled.begin(), doubled.end());
  QList<QStringList> now = contents(dm);
  std::sort(now.begin(), now.end());
  EXPECT_EQ(now, doubled);
  // "Yes": every schedule is replaced by the backup.
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into sjb(pname,Schedulen) values('新的','别的')")));
  {
    BackupRestore restore(db());
    ASSERT_TRUE(restore.Open(file(QStringLiteral("all.bkj"))));
    ASSERT_TRUE(restore.Apply(true, &why)) << qPrintable(why);
  }
  EXPECT_EQ(contents(dm), original);
  // The file was only read, and the connection let go of it.
  EXPECT_EQ(fileBytes(), written);
  dm.OpenQuery(dm.qry_temp, QStringLiteral("PRAGMA database_list"));
  EXPECT_EQ(dm.qry_temp.recordCount(), 1);
  EXPECT_TRUE(QFile::remove(file(QStringLiteral("all.bkj"))));
}

TEST_F(Backup, ForeignTruncatedAndDamagedFilesAreRefusedAndChangeNothing) {
  fillHostile();
  ASSERT_TRUE(ScheduleBackup::Write(db(), file(QStringLiteral("good.bkj"))));
  const QList<QStringList> before = contents(dm);
  QFile good(file(QStringLiteral("good.bkj")));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray bytes = good.readAll();
  good.close();
  ASSERT_GE(bytes.size(), 4096);
  QList<QPair<QString, QByteArray>> bad{
      {QStringLiteral("text.bkj"), QByteArray("pname,starttime\r\n早操,08:00:00\r\n")},
      {QStringLiteral("empty.bkj"), QByteArray()},
      {QStringLiteral("cut.bkj"), bytes.left(bytes.size() - 1024)},
      {QStringLiteral("half.bkj"), bytes.left(bytes.size() / 2 + 100)},
      {QStringLiteral("head.bkj"), bytes.left(100)}};
  QByteArray damaged = bytes;
  for (int i = 1024 * 2; i < damaged.size(); i += 7) damaged[i] = char(0xA5);  // pages after the first
  bad.append({QStringLiteral("damaged.bkj"), damaged});
  // Only the pages holding rows (the schema page still reads).
  QByteArray rowsDamaged = bytes;
  for (int i = 4096 * 2 + 100; i < rowsDamaged.size(); i += 5) rowsDamaged[i] = char(0x5A);
  bad.append({QStringLiteral("rows.bkj"), rowsDamaged});
  // The program's own database is an SQLite file but not a backup.
  dm.ExecQuery(dm.qry_temp, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
  QFile mdb(home.file(QStringLiteral("gsk.mdb")));
  ASSERT_TRUE(mdb.open(QIODevice::ReadOnly));
  bad.append({QStringLiteral("database.bkj"), mdb.readAll()});
  for (const auto& [name, content] : bad) {
    testing_support::writeFile(file(name), content);
    BackupRestore restore(db());
    QString why;
    EXPECT_FALSE(restore.Open(file(name), &why)) << qPrintable(name);
    EXPECT_FALSE(why.isEmpty()) << qPrintable(name);
    EXPECT_FALSE(restore.Apply(true)) << qPrintable(name);
    EXPECT_EQ(contents(dm), before) << qPrintable(name);
  }
  // A backup of another format version, or whose table lost rows, is refused as well.
  auto variant = [&](const QString& name, const QString& change) {
    testing_support::writeFile(file(name), bytes);
    auto c = odb::Connection::open(file(name), odb::Connection::Mode::OpenExisting);
    EXPECT_TRUE(c && c->execScript(change + QStringLiteral(";PRAGMA journal_mode=DELETE")));
  };
  variant(QStringLiteral("v2.bkj"), QStringLiteral("update meta set value='2' where key='version'"));
  variant(QStringLiteral("lost.bkj"), QStringLiteral("delete from sjb where rowid=3"));
  variant(QStringLiteral("cols.bkj"), QStringLiteral("alter table sjb add column extra"));
  for (const QString& name : {QStringLiteral("v2.bkj"), QStringLiteral("lost.bkj"), QStringLiteral("cols.bkj")}) {
    BackupRestore restore(db());
    EXPECT_FALSE(restore.Open(file(name))) << qPrintable(name);
    EXPECT_EQ(contents(dm), before);
  }
  BackupRestore restore(db());
  EXPECT_FALSE(restore.Open(file(QStringLiteral("nowhere.bkj"))));
}

TEST_F(Backup, FailureInTheMiddleOfARestoreLeavesTheEntriesAsTheyWere) {
  fillHostile();
  ASSERT_TRUE(ScheduleBackup::Write(db(), file(QStringLiteral("all.bkj"))));
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("insert into sjb(pname,Schedulen) values('留下','别的')")));
  const QList<QStringList> before = contents(dm);
  // The tenth restored row is refused by the database, after nine went in and the old rows
  // were deleted.
  ASSERT_TRUE(db().execScript(QStringLiteral(
      "CREATE TEMP TRIGGER boom BEFORE INSERT ON main.sjb WHEN (SELECT count(*) FROM main.sjb) >= 9 "
      "BEGIN SELECT RAISE(ABORT, 'injected failure'); END")));
  {
    BackupRestore restore(db());
    ASSERT_TRUE(restore.Open(file(QStringLiteral("all.bkj"))));
    QString why;
    EXPECT_FALSE(restore.Apply(true, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("injected failure"))) << qPrintable(why);
  }
  EXPECT_FALSE(db().inTransaction());
  ASSERT_TRUE(db().execScript(QStringLiteral("DROP TRIGGER boom")));
  EXPECT_EQ(contents(dm), before);
}

TEST_F(Backup, EmptyBackupNamesAndAFailedWriteKeepTheOldFile) {
  int rows = -1;
  ASSERT_TRUE(ScheduleBackup::Write(db(), file(QStringLiteral("none.bkj")), nullptr, &rows));
  EXPECT_EQ(rows, 0);
  BackupRestore restore(db());
  ASSERT_TRUE(restore.Open(file(QStringLiteral("none.bkj"))));
  EXPECT_EQ(restore.rowCount(), 0);
  restore.Close();
  for (auto [name, file] : {std::pair{"/tmp/a", "/tmp/a.bkj"}, {"/tmp/a.bkj", "/tmp/a.bkj"}, {"/tmp/a.BKJ", "/tmp/a.BKJ"},
                             {"/tmp/a.bkj.txt", "/tmp/a.bkj.txt.bkj"}})
    EXPECT_EQ(ScheduleBackup::WithExtension(QLatin1String(name)), QLatin1String(file));
  // A backup over an older one replaces it whole; a failed one leaves it and no stray file.
  addEntry({"早操", "08:00:00", "08:05:00"});
  ASSERT_TRUE(ScheduleBackup::Write(db(), file(QStringLiteral("none.bkj")), nullptr, &rows));
  EXPECT_EQ(rows, 1);
  const QByteArray kept = [&] {
    QFile f(file(QStringLiteral("none.bkj")));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  ASSERT_TRUE(db().begin());
  QString why;
  EXPECT_FALSE(ScheduleBackup::Write(db(), file(QStringLiteral("none.bkj")), &why));
  ASSERT_TRUE(db().rollback());
  EXPECT_FALSE(ScheduleBackup::Write(db(), file(QStringLiteral("no/such/folder/x.bkj")), &why));
  QDir(home.path()).mkdir(QStringLiteral("folder.bkj"));
  EXPECT_FALSE(ScheduleBackup::Write(db(), file(QStringLiteral("folder.bkj")), &why));
  QFile f(file(QStringLiteral("none.bkj")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), kept);
  const QStringList stray = QDir(home.path()).entryList({QStringLiteral(".*.bkj.*")}, QDir::Files | QDir::Hidden);
  EXPECT_TRUE(stray.isEmpty()) << qPrintable(stray.join(','));
}
