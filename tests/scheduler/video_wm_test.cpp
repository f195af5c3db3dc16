// Video entries under a real window manager, on the real main window with real players
// heard through the private sound server: whatever ends a video (its own end, its entry's
// end, the next entry, the window's keys, the window manager's close, the song panel's stop,
// the end of a trial, the second channel's stepping, the main window going), the program goes
// on and the next entry plays on its second.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <functional>

#include "platform/media/mpvbackend.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/services.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_showvideo.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"

using testing_support::MonitorRecorder;
using namespace std::chrono_literals;

namespace {
constexpr double kOnset = 3000 / 32768.0;

// An h264 MP4 of a moving test picture with a quiet low tone (or no sound track).
QString makeVideo(const QString& path, int seconds, bool sound = true) {
  QStringList args{"-v", "error", "-y", "-f", "lavfi", "-i", QStringLiteral("testsrc2=s=320x240:r=25:d=%1").arg(seconds)};
  if (sound) args << QStringList{"-f", "lavfi", "-i", QStringLiteral("sine=f=150:d=%1,volume=0.05").arg(seconds)};
  args << QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-shortest", path};
  return QProcess::execute(QStringLiteral("ffmpeg"), args) == 0 ? path : QString();
}

// Asks the window manager to close a top-level window, as its close button does.
void closeThroughWindowManager(QWidget* w) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const QByteArray name("_NET_CLOSE_WINDOW");
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, name.size(), name.constData()), nullptr);
  ASSERT_NE(atom, nullptr);
  xcb_client_message_event_t e{};
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = xcb_window_t(w->window()->winId());
  e.type = atom->atom;
  e.data.data32[0] = XCB_CURRENT_TIME;
  e.data.data32[1] = 2;  // asked for by the user, through a pager or the like
  free(atom);
  xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&e));
  xcb_flush(c);
}

// Threads of this process that libmpv started.
int playerThreads() {
  int n = 0;
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
    if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("mpv")) ++n;
  }
  return n;
}

class VideoEndsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    monitor = MonitorRecorder::shared();
    if (!monitor) GTEST_SKIP() << "no private sound server (run through test.sh)";
    const QTime now = QTime::currentTime();
    if (now > QTime(23, 58, 0) || now < QTime(0, 0, 5)) GTEST_SKIP() << "too close to midnight";
    ASSERT_TRUE(home.ok());
    ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("gsk.mdb"))));
    ASSERT_TRUE(dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1")));
    services.media = &media;
    services.mediaProbe = &probe;
    services.skinPackage = QStringLiteral(":/skin/default.skn");  // the skin on, as by default
  }
  void TearDown() override {
    if (window) closeWindow();
  }
  void openWindow() {
    window = std::make_unique<TForm_main_tamu>(windowDm, clock, services);
    ASSERT_TRUE(window->created());
    window->show();
  }
  // As the program ends: the close question answered, the window gone.
  void closeWindow() {
    boxes.queueAnswer(orvane::mb::IDYES);
    window->close();
    window.reset();
  }
  // Writes an entry of today's schedule and returns its id.
  int add(const QString& name, const QDateTime& start, const QDateTime& end, const QString& path,
          const QString& channel = QStringLiteral("主通道"), int kind = 1, const QString& mode = QStringLiteral("单曲播放")) {
    EntryValues v{.pname = name, .starttime = ClockText(start), .endtime = ClockText(end), .slpath = path,
                  .tlength = QStringLiteral("00:00:05"), .playmode = mode, .jmlx = kind, .mainchannel = channel};
    EXPECT_TRUE(home.addEntry(v)) << name.toStdString();
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select max(id) from sjb"));
    return dm.qry_temp.value(0, 0).toInt();
  }
  MainChannel& main() { return window->songs().main(); }
  // The video window is up and new pictures keep reaching it.
  ::testing::AssertionResult picturesFlow(const char* what) {
    const int before = Form_showvideo ? Form_showvideo->framesDrawn() : 0;
    if (testing_support::waitUntil(
            [&] { return Form_showvideo && Form_showvideo->isVisible() && Form_showvideo->framesDrawn() >= before + 5; }, 5000))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << what << ": no pictures (window "
                                         << (Form_showvideo && Form_showvideo->isVisible() ? "shown" : "hidden") << ")";
  }
  // The trial play of one row of today's grid, as its popup menu starts it.
  void trial(int id) {
    ASSERT_TRUE(window->core().dm().qry_show.locate(QStringLiteral("id"), id));
    window->N3->trigger();
  }
  // The song is heard from its second (the output's latency allowed for) through its end.
  void expectHeardOnItsSecond(const QDateTime& due) {
    const auto heard = monitor->firstPeakAbove(kOnset, MonitorRecorder::at(due) - 300ms);
    ASSERT_TRUE(heard.has_value()) << "the song after the videos was not heard";
    const double late = std::chrono::duration<double, std::milli>(*heard - MonitorRecorder::at(due)).count();
    std::printf("song due at %s heard %.1f ms into its second\n", qPrintable(ClockText(due)), late);
    EXPECT_GE(late, -50);
    EXPECT_LT(late, 1000) << "the song was not heard in its second";
  }

  MonitorRecorder* monitor = nullptr;
  ProgramHome home{QDate::currentDate()};
  QTemporaryDir files;
  TDataModule1 dm, windowDm;
  SystemClock clock;
  orvane::RecordingPower power;
  orvane::MpvBackend media;
  orvane::MpvMediaProbe probe{media.midi()};
  SystemServices services{&power};
  orvane::ScopedMessageResponder boxes;
  std::unique_ptr<TForm_main_tamu> window;
};
}  // namespace

