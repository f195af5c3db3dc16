#include <gtest/gtest.h>

#include <QSet>
#include <QSignalSpy>

#include "scheduler/core/dispatcher.h"
#include "scheduler/core/playmodes.h"
#include "tests/scheduler/songfixture.h"

using orvane::MediaMode;

namespace {
// Showing one second takes as long as the case says (a slow open, a reload).
struct SlowHost : DispatcherHost {
  ManualClock* clock = nullptr;
  int overrunMs = 0;
  void showClock(const QString& t) override {
    if (t == QLatin1String("08:00:00")) clock->set(clock->now().addMSecs(overrunMs));
  }
  void newDay(const QDate&) override {}
  void ShutdownPC() override {}
  void RebootPC() override {}
};
const QStringList kThree{QStringLiteral("a.mp3"), QStringLiteral("b.mp3"), QStringLiteral("c.mp3")};
}

TEST_F(SongFixture, EveryPlayModeOnTheMainChannel) {
  struct Case {
    QString mode;
    int finishes;
    QStringList expected;  // songs opened, in order ("?" for a random one)
    QString lineAfter;
  };
  const QList<Case> cases = {
      {PlayMode::Single, 2, {"a.mp3"}, ""},
      {PlayMode::LoopOne, 3, {"a.mp3", "a.mp3", "a.mp3", "a.mp3"}, "正在播放：" + path("l/a.mp3")},
      {PlayMode::InOrder, 3, {"a.mp3", "b.mp3", "c.mp3"}, "停止播放"},
      {PlayMode::LoopAll, 4, {"a.mp3", "b.mp3", "c.mp3", "a.mp3", "b.mp3"}, "正在播放：" + path("l/b.mp3")},
  };
  const QString dir = folder(QStringLiteral("l"), kThree);
  int n = 0;
  for (const Case& c : cases) {
    const QString name = QStringLiteral("e%1").arg(++n);
    addSong({name, QStringLiteral("08:0%1:00").arg(n), QStringLiteral("08:0%1:30").arg(n), dir, c.mode});
  }
  load();
  n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode.toStdString());
    mainPlayer()->opened.clear();
    start(QStringLiteral("e%1").arg(++n));
    for (int i = 0; i < c.finishes; ++i) finishMain();
    EXPECT_EQ(names(mainPlayer()->opened), c.expected);
    main().Timer_musicprocessTimer();  // the position display notices the end
    EXPECT_EQ(main().songLine(), c.lineAfter);
    if (c.mode == PlayMode::InOrder || c.mode == PlayMode::Single) { EXPECT_FALSE(main().Timer_musicprocess.isActive()); }
    EXPECT_EQ(main().songs().size(), 3);
  }
}

TEST_F(SongFixture, RandomModesPlayEverySongOnceBeforeAnyRepeats) {
  QStringList ten;
  for (int i = 0; i < 10; ++i) ten << QStringLiteral("s%1.mp3").arg(i);
  const QString dir = folder(QStringLiteral("r"), ten);
  addSong({"random", "08:00:00", "09:00:00", dir, PlayMode::Random});
  addSong({"one", "09:00:00", "09:10:00", dir, PlayMode::RandomOne});
  load();
  start(QStringLiteral("random"));
  for (int i = 0; i < 29; ++i) finishMain();
  const QStringList played = names(mainPlayer()->opened);
  ASSERT_EQ(played.size(), 30);
  for (int round = 0; round < 3; ++round) {
    const QStringList block = played.mid(round * 10, 10);
    EXPECT_EQ(QSet<QString>(block.begin(), block.end()).size(), 10) << "round " << round;
  }
  EXPECT_NE(played.mid(0, 10), played.mid(10, 10)) << "a new order is drawn after the last song";
  EXPECT_EQ(main().songs()[main().selected()], mainPlayer()->fileName());
  mainPlayer()->opened.clear();
  start(QStringLiteral("one"));
  finishMain();
  EXPECT_EQ(mainPlayer()->opened.size(), 1);
  EXPECT_EQ(main().shufflelist().size(), 10);
}

