#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include "platform/media/mpvbackend.h"
#include "scheduler/core/songentries.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "tests/scheduler/schedulerfixture.h"

TEST_F(SchedulerFixture, OnX11TheProgramDrawsThePictureOnThePanel) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  QTemporaryDir dir;
  const QString red = dir.filePath(QStringLiteral("red.mp4"));
  ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i",
                                                         "color=c=red:s=160x120:r=25:d=4", "-pix_fmt", "yuv420p", red}),
            0);
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1")));
  unit.ReadSettings();
  orvane::MpvSettings silent;
  silent.audioOutput = "null";
  silent.silentFallback = false;
  orvane::MpvBackend mpv(silent);
  auto owned = std::make_unique<SongEntries>(dm, unit.state, clock, unit.today, &mpv);
  SongEntries& songs = *owned;
  TForm_showvideo w(unit.state, songs, {}, nullptr);
  songs.main().setVideoHandOff(&w);
  ASSERT_EQ(songs.main().PlayMainFile(false, red), 1);
  EXPECT_TRUE(w.isVisible() && w.isFullScreen());
  const auto redAtCentre = [&] {
    const QImage shot = w.screen()->grabWindow(w.Panel1->winId()).toImage();
    if (shot.isNull()) return false;
    const QColor c = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
  };
  EXPECT_TRUE(testing_support::waitUntil(redAtCentre, 10000)) << "the picture reaches the screen";
  EXPECT_GT(w.framesDrawn(), 0);
  songs.main().StopPlayers();
  EXPECT_FALSE(w.isVisible());
  // The players go before the window they drew into, as in the program.
  songs.main().setVideoHandOff(nullptr);
  owned.reset();
}