TEST_F(VideoEndsTest, TenScheduledVideosEndedEveryWayThenTheSongIsHeardOnItsSecond) {
  const QString shortVideo = makeVideo(files.filePath(QStringLiteral("short.mp4")), 2);
  const QString longVideo = makeVideo(files.filePath(QStringLiteral("long.mp4")), 8);
  const QString mute = makeVideo(files.filePath(QStringLiteral("mute.mp4")), 8, false);
  ASSERT_FALSE(shortVideo.isEmpty() || longVideo.isEmpty() || mute.isEmpty());
  const QString tone = testing_support::writeToneWav(files.filePath(QStringLiteral("bell.wav")), 2.0, 440.0);
  const QString list = testing_support::writeFile(files.filePath(QStringLiteral("second.pl3")),
                                                  (longVideo + QStringLiteral("\r\n") + mute + QStringLiteral("\r\n")).toUtf8());
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  const auto at = [&](int s) { return t0.addSecs(s); };
  const QDateTime later = at(600);
  // Each entry's span is over before the trial, so that the catch-up which ends it has
  // nothing to start.
  add(QStringLiteral("自己结束"), at(0), at(4), shortVideo);
  add(QStringLiteral("到点结束"), at(5), at(7), longVideo);
  add(QStringLiteral("被下一个替换"), at(8), at(12), longVideo);
  add(QStringLiteral("按Q"), at(10), at(12), longVideo);
  add(QStringLiteral("Esc再关"), at(13), at(16), mute);
  add(QStringLiteral("窗口管理器关"), at(17), at(19), longVideo);
  add(QStringLiteral("停止按钮"), at(20), at(22), longVideo);
  const int tried = add(QStringLiteral("试播"), later, later.addSecs(5), longVideo);
  add(QStringLiteral("副通道"), at(26), at(30), list, QStringLiteral("副通道"), 3, QStringLiteral("顺序播放"));
  add(QStringLiteral("程序关闭"), at(31), at(34), longVideo);
  add(QStringLiteral("铃声"), at(36), at(38), tone);
  const int threadsBefore = playerThreads();
  openWindow();

  // 1. Its own end: the window goes, the channel stays open for the next.
  runUntil(at(0).addMSecs(300));
  EXPECT_TRUE(picturesFlow("own end"));
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 4000)) << "the window stayed";
  // 2. Its entry's end time cuts it.
  runUntil(at(5).addMSecs(300));
  EXPECT_TRUE(picturesFlow("entry's end"));
  runUntil(at(7).addMSecs(500));
  EXPECT_FALSE(Form_showvideo->isVisible());
  EXPECT_FALSE(main().player()->isPlaying());
  // 3. The next entry takes the channel, and 4. Q stops it.
  runUntil(at(8).addMSecs(300));
  EXPECT_TRUE(picturesFlow("replaced by the next"));
  runUntil(at(10).addMSecs(300));
  EXPECT_TRUE(picturesFlow("Q"));
  QTest::keyClick(Form_showvideo, Qt::Key_Q);
  EXPECT_FALSE(Form_showvideo->isVisible() || main().player()->isOpen());
  // 5. Escape to the small window, then closed by the window manager: the song goes on as
  // sound until its entry ends.
  runUntil(at(13).addMSecs(300));
  EXPECT_TRUE(picturesFlow("Escape then close"));
  QTest::keyClick(Form_showvideo, Qt::Key_Escape);
  EXPECT_FALSE(Form_showvideo->isFullScreen());
  EXPECT_TRUE(picturesFlow("the small window"));
  closeThroughWindowManager(Form_showvideo);
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 3000));
  EXPECT_TRUE(main().player()->isPlaying()) << "closing the window stopped the sound";
  // 6. Closed by the window manager at full screen.
  runUntil(at(17).addMSecs(300));
  EXPECT_TRUE(picturesFlow("window manager's close"));
  closeThroughWindowManager(Form_showvideo);
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 3000));
  // 7. The song panel's stop button.
  runUntil(at(20).addMSecs(300));
  EXPECT_TRUE(picturesFlow("stop button"));
  QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
  EXPECT_FALSE(Form_showvideo->isVisible() || main().player()->isOpen());
  // 8. A trial of a video entry, ended by the grid's "停止手动试播" (nothing is due then that
  // its catch-up would start).
  runUntil(at(23).addMSecs(300));
  trial(tried);
  EXPECT_TRUE(picturesFlow("trial"));
  window->N4->trigger();
  EXPECT_FALSE(Form_showvideo->isVisible() || main().player()->isOpen());
  // 9. The second channel's videos: next, then previous, then the entry's end.
  runUntil(at(26).addMSecs(300));
  window->state().channelname = QStringLiteral("副通道");
  EXPECT_TRUE(picturesFlow("second channel"));
  QTest::keyClick(Form_showvideo, Qt::Key_N);
  EXPECT_TRUE(picturesFlow("second channel's next"));
  QTest::keyClick(Form_showvideo, Qt::Key_P);
  EXPECT_TRUE(picturesFlow("second channel's previous"));
  runUntil(at(30).addMSecs(500));
  EXPECT_FALSE(Form_showvideo->isVisible());
  // 10. The program closes while a video plays; started again, it catches the entry up.
  runUntil(at(31).addMSecs(300));
  EXPECT_TRUE(picturesFlow("program closing"));
  closeWindow();
  EXPECT_EQ(playerThreads(), threadsBefore) << "a player's thread outlived the window";
  openWindow();
  EXPECT_TRUE(picturesFlow("caught up after the restart"));
  // Then the bell.
  runUntil(at(39));
  expectHeardOnItsSecond(at(36));
  EXPECT_GT(home.log().filter(QStringLiteral("[歌名：]") + tone).size(), 0);
}

