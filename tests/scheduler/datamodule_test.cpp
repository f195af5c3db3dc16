#include <QFile>

#include "platform/files/homefolder.h"
#include "scheduler/core/schema.h"
#include "scheduler/core/settingskeys.h"
#include "tests/scheduler/schedulerfixture.h"

using orvane::db::Connection;

namespace {
int countOf(TDataModule1& dm, const QString& sql) {
  dm.OpenQuery(dm.qry_temp, sql);
  return dm.qry_temp.value(0, 0).toInt();
}
}  // namespace

TEST_F(SchedulerFixture, FreshHomeGetsADatabaseWithEveryKeyAndDayRow) {
  EXPECT_TRUE(QFile::exists(home.file(QStringLiteral("gsk.mdb"))));
  EXPECT_EQ(countOf(dm, QStringLiteral("select count(*) from system1")), 35);
  EXPECT_EQ(countOf(dm, QStringLiteral("select count(*) from rjb where sjb='无'")), 31);
  EXPECT_EQ(countOf(dm, QStringLiteral("select count(*) from rjb where rj in ('01','09','31')")), 3);
  QStringList days;
  for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"})
    days << dm.GetSetting(QLatin1String(day));
  EXPECT_EQ(days.join(QString()), QStringLiteral("无无无无无无无"));
  EXPECT_EQ(dm.GetSetting(QStringLiteral("ttstsy")), QStringLiteral("1600")) << "the length of the bundled hint";
  EXPECT_TRUE(boxes.asked().empty());
}

TEST_F(SchedulerFixture, EveryStartHealsWithoutOverwriting) {
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("softtitle"), QStringLiteral("实验中学")));
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from system1 where name1='minvolume'")));
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from rjb where rj='15'")));
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("update rjb set sjb='周末' where rj='02'")));
  TDataModule1 again;
  MainUnit second(again, clock);
  ASSERT_TRUE(second.ConnectDatabase());
  EXPECT_EQ(again.GetSetting(QStringLiteral("softtitle")) + again.GetSetting(QStringLiteral("minvolume")),
            QStringLiteral("实验中学10"));
  EXPECT_EQ(countOf(again, QStringLiteral("select count(*) from rjb")), 31);
  EXPECT_EQ(second.today.GetDaySchedule(QStringLiteral("02")), QStringLiteral("周末"));
}

TEST(DataModuleConnection, FailuresSayRunErrorAndCreateNothing) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  ManualClock clock(QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
  // dbpath.ini without the key (an empty path), a path to a missing file, to a file that is not a database.
  for (const auto& [ini, file] : {std::pair{"[db]\r\nother=1\r\n", ""}, {"[db]\r\npath=elsewhere.mdb\r\n", ""},
                                  {"[db]\r\npath=elsewhere.mdb\r\n", "elsewhere.mdb"}}) {
    testing_support::writeFile(home.file(QStringLiteral("dbpath.ini")), ini);
    if (*file) testing_support::writeFile(home.file(QLatin1String(file)), QByteArray(2048, 'x'));
    TDataModule1 dm;
    EXPECT_FALSE(MainUnit(dm, clock).ConnectDatabase()) << ini << file;
    EXPECT_EQ(QFile::exists(home.file(QStringLiteral("elsewhere.mdb"))), bool(*file)) << "nothing made";
  }
  TDataModule1 odd;
  EXPECT_FALSE(odd.ConnectDatabase(QStringLiteral("sqlserver"), home.file(QStringLiteral("gsk.mdb"))));
  ASSERT_EQ(boxes.asked().size(), 4u);
  // Each says why, after the run error.
  const QStringList why{QStringLiteral("empty database path"), QStringLiteral("no such file"),
                        QStringLiteral("not a database"), QStringLiteral("unknown connection kind")};
  for (std::size_t i = 0; i < boxes.asked().size(); ++i) {
    const auto& r = boxes.asked()[i];
    EXPECT_EQ(QStringList({r.caption, QString::number(r.flags)}), QStringList({QStringLiteral("错误"), QStringLiteral("16")}));
    EXPECT_TRUE(r.text.startsWith(QStringLiteral("运行出错!\n")) && r.text.contains(why[int(i)])) << qPrintable(r.text);
  }
  // A relative path in dbpath.ini names a database in the home folder, which then opens.
  {
    TDataModule1 seed;
    ASSERT_TRUE(seed.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("real.mdb")), {}, {}, {},
                                     Connection::Mode::CreateIfMissing));
  }
  testing_support::writeFile(home.file(QStringLiteral("dbpath.ini")), "[DB]\r\nPATH=real.mdb\r\n");
  TDataModule1 dm;
  EXPECT_TRUE(MainUnit(dm, clock).ConnectDatabase());
  EXPECT_EQ(dm.connection()->path(), home.file(QStringLiteral("real.mdb")));
}

