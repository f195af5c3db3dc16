#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/songentries.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "tests/scheduler/schedulerfixture.h"
#include "tests/support/soundfiles.h"

namespace {
// A red (or other colour) picture of `seconds`, no sound.
bool makeVideo(const QString& path, const char* colour, int seconds = 4) {
  return QProcess::execute(QStringLiteral("ffmpeg"),
                           {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                            QStringLiteral("lavfi"), QStringLiteral("-i"),
                            QStringLiteral("color=c=%1:s=160x120:r=25:d=%2").arg(QLatin1String(colour)).arg(seconds),
                            QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), path}) == 0;
}

orvane::MpvSettings silent() {
  orvane::MpvSettings s;
  s.audioOutput = "null";
  s.silentFallback = false;
  return s;
}

class VideoWindowTest : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    ASSERT_TRUE(dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1")));
    unit.ReadSettings();
    for (const char* folder : {"main", "second"}) QDir().mkpath(dir.filePath(QLatin1String(folder)));
    ASSERT_TRUE(makeVideo(dir.filePath(QStringLiteral("main/a.mp4")), "red"));
    testing_support::writeToneWav(dir.filePath(QStringLiteral("main/b.wav")), 3);
    ASSERT_TRUE(makeVideo(dir.filePath(QStringLiteral("main/c.mp4")), "red"));
    songs.main().setVideoHandOff(&w);
  }
  // A song-list entry of the files on the channel, started: its first song plays.
  rjmb listEntry(const QStringList& files, const QString& channel) {
    QByteArray lines;
    for (const QString& f : files) lines += dir.filePath(f).toUtf8() + "\r\n";
    rjmb e;
    e.id = 1;
    e.pname = QStringLiteral("视频");
    e.jmlx = 3;
    e.slpath = testing_support::writeFile(dir.filePath(channel + QStringLiteral(".pl3")), lines);
    e.playmode = QStringLiteral("顺序播放");
    e.ivolume = 80;
    e.mainchannel = channel;
    return e;
  }
  bool redPanel() {
    const QImage picture = w.Panel1->grab().toImage();
    const QColor c = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
  }
  QTemporaryDir dir;
  orvane::MpvBackend mpv{silent()};
  SongEntries songs{dm, unit.state, clock, unit.today, &mpv};
  int stops = 0;
  TForm_showvideo w{unit.state, songs, [this] {
                      ++stops;
                      songs.SpeedButton1Click();
                    },
                    nullptr};
};
}  // namespace

