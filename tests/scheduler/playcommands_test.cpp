#include "scheduler/core/dispatcher.h"
#include "scheduler/core/playcommands.h"
#include "tests/scheduler/kindsfixture.h"

namespace {
struct Host : DispatcherHost {
  TodayProgramme* today = nullptr;
  MainState* s = nullptr;
  void showClock(const QString&) override {}
  void newDay(const QDate& day) override {
    s->programmeday = day;
    today->LoadToday();
  }
  void ShutdownPC() override {}
  void RebootPC() override {}
};

struct View : ProgrammeView {
  QString next;
  void setScheduleLabel(const QString&) override {}
  void setNextEntryLabel(const QString& text) override { next = text; }
  void todayGridShown() override {}
};

class PlayCommandsTest : public KindsFixture {
 protected:
  void SetUp() override {
    KindsFixture::SetUp();
    host.today = &unit.today;
    host.s = &unit.state;
    unit.today.setView(&view);
    songs.setView(&view);
    texts.setView(&view);
    radio.setView(&view);
    web.setView(&view);
    programs.setView(&view);
    commands.setView(&view);
  }
  // Loads the day and lets the dispatcher take over from the present second.
  void begin() {
    load();
    dispatcher.start();
    dispatcher.stop();  // ticks are driven by hand
  }
  // Moves the clock on to a time of today, ticking every few seconds as the timer would.
  void tickTo(const char* time) {
    const QDateTime target(clock.now().date(), QTime::fromString(QLatin1String(time), QStringLiteral("HH:mm:ss")).addMSecs(30));
    while (clock.now() < target) {
      clock.set(std::min(clock.now().addSecs(5), target));
      dispatcher.Timer1Timer();
    }
  }
  void selectRow(qint64 id) { ASSERT_TRUE(dm.qry_show.locate(QStringLiteral("id"), id)); }
  orvane::FakeMediaChannel* radioPlayer() const { return backend.channel(orvane::ChannelKind::Stream, 2); }
  qint64 addFolder(const char* name, const char* start, const char* end, const QString& channel = kMainChannel) {
    SongRow r{QString::fromUtf8(name), QLatin1String(start), QLatin1String(end),
              folder(QString::fromUtf8(name), {QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}),
              QStringLiteral("顺序循环"), 2, channel};
    return addSong(r);
  }
  qint64 addOne(const char* name, const char* start, const char* end, const QString& channel = kMainChannel) {
    SongRow r{QString::fromUtf8(name), QLatin1String(start), QLatin1String(end),
              song(QString::fromUtf8(name) + QStringLiteral(".mp3")), QStringLiteral("单曲循环"), 1, channel};
    return addSong(r);
  }
  Host host;
  View view;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
  PlayCommands commands{dm, unit.state, clock, unit.today, runner, unit.fired};
};
}  // namespace

TEST_F(PlayCommandsTest, AnInsertionHoldsEveryOutputThatSoundsAndResumesIt) {
  const int songId = addFolder("背景", "08:00:00", "08:30:00");
  addOne("广告", "08:00:00", "08:30:00", kSecondChannel);
  // The station and the page are numbered past the range of an int: each is resumed as its own.
  const qint64 radioId = renumber(
      addOther(QStringLiteral("电台"), 5, QStringLiteral("http://127.0.0.1:8000/live"), 100, "08:00:00", "08:30:00"),
      (qint64(1) << 32) + 3);
  renumber(addOther(QStringLiteral("网页"), 6, QStringLiteral("www.example.com/radio"), 100, "08:00:00", "08:30:00"),
           (qint64(1) << 32) + 4);
  addText({"早读", "08:00:00", "VW Hui|0|100|1|0", "同学们好"});
  begin();
  tickTo("08:00:00");
  settle();  // the station answers
  ASSERT_TRUE(radioPlayer() && speech);
  ASSERT_TRUE(mainPlayer()->isPlaying() && secondPlayer()->isPlaying() && radioPlayer()->isPlaying() && web.shown() &&
              unit.state.textshown);
  tickTo("08:05:00");
  bool shown = false;
  commands.Insert([&] {
    shown = true;
    EXPECT_EQ(unit.state.playstate, PlayState::Insert);
    EXPECT_EQ(commands.stateLabel(), QStringLiteral("自动播音暂停，插播中．．．"));
    EXPECT_TRUE(mainPlayer()->mode() == orvane::MediaMode::Paused && secondPlayer()->mode() == orvane::MediaMode::Paused);
    EXPECT_EQ(QStringList({radioPlayer()->calls.last(), panel.calls.last(), speech->calls.last()}),
              QStringList({"stop", "blank", "pause"}));
    // The clock goes on behind the window; nothing starts or ends.
    tickTo("08:06:00");
    EXPECT_EQ(mainPlayer()->mode(), orvane::MediaMode::Paused);
  });
  ASSERT_TRUE(shown);
  EXPECT_TRUE(unit.state.playstate == PlayState::Auto && commands.stateLabel().isEmpty());
  EXPECT_TRUE(mainPlayer()->isPlaying() && secondPlayer()->isPlaying() && radioPlayer()->isPlaying() &&
              unit.state.textshown);
  EXPECT_EQ(QStringList({mainPlayer()->calls.last(), radioPlayer()->calls.last(), panel.calls.last(), speech->calls.last()}),
            QStringList({"play", "play", "show www.example.com/radio", "resume"}));
  // Each output was held and resumed once, and nothing was opened anew.
  EXPECT_EQ(QString::asprintf("%d %d %d", int(mainPlayer()->calls.count(QStringLiteral("pause"))),
                              int(mainPlayer()->opened.size()), int(radioPlayer()->opened.size())),
            QStringLiteral("1 1 1"));
  EXPECT_EQ(statusOf(songId) + statusOf(radioId), QStringLiteral("正播正播"));
}

