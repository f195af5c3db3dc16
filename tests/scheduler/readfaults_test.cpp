// A day that cannot be read as it is: damaged pages, a table without its columns, a NULL in
// the day map. The operator is told without the clock waiting, and a reload that can read
// the day plays it.
#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>

#include "platform/db/connection.h"
#include "scheduler/core/daymap.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
const QString kReadError = QStringLiteral("时间表读取错误!请检查时间表。");

QStringList warnings;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg) warnings << text;
}

// The program on a database of its own, brought up as the main window's creation does
// (connection, settings, the day, the dispatcher armed) and walked second by second.
struct Program : EntryRunner, DispatcherHost {
  Program(const QString& database, ManualClock& c) : clock(c) {
    EXPECT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), database));
    unit.today.setRunner(this);
    unit.ReadSettings();
    unit.today.LoadToday();
    dispatcher.start();
    dispatcher.stop();  // ticks are driven by hand
  }
  void tickThrough(const QDateTime& last) {
    for (QDateTime t = clock.now().addSecs(1); t <= last; t = t.addSecs(1)) {
      clock.set(t);
      dispatcher.Timer1Timer();
    }
  }
  // What closing the day map or the schedule manager does.
  void reload() {
    unit.today.LoadToday();
    unit.today.CatchUpEntry();
  }
  void StartEntry(int i, EntryMode) override {
    started << unit.state.todayentries[std::size_t(i)].pname + QLatin1Char(' ') + ClockText(clock.now());
  }
  void EndEntry(int, EntryMode) override {}
  void StopAll() override {}
  bool MainChannelBusy() const override { return false; }
  bool SomethingPlaying() const override { return false; }
  void showClock(const QString&) override {}
  void newDay(const QDate&) override { unit.today.LoadToday(0); }
  void ShutdownPC() override {}
  void RebootPC() override {}

  ManualClock& clock;
  TDataModule1 dm;
  MainUnit unit{dm, clock};
  Dispatcher dispatcher{unit.state, clock, *this, *this, unit.fired, unit.today};
  QStringList started;
};

class ReadFaults : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    warnings.clear();
    previous = qInstallMessageHandler(collect);
  }
  void TearDown() override { qInstallMessageHandler(previous); }

  // A database of its own beside the default one, with the day's settings and one entry of
  // "日常" from 10:00:05 to 10:00:30, written out whole (nothing left in its journal).
  QString makeDay(const QString& name, bool monthly = false, const QString& before = {}) {
    const QString path = home.file(name);
    if (!before.isEmpty()) {
      auto c = orvane::db::Connection::open(path, orvane::db::Connection::Mode::CreateIfMissing);
      EXPECT_TRUE(c && c->execScript(before));
    }
    TDataModule1 maker;
    EXPECT_TRUE(maker.ConnectDatabase(QStringLiteral("accesspw"), path, {}, {}, {},
                                      orvane::db::Connection::Mode::CreateIfMissing));
    maker.SetSetting(QStringLiteral("volume4"), monthly ? QStringLiteral("1") : QStringLiteral("0"));
    maker.SetSetting(QStringLiteral("Wednesday"), QStringLiteral("日常"));
    maker.ExecQuery(maker.qry_temp, QStringLiteral("update rjb set sjb='日常' where rj='01'"));
    EXPECT_TRUE(maker.ExecQuery(maker.qry_temp,
                                QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,"
                                               "Schedulen,jmlx,txt) values('铃声','10:00:05','10:00:30','/bells/a.wav',"
                                               "'00:00:25','单曲播放',80,'日常',1,'')")));
    EXPECT_TRUE(maker.connection()->execScript(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
    return path;
  }
  static QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Overwrites the pages of a table and of its indexes (their roots: every read starts there)
  // with bytes no page holds, as a disk that lost them leaves it.
  static void damage(const QString& path, const QString& table) {
    std::vector<qint64> roots;
    int pageSize = 0;
    {
      auto c = orvane::db::Connection::open(path, orvane::db::Connection::Mode::OpenExisting);
      ASSERT_TRUE(c);
      orvane::db::Query q(c.get());
      q.setSql(QStringLiteral("select rootpage from sqlite_master where tbl_name=:t and rootpage>0"));
      q.bindValue(QStringLiteral(":t"), table);
      ASSERT_TRUE(q.open());
      for (int row = 0; row < q.recordCount(); ++row) roots.push_back(q.value(row, 0).toLongLong());
      q.setSql(QStringLiteral("pragma page_size"));
      ASSERT_TRUE(q.open());
      pageSize = q.value(0, 0).toInt();
    }
    ASSERT_FALSE(roots.empty());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    for (qint64 root : roots) {
      ASSERT_TRUE(f.seek((root - 1) * pageSize));
      ASSERT_EQ(f.write(QByteArray(pageSize, '\xA5')), pageSize);
    }
  }
  // Written over the damaged file, as a copy restored over it would be (the same file).
  static void mend(const QString& path, const QByteArray& good) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_EQ(f.write(good), good.size());
  }
  // The boxes shown once the event loop has turned, each noting whether it could have made
  // anyone wait (a nested event loop) when it came.
  void handleEvents() {
    boxes.onAsk([this](const orvane::MessageBoxRequest&) { askedWaiting << !orvane::NoNestedLoopScope::active(); });
    QCoreApplication::processEvents();
  }
  QDateTime at(int h, int m, int s, int day = 0) const {
    return QDateTime(QDate(2024, 5, 1).addDays(day), QTime(h, m, s, 30));
  }

  QtMessageHandler previous = nullptr;
  QList<bool> askedWaiting;
};
}  // namespace

