// A 10 s 1920 × 1080 25 fps video full screen offscreen through the drawing path: pictures
// shown, render-and-paint time per picture, CPU beside mpv playing the same file without
// sound or picture, and the dispatcher's tick offsets while the video plays.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>

#include "bench/benchsupport.h"
#include "bench/starttimes.h"
#include "platform/media/mpvbackend.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/Unit_showvideo.h"

namespace {
constexpr int kSeconds = 10;
constexpr int kFrames = kSeconds * 25;


double cpu(int who) {
  rusage u{};
  getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
  // One 1920 × 1080 offscreen screen, so full screen is the size asked for.
  QTemporaryDir work;
  const QString screens = work.filePath(QStringLiteral("screens.json"));
  QFile f(screens);
  if (f.open(QIODevice::WriteOnly))
    f.write(R"({"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96,"logicalDpiY":96,"dpr":1}]})");
  f.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toUtf8());
  QApplication app(argc, argv);
  orvane::setMessageBoxHandler([](const orvane::MessageBoxRequest& r) { return orvane::mb::defaultResultOf(r.flags); });

  const QString video = work.filePath(QStringLiteral("bench.mp4"));
  if (QProcess::execute(QStringLiteral("ffmpeg"),
                        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                         QStringLiteral("lavfi"), QStringLiteral("-i"),
                         QStringLiteral("testsrc2=s=1920x1080:r=25:d=%1").arg(kSeconds), QStringLiteral("-pix_fmt"),
                         QStringLiteral("yuv420p"), video}) != 0) {
    std::printf("ffmpeg could not make the test video\n");
    return 1;
  }

  bench::FilledHome home(0);
  SystemClock clock;
  TDataModule1 dm;
  MainUnit unit(dm, clock);
  if (!unit.ConnectDatabase()) return 1;
  dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1"));
  unit.ReadSettings();
  orvane::MpvSettings sound;
  sound.audioOutput = "null";
  sound.silentFallback = false;
  orvane::MpvBackend mpv(sound);
  SongEntries songs(dm, unit.state, clock, unit.today, &mpv);
  TForm_showvideo window(unit.state, songs, {}, nullptr);
  songs.main().setVideoHandOff(&window);
  std::vector<double> drawMs;
  QObject::connect(&window, &TForm_showvideo::pictureDrawn, [&](double ms) { drawMs.push_back(ms); });

  // The dispatcher with an entry due every second of the playing time.
  bench::StartTimes timing;
  timing.s = &unit.state;
  unit.state.programmeday = QDate::currentDate();
  unit.state.todayentries.clear();
  const qint64 first = QDateTime::currentSecsSinceEpoch() + 1;
  for (int k = 0; k < kSeconds; ++k) {
    rjmb e;
    e.id = k + 1;
    e.starttime = ClockText(QDateTime::fromSecsSinceEpoch(first + k));
    e.endtime = kNever;
    e.jmlx = 1;
    unit.state.todayentries.push_back(e);
  }
  Dispatcher dispatcher(unit.state, clock, timing, timing, unit.fired, unit.today);
  dispatcher.start();

  const double cpu0 = cpu(RUSAGE_SELF);
  const auto t0 = std::chrono::steady_clock::now();
  if (songs.main().PlayMainFile(false, video) != 1) {
    std::printf("the video did not open\n");
    return 1;
  }
  bench::runEventsFor(1000 * kSeconds + 1500);
  const double ours = (cpu(RUSAGE_SELF) - cpu0) / (bench::msSince(t0) / 1000.0) * 100.0;
  dispatcher.stop();
  const QSize panel = window.Panel1->size();
  songs.main().StopPlayers();

  const double child0 = cpu(RUSAGE_CHILDREN);
  const auto m0 = std::chrono::steady_clock::now();
  QProcess::execute(QStringLiteral("mpv"), {QStringLiteral("--no-config"), QStringLiteral("--no-audio"),
                                            QStringLiteral("--vo=null"), QStringLiteral("--really-quiet"), video});
  const double peer = (cpu(RUSAGE_CHILDREN) - child0) / (bench::msSince(m0) / 1000.0) * 100.0;

  std::vector<double> offsets;
  for (int k = 0; k < kSeconds; ++k) {
    // An entry due every second; the offset of its first start call from its wall-clock second.
    const auto it = timing.calls.find(k + 1);
    if (it != timing.calls.end()) offsets.push_back(double(it->second.front() - (first + k) * 1000));
  }
  const double shownShare = 100.0 * double(drawMs.size()) / kFrames;
  const double medianDraw = bench::median(drawMs);
  std::printf("video %d s 1920x1080 25 fps, panel %dx%d, drawn by the program:\n", kSeconds, panel.width(), panel.height());
  std::printf("  pictures shown        %4zu of %d (%.1f %%; target >= 99 %% -> %s)\n", drawMs.size(), kFrames, shownShare,
              shownShare >= 99.0 ? "holds" : "MISSED");
  std::printf("  render and paint      median %.2f ms (target < 15 ms -> %s)\n", medianDraw,
              medianDraw >= 0 && medianDraw < 15.0 ? "holds" : "MISSED");
  std::printf("  CPU                   ours %.0f %% of a core, mpv --no-audio --vo=null %.0f %%\n", ours, peer);
  const double med = bench::median(offsets);
  const double max = offsets.empty() ? -1 : *std::max_element(offsets.begin(), offsets.end());
  std::printf("  dispatcher offsets    %zu ticks, median %.1f ms, max %.1f ms (median < 40, max < 100 -> %s)\n",
              offsets.size(), med, max, int(offsets.size()) == kSeconds && med < 40 && max < 100 ? "holds" : "MISSED");
  return 0;
}
