// No sound server: the main channel plays on into a timed silent output, so the day's statuses
// stay right, and the operator is told once when the output is lost and once when it returns.
#include <QTest>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/songentries.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/soundfiles.h"

namespace {
class SoundOutput : public SchedulerFixture, public DispatcherHost {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
    unit.ReadSettings();
    unit.state.logenabled = true;
    unit.state.fadeenabled = false;
    for (int kind = 1; kind <= 3; ++kind) runner.setHandler(kind, &songs);
    unit.today.setRunner(&runner);
    QCoreApplication::processEvents();  // notices another test left waiting are not ours
    boxes.clear();
  }
  void TearDown() override { QCoreApplication::processEvents(); }
  void showClock(const QString&) override {}
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
  // A one-second silent song from that second on, on a channel.
  int add(const QString& name, const QTime& start, const QString& channel = QStringLiteral("主通道")) {
    const QString file = testing_support::writeToneWav(music.filePath(name + ".wav"), 1.0, 1000.0, 0.0);
    return insertRow({{"pname", name}, {"starttime", start.toString("HH:mm:ss")},
                      {"endtime", start.addSecs(1).toString("HH:mm:ss")}, {"slpath", file}, {"tlength", "00:00:01"},
                      {"playmode", QStringLiteral("单曲播放")}, {"ivolume", 100}, {"Schedulen", QStringLiteral("日常")},
                      {"jmlx", 1}, {"mainchannel", channel}});
  }
  // The dispatcher's ticks through that second, then events until the song has sounded.
  void playThrough(const QTime& start) {
    for (int s = -1; s <= 1; ++s) {
      clock.set(QDateTime(QDate(2024, 5, 1), start.addSecs(s)).addMSecs(30));
      const std::size_t before = boxes.asked().size();
      dispatcher.Timer1Timer();
      EXPECT_EQ(boxes.asked().size(), before) << "nothing may wait for a person inside the tick";
      QTest::qWait(s == 0 ? 700 : 50);
    }
  }
  int told(const QString& part) const {
    int n = 0;
    for (const auto& r : boxes.asked()) n += r.text.contains(part) ? 1 : 0;
    return n;
  }

  QTemporaryDir music;
  orvane::MpvBackend mpv{orvane::MpvSettings{}};  // the program's own: pulse, silent when it is gone
  SongEntries songs{dm, unit.state, clock, unit.today, &mpv};
  BroadcastRunner runner{dm, unit.state, clock, unit.today};
  Dispatcher dispatcher{unit.state, clock, runner, *this, unit.fired, unit.today};
};
}  // namespace

TEST_F(SoundOutput, WithoutASoundServerTheDayPlaysOnAndTheOperatorIsToldOnceAndAgainWhenItReturns) {
  const QByteArray server = qgetenv("PULSE_SERVER");
  const int first = add(QStringLiteral("first"), QTime(8, 0, 0));
  // Each channel's players lose the server in turn; the operator hears of it once.
  const int second = add(QStringLiteral("second"), QTime(8, 0, 5), QStringLiteral("副通道"));
  const int third = add(QStringLiteral("third"), QTime(8, 0, 10));
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 58)));
  unit.today.LoadToday();
  dispatcher.start();
  dispatcher.stop();  // ticks are driven by hand
  {
    testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:" + music.filePath(QStringLiteral("no-server")).toUtf8());
    playThrough(QTime(8, 0, 0));
    playThrough(QTime(8, 0, 5));
  }
  EXPECT_EQ(QStringList({statusOf(first), statusOf(second)}), QStringList({QStringLiteral("已播"), QStringLiteral("已播")}))
      << "the silent output keeps the entries' time";
  EXPECT_EQ(told(QStringLiteral("声音输出中断")), 1) << "told once, whatever the number of songs";
  EXPECT_EQ(log().filter(QStringLiteral("声音输出中断")).size(), 1);
  if (server.isEmpty()) GTEST_SKIP() << "no private sound server for the output to return to (run through ./test.sh)";
  playThrough(QTime(8, 0, 10));
  EXPECT_EQ(statusOf(third), QStringLiteral("已播"));
  EXPECT_EQ(told(QStringLiteral("声音输出已恢复")), 1);
  // Known as soon as the song is opened, a second ahead of its start.
  const QStringList lines = log();
  const QStringList back = lines.filter(QStringLiteral("声音输出已恢复"));
  ASSERT_EQ(back.size(), 1);
  EXPECT_TRUE(back.front().startsWith(QStringLiteral("<2024-05-01 08:00:09>"))) << qPrintable(back.front());
  EXPECT_GT(lines.indexOf(back.front()), lines.indexOf(log().filter(QStringLiteral("声音输出中断")).value(0)));
  EXPECT_EQ(boxes.asked().size(), 2u);
}