TEST_F(ReadFaults, DamagedPagesAreToldWithoutWaitingAndTheMendedFilePlaysAtTheNextReload) {
  struct Case {
    const char* table;  // whose pages are lost
    bool monthly;
  };
  for (const Case& c : {Case{"sjb", false}, Case{"system1", false}, Case{"rjb", true}}) {
    SCOPED_TRACE(c.table);
    boxes.clear();
    warnings.clear();
    askedWaiting.clear();
    const int linesBefore = int(log().size());
    const QString path = makeDay(QStringLiteral("%1.mdb").arg(QLatin1String(c.table)), c.monthly);
    const QByteArray good = bytesOf(path);
    damage(path, QString::fromLatin1(c.table));

    clock.set(at(10, 0, 0));
    Program program(path, clock);
    EXPECT_TRUE(boxes.asked().empty()) << "nothing before the clock runs may wait for a person";
    EXPECT_TRUE(program.unit.state.todayentries.front().isDummy());
    // A damaged table may also refuse the day's status reset: that write failure is told too,
    // by the disk watch, beside the read error.
    EXPECT_EQ(log().mid(linesBefore).filter(kReadError), QStringList{"<2024-05-01 10:00:00> " + kReadError});
    EXPECT_FALSE(warnings.filter(QStringLiteral("malformed")).isEmpty()) << qPrintable(warnings.join('\n'));
    handleEvents();
    EXPECT_EQ(boxes.count(kReadError), 1);
    for (const auto& r : boxes.asked())
      if (r.text == kReadError) {
        EXPECT_EQ(boxLine(r), kReadError + QStringLiteral("|错误|16"));
      }
    EXPECT_FALSE(askedWaiting.isEmpty() || askedWaiting.contains(true));

    mend(path, good);
    program.reload();
    program.tickThrough(at(10, 0, 6));
    EXPECT_EQ(program.started, QStringList{QStringLiteral("铃声 10:00:05")});
    handleEvents();
    EXPECT_EQ(boxes.count(kReadError), 1) << "a good reload tells nothing";
    EXPECT_EQ(log().mid(linesBefore).filter(kReadError).size(), 1);
  }
}