TEST_F(PlayCommandsTest, AnEntryWhoseEndPassedDuringTheInsertionIsEndedNotResumed) {
  unit.state.fadeenabled = true;  // held songs end at once all the same: there is nothing to fade
  const int songId = addFolder("背景", "08:00:00", "08:05:00");
  const int radioId = addOther(QStringLiteral("电台"), 5, QStringLiteral("http://127.0.0.1:8000/live"), 100, "08:00:00", "08:05:00");
  const int adId = addOne("广告", "08:00:00", "08:30:00", kSecondChannel);
  const int lateId = addOne("午间", "08:05:30", "08:20:00");
  begin();
  ASSERT_EQ(unit.state.todayentries[std::size_t(indexOf(QStringLiteral("背景")))].endtime, QStringLiteral("08:04:56"));
  tickTo("08:03:00");
  settle();
  ASSERT_TRUE(mainPlayer()->isPlaying());
  commands.Insert([&] { tickTo("08:06:00"); });
  EXPECT_TRUE(!main().busy() && !main().fadingOut() && !radio.shown());
  EXPECT_TRUE(mainPlayer()->mode() == orvane::MediaMode::NotOpen && radioPlayer()->mode() == orvane::MediaMode::NotOpen);
  EXPECT_EQ(mainPlayer()->calls.filter(QStringLiteral("play")).size(), 1) << "never played again";
  EXPECT_EQ(statusOf(songId) + statusOf(radioId), QStringLiteral("已播已播"));
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:04:56")).size(), 1);
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:05:00")).size(), 1);
  // The entry whose end is still to come plays on.
  EXPECT_TRUE(secondPlayer()->isPlaying());
  EXPECT_EQ(statusOf(adId), QStringLiteral("正播"));
  // A start that fell inside the insertion is not made up.
  tickTo("08:07:00");
  EXPECT_FALSE(main().busy());
  EXPECT_EQ(statusOf(lateId), QStringLiteral("待播"));
  EXPECT_EQ(unit.state.playstate, PlayState::Auto);
}

TEST_F(PlayCommandsTest, AnEndInTheSecondTheInsertionBeganIsNotLost) {
  // The operator is quicker than the tick: the insertion begins in the second the entry ends,
  // before the dispatcher has walked that second.
  const int songId = addFolder("背景", "08:00:00", "08:05:00");
  begin();
  tickTo("08:04:59");
  ASSERT_TRUE(mainPlayer()->isPlaying());
  clock.set(QDateTime(clock.now().date(), QTime(8, 5, 0, 10)));
  commands.Insert([&] { tickTo("08:06:00"); });
  EXPECT_FALSE(main().busy());
  EXPECT_EQ(statusOf(songId), QStringLiteral("已播"));
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:05:00")).size(), 1);
  // Ended by the tick before the insertion began: not ended a second time.
  const int nextId = addFolder("课间", "08:10:00", "08:15:00");
  load();
  tickTo("08:15:00");
  ASSERT_EQ(statusOf(nextId), QStringLiteral("已播"));
  commands.Insert([&] { tickTo("08:16:00"); });
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:15:00")).size(), 1);
}

