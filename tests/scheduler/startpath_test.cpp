// What the dispatcher does around a start on a busy day: the second before, the song is
// opened, silent; at its second it only plays; the status then changes its one grid row in
// place, never by reading the day again.
#include <QSignalSpy>

#include "scheduler/core/dispatcher.h"
#include "tests/scheduler/songfixture.h"

namespace {
struct QuietHost : DispatcherHost {
  void showClock(const QString&) override {}
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
};
}  // namespace

TEST_F(SongFixture, ASongIsOpenedTheSecondBeforeItsStartAndItsStatusChangesOneRow) {
  QuietHost host;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
  const QString bell = song(QStringLiteral("bell.wav"));
  for (int k = 0; k < 50; ++k)  // a day around it
    addSong({QStringLiteral("其他%1").arg(k), SecondsToTime(9 * 3600 + k * 60), SecondsToTime(9 * 3600 + k * 60 + 30),
             bell, QStringLiteral("单曲播放"), 1});
  const int id = addSong({QStringLiteral("铃声"), "08:20:00", "08:20:05", bell, QStringLiteral("单曲播放"), 1});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 58)));
  load();
  dispatcher.start();
  dispatcher.stop();  // ticks by hand
  QSignalSpy reloads(&dm.qry_show, &orvane::db::Query::rowsReset);
  QSignalSpy rowChanges(&dm.qry_show, &orvane::db::Query::valueChanged);
  const int statusColumn = dm.qry_show.fieldIndex(QStringLiteral("status"));
  auto tickAt = [&](int s, int ms) {
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 0).addSecs(s).addMSecs(ms)));
    dispatcher.Timer1Timer();
  };

  tickAt(59, 2);
  ASSERT_NE(mainPlayer(), nullptr);
  EXPECT_EQ(mainPlayer()->opened, QStringList{bell});
  EXPECT_FALSE(mainPlayer()->isPlaying()) << "heard before its second";
  tickAt(60, 1);
  EXPECT_EQ(mainPlayer()->opened, QStringList{bell}) << "opened again at its second";
  EXPECT_TRUE(mainPlayer()->isPlaying());
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
  EXPECT_EQ(reloads.count(), 0) << "the day was read again for a start";
  ASSERT_EQ(rowChanges.count(), 1);
  EXPECT_EQ(rowChanges.at(0).at(1).toInt(), statusColumn);
  EXPECT_EQ(dm.qry_show.value(rowChanges.at(0).at(0).toInt(), statusColumn).toString(), QStringLiteral("正播"));
  tickAt(65, 1);
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
  EXPECT_EQ(reloads.count(), 0) << "the day was read again for an end";
}
