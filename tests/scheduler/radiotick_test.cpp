#include <QSignalSpy>
#include <QTest>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/dispatcher.h"
#include "tests/scheduler/kindsfixture.h"
#include "tests/support/loopbackserver.h"

namespace {
struct QuietHost : DispatcherHost {
  void showClock(const QString&) override {}
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
};

orvane::MpvSettings silentUntimed() {
  orvane::MpvSettings s;
  s.audioOutput = "null";
  s.untimed = true;
  s.silentFallback = false;
  return s;
}

class RadioTickTest : public KindsFixture {
 protected:
  void SetUp() override {
    KindsFixture::SetUp();
    station.setSilent(true);
    runner.setHandler(5, &liveRadio);  // the radio on libmpv; songs stay on the fake layer
  }
  void tickAt(int h, int m, int s, int ms) {
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms)));
    dispatcher.Timer1Timer();
  }
  testing_support::LoopbackServer station;
  orvane::MpvBackend mpv{silentUntimed()};
  RadioEntries liveRadio{unit.state, unit.today, songs.main(), &mpv};
  QuietHost host;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
};
}  // namespace

TEST_F(RadioTickTest, ASilentStationDelaysNoEntryOfItsSecondAndAnEndBeforeItAnswersStopsEverything) {
  const int radioId = addOther(QStringLiteral("电台"), 5, station.url(QStringLiteral("/live")), 100,
                               QStringLiteral("08:20:00"), QStringLiteral("08:30:00"));
  const QString bell = song(QStringLiteral("bell.mp3"));
  const int bellId = addSong({"铃声", "08:20:00", "08:25:00", bell, "单曲播放", 1});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 59, 500)));
  load();
  ASSERT_LT(indexOf(QStringLiteral("电台")), indexOf(QStringLiteral("铃声"))) << "the radio must come first in its second";
  dispatcher.start();
  dispatcher.stop();  // ticks are driven by hand
  tickAt(8, 20, 0, 30);
  // The tick is over and the station has not answered: the radio only asked for it.
  ASSERT_TRUE(liveRadio.exists());
  orvane::MediaChannel* player = liveRadio.player();
  EXPECT_TRUE(player->opening());
  EXPECT_EQ(liveRadio.status() + statusOf(radioId), QStringLiteral("正在连接…正播"));
  // The song due in the same second started in that tick.
  ASSERT_NE(mainPlayer(), nullptr);
  EXPECT_TRUE(mainPlayer()->opened == QStringList{bell} && mainPlayer()->isPlaying());
  EXPECT_EQ(statusOf(bellId), QStringLiteral("正播"));
  // libmpv reaches the station, which keeps silent: still connecting.
  QSignalSpy loaded(player, &orvane::MediaChannel::loaded);
  QSignalSpy loadFailed(player, &orvane::MediaChannel::loadFailed);
  ASSERT_TRUE(testing_support::waitUntil([&] { return station.silentConnections() == 1; }, 5000));
  EXPECT_EQ(liveRadio.status(), QStringLiteral("正在连接…"));
  // The entry ends before the station answers: nothing plays, nobody waits for the station,
  // and no late answer shows up on the panel.
  runner.EndEntry(indexOf(QStringLiteral("电台")), EntryMode::Auto);
  EXPECT_TRUE(!(liveRadio.shown() || player->opening() || player->isOpen()) && liveRadio.status().isEmpty());
  EXPECT_EQ(statusOf(radioId), QStringLiteral("已播"));
  EXPECT_TRUE(testing_support::waitUntil([&] { return station.openSilentConnections() == 0; }, 5000))
      << "libmpv still waits for the station";
  QTest::qWait(300);
  EXPECT_TRUE((loaded.isEmpty() && loadFailed.isEmpty()) && !(player->isOpen() || liveRadio.Sounding()));
  EXPECT_TRUE(mainPlayer()->isPlaying()) << "the song of the same second plays on";
}
