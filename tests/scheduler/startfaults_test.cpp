#include <QCoreApplication>

#include "tests/scheduler/kindsfixture.h"

namespace {
const QString kReadError = QStringLiteral("时间表读取错误!请检查时间表。");

class StartFaults : public DispatchedKindsFixture {
 protected:
  // Every shutdown the dispatcher asks for, at the moment it asks.
  void ShutdownPC() override { shutdowns << clock.now().toString(QStringLiteral("MM-dd HH:mm:ss")); }
  int add(const QString& name, const QString& start, const QString& end, int kind) {
    return addSong({name, start, end, song(name + ".mp3"), "单曲播放", kind, kMainChannel, "01:00:00"});
  }
  QStringList shutdowns;
};
}  // namespace

TEST_F(StartFaults, ADayWithMalformedRowsPlaysOnAndTellsOnceWithoutWaiting) {
  struct Row {
    const char *name, *start, *end, *status;  // the status after the start at 10:00:00 and ticks to 10:00:05
  };
  const std::vector<Row> rows = {{"passed", "09:30:00", "09:40:00", "未播"},
                                 {"short hour", "9:00:00", "11:00:00", "待播"},  // never read as 09:00:00
                                 {"bad minutes", "09:75:00", "11:00:00", "待播"},
                                 {"due", "10:00:05", "10:00:30", "正播"}};
  std::vector<int> ids;
  for (const Row& r : rows) ids.push_back(add(r.name, r.start, r.end, 1));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set ivolume=NULL where pname='short hour'"));
  startAt(at(10, 0, 0, 400));
  EXPECT_TRUE(boxes.asked().empty()) << "nothing may wait for a person before the clock runs";
  EXPECT_EQ(unit.state.currentid, 0) << "no malformed row is caught up";
  tickThrough(at(10, 0, 5, 500));
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(statusOf(ids[i]), QString::fromUtf8(rows[i].status)) << rows[i].name;
  ASSERT_NE(mainPlayer(), nullptr);
  EXPECT_EQ(names(mainPlayer()->opened), QStringList{QStringLiteral("due.mp3")});
  QCoreApplication::processEvents();
  EXPECT_EQ(boxes.count(kReadError), 1) << "told once, after the clock started";
}

TEST_F(StartFaults, AFadedLastSongArmsTheShutdownAtItsStoredEndAtEveryPhase) {
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  unit.state.fadeenabled = true;
  add(QStringLiteral("last"), QStringLiteral("07:00:00"), QStringLiteral("08:00:00"), 1);
  // When the fade's fourth step comes, against the entry's stored end of 08:00:00: a coarse
  // timer may come up to a second early, a busy one late.
  for (int phase : {-950, -600, -250, -1, 0, 250, 700}) {
    SCOPED_TRACE(phase);
    shutdowns.clear();
    unit.fired = FiredSet();
    unit.state.endshutdownarmed = false;
    startAt(at(6, 59, 58));
    tickThrough(at(7, 0, 0));
    ASSERT_TRUE(main().busy());
    tickAt(at(7, 59, 50));  // a jump: nothing ends in it, and the song goes on
    tickThrough(at(7, 59, 56));
    ASSERT_TRUE(main().fadingOut()) << "the fade begins four seconds before the end";
    const QDateTime done = at(8, 0, 0, 0).addMSecs(phase);
    for (int step = 3; step >= 0; --step) {
      const QDateTime stepAt = done.addSecs(-step);
      if (clock.now().secsTo(stepAt) >= 1) tickThrough(stepAt.addMSecs(-1));
      clock.set(stepAt);
      main().Timer_volupordownTimer();
    }
    EXPECT_FALSE(main().busy());
    tickThrough(at(8, 0, 8));
    EXPECT_EQ(shutdowns, QStringList{QStringLiteral("05-01 08:00:05")});
  }
}

TEST_F(StartFaults, TheDayEndsAtTheRealEndOfAnEntryThatSpansMidnight) {
  dm.SetSetting(QStringLiteral("endshutdown"), QStringLiteral("1"));
  struct Case {
    const char *lastEnd, *shutdown;  // of the entry from 23:59:46
  };
  for (const Case& c : {Case{"00:00:10", "05-02 00:00:15"}, Case{"23:59:55", "05-02 00:00:00"}}) {
    SCOPED_TRACE(c.lastEnd);
    dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb"));
    shutdowns.clear();
    unit.state.endshutdownarmed = false;
    add(QStringLiteral("before"), QStringLiteral("23:59:30"), QStringLiteral("23:59:50"), 5);
    add(QStringLiteral("across"), QStringLiteral("23:59:46"), QString::fromLatin1(c.lastEnd), 1);
    startAt(at(23, 59, 29));
    tickThrough(at(0, 0, 20, 30, 1));
    EXPECT_EQ(shutdowns, QStringList{QString::fromLatin1(c.shutdown)}) << "never while an entry of the day plays";
  }
}

TEST_F(StartFaults, AnEntryOfAnUnknownKindStartsNothingAndIsNotMarkedPlayed) {
  static QStringList warnings;
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { warnings << m; });
  const int unknown = add(QStringLiteral("kind nine"), QStringLiteral("08:00:00"), QStringLiteral("08:00:10"), 9);
  const int known = add(QStringLiteral("song"), QStringLiteral("08:00:00"), QStringLiteral("08:00:10"), 1);
  startAt(at(7, 59, 58));
  tickThrough(at(8, 0, 0));
  EXPECT_EQ(unit.state.currentid, known);
  tickThrough(at(8, 0, 11));
  qInstallMessageHandler(previous);
  EXPECT_EQ(statusOf(unknown), QStringLiteral("待播"));
  EXPECT_EQ(statusOf(known), QStringLiteral("已播"));
  ASSERT_NE(mainPlayer(), nullptr);
  EXPECT_EQ(names(mainPlayer()->opened), QStringList{QStringLiteral("song.mp3")});
  EXPECT_EQ(warnings.filter(QStringLiteral("unknown kind 9")).size(), 1) << qPrintable(warnings.join('\n'));
}