TEST_F(SongFixture, FadeInAndFadeOutInFourSteps) {
  unit.state.fadeenabled = true;
  const QString dir = folder(QStringLiteral("f"), kThree);
  const int id = addSong({"fade", "08:00:00", "08:10:00", dir, PlayMode::LoopAll, 2, "主通道", "00:10:00", 80});
  load();
  EXPECT_EQ(unit.state.todayentries[std::size_t(indexOf("fade"))].endtime, QStringLiteral("08:09:56"));
  start(QStringLiteral("fade"));
  EXPECT_TRUE(main().fadingIn() && main().fadeinstep() == 200);
  for (int i = 0; i < 4; ++i) main().Timer_volupordownTimer();
  EXPECT_EQ(mainPlayer()->volumes, (std::vector<int>{0, 200, 400, 600, 800}));
  EXPECT_FALSE(main().Timer_volupordown.isActive());
  main().FlatTrackBar1Change(885);
  mainPlayer()->volumes.clear();
  end(QStringLiteral("fade"));
  EXPECT_TRUE(main().fadingOut() && main().fadeoutstep() == 221 && statusOf(id) == QStringLiteral("正播"));
  for (int i = 0; i < 3; ++i) main().Timer_volupordownTimer();
  EXPECT_TRUE(main().busy());
  main().Timer_volupordownTimer();
  EXPECT_EQ(mainPlayer()->volumes, (std::vector<int>{664, 443, 222, 0}));
  EXPECT_FALSE(main().busy() || mainPlayer()->isOpen() || main().Timer_volupordown.isActive() || songs.mainOwner());
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
}

TEST_F(SongFixture, ANewEntryRightAfterAFadeOutIsNotKilledByIt) {
  unit.state.fadeenabled = true;
  const QString dir = folder(QStringLiteral("r"), kThree);
  const int first = addSong({"first", "08:00:00", "08:10:04", dir, PlayMode::LoopAll});
  const int next = addSong({"next", "08:10:00", "08:20:00", path("r/b.mp3"), PlayMode::LoopOne, 1});
  load();
  start(QStringLiteral("first"));
  end(QStringLiteral("first"));  // shortened to 08:10:00: the fade-out and the next start meet
  ASSERT_TRUE(main().fadingOut());
  start(QStringLiteral("next"));
  EXPECT_FALSE(main().fadingOut());
  EXPECT_EQ(statusOf(first) + statusOf(next), QStringLiteral("已播正播"));
  for (int i = 0; i < 6; ++i) main().Timer_volupordownTimer();
  EXPECT_TRUE(mainPlayer()->isPlaying() && mainPlayer()->fileName() == path("r/b.mp3") && songs.mainOwner() == next);
  // Even a late stop of the first entry leaves the channel to its owner.
  songs.StopSongEntry(indexOf("first"), EntryMode::Auto);
  EXPECT_TRUE(mainPlayer()->isPlaying());
  EXPECT_EQ(statusOf(next), QStringLiteral("正播"));
}

TEST_F(SongFixture, SecondChannelModesMessagesAndGivingUp) {
  const QString dir = folder(QStringLiteral("s"), kThree);
  const QString list = testing_support::writeFile(music.filePath("list.pl3"),
                                                  (path("s/c.mp3") + "\r\n\r\n" + path("s/gone.mp3") + "\r\n" +
                                                   path("s/a.mp3") + "\r\n").toUtf8());
  addSong({"loop", "08:00:00", "08:10:00", dir, PlayMode::LoopAll, 2, "副通道"});
  addSong({"list", "08:10:00", "08:20:00", list, PlayMode::InOrder, 3, "副通道"});
  addSong({"none", "08:20:00", "08:30:00", music.filePath("empty"), PlayMode::InOrder, 2, "副通道"});
  addSong({"bad", "08:30:00", "08:40:00", dir, PlayMode::InOrder, 2, "副通道"});
  QDir().mkpath(music.filePath("empty"));
  backend.requireExistingFiles = true;
  load();
  start(QStringLiteral("loop"));
  for (int i = 0; i < 3; ++i) secondPlayer()->finish();
  EXPECT_EQ(names(secondPlayer()->opened), (QStringList{"a.mp3", "b.mp3", "c.mp3", "a.mp3"}));
  second().Timer_music2processTimer();
  EXPECT_EQ(second().line(), "正在播放副通道节目<loop>中的歌曲：" + path("s/a.mp3") + " 【3:00/0:00】");
  // A song list plays its lines as they are: the missing one is skipped when its turn comes.
  secondPlayer()->opened.clear();
  start(QStringLiteral("list"));
  EXPECT_EQ(second().songs().size(), 3);
  secondPlayer()->finish();
  EXPECT_EQ(names(secondPlayer()->opened), (QStringList{"c.mp3", "a.mp3"}));
  secondPlayer()->finish();
  EXPECT_TRUE(second().line().isEmpty());  // in order, after the last song
  start(QStringLiteral("none"));
  EXPECT_EQ(second().line(), QStringLiteral("副通道节目<none>中的文件夹中没有歌曲!"));
  EXPECT_FALSE(main().ducked());
  backend.unplayableByMediaPlayer = {QStringLiteral("*")};
  backend.unplayableByStream = {QStringLiteral("*")};
  start(QStringLiteral("bad"));
  EXPECT_EQ(second().line(), "不能播放副通道节目<bad>中的歌曲：" + path("s/c.mp3"));
}

