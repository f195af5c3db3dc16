// The player window on the fake media layer (every rule of playing, modes, seeking, the list)
// and once for real through libmpv on the private sound server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/audiotools.h"
#include "controls/flatTrkBar.h"
#include "platform/files/textfile.h"
#include "platform/media/fakemediabackend.h"
#include "platform/media/fakemediachannel.h"
#include "platform/media/mpvbackend.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/mainstate.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

namespace {

using orvane::ChannelKind;

struct PlayerFixture : ::testing::Test {
  testing_support::TempHome home;
  orvane::FakeMediaBackend media;
  MainState state;
  orvane::ScopedMessageResponder boxes;
  QStringList files;
  PlayerFixture() {
    AudioToolsContext c;
    c.media = &media;
    c.state = &state;
    InstallAudioTools(c);
    for (const char* name : {"a.mp3", "b.MP3", "c.wav", "d.wma"}) files << testing_support::writeFile(home.file(name), "x");
  }
  ~PlayerFixture() override { AudioTools() = {}; }
  orvane::FakeMediaChannel* player(ChannelKind k) { return media.channel(k, int(media.channel(k, 1) ? 1 : 0)); }
};

TEST_F(PlayerFixture, PlayFileFallsBackToTheStreamOnlyForMp3AndOnlyWithTheSwitch) {
  TForm_player p;
  struct { int file; bool mediaFails, streamFails, usebass; int result; } cases[] = {
      {0, false, false, true, 1}, {0, true, false, true, 2}, {1, true, false, true, 2}, {1, true, false, false, 0},
      {2, true, false, true, 0},  {3, true, false, true, 0}, {0, true, true, true, 0}};
  for (auto c : cases) {
    media.unplayableByMediaPlayer = c.mediaFails ? QSet<QString>{files[c.file]} : QSet<QString>{};
    media.unplayableByStream = c.streamFails ? QSet<QString>{files[c.file]} : QSet<QString>{};
    state.usebass = c.usebass;
    EXPECT_EQ(p.PlayFile(files[c.file]), c.result) << files[c.file].toStdString();
    if (c.result) { EXPECT_EQ(p.Label_file->font().italic(), c.result == 2); }
    if (c.result) { EXPECT_EQ(p.Label_file0->text(), "正在播放："); }
  }
}

TEST_F(PlayerFixture, ModesPickTheNextEntryAndGiveUpAfterOnePass) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  TForm_player::Random = [](int n) { return n - 1; };  // the whole list may be drawn
  struct { QCheckBox* box; int from; QSet<QString> bad; int row; QString state; int opens; } cases[] = {
      {p.CheckBox2, 0, {}, 1, "正在播放：", 1},
      {p.CheckBox2, 3, {}, 3, "停止播放：", 0},
      {p.CheckBox2, 0, {files[1], files[2]}, 3, "正在播放：", 3},
      {p.CheckBox3, 0, {}, 3, "正在播放：", 1},
      {p.CheckBox3, 0, {"*"}, 3, "停止播放：", 4},
      {p.CheckBox1, 2, {"*"}, 2, "停止播放：", 1},
      {nullptr, 1, {}, 1, "正在播放：", 1}};
  state.usebass = false;
  for (auto& c : cases) {
    for (QCheckBox* b : {p.CheckBox1, p.CheckBox2, p.CheckBox3}) b->setChecked(b == c.box);
    media.unplayableByMediaPlayer = c.bad;
    p.ListBox3->setCurrentRow(c.from);
    p.Label_file0->clear();
    auto* ch = media.channel(ChannelKind::MediaPlayer);
    const auto before = ch->calls.filter("open ").size();
    p.PlayNext();
    EXPECT_EQ(p.ListBox3->currentRow(), c.row);
    EXPECT_EQ(p.Label_file0->text(), c.state);
    EXPECT_EQ(ch->calls.filter("open ").size() - before, c.opens);
  }
  // Repeat-one on a vanished file, and the mode boxes exclude each other.
  p.CheckBox1->setChecked(true);
  p.CheckBox2->click();
  EXPECT_FALSE(p.CheckBox1->isChecked());
  p.CheckBox1->click();
  QFile::remove(files[2]);
  p.ListBox3->setCurrentRow(2);
  p.PlayNext();
  EXPECT_EQ(p.Label_file->text(), "您选择的歌曲不存在");
}