TEST_F(ReadFaults, ATableWithoutItsColumnsIsToldAtStartAndFromTheMidnightTickAndPlaysOnceItHasThem) {
  // The day's table as another program left it: no channel column.
  const QString path = makeDay(QStringLiteral("columns.mdb"), false,
                               QStringLiteral("CREATE TABLE sjb (id INTEGER PRIMARY KEY AUTOINCREMENT, pname TEXT,"
                                              " starttime TEXT, endtime TEXT, slpath TEXT, tlength TEXT, playmode TEXT,"
                                              " status TEXT DEFAULT '待播', statusday TEXT DEFAULT '', ivolume INTEGER,"
                                              " Schedulen TEXT, jmlx INTEGER, txt TEXT)"));
  auto other = orvane::db::Connection::open(path, orvane::db::Connection::Mode::OpenExisting);
  ASSERT_TRUE(other);
  clock.set(at(10, 0, 0));
  Program program(path, clock);
  EXPECT_TRUE(boxes.asked().empty());
  EXPECT_EQ(program.unit.state.todayschedule, QStringLiteral("日常")) << "the schedule is known; its rows are not";
  EXPECT_TRUE(program.unit.state.todayentries.front().isDummy());
  EXPECT_FALSE(warnings.filter(QStringLiteral("mainchannel")).isEmpty()) << qPrintable(warnings.join('\n'));
  handleEvents();
  EXPECT_EQ(boxes.count(kReadError), 1);

  ASSERT_TRUE(other->execScript(QStringLiteral("ALTER TABLE sjb ADD COLUMN mainchannel TEXT DEFAULT '主通道'")));
  program.reload();
  program.tickThrough(at(10, 0, 6));
  EXPECT_EQ(program.started, QStringList{QStringLiteral("铃声 10:00:05")});

  // Late in the evening the column goes again: the new day's load, inside the tick, finds it
  // gone. The tick finishes; the box comes after it without making the clock wait.
  ASSERT_TRUE(other->execScript(QStringLiteral("ALTER TABLE sjb DROP COLUMN mainchannel")));
  clock.set(at(23, 59, 58));
  program.dispatcher.Timer1Timer();  // a jump: nothing in between is made up
  boxes.clear();
  askedWaiting.clear();
  QSignalSpy ticked(&program.dispatcher, &Dispatcher::ticked);
  program.tickThrough(at(0, 0, 2, 1));
  EXPECT_EQ(ticked.count(), 4);
  EXPECT_EQ(program.dispatcher.watermark(), at(0, 0, 2, 1).toSecsSinceEpoch());
  EXPECT_TRUE(boxes.asked().empty()) << "nothing inside the tick waits for a person";
  EXPECT_EQ(program.unit.state.programmeday, QDate(2024, 5, 2));
  EXPECT_TRUE(program.unit.state.todayentries.front().isDummy());
  EXPECT_EQ(log().filter(kReadError).size(), 2);
  EXPECT_TRUE(log().last().startsWith(QStringLiteral("<2024-05-02 00:00:00> "))) << qPrintable(log().last());
  handleEvents();
  EXPECT_EQ(boxes.count(kReadError), 1);
  EXPECT_EQ(askedWaiting, QList<bool>{false});
}