// An entry's volume in percent is the channel's level in tenths of one: silence stays silent.
TEST_F(SongFixture, EntryVolumesAreTheChannelsLevels) {
  const QString dir = folder(QStringLiteral("v"), kThree);
  const std::pair<int, int> levels[] = {{0, 0}, {1, 10}, {55, 550}, {100, 1000}};
  int n = 0;
  for (const auto& [percent, level] : levels)
    for (const char* channel : {"主通道", "副通道"}) {
      const QString at = QStringLiteral("08:%1:").arg(++n, 2, 10, QLatin1Char('0'));
      addSong({QString::number(n), at + "00", at + "30", dir, PlayMode::LoopAll, 2, QString::fromUtf8(channel),
               "00:00:30", percent});
    }
  load();
  n = 0;
  for (const auto& [percent, level] : levels)
    for (orvane::FakeMediaChannel* player : {mainPlayer(), secondPlayer()}) {
      start(QString::number(++n));
      EXPECT_TRUE(player->isPlaying()) << n;
      EXPECT_EQ(player->volume(), level) << percent << "% on channel " << (player == mainPlayer() ? 1 : 2);
      end(QString::number(n));
    }
}

// The attempts that give up a search for the next song are those of one search: a looping
// list with one song that cannot be played passes over it lap after lap, all day long.
TEST_F(SongFixture, ALoopingListPassesOverAnUnplayableSongLapAfterLap) {
  const QString dir = folder(QStringLiteral("g"), kThree);
  backend.unplayableByMediaPlayer = {path("g/b.mp3")};
  backend.unplayableByStream = backend.unplayableByMediaPlayer;
  addSong({"main", "08:00:00", "08:10:00", dir, PlayMode::LoopAll, 2, "主通道"});
  addSong({"second", "08:10:00", "08:20:00", dir, PlayMode::LoopAll, 2, "副通道"});
  load();
  const int laps = 2 * 10 * 3;  // twice the failed attempts one search may make (10 a song)
  QStringList expected;
  for (int i = 0; i <= 2 * laps; ++i) expected << (i % 2 ? "c.mp3" : "a.mp3");
  for (const char* entry : {"main", "second"}) {
    SCOPED_TRACE(entry);
    start(QString::fromLatin1(entry));
    orvane::FakeMediaChannel* player = qstrcmp(entry, "main") == 0 ? mainPlayer() : secondPlayer();
    for (int i = 0; i < 2 * laps; ++i) player->finish();
    EXPECT_EQ(names(player->opened), expected);
    EXPECT_TRUE(player->isPlaying());
  }
}

TEST_F(SongFixture, Mp3FallsBackToTheStreamPlayerOnTheSecondChannelToo) {
  unit.state.logenabled = true;
  const QString dir = folder(QStringLiteral("b"), {QStringLiteral("a.MP3"), QStringLiteral("b.MP3")});
  backend.unplayableByMediaPlayer = {QStringLiteral("*")};
  addSong({"ad", "08:00:00", "08:10:00", dir, PlayMode::LoopAll, 2, "副通道", "00:10:00", 70});
  load();
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 0)));
  start(QStringLiteral("ad"));
  ASSERT_NE(secondStream(), nullptr);
  EXPECT_EQ(secondStream()->volume(), 700);
  // Whatever player took the song, the stop button is there to stop it.
  EXPECT_TRUE(secondStream()->isPlaying() && second().lineItalic() && second().Timer_bass2process.isActive() &&
              !second().Timer_music2process.isActive() && main().stopButtonShown());
  EXPECT_TRUE(log().contains("<2024-05-01 08:00:00>  [歌名:（副通道）]" + path("b/a.MP3")));
  second().Timer_bass2processTimer();
  EXPECT_EQ(second().line(), "正在播放副通道节目<ad>中的歌曲：" + path("b/a.MP3") + " 【3:00/0:00】");
  // Its end is noticed by the position timer, which goes on by the play mode.
  secondStream()->finish();
  second().Timer_bass2processTimer();
  EXPECT_EQ(secondStream()->fileName(), path("b/b.MP3"));
  EXPECT_TRUE(second().Timer_bass2process.isActive());
  // The main channel on its stream player keeps the stop button when the second one ends.
  addSong({"bg", "08:00:00", "08:30:00", dir, PlayMode::LoopAll, 2, "主通道", "00:30:00", 80});
  load();
  start(QStringLiteral("bg"));
  start(QStringLiteral("ad"));
  ASSERT_TRUE(mainStream()->isPlaying());
  end(QStringLiteral("ad"));
  EXPECT_TRUE(!second().busy() && main().stopButtonShown());
}

