// A 10 s 1920 × 1080 25 fps video with sound, full screen on an X server with a window
// manager, played by the program's main channel and by mpv on the same display and the same
// sound server, one after the other: pictures shown, processor time while it plays (the X
// server's beside it), the dispatcher's tick offsets meanwhile, and the main channel's next
// open after a video beside its next open after a song.
//
// Without DISPLAY the benchmark starts its own Xvfb (1920 × 1080) with openbox. Run it through
// bench/with-sound-server.sh so that both sides play into the same private sound server.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

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
// Ticks timed while the video plays (it plays for kSeconds from its first picture).
constexpr int kTicks = kSeconds - 2;

double cpuSelf() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// User and system time of another process so far, in seconds (-1 when it cannot be read).
double cpuOf(qint64 pid, qint64 thread = 0) {
  QFile stat(thread ? QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(thread) : QStringLiteral("/proc/%1/stat").arg(pid));
  if (pid <= 0 || !stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray line = stat.readAll();
  // The fields after the command's closing parenthesis; utime and stime are the 14th and 15th.
  const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (f.size() < 13) return -1;
  return double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Processor time of this process's threads so far, by thread name, in seconds.
std::map<QString, double> cpuByThread() {
  std::map<QString, double> out;
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
    if (!comm.open(QIODevice::ReadOnly)) continue;
    const QString name = QString::fromUtf8(comm.readAll().trimmed());
    const double t = cpuOf(getpid(), task.toLongLong());
    if (t > 0) out[name] += t;
  }
  return out;
}

// An X server of the benchmark's own with openbox on it, unless a display is given.
struct OwnDisplay {
  QProcess server, wm;
  qint64 serverPid = 0;
  bool start() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) return true;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                                         QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                                         QStringLiteral("1920x1080x24")});
    if (!server.waitForStarted(5000) || !server.waitForReadyRead(10000)) return false;
    serverPid = server.processId();
    qputenv("DISPLAY", ":" + server.readAllStandardOutput().trimmed());
    wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    wm.waitForStarted(5000);
    QProcess::execute(QStringLiteral("sleep"), {QStringLiteral("0.5")});
    return true;
  }
  ~OwnDisplay() {
    wm.kill();
    wm.waitForFinished(2000);
    server.kill();
    server.waitForFinished(2000);
  }
};

struct Side {
  QString name;
  int shown = -1;
  double cpuPercent = -1, serverPercent = -1;
  QString note;
};

// One mpv property through its IPC socket.
std::optional<QJsonValue> mpvProperty(QLocalSocket& s, const char* name) {
  if (s.state() != QLocalSocket::ConnectedState) return std::nullopt;
  s.write(QJsonDocument(QJsonObject{{"command", QJsonArray{"get_property", name}}}).toJson(QJsonDocument::Compact) + "\n");
  s.waitForBytesWritten(1000);
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 2000) {
    if (!s.canReadLine() && !s.waitForReadyRead(200)) continue;
    while (s.canReadLine()) {
      const QJsonObject reply = QJsonDocument::fromJson(s.readLine()).object();
      if (reply.contains(QStringLiteral("event"))) continue;
      if (reply.value(QStringLiteral("error")).toString() != QLatin1String("success")) return std::nullopt;
      return reply.value(QStringLiteral("data"));
    }
  }
  return std::nullopt;
}

