#include "tests/scheduler/kindsfixture.h"

TEST_F(KindsFixture, AnOddAddressIsRefusedAndABrokenOffRadioStaysPlaying) {
  const int id = addOther(QStringLiteral("电台"), 5, QStringLiteral("http://127.0.0.1:9/none"));
  // Not an address of a stream, nor a file: refused, not handed to the player's protocols.
  const int odd = addOther(QStringLiteral("怪地址"), 5, QStringLiteral("lavfi://sine"));
  load();
  backend.requireExistingFiles = true;
  start(QStringLiteral("怪地址"));
  EXPECT_TRUE(radio.status().startsWith(QStringLiteral("无法播放")));
  EXPECT_EQ(statusOf(odd), QStringLiteral("正播"));
  runner.StopAll();
  backend.requireExistingFiles = false;
  // Broken off while playing: the panel says so; the entry goes on to its end.
  start(QStringLiteral("电台"));
  settle();
  backend.channel(orvane::ChannelKind::Stream, 2)->breakOff(QStringLiteral("connection reset"));
  EXPECT_TRUE(radio.shown() && radio.status().contains(QStringLiteral("connection reset")));
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
}

TEST_F(KindsFixture, AnOverlappingRadioOrPageIsNotSilencedByTheEndOfTheOneItReplaced) {
  const int c = addOther(QStringLiteral("早台"), 5, QStringLiteral("http://127.0.0.1:8000/a"), 100, "08:00:00", "08:45:00");
  addOther(QStringLiteral("晚台"), 5, QStringLiteral("http://127.0.0.1:8000/b"), 100, "08:30:00", "09:00:00");
  addOther(QStringLiteral("早页"), 6, QStringLiteral("http://127.0.0.1:8000/p"), 100, "10:00:00", "10:45:00");
  addOther(QStringLiteral("晚页"), 6, QStringLiteral("http://127.0.0.1:8000/q"), 100, "10:30:00", "11:00:00");
  load();
  start(QStringLiteral("早台"));
  start(QStringLiteral("晚台"));
  settle();
  orvane::FakeMediaChannel* player = backend.channel(orvane::ChannelKind::Stream, 2);
  // The first address, replaced before it answered, never opened.
  EXPECT_EQ(player->opened, QStringList{QStringLiteral("http://127.0.0.1:8000/b")});
  end(QStringLiteral("早台"));
  EXPECT_TRUE(radio.shown() && player->isPlaying());
  EXPECT_EQ(player->fileName(), QStringLiteral("http://127.0.0.1:8000/b"));
  EXPECT_EQ(statusOf(c), QStringLiteral("已播"));
  end(QStringLiteral("晚台"));
  EXPECT_FALSE(radio.shown());
  start(QStringLiteral("早页"));
  start(QStringLiteral("晚页"));
  end(QStringLiteral("早页"));
  EXPECT_TRUE(web.shown());
  EXPECT_EQ(panel.calls.last(), QStringLiteral("show http://127.0.0.1:8000/q"));
  end(QStringLiteral("晚页"));
  EXPECT_FALSE(web.shown());
}