TEST_F(SongFixture, EmptySourcesShowTheirMessagesAndTheEntryStaysPlaying) {
  QDir().mkpath(music.filePath("nothing"));
  testing_support::writeFile(music.filePath("nothing/readme.txt"), "no songs");
  const QString list = testing_support::writeFile(music.filePath("gone.pl3"), path("missing.mp3").toUtf8());
  const int folderId = addSong({"folder", "08:00:00", "08:10:00", music.filePath("nothing"), PlayMode::InOrder, 2});
  addSong({"list", "08:10:00", "08:20:00", list, PlayMode::InOrder, 3});
  addSong({"single", "08:20:00", "08:30:00", path("missing.mp3"), PlayMode::Single, 1});
  load();
  start(QStringLiteral("folder"));
  EXPECT_EQ(main().songLine(), "\"" + music.filePath("nothing") + "\" 文件夹中没有歌曲!");
  EXPECT_EQ(statusOf(folderId), QStringLiteral("正播"));
  start(QStringLiteral("list"));
  EXPECT_EQ(main().songLine(), "\"" + list + "\" 播放列表中没有歌曲或歌曲不存在!");
  start(QStringLiteral("single"));
  EXPECT_TRUE(main().songLine() == "\"" + path("missing.mp3") + "\" 歌曲不存在!" && !main().busy());
}

TEST_F(SongFixture, SeekingOnlyForMoreThanTenSeconds) {
  addSong({"long", "08:00:00", "08:10:00", song("long.wav"), PlayMode::Single, 1});
  load();
  start(QStringLiteral("long"));
  mainPlayer()->setPosition(60000);
  main().Timer_musicprocessTimer();
  EXPECT_EQ(QString::number(main().trackPosition()) + main().nowText() + main().allText(), QStringLiteral("600001:00/ 3:00"));
  mainPlayer()->calls.clear();
  main().TrackBar2Change(69000);
  EXPECT_TRUE(mainPlayer()->calls.filter("seek").isEmpty());
  main().TrackBar2Change(71000);
  EXPECT_EQ(mainPlayer()->calls, (QStringList{"seek 71000", "play"}));
  EXPECT_EQ(mainPlayer()->positionMs(), 71000);
  main().TrackBar2Change(900000);
  EXPECT_EQ(mainPlayer()->positionMs(), mainPlayer()->lengthMs());
  mainPlayer()->pause();
  mainPlayer()->calls.clear();
  main().TrackBar2Change(0);
  EXPECT_TRUE(mainPlayer()->calls.isEmpty());
}

TEST_F(SongFixture, ASongAfterAnMp3FromTheStreamPlayerIsShownUpright) {
  const QString mp3 = song(QStringLiteral("x.MP3")), wav = song(QStringLiteral("y.wav"));
  backend.unplayableByMediaPlayer = {mp3};
  ASSERT_EQ(main().PlayMainFile(false, mp3), 2);
  EXPECT_TRUE(main().songLineItalic());
  ASSERT_EQ(main().PlayMainFile(false, wav), 1);
  EXPECT_EQ(main().songLine(), QStringLiteral("正在播放：") + wav);
  EXPECT_FALSE(main().songLineItalic());
}