TEST_F(ReadFaults, ANullDayInTheMonthMapIsNoBroadcastNeverAScheduleWithAnEmptyName) {
  const QString path = makeDay(QStringLiteral("nullday.mdb"), true);
  {
    auto c = orvane::db::Connection::open(path, orvane::db::Connection::Mode::OpenExisting);
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->execScript(QStringLiteral(
        "UPDATE rjb SET sjb=NULL WHERE rj='01';"
        "INSERT INTO sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,mainchannel,txt) "
        "VALUES('无名','10:00:05','10:00:30','/bells/b.wav','00:00:25','单曲播放',80,'',1,'主通道','')")));
  }
  clock.set(at(10, 0, 0));
  Program program(path, clock);
  EXPECT_EQ(program.unit.state.todayschedule, QStringLiteral("无"));
  EXPECT_EQ(DayMap::GetDaySchedule(program.dm, QStringLiteral("01")), QStringLiteral("无"));
  EXPECT_TRUE(program.unit.state.todayentries.front().isDummy());
  program.tickThrough(at(10, 0, 6));
  EXPECT_TRUE(program.started.isEmpty());
  // Without the day's row the name is empty, and an empty day too.
  ASSERT_TRUE(program.dm.ExecQuery(program.dm.qry_temp, QStringLiteral("delete from rjb where rj='01'")));
  program.reload();
  EXPECT_EQ(program.unit.state.todayschedule, QString());
  EXPECT_TRUE(program.unit.state.todayentries.front().isDummy());
  handleEvents();
  EXPECT_TRUE(boxes.asked().empty()) << "a NULL is the column's default, not a fault";
  EXPECT_TRUE(log().filter(kReadError).isEmpty());

  // The operator names the day's schedule in the day map: the reload of its closing plays it,
  // from the entry under way.
  ASSERT_TRUE(program.dm.ExecQuery(program.dm.qry_temp, QStringLiteral("insert into rjb(rj,sjb) values('01','日常')")));
  program.tickThrough(at(10, 0, 10));
  program.reload();
  EXPECT_EQ(program.started, QStringList{QStringLiteral("铃声 10:00:10")});
}

TEST_F(ReadFaults, AStatusResetTheDatabaseCannotPrepareIsToldOnceAndLetGoWithoutABoxThatWaits) {
  // An old table without the day column: the day's reset cannot even be prepared.
  const QString path = makeDay(QStringLiteral("noday.mdb"), false,
                               QStringLiteral("CREATE TABLE sjb (id INTEGER PRIMARY KEY AUTOINCREMENT, pname TEXT,"
                                              " starttime TEXT, endtime TEXT, slpath TEXT, tlength TEXT, playmode TEXT,"
                                              " status TEXT DEFAULT '待播', ivolume INTEGER, Schedulen TEXT, jmlx INTEGER,"
                                              " mainchannel TEXT DEFAULT '主通道', txt TEXT)"));
  clock.set(at(10, 0, 0));
  Program program(path, clock);
  boxes.onAsk([this](const orvane::MessageBoxRequest&) { askedWaiting << !orvane::NoNestedLoopScope::active(); });
  // A refusal that can never pass is not retried: it would hold back every status after it.
  testing_support::waitUntil([] { return false; }, 1500);
  EXPECT_EQ(boxes.count(QStringLiteral("参数个数不一致!")), 0) << "a statement that cannot be prepared has no count to differ";
  EXPECT_FALSE(askedWaiting.contains(true)) << "a box from the retry waited for a person";
  EXPECT_TRUE(program.unit.today.statusQueue().empty()) << "the reset is retried for ever";
  int told = 0;
  for (const auto& r : boxes.asked()) told += r.text.startsWith(QStringLiteral("数据库拒绝写入节目表<")) ? 1 : 0;
  EXPECT_EQ(told, 1);
}

TEST_F(ReadFaults, AFailedRefreshOfTheGridKeepsTheDayThatWasReadAndTellsIt) {
  const QString path = makeDay(QStringLiteral("refresh.mdb"));
  clock.set(at(10, 0, 0));
  Program program(path, clock);
  ASSERT_EQ(program.unit.state.todayentries.front().pname, QStringLiteral("铃声"));
  // Another program takes a column away; the settings window closes and the grid is shown again.
  auto other = orvane::db::Connection::open(path, orvane::db::Connection::Mode::OpenExisting);
  ASSERT_TRUE(other && other->execScript(QStringLiteral("ALTER TABLE sjb DROP COLUMN mainchannel")));
  program.unit.today.ShowTodayGrid();
  handleEvents();
  EXPECT_EQ(boxes.count(kReadError), 1);
  EXPECT_EQ(program.unit.state.todayentries.front().pname, QStringLiteral("铃声")) << "the day went with the refresh";
  program.tickThrough(at(10, 0, 6));
  EXPECT_EQ(program.started, QStringList{QStringLiteral("铃声 10:00:05")});
}