// The panel follows the station: "正在连接…" until it answers, then "正在播放" or why not; an
// end or a stop before the answer closes the player and the late answer changes nothing.
TEST_F(KindsFixture, ARadioFollowsItsStationsAnswerAndAnEndBeforeTheAnswerLeavesNothingPlaying) {
  const QString address = QStringLiteral("http://127.0.0.1:8000/live");
  const int id = addOther(QStringLiteral("电台"), 5, address);
  load();
  backend.answerAddresses = false;  // the station answers when the test says so
  QStringList shown;
  QObject::connect(&radio, &RadioEntries::panelChanged, [&] { shown << radio.status(); });
  start(QStringLiteral("电台"));
  orvane::FakeMediaChannel* player = backend.channel(orvane::ChannelKind::Stream, 2);
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(shown, QStringList{QStringLiteral("正在连接…")});
  EXPECT_TRUE(player->opening() && !player->calls.contains(QStringLiteral("play")));
  EXPECT_TRUE(radio.shown() && runner.SomethingPlaying());
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
  player->answer();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("正在连接…"), QStringLiteral("正在播放")}));
  EXPECT_TRUE(player->isPlaying());
  EXPECT_EQ(player->calls.last(), QStringLiteral("play"));
  end(QStringLiteral("电台"));
  EXPECT_FALSE(player->isOpen());
  shown.clear();
  start(QStringLiteral("电台"));
  EXPECT_TRUE(player->opening());
  end(QStringLiteral("电台"));
  EXPECT_FALSE(player->opening());
  player->answer();
  settle();
  EXPECT_FALSE(player->isOpen());
  EXPECT_EQ(player->opened.size(), 1);
  EXPECT_TRUE(!radio.shown() && radio.status().isEmpty());
  EXPECT_EQ(shown, (QStringList{QStringLiteral("正在连接…"), QString()}));
  EXPECT_FALSE(runner.SomethingPlaying());
  EXPECT_EQ(statusOf(id), QStringLiteral("已播"));
  // Stopped before an answer that was already on its way through the event loop.
  backend.answerAddresses = true;
  start(QStringLiteral("电台"));
  runner.StopAll();
  settle();
  EXPECT_FALSE(player->isOpen());
  EXPECT_EQ(player->opened.size(), 1);
  EXPECT_FALSE(radio.shown());
  // A station that cannot be played says so when it answers; the entry goes on to its end.
  backend.answerAddresses = false;
  backend.unplayableByStream.insert(address);
  shown.clear();
  start(QStringLiteral("电台"));
  player->answer();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("正在连接…"), QStringLiteral("无法播放：cannot open ") + address}));
  EXPECT_TRUE(radio.shown() && !player->isOpen());
  EXPECT_EQ(statusOf(id), QStringLiteral("正播"));
}

// Rows numbered past the range of an int (2^32 + 1 cut to an int is 1): each entry's start,
// end, status and output stay its own under the dispatcher, for every kind that keeps the
// entry whose output it plays.
TEST_F(DispatchedKindsFixture, AnIdPastTheRangeOfAnIntIsNeverTakenForAnother) {
  const qint64 first = 1, past = (qint64(1) << 32) + 1;
  const QString a = song(QStringLiteral("a.mp3")), b = song(QStringLiteral("b.mp3"));
  const QString pageA = QStringLiteral("http://127.0.0.1:8000/a"), pageB = QStringLiteral("http://127.0.0.1:8000/b");
  const struct {
    int kind;
    QString first, past;           // what each entry plays
    const char* replaced;          // the first entry's status once the second took its output
    std::function<bool()> pastPlays;
  } cases[] = {
      {1, a, b, "已播", [&] { return mainPlayer()->isPlaying() && mainPlayer()->fileName() == b; }},
      {5, pageA, pageB, "正播",
       [&] {
         orvane::FakeMediaChannel* player = backend.channel(orvane::ChannelKind::Stream, 2);
         return radio.shown() && player && player->isPlaying() && player->fileName() == pageB;
       }},
      {6, pageA, pageB, "正播", [&] { return web.shown() && panel.calls.last() == QStringLiteral("show ") + pageB; }},
  };
  int hour = 8;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb"));
    // Both start in the same second; the second takes the output, and the first one's end
    // must not take it away.
    const QTime start(hour++, 0);
    for (const auto& [id, path, seconds] : {std::tuple{first, c.first, 10}, std::tuple{past, c.past, 20}})
      insertRow({{"id", id}, {"pname", QString::number(id)}, {"starttime", start.toString(u"HH:mm:ss")},
                 {"endtime", start.addSecs(seconds).toString(u"HH:mm:ss")}, {"slpath", path}, {"tlength", "00:00:10"},
                 {"playmode", c.kind == 1 ? "单曲播放" : "网络电台"}, {"ivolume", 100}, {"Schedulen", "日常"},
                 {"jmlx", c.kind}, {"mainchannel", "主通道"}});
    startAt(at(start.hour(), 0, 0).addSecs(-1));
    tickAt(at(start.hour(), 0, 0));
    settle();
    EXPECT_EQ(statusOf(first) + '|' + statusOf(past), QString::fromUtf8(c.replaced) + QStringLiteral("|正播"));
    EXPECT_EQ(unit.state.currentid, past);
    tickThrough(at(start.hour(), 0, 10));
    EXPECT_EQ(statusOf(first) + '|' + statusOf(past), QStringLiteral("已播|正播"));
    EXPECT_TRUE(c.pastPlays());
    tickThrough(at(start.hour(), 0, 20));
    EXPECT_EQ(statusOf(first) + '|' + statusOf(past), QStringLiteral("已播|已播"));
    EXPECT_FALSE(c.pastPlays());
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("已播"), QStringLiteral("已播")}));
  }
}