TEST_F(SongFixture, ASongIsOpenedTheSecondBeforeItsStartAndItsStatusChangesOneRow) {
  SlowHost host;
  host.clock = &clock;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
  const QString bell = song(QStringLiteral("bell.wav"));
  for (int k = 0; k < 50; ++k)  // a day around it
    addSong({QStringLiteral("其他%1").arg(k), SecondsToTime(9 * 3600 + k * 60), SecondsToTime(9 * 3600 + k * 60 + 30),
             bell, "单曲播放", 1});
  const int id = addSong({"铃声", "08:20:00", "08:20:05", bell, "单曲播放", 1});
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

TEST_F(SongFixture, ATickThatOutlastsItsSecondWalksTheNextOneAtOnceAndNeverEarly) {
  // How far into the next seconds the tick of 08:00:00 ends; the ticks that follow at once.
  for (auto [overrunMs, ticksAtOnce] : {std::pair{300, 0}, {990, 1}, {2500, 1}}) {
    SCOPED_TRACE(overrunMs);
    SlowHost host;
    host.clock = &clock;
    host.overrunMs = overrunMs;
    Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 59, 59, 500)));
    dispatcher.start();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 0, 0, 10)));
    dispatcher.Timer1Timer();
    const qint64 walked = dispatcher.watermark();
    QSignalSpy ticks(&dispatcher, &Dispatcher::ticked);
    testing_support::waitUntil([] { return false; }, 150);  // the clock stands still meanwhile
    EXPECT_EQ(ticks.count(), ticksAtOnce);
    EXPECT_EQ(dispatcher.watermark(), ticksAtOnce ? clock.now().toSecsSinceEpoch() : walked);
  }
}

TEST_F(SongFixture, ASongOpenedAheadNeverHoldsUpTheSecondItIsFor) {
  SlowHost host;
  host.clock = &clock;
  Dispatcher dispatcher{unit.state, clock, runner, host, unit.fired, unit.today};
  const QString bell = song(QStringLiteral("bell.wav"));
  addSong({"铃声", "08:20:00", "08:20:05", bell, "单曲播放", 1});
  // How long the file takes to open, when the tick before its second comes, whether it is
  // opened then (else at its start, as without opening ahead).
  struct Case {
    int opensInMs, tickMs;
    bool ahead;
  };
  for (const Case& c : {Case{0, 2, true}, Case{900, 2, true}, Case{2000, 2, false}, Case{0, 960, false}}) {
    SCOPED_TRACE(testing::Message() << c.opensInMs << " ms at " << c.tickMs);
    backend.openTakesMs[bell] = c.opensInMs;
    unit.fired = FiredSet();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 58)));
    load();
    dispatcher.start();
    dispatcher.stop();
    mainPlayer()->opened.clear();
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 19, 59, c.tickMs)));
    dispatcher.Timer1Timer();
    EXPECT_EQ(mainPlayer()->opened, c.ahead ? QStringList{bell} : QStringList{});
    EXPECT_FALSE(mainPlayer()->isPlaying()) << "heard before its second";
    clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 20, 0, 2)));
    dispatcher.Timer1Timer();
    EXPECT_EQ(mainPlayer()->opened, QStringList{bell});
    EXPECT_TRUE(mainPlayer()->isPlaying());
  }
}

TEST_F(SongFixture, OnlyAnEndTheClockCanReadIsBroughtForwardForTheFade) {
  unit.state.fadeenabled = true;
  // The stored end and the end the clock meets (a malformed one never).
  const std::vector<std::pair<QString, QString>> ends = {{"07:35:00", "07:34:56"}, {"00:00:02", "23:59:58"},
                                                         {"7:35:00", "7:35:00"},   {"07:35:00 ", "07:35:00 "},
                                                         {"07:75:00", "07:75:00"}};
  for (const auto& [stored, met] : ends)
    addSong({stored, "07:30:00", stored, song("a.mp3"), "单曲播放", 1});
  load();
  for (const auto& [stored, met] : ends) EXPECT_EQ(unit.state.todayentries[std::size_t(indexOf(stored))].endtime, met);
}

TEST_F(SongFixture, TheCatchUpPassesOverAnEntryOfAnUnknownKind) {
  addSong({"music", "08:00:00", "09:00:00", song("m.mp3"), "单曲播放", 1});
  addSong({"kind nine", "08:30:00", "08:45:00", song("n.mp3"), "单曲播放", 9});
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(8, 35, 0)));
  load();
  unit.today.CatchUpEntry();
  EXPECT_EQ(unit.state.currentid, unit.state.todayentries[std::size_t(indexOf(QStringLiteral("music")))].id);
  EXPECT_TRUE(mainPlayer()->isPlaying());
}