TEST_F(VideoEndsTest, TrialPlaysOfVideosEndedEveryWayThenATrialSongIsHeardAtOnce) {
  const QString shortVideo = makeVideo(files.filePath(QStringLiteral("short.mp4")), 2);
  const QString longVideo = makeVideo(files.filePath(QStringLiteral("long.mp4")), 8);
  ASSERT_FALSE(shortVideo.isEmpty() || longVideo.isEmpty());
  const QString tone = testing_support::writeToneWav(files.filePath(QStringLiteral("bell.wav")), 2.0, 440.0);
  const QString list = testing_support::writeFile(files.filePath(QStringLiteral("second.pl3")),
                                                  (longVideo + QStringLiteral("\r\n") + shortVideo + QStringLiteral("\r\n")).toUtf8());
  // Rows of today's grid that nothing starts by the clock.
  const QDateTime never = QDateTime::currentDateTime().addSecs(3600);
  const int shortId = add(QStringLiteral("短片"), never, never.addSecs(5), shortVideo);
  const int longId = add(QStringLiteral("长片"), never.addSecs(10), never.addSecs(15), longVideo);
  const int secondId = add(QStringLiteral("副通道"), never.addSecs(20), never.addSecs(25), list, QStringLiteral("副通道"), 3,
                           QStringLiteral("顺序播放"));
  const int bellId = add(QStringLiteral("铃声"), never.addSecs(30), never.addSecs(35), tone);
  const int threadsBefore = playerThreads();
  openWindow();
  const auto stopped = [&] { return !Form_showvideo->isVisible() && !main().player()->isOpen(); };

  trial(shortId);  // its own end
  EXPECT_TRUE(picturesFlow("own end"));
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 4000));
  trial(longId);  // replaced by the trial of another row
  EXPECT_TRUE(picturesFlow("replaced"));
  trial(shortId);
  EXPECT_TRUE(picturesFlow("the other row"));
  trial(longId);  // Q
  EXPECT_TRUE(picturesFlow("Q"));
  QTest::keyClick(Form_showvideo, Qt::Key_Q);
  EXPECT_TRUE(stopped());
  trial(longId);  // Escape, then the window manager's close
  EXPECT_TRUE(picturesFlow("Escape then close"));
  QTest::keyClick(Form_showvideo, Qt::Key_Escape);
  closeThroughWindowManager(Form_showvideo);
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 3000));
  EXPECT_TRUE(main().player()->isPlaying());
  trial(longId);  // the window manager's close at full screen
  EXPECT_TRUE(picturesFlow("window manager's close"));
  closeThroughWindowManager(Form_showvideo);
  EXPECT_TRUE(testing_support::waitUntil([] { return !Form_showvideo->isVisible(); }, 3000));
  trial(longId);  // the song panel's stop
  EXPECT_TRUE(picturesFlow("stop button"));
  QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
  EXPECT_TRUE(stopped());
  trial(longId);  // the end of the trial
  EXPECT_TRUE(picturesFlow("trial stop"));
  window->N4->trigger();
  EXPECT_TRUE(stopped());
  trial(secondId);  // the second channel's next and previous
  window->state().channelname = QStringLiteral("副通道");
  EXPECT_TRUE(picturesFlow("second channel"));
  QTest::keyClick(Form_showvideo, Qt::Key_N);
  EXPECT_TRUE(picturesFlow("second channel's next"));
  QTest::keyClick(Form_showvideo, Qt::Key_P);
  EXPECT_TRUE(picturesFlow("second channel's previous"));
  window->N4->trigger();
  EXPECT_FALSE(Form_showvideo->isVisible());
  trial(longId);  // the program closing
  EXPECT_TRUE(picturesFlow("program closing"));
  closeWindow();
  EXPECT_EQ(playerThreads(), threadsBefore) << "a player's thread outlived the window";
  openWindow();
  const QDateTime asked = QDateTime::currentDateTime();
  trial(bellId);
  testing_support::waitUntil([] { return false; }, 2000);
  expectHeardOnItsSecond(asked);
}