TEST_F(SchedulerFixture, StatementsBindHostileValues) {
  const QString schedule = QStringLiteral("高\"三\";早:操 Schedulen");
  const int id = addEntry({"升旗\"仪式\"", "07:00:00", "07:05:00", 1, "00:05:00", schedule});
  EXPECT_EQ(rowText(QStringLiteral("pname,Schedulen"), id), "升旗\"仪式\"|" + schedule);
  // The status reset of a schedule whose name holds ":" works: only real parameters count.
  EXPECT_TRUE(dm.ExecQueryParams(dm.qry_temp, QStringLiteral("update sjb set status=:v1 where Schedulen=:v2"),
                                 {QStringLiteral("已播"), schedule}));
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
  EXPECT_FALSE(dm.ExecQueryParams(dm.qry_temp, QStringLiteral("update sjb set status=:v1 where Schedulen=:v2"),
                                  {QStringLiteral("待播")}));
  EXPECT_TRUE(boxes.wasAsked(QStringLiteral("参数个数不一致!")));
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
  EXPECT_FALSE(dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set status=\"x\"")));
  EXPECT_EQ(boxes.asked().size(), 1u) << "ExecQuery itself reports nothing";
  EXPECT_THROW(dm.OpenQuery(dm.qry_temp, QStringLiteral("select * from nosuchtable")), DbError);
  QStringList list{QStringLiteral("stale")};
  addEntry({"b", "08:00:00", "08:01:00", 1, "00:01:00", "  "});
  dm.QueryToStrings(dm.qry_temp, QStringLiteral("select Schedulen from sjb group by Schedulen"), list);
  EXPECT_EQ(list, QStringList{schedule}) << "blank values are left out";
}

TEST(DataModuleStrings, SplitCountMidPos) {
  // Pieces joined by "/" so that an empty piece shows.
  for (auto [text, pieces] : {std::pair{"待播;2024-05-01", "待播/2024-05-01"}, {"abc;", "abc/"}, {"abc", "abc"}, {"", ""}})
    EXPECT_EQ(TDataModule1::SplitString(QString::fromUtf8(text), QStringLiteral(";")).join('/'), QString::fromUtf8(pieces));
  EXPECT_EQ(TDataModule1::SplitString(QString(), QStringLiteral(";")).size(), 1);
  EXPECT_EQ(QString::asprintf("%d %d %d", TDataModule1::CountSubstr(QStringLiteral("aa"), QStringLiteral("aaa")),
                              TDataModule1::CountSubstr(QStringLiteral(":"), QStringLiteral("a:b:c")),
                              TDataModule1::CountSubstr(QString(), QStringLiteral("abc"))),
            QStringLiteral("2 2 0"));
  // Positions count from 1; a start at 0 reads from the first character.
  EXPECT_EQ(QStringList({TDataModule1::MidStr(QStringLiteral("文本：早上好"), 4, 2), TDataModule1::MidStr(QStringLiteral("abc"), 0, 2),
                         TDataModule1::MidStr(QStringLiteral("abc"), 2, 99), TDataModule1::MidStr(QStringLiteral("abc"), 5, 1)}),
            QStringList({"早上", "ab", "bc", ""}));
  EXPECT_TRUE(TDataModule1::PosStr(QStringLiteral("c"), QStringLiteral("abc")) == 3 &&
              TDataModule1::PosStr(QStringLiteral("z"), QStringLiteral("abc")) == 0);
}
