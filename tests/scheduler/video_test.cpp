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
  // A panel whose rows are no whole number of 64 bytes (650 × 4): the player draws without a
  // copy only into 64-byte aligned rows, and the picture paints opaque onto a surface with
  // alpha (the player leaves the padding byte of its 32-bit pixels 0).
  w.setClientSize(650, 490);
  std::shared_ptr<const orvane::VideoPicture> picture;
  ASSERT_TRUE(testing_support::waitUntil([&] {
    picture = w.player() ? w.player()->videoPicture() : nullptr;
    return picture && picture->size == QSize(650, 490);
  }));
  EXPECT_EQ(picture->stride, 2624);
  EXPECT_EQ(quintptr(picture->bits()) % 64, 0u);
  QImage painted(w.Panel1->size(), QImage::Format_ARGB32_Premultiplied);
  painted.fill(Qt::transparent);
  w.Panel1->render(&painted);
  const QRgb centre = painted.pixel(325, 245);
  EXPECT_EQ(qAlpha(centre), 255);
  EXPECT_TRUE(qRed(centre) > 200 && qGreen(centre) < 60 && qBlue(centre) < 60) << std::hex << centre;
  QTest::keyClick(&w, Qt::Key_A);
  EXPECT_TRUE(w.isFullScreen());
  ASSERT_TRUE(testing_support::waitUntil([&] { return w.Panel1->size() == w.screen()->size(); }));
  // S: the time overlay in the panel's bottom right corner, with the main panel's texts.
  QTest::keyClick(&w, Qt::Key_S);
  EXPECT_TRUE(w.N6->isChecked() && w.Panel2->isVisible() && w.Timer1.isActive());
  EXPECT_EQ(w.Panel2->geometry().bottomRight(), w.Panel1->geometry().bottomRight());
  // It follows the panel to the window's normal size.
  QTest::keyClick(&w, Qt::Key_Escape);
  ASSERT_TRUE(testing_support::waitUntil([&] { return w.Panel1->width() == 640; }));
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

namespace {
bool ffmpeg(const QStringList& args) {
  return QProcess::execute(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + args) == 0;
}
}  // namespace

TEST_F(VideoWindowTest, BadVideosAreLoggedAndTheNextSongPlays) {
  const auto file = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
  const QString good = file("main/b.wav");
  // A picture made unreadable halfway, a picture without sound, a sound file whose only
  // picture is its cover, a single picture, a 4K picture, and a file that goes while it plays.
  QFile::copy(file("main/a.mp4"), file("damaged.mp4"));
  {
    QFile f(file("damaged.mp4"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    f.seek(size / 3);
    f.write(QByteArray(int(size / 3), '\x5a'));
  }
  ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "color=c=red:s=160x120:r=25:d=1", "-frames:v", "1", "-pix_fmt", "yuv420p",
                      file("one.mp4")}));
  ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=3840x2160:r=25:d=1", "-c:v", "libx264", "-preset", "ultrafast",
                      "-pix_fmt", "yuv420p", file("4k.mp4")}));
  ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "sine=f=440:d=2", "-f", "lavfi", "-i", "color=c=blue:s=64x64:d=1", "-map", "0",
                      "-map", "1", "-frames:v", "1", "-c:a", "aac", "-c:v", "png", "-disposition:v", "attached_pic",
                      file("cover.mp4")}));
  ASSERT_TRUE(makeVideo(file("gone.mp4"), "red", 3));
  MainChannel& main = songs.main();
  const struct {
    const char* name;
    const char* logged;  // what the log says of it
  } cases[] = {{"damaged.mp4", "damaged.mp4"}, {"main/a.mp4", "no sound track"}, {"cover.mp4", "no picture, sound aac"},
               {"one.mp4", "picture 160x120"}, {"4k.mp4", "picture 3840x2160"}, {"gone.mp4", "gone.mp4"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::LoggedMessages log;
    main.PlayMainFile(false, file(c.name));
    if (QLatin1String(c.name) == QLatin1String("gone.mp4")) QFile::remove(file(c.name));
    testing_support::waitUntil([] { return false; }, 600);
    EXPECT_GT(log.lines.filter(QLatin1String(c.logged)).size(), 0) << qPrintable(log.lines.join('\n'));
    ASSERT_EQ(main.PlayMainFile(false, good), 1);
    EXPECT_TRUE(main.player()->isPlaying());
    EXPECT_FALSE(w.isVisible()) << "a sound file after the video closes the window";
  }
}