TEST_F(VideoEndsTest, AVideoOnTheSecondChannelWhileTheMainChannelPlaysASong) {
  const QString mute = makeVideo(files.filePath(QStringLiteral("mute.mp4")), 8, false);
  ASSERT_FALSE(mute.isEmpty());
  const QString tone = testing_support::writeToneWav(files.filePath(QStringLiteral("song.wav")), 10.0, 440.0);
  const QDateTime t0 = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 4);
  add(QStringLiteral("音乐"), t0, t0.addSecs(8), tone);
  add(QStringLiteral("副通道视频"), t0.addSecs(2), t0.addSecs(5), mute, QStringLiteral("副通道"));
  openWindow();
  runUntil(t0.addMSecs(2300));
  EXPECT_TRUE(picturesFlow("second channel's video"));
  EXPECT_TRUE(main().player()->isPlaying()) << "the main channel's song stopped";
  runUntil(t0.addMSecs(5500));
  EXPECT_FALSE(Form_showvideo->isVisible());
  runUntil(t0.addSecs(8));
  expectHeardOnItsSecond(t0);
  const auto at = [&](int ms) { return MonitorRecorder::at(t0.addMSecs(ms)); };
  // Lowered while the video plays, back to its level after, heard throughout.
  EXPECT_GT(monitor->maxPeak(at(3000), at(4500)), 0.01) << "the song was silent beside the video";
  EXPECT_LT(monitor->maxPeak(at(3000), at(4500)), 0.2) << "the song was not lowered";
  EXPECT_GT(monitor->maxPeak(at(6000), at(7500)), 0.3) << "the song did not come back";
}