// mpv showing the file full screen with the given video output: its processor time from the
// first picture to the end, and how many pictures it did not show.
Side runMpv(const QString& name, const QStringList& output, const QString& video, qint64 serverPid,
           const QString& socketDir) {
  Side side{name};
  const QString socket = QDir(socketDir).filePath(QStringLiteral("mpv-%1").arg(qHash(name)));
  QProcess mpv;
  mpv.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // The same sound output as the program's.
  mpv.start(QStringLiteral("mpv"), QStringList{QStringLiteral("--no-config"), QStringLiteral("--fs"), QStringLiteral("--ao=pulse"),
                                               QStringLiteral("--really-quiet"), QStringLiteral("--keep-open=yes"),
                                               QStringLiteral("--input-ipc-server=") + socket} +
                                       output + QStringList{video});
  if (!mpv.waitForStarted(5000)) return side;
  QLocalSocket s;
  QElapsedTimer t;
  t.start();
  while (s.state() != QLocalSocket::ConnectedState && t.elapsed() < 10000 && mpv.state() == QProcess::Running) {
    s.connectToServer(socket);
    if (!s.waitForConnected(200)) QThread::msleep(50);
  }
  if (s.state() != QLocalSocket::ConnectedState) {
    side.note = QStringLiteral("(no IPC)");
    mpv.kill();
    mpv.waitForFinished();
    return side;
  }
  // From the first picture on, as for the program.
  while (t.elapsed() < 15000 && s.state() == QLocalSocket::ConnectedState) {
    const auto pos = mpvProperty(s, "time-pos");
    if (pos && pos->toDouble() > 0) break;
    QThread::msleep(20);
  }
  if (!mpvProperty(s, "vo-configured").value_or(false).toBool()) {
    side.note = QStringLiteral("(its video output did not start)");
    mpv.kill();
    mpv.waitForFinished();
    return side;
  }
  const double cpu0 = cpuOf(mpv.processId()), server0 = cpuOf(serverPid);
  QElapsedTimer wall;
  wall.start();
  while (t.elapsed() < 40000 && s.state() == QLocalSocket::ConnectedState) {
    const auto eof = mpvProperty(s, "eof-reached");
    if (eof && eof->toBool()) break;
    QThread::msleep(50);
  }
  const double seconds = double(wall.elapsed()) / 1000.0;
  side.cpuPercent = (cpuOf(mpv.processId()) - cpu0) / seconds * 100.0;
  if (serverPid > 0) side.serverPercent = (cpuOf(serverPid) - server0) / seconds * 100.0;
  const int dropped = int(mpvProperty(s, "frame-drop-count").value_or(0).toInt()) +
                      int(mpvProperty(s, "decoder-frame-drop-count").value_or(0).toInt());
  side.shown = kFrames - dropped;
  side.note = QStringLiteral("(%1 dropped by mpv)").arg(dropped);
  s.write("{\"command\":[\"quit\"]}\n");
  s.waitForBytesWritten(1000);
  if (!mpv.waitForFinished(5000)) mpv.kill();
  return side;
}
}  // namespace