TEST_F(VideoWindowTest, PictureKeysOverlayAndStepping) {
  EXPECT_EQ(w.caption(), QStringLiteral("视频播放"));
  EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint && w.windowFlags() & Qt::WindowStaysOnTopHint);
  QStringList items;
  for (QAction* a : w.PopupMenu1->actions()) items << a->text();
  EXPECT_EQ(items.join(QLatin1Char('|')),
            QStringLiteral("上一首(&P)|下一首(&N)|停止播放(&Q)|全屏(&A)|退出全屏(&Esc)|显示播放时间(&S)"));
  EXPECT_FALSE(w.isVisible());
  MainChannel& main = songs.main();
  main.StartSongs(listEntry({"main/a.mp4", "main/b.wav", "main/c.mp4"}, kMainChannel), false);
  ASSERT_EQ(main.songs().size(), 3);
  ASSERT_TRUE(main.player()->isPlaying());
  EXPECT_TRUE(w.isVisible() && w.isFullScreen() && unit.state.videoshown);
  ASSERT_TRUE(testing_support::waitUntil([&] { return redPanel(); })) << "the red picture reaches Panel1";
  // Next onto sound closes the window and lets the player go; onto video it covers the screen
  // again; past the end the limit shows.
  QTest::keyClick(&w, Qt::Key_N);
  EXPECT_EQ(main.selected(), 1);
  EXPECT_FALSE(w.isVisible() || unit.state.videoshown);
  EXPECT_EQ(w.player(), nullptr);
  w.N2Click();
  EXPECT_TRUE(w.isVisible() && w.isFullScreen());
  EXPECT_TRUE(main.songLine().endsWith(QStringLiteral("c.mp4")));
  QTest::keyClick(&w, Qt::Key_N);
  EXPECT_EQ(main.selected(), 2);
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].text + boxes.asked()[0].caption + QString::number(boxes.asked()[0].flags),
            QStringLiteral("已是最后一首提示0"));
  // Esc: the 640 × 480 window at 100,100; A: full screen again.
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_FALSE(w.isFullScreen());
  EXPECT_EQ(w.geometry(), QRect(100, 100, 640, 480));
  ASSERT_TRUE(testing_support::waitUntil([&] { return redPanel(); })) << "the picture follows the panel's size";
  QTest::keyClick(&w, Qt::Key_A);
  EXPECT_TRUE(w.isFullScreen());
  // S: the time overlay in the panel's bottom right corner, with the main panel's texts.
  QTest::keyClick(&w, Qt::Key_S);
  EXPECT_TRUE(w.N6->isChecked() && w.Panel2->isVisible() && w.Timer1.isActive());
  EXPECT_EQ(w.Panel2->geometry().bottomRight(), w.Panel1->geometry().bottomRight());
  w.Timer1Timer();
  EXPECT_EQ(w.Label1->text(), main.nowText() + QLatin1Char(' ') + main.allText());
  EXPECT_TRUE(w.Label1->text().endsWith(QStringLiteral("/ 0:04")));
  QTest::keyClick(&w, Qt::Key_S);
  EXPECT_FALSE(w.Panel2->isVisible() || w.Timer1.isActive());
  // P back to the first song (through the sound), then the first limit.
  QTest::keyClick(&w, Qt::Key_P);
  w.N1Click();
  EXPECT_EQ(main.selected(), 0);
  EXPECT_TRUE(w.isVisible());
  boxes.clear();
  QTest::keyClick(&w, Qt::Key_P);
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].text, QStringLiteral("已是第一首"));
  // Q stops both channels through the song panel's stop and closes the window.
  QTest::keyClick(&w, Qt::Key_Q);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(w.isVisible() || unit.state.videoshown);
  EXPECT_FALSE(main.player()->isOpen());
}

TEST_F(VideoWindowTest, FailuresAndTheSecondChannelsOwnList) {
  // A file gone and a file that is no video: their own lines, the window closed.
  MainChannel& main = songs.main();
  testing_support::writeFile(dir.filePath(QStringLiteral("main/d.mp4")), "not a video");
  main.StartSongs(listEntry({"main/a.mp4", "main/b.wav", "main/c.mp4", "main/d.mp4"}, kMainChannel), false);
  QFile::remove(dir.filePath(QStringLiteral("main/b.wav")));
  ASSERT_TRUE(main.player()->isPlaying());
  w.N2Click();
  EXPECT_EQ(main.songLine(), QStringLiteral("歌曲文件不存在!"));
  EXPECT_FALSE(w.isVisible());
  main.selectSong(2);
  w.N2Click();
  EXPECT_EQ(main.selected(), 3);
  EXPECT_EQ(main.songLine(), QStringLiteral("不能播放此首歌曲!"));
  // The second channel feeds the window: previous and next step through its own list, and
  // the overlay shows its player's times.
  ASSERT_TRUE(makeVideo(dir.filePath(QStringLiteral("second/x.mp4")), "red"));
  ASSERT_TRUE(makeVideo(dir.filePath(QStringLiteral("second/y.mp4")), "red", 2));
  SecondChannel& second = songs.second();
  unit.state.channelname = kSecondChannel;
  ASSERT_TRUE(second.StartSongs(listEntry({"second/x.mp4", "second/y.mp4"}, kSecondChannel), EntryMode::Auto));
  EXPECT_TRUE(w.isVisible());
  ASSERT_TRUE(testing_support::waitUntil([&] { return redPanel(); }));
  w.N2Click();
  EXPECT_EQ(second.selected(), 1);
  EXPECT_EQ(main.selected(), 3) << "the main list stays where it was";
  EXPECT_TRUE(second.player()->fileName().endsWith(QStringLiteral("y.mp4")));
  w.N6->trigger();
  EXPECT_TRUE(w.Label1->text().endsWith(QStringLiteral(" / 0:02"))) << qPrintable(w.Label1->text());
  boxes.clear();
  w.N2Click();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].text, QStringLiteral("已是最后一首"));
  // A double-click on the picture stops.
  QTest::mouseDClick(w.Panel1, Qt::LeftButton);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(w.isVisible());
}