TEST_F(PlayCommandsTest, TrialPlayStopsEverythingAndItsEndCatchesUpOrStaysStopped) {
  const qint64 songId = addFolder("背景", "08:00:00", "08:30:00");
  // Numbered past the range of an int: cut to one it would be the entry playing.
  const qint64 trialId = renumber(addOne("试听", "09:00:00", "09:10:00"), (songId << 32) + songId);
  begin();
  tickTo("08:01:00");
  ASSERT_TRUE(main().busy());
  selectRow(trialId);
  commands.TrialPlay();
  EXPECT_TRUE(unit.state.playstate == PlayState::TryPlay && !commands.insertItemsEnabled());
  EXPECT_EQ(commands.stateLabel(), QStringLiteral("自动播音暂停，试播中．．．"));
  EXPECT_EQ(commands.trialindex(), indexOf(QStringLiteral("试听")));
  // A trial writes no status.
  EXPECT_EQ(names(main().songs()).join(',') + view.next + statusOf(trialId), QStringLiteral("试听.mp3正在试播节目<试听>中的歌曲：待播"));
  EXPECT_EQ(log().filter(QStringLiteral("试播节目：[starttime]09:00:00")).size(), 1);
  // The toolbar refuses, the stop item does nothing, the clock starts and ends nothing.
  EXPECT_TRUE(commands.RefuseDuringTrial() && boxes.asked().size() == 1u);  // its text: the main window's tests
  commands.ToggleStop();
  EXPECT_FALSE(commands.stopChecked());
  tickTo("08:02:00");
  EXPECT_EQ(names(main().songs()), QStringList{QStringLiteral("试听.mp3")});
  commands.EndTrial();
  EXPECT_TRUE(unit.state.playstate == PlayState::Auto && commands.stateLabel().isEmpty() &&
              commands.insertItemsEnabled() && commands.trialindex() == -1);
  EXPECT_EQ(log().filter(QStringLiteral("停止试播节目：[ENDtime]09:10:00")).size(), 1);
  // The catch-up starts the entry due now again.
  EXPECT_EQ(names(main().songs()), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}));
  EXPECT_TRUE(mainPlayer()->isPlaying() && !commands.RefuseDuringTrial());
  EXPECT_EQ(statusOf(songId), QStringLiteral("正播"));
  commands.EndTrial();  // not on trial: nothing
  EXPECT_TRUE(mainPlayer()->isPlaying());
  // With automatic play stopped, the end of a trial leaves it stopped.
  commands.ToggleStop();
  selectRow(trialId);
  commands.TrialPlay();
  commands.EndTrial();
  EXPECT_EQ(commands.stateLabel(), QStringLiteral("自动播音停止！"));
  EXPECT_TRUE(unit.state.playstate == PlayState::StopPlay && !main().busy() && commands.stopChecked())
      << "nothing caught up while stopped";
}

TEST_F(PlayCommandsTest, StopAndResumeCatchNothingUpAndEndWhatEndedMeanwhile) {
  const int firstId = addFolder("背景", "08:00:00", "08:05:00");
  const int breakId = addOne("课间", "08:10:00", "08:15:00");
  const int secondId = addFolder("音乐", "08:20:00", "08:25:00");
  begin();
  tickTo("08:01:00");
  ASSERT_TRUE(main().busy());
  const int opened = int(mainPlayer()->opened.size());
  commands.ToggleStop();
  EXPECT_TRUE(commands.stopChecked() && unit.state.playstate == PlayState::StopPlay && view.next.isEmpty() &&
              !main().busy());
  EXPECT_EQ(commands.stateLabel(), QStringLiteral("自动播音停止！"));
  tickTo("08:03:00");
  commands.ToggleStop();
  EXPECT_TRUE(!commands.stopChecked() && unit.state.playstate == PlayState::Auto && commands.stateLabel().isEmpty());
  // The entry under way is not started again; the next one is awaited.
  EXPECT_FALSE(main().busy());
  EXPECT_EQ(view.next + statusOf(firstId), QStringLiteral("下一个要播放的节目为 <课间>正播"));
  tickTo("08:05:00");
  EXPECT_EQ(statusOf(firstId), QStringLiteral("已播")) << "its own end, by the clock";
  // Stopped across a start: not started then, nor afterwards.
  tickTo("08:09:50");
  commands.ToggleStop();
  tickTo("08:10:30");
  commands.ToggleStop();
  tickTo("08:16:00");
  EXPECT_TRUE(int(mainPlayer()->opened.size()) == opened && statusOf(breakId) == QStringLiteral("待播"));
  // Stopped across an end: the entry is ended when automatic play resumes, once.
  tickTo("08:21:00");
  ASSERT_TRUE(main().busy());
  commands.ToggleStop();
  tickTo("08:26:00");
  commands.ToggleStop();
  EXPECT_EQ(statusOf(secondId), QStringLiteral("已播"));
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:25:00")).size(), 1);
  commands.ToggleStop();
  commands.ToggleStop();
  tickTo("08:27:00");
  EXPECT_EQ(log().filter(QStringLiteral("停止节目：[ENDtime]08:25:00")).size(), 1);
  EXPECT_FALSE(main().busy());
}