TEST_F(PlayerFixture, SeeksOnlyOnMovesOverTenSecondsAndEndsByChannel) {
  TForm_player p;
  for (const QString& f : files) p.InsertSong(-1, f);
  p.ListBox3->setCurrentRow(0);
  p.SpeedButton7->click();
  auto* ch = media.channel(ChannelKind::MediaPlayer);
  ch->setPosition(20000);
  for (auto [to, seeks] : {std::pair{25000, false}, {40000, true}, {35000, false}}) {
    ch->calls.clear();
    p.FlatTrackBar1->SetPosition(to);
    EXPECT_EQ(ch->calls.contains(QString("seek %1").arg(to)), seeks) << to;
    if (seeks) ch->setPosition(to);
  }
  // The media player's end: nothing follows without a mode box; the stream's end replays.
  ch->finish();
  EXPECT_EQ(ch->opened.size(), 1);
  state.usebass = true;
  media.unplayableByMediaPlayer = {"*"};
  ASSERT_EQ(p.PlayFile(files[0]), 2);
  media.channel(ChannelKind::Stream)->finish();
  EXPECT_EQ(media.channel(ChannelKind::Stream)->opened.size(), 2);
  // Volume: the hint rounds half to even.
  media.unplayableByMediaPlayer = {};
  p.PlayFile(files[0]);
  p.FlatTrackBar2->SetPosition(125);
  EXPECT_EQ(p.FlatTrackBar2->toolTip(), "音量调节(12%)");
  EXPECT_EQ(ch->volume(), 125);
  // Stop.
  p.SpeedButton9->click();
  EXPECT_EQ(std::tuple(p.Label_file0->text(), p.ListBox3->currentRow(), p.SpeedButton9->isEnabled()),
            std::tuple(QString("停止播放："), -1, false));
}

TEST_F(PlayerFixture, ListEditsStayInStepAndOnlyAChangedListIsWritten) {
  orvane::writeTextLines(home.file("playlist.txt"), {files[0], "", "  ", "/x/-lead \"q\" blank.mp3"});
  QPointer<TForm_player> first = new TForm_player;
  QPointer<TForm_player> stale = new TForm_player;
  EXPECT_EQ(first->ListBox3->count(), 2);
  EXPECT_EQ(first->ListBox3->item(1)->text(), "-lead \"q\" blank");
  first->InsertSong(-1, files[2]);
  first->ListBox3DragDrop(0, QPoint(5, 5000));  // below the last entry: to the end
  EXPECT_EQ(first->SongPath(2), files[0]);
  EXPECT_EQ(first->ListBox3->item(2)->text(), "a");
  EXPECT_EQ(first->ListBox3->currentRow(), 2);
  first->ListBox3->setFocus();
  QTest::keyClick(first->ListBox3, Qt::Key_Up);
  EXPECT_EQ(first->SongPath(1), files[0]);
  EXPECT_EQ(first->ListBox3->currentRow(), 1);
  first->close();
  stale->close();  // unchanged: does not undo the first window's edits
  ASSERT_TRUE(testing_support::waitUntil([&] { return first.isNull() && stale.isNull(); }));
  EXPECT_EQ(orvane::readTextLines(home.file("playlist.txt")).size(), 3);
  struct { qint64 ms; const char* text; } times[] = {{3725000, "1:02:05"}, {187000, "3:07"}, {0, "0:00"}};
  for (auto t : times) EXPECT_EQ(TForm_player::FormatPlayTime(t.ms), t.text);
  struct { const char* path; const char* title; } titles[] = {{"/m/a.b.mp3", "a.b"}, {"C:\\x\\y.wav", "y"}, {"z", "z"}};
  for (auto t : titles) EXPECT_EQ(TForm_player::GetSongTitle(t.path), t.title);
}

TEST(PlayerSound, ATonePlaysOnTheMonitorAndVolume500HalvesIt) {
  if (!testing_support::MonitorRecorder::serverAvailable()) GTEST_SKIP() << "no private sound server";
  testing_support::TempHome home;
  auto* monitor = testing_support::MonitorRecorder::shared();
  ASSERT_NE(monitor, nullptr);
  orvane::MpvBackend media;
  AudioToolsContext c;
  c.media = &media;
  InstallAudioTools(c);
  const QString tone = testing_support::writeToneWav(home.file("tone.wav"), 3.0, 1000, 0.5);
  TForm_player p;
  double levels[2];
  for (int i = 0; i < 2; ++i) {
    p.FlatTrackBar2->SetPosition(i == 0 ? 1000 : 500);
    const auto t0 = testing_support::MonitorRecorder::Clock::now();
    ASSERT_EQ(p.PlayFile(tone), 1);
    QTest::qWait(1500);
    levels[i] = monitor->maxRms(t0 + std::chrono::milliseconds(500), testing_support::MonitorRecorder::Clock::now());
    p.SpeedButton9->click();
  }
  EXPECT_GT(levels[0], 0.2);
  EXPECT_NEAR(levels[1] / levels[0], 0.5, 0.025);
  AudioTools() = {};
}

}  // namespace