int main(int argc, char** argv) {
  OwnDisplay display;
  if (!display.start()) {
    std::printf("no X server could be started (Xvfb)\n");
    return 1;
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  orvane::setMessageBoxHandler([](const orvane::MessageBoxRequest& r) { return orvane::mb::defaultResultOf(r.flags); });
  QTemporaryDir work;
  const QString video = work.filePath(QStringLiteral("bench.mp4"));
  const QString clip = work.filePath(QStringLiteral("clip.mp4"));
  const QString song = work.filePath(QStringLiteral("song.wav")), song2 = work.filePath(QStringLiteral("song2.wav")),
                song3 = work.filePath(QStringLiteral("song3.wav"));
  const auto ffmpeg = [](const QStringList& args) {
    return QProcess::execute(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + args) == 0;
  };
  if (!ffmpeg({"-f", "lavfi", "-i", QStringLiteral("testsrc2=s=1920x1080:r=25:d=%1").arg(kSeconds), "-f", "lavfi", "-i",
               QStringLiteral("sine=f=440:d=%1").arg(kSeconds), "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
               "yuv420p", "-c:a", "aac", "-shortest", video}) ||
      !ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=25:d=2", "-f", "lavfi", "-i", "sine=f=440:d=2", "-c:v",
               "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", clip}) ||
      !ffmpeg({"-f", "lavfi", "-i", "sine=f=440:d=1", song}) || !ffmpeg({"-f", "lavfi", "-i", "sine=f=660:d=1", song2}) ||
      !ffmpeg({"-f", "lavfi", "-i", "sine=f=550:d=2", song3})) {
    std::printf("ffmpeg could not make the test files\n");
    return 1;
  }
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();

  bench::FilledHome home(0);
  SystemClock clock;
  TDataModule1 dm;
  MainUnit unit(dm, clock);
  if (!unit.ConnectDatabase()) return 1;
  dm.SetSetting(QStringLiteral("videofullsc"), QStringLiteral("1"));
  unit.ReadSettings();
  orvane::MpvBackend mpv;  // the program's own output: the sound server of the environment
  SongEntries songs(dm, unit.state, clock, unit.today, &mpv);
  TForm_showvideo window(unit.state, songs, {}, nullptr);
  songs.main().setVideoHandOff(&window);
  MainChannel& main = songs.main();
  std::vector<double> paintMs;
  QObject::connect(&window, &TForm_showvideo::pictureDrawn, [&](double ms) { paintMs.push_back(ms); });
  // Handles events (and sleeps between them) until the signal or the time limit.
  const auto waitFor = [](auto* sender, auto signal, int limitMs) {
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
  };
  const auto playToEnd = [&] { waitFor(main.player(), &orvane::MediaChannel::endOfMedia, 30000); };
  const auto timedPlay = [&](const QString& file) {
    QElapsedTimer t;
    t.start();
    const int r = main.PlayMainFile(false, file);
    return r == 1 ? double(t.nsecsElapsed()) / 1e6 : -1.0;
  };
  timedPlay(song);  // warms the channel up
  playToEnd();

  Side ours{QStringLiteral("the program")};
  QElapsedTimer opening;
  opening.start();
  if (main.PlayMainFile(false, video) != 1) {
    std::printf("the video did not open\n");
    return 1;
  }
  // From the first picture on.
  const double openMs = double(opening.nsecsElapsed()) / 1e6;
  if (window.framesDrawn() == 0) waitFor(&window, &TForm_showvideo::pictureDrawn, 10000);
  const double firstPictureMs = double(opening.nsecsElapsed()) / 1e6;
  // The dispatcher, from the first picture on, with an entry due every second while it plays.
  bench::StartTimes timing;
  timing.s = &unit.state;
  unit.state.programmeday = QDate::currentDate();
  unit.state.todayentries.clear();
  const qint64 first = QDateTime::currentSecsSinceEpoch() + 1;
  for (int k = 0; k < kTicks; ++k) {
    rjmb e;
    e.id = k + 1;
    e.starttime = ClockText(QDateTime::fromSecsSinceEpoch(first + k));
    e.endtime = kNever;
    e.jmlx = 1;
    unit.state.todayentries.push_back(e);
  }
  Dispatcher dispatcher(unit.state, clock, timing, timing, unit.fired, unit.today);
  dispatcher.start();

  const double cpu0 = cpuSelf(), server0 = cpuOf(display.serverPid);
  const std::map<QString, double> threads0 = cpuByThread();
  QElapsedTimer wall;
  wall.start();
  playToEnd();
  const double seconds = double(wall.elapsed()) / 1000.0;
  ours.cpuPercent = (cpuSelf() - cpu0) / seconds * 100.0;
  if (display.serverPid > 0) ours.serverPercent = (cpuOf(display.serverPid) - server0) / seconds * 100.0;
  ours.shown = window.framesDrawn();  // the songs before it had none
  QStringList byThread;
  for (const auto& [name, t] : cpuByThread()) {
    const auto before = threads0.find(name);
    const double share = (t - (before == threads0.end() ? 0.0 : before->second)) / seconds * 100.0;
    if (share >= 0.5) byThread << QStringLiteral("%1 %2").arg(name).arg(share, 0, 'f', 0);
  }
  dispatcher.stop();
  const QSize panel = window.Panel1->size();
  // The main channel's next song after a file: the moment the file has played out, a second
  // later, and after the song panel's stop a second into it; the worst of three each.
  struct NextOpen {
    double lastSound = -1, atEnd = -1, later = -1, stopped = -1;
  };
  // The worst of the times, or -1 when a song did not play.
  const auto worst = [](const std::vector<double>& v) {
    return std::any_of(v.begin(), v.end(), [](double x) { return x < 0; }) ? -1.0 : *std::max_element(v.begin(), v.end());
  };
  const auto nextOpen = [&](const QString& before) {
    std::vector<double> lastSound, atEnd, later, stopped;
    for (int i = 0; i < 3; ++i) {
      const QString next = i % 2 ? song : song2;
      // libmpv has read the file to its end (the channel says stopped) and still plays its
      // last sound: as a start due at that moment finds it.
      main.PlayMainFile(false, before);
      QElapsedTimer t;
      t.start();
      while (main.player()->mode() != orvane::MediaMode::Stopped && t.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      lastSound.push_back(timedPlay(next));
      main.StopPlayers();
      bench::runEventsFor(1000);
      main.PlayMainFile(false, before);
      playToEnd();
      atEnd.push_back(timedPlay(next));
      main.StopPlayers();
      main.PlayMainFile(false, before);
      playToEnd();
      bench::runEventsFor(1000);
      later.push_back(timedPlay(next));
      main.StopPlayers();
      main.PlayMainFile(false, before);
      bench::runEventsFor(1000);
      main.StopPlayers();
      stopped.push_back(timedPlay(next));
      main.StopPlayers();
    }
    return NextOpen{worst(lastSound), worst(atEnd), worst(later), worst(stopped)};
  };
  const NextOpen afterVideo = nextOpen(clip), afterSong = nextOpen(song3);

  std::vector<Side> peers;
  // The GPU output on a machine without one runs on Mesa's software OpenGL, which mpv refuses
  // unless told.
  peers.push_back(runMpv(QStringLiteral("mpv --vo=x11"), {QStringLiteral("--vo=x11")}, video, display.serverPid, work.path()));
  peers.push_back(runMpv(QStringLiteral("mpv --vo=gpu"), {QStringLiteral("--vo=gpu")}, video, display.serverPid, work.path()));
  peers.push_back(runMpv(QStringLiteral("mpv --vo=gpu sw"),
                         {QStringLiteral("--vo=gpu"), QStringLiteral("--gpu-context=x11egl"), QStringLiteral("--gpu-sw")},
                         video, display.serverPid, work.path()));

  std::vector<double> offsets;
  for (int k = 0; k < kTicks; ++k) {
    const auto it = timing.calls.find(k + 1);
    if (it != timing.calls.end()) offsets.push_back(double(it->second.front() - (first + k) * 1000));
  }
  std::printf("video %d s 1920x1080 25 fps with sound, full screen %dx%d (panel %dx%d) on %s, sound to %s:\n", kSeconds,
              screen.width(), screen.height(), panel.width(), panel.height(),
              display.serverPid ? "the benchmark's own Xvfb with openbox" : "the given display",
              qEnvironmentVariableIsEmpty("PULSE_SERVER") ? "the default sound server" : "the private sound server");
  std::printf("  %-18s %8s %14s %14s\n", "", "pictures", "CPU (% core)", "X server (%)");
  const auto row = [](const Side& s) {
    if (s.cpuPercent < 0) {
      std::printf("  %-18s %s\n", qPrintable(s.name), qPrintable(s.note));
      return;
    }
    std::printf("  %-18s %4d/%-3d %14.0f %14.0f %s\n", qPrintable(s.name), s.shown, kFrames, s.cpuPercent, s.serverPercent,
                qPrintable(s.note));
  };
  row(ours);
  std::printf("  %-18s %s\n", "", qPrintable(QStringLiteral("(by thread: ") + byThread.join(QStringLiteral(", ")) + ')'));
  for (const Side& p : peers) row(p);
  double best = -1;
  for (const Side& p : peers)
    if (p.cpuPercent > 0 && (best < 0 || p.cpuPercent < best)) best = p.cpuPercent;
  std::printf("  pictures shown: %s (target: all)\n", ours.shown >= kFrames ? "all" : "MISSED some");
  if (best > 0)
    std::printf("  CPU: %.2fx the cheaper mpv (target <= 1.2x -> %s)\n", ours.cpuPercent / best,
                ours.cpuPercent <= 1.2 * best ? "holds" : "MISSED");
  std::printf("  painting a picture: median %.2f ms; the video's open %.1f ms, its first picture after %.1f ms\n",
              bench::median(paintMs), openMs, firstPictureMs);
  std::printf("  the main channel's next song (worst of 3 ms; -1 = it did not play):\n");
  std::printf("    %-34s %8s %8s\n", "", "a video", "a song");
  std::printf("    %-34s %8.1f %8.1f (< 50 ms -> %s)\n", "while its last sound plays", afterVideo.lastSound,
              afterSong.lastSound, std::max(afterVideo.lastSound, afterSong.lastSound) < 50 && afterVideo.lastSound >= 0 && afterSong.lastSound >= 0 ? "holds" : "MISSED");
  std::printf("    %-34s %8.1f %8.1f (< 50 ms -> %s)\n", "the moment its end is told", afterVideo.atEnd, afterSong.atEnd,
              std::max(afterVideo.atEnd, afterSong.atEnd) < 50 && afterVideo.atEnd >= 0 && afterSong.atEnd >= 0 ? "holds" : "MISSED");
  std::printf("    %-34s %8.1f %8.1f (< 50 ms -> %s)\n", "a second after it ended", afterVideo.later, afterSong.later,
              afterVideo.later >= 0 && afterVideo.later < 50 ? "holds" : "MISSED");
  std::printf("    %-34s %8.1f %8.1f (< 50 ms -> %s)\n", "after the stop button, a second in", afterVideo.stopped,
              afterSong.stopped, afterVideo.stopped >= 0 && afterVideo.stopped < 50 ? "holds" : "MISSED");
  const double med = bench::median(offsets);
  const double max = offsets.empty() ? -1 : *std::max_element(offsets.begin(), offsets.end());
  std::printf("  dispatcher offsets while it plays: %zu ticks, median %.1f ms, max %.1f ms (median < 40, max < 100 -> %s)\n",
              offsets.size(), med, max, int(offsets.size()) == kTicks && med < 40 && max < 100 ? "holds" : "MISSED");
  songs.main().setVideoHandOff(nullptr);
  return 0;
}
