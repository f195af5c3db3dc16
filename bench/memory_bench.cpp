// Resident memory over long runs, after a warm-up that fills the bounded caches, beside a limit
// of 5 MB of growth:
//   - 500 songs on each of the two channels, played by the program itself (skin off and on):
//     one folder entry of short generated songs per channel, repeating, started by the
//     dispatcher, counted in log.txt;
//   - 500 cycles of opening and closing every window (skin off and on);
//   - the other long-lived paths the same way: texts read aloud, songs of the player window,
//     switching the skin off and on with every window open.
// Sound goes through the real channels to a private PulseAudio server's null sink. Everything
// after the program's songs runs in this process, set up as the program sets itself up (its
// memory policy first). Resident memory is read from /proc during this run.
// Usage: memory_bench [songs|windows|texts|player|switches|each ...] [--count N]
// ("each" runs the cycles window by window, to tell which one grows; not part of the default run.)
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmapCache>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <vector>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "bench/benchsupport.h"
#include "bench/soundserver.h"
#include "platform/forms/messageform.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/system/memorypolicy.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_showtxt.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "skin/WinSkinStore.h"

namespace {

constexpr double kLimitMb = 5.0;
int gCount = 500;

// One measured run: resident memory after the warm-up, at every tenth of the run and at its end.
struct Track {
  QString name;
  long warmKb = -1;
  std::vector<long> samples;
  int asked = 0;
  int done = 0;
  QString failure;
  void print() const {
    if (!failure.isEmpty() || samples.empty()) {
      std::printf("  %-46s NOT MEASURED (%s)\n", qPrintable(name), qPrintable(failure.isEmpty() ? QStringLiteral("nothing ran") : failure));
      return;
    }
    const long endKb = samples.back();
    const long maxKb = *std::max_element(samples.begin(), samples.end());
    const double grownMb = (maxKb - warmKb) / 1024.0;
    std::printf("  %-46s %4d/%d: after warm-up %6.1f MB, end %6.1f MB, highest %6.1f MB: %+.1f MB (limit %.0f MB) -> %s\n",
                qPrintable(name), done, asked, warmKb / 1024.0, endKb / 1024.0, maxKb / 1024.0, grownMb, kLimitMb,
                grownMb <= kLimitMb ? "within" : "OVER");
    QString steps;
    for (long kb : samples) steps += QStringLiteral(" %1").arg(kb / 1024.0, 0, 'f', 1);
    std::printf("  %-46s   every tenth (MB):%s\n", "", qPrintable(steps));
  }
};

// Qt's pixmap cache keeps what it is given (icons drawn for a button, rendered skin pieces)
// up to its limit and then drops what was used least recently, so a long run has it full.
// After the warm-up it is filled to its limit with pictures that nothing else holds, so
// that what is measured is what grows beyond it.
void fillPixmapCache() {
  QPixmap filler(256, 256);  // 256 kB of the cache's cost each
  filler.fill(Qt::gray);
  for (int i = 0; i <= QPixmapCache::cacheLimit() / 256; ++i)
    QPixmapCache::insert(QStringLiteral("memory-bench-filler-%1").arg(i), filler.copy());
}

// Runs `step` `warmup` times, then `count` times, sampling resident memory (of `pid`, or of
// this process) after the warm-up and after every tenth.
Track measure(const QString& name, int warmup, int count, const std::function<bool()>& step, qint64 pid = 0) {
  Track t;
  t.name = name;
  t.asked = count;
  for (int i = 0; i < warmup; ++i)
    if (!step()) {
      t.failure = QStringLiteral("failed during the warm-up");
      return t;
    }
  if (!pid) fillPixmapCache();
  t.warmKb = bench::rssKb(pid);
  const int tenth = qMax(1, count / 10);
  for (int i = 1; i <= count; ++i) {
    if (!step()) {
      t.failure = QStringLiteral("failed after %1").arg(t.done);
      return t;
    }
    t.done = i;
    if (i % tenth == 0 || i == count) t.samples.push_back(bench::rssKb(pid));
  }
  return t;
}

void handleEvents() {
  QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
  for (int pass = 0; pass < 20 && events->processEvents(QEventLoop::AllEvents); ++pass) {
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool makeSongs(const QString& folder, int n, double seconds) {
  QDir().mkpath(folder);
  for (int i = 0; i < n; ++i) {
    const QString path = QStringLiteral("%1/song%2.mp3").arg(folder).arg(i, 2, 10, QLatin1Char('0'));
    if (QProcess::execute(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                                  QStringLiteral("-c"), QStringLiteral("2"), path, QStringLiteral("synth"),
                                                  QString::number(seconds), QStringLiteral("sine"),
                                                  QString::number(300 + 50 * i)}) != 0)
      return false;
  }
  return true;
}

// ---- the program's songs ----

// Songs each channel has started, as log.txt tells.
std::pair<int, int> songsLogged(const QString& log) {
  QFile f(log);
  if (!f.open(QIODevice::ReadOnly)) return {0, 0};
  int main = 0, second = 0;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QString text = QString::fromUtf8(line);
    if (!text.contains(QStringLiteral("[歌名"))) continue;
    (text.contains(QStringLiteral("副通道")) ? second : main)++;
  }
  return {main, second};
}

Track programSongs(const QString& program, const QString& folder, bool skin, int warmup, int count) {
  Track t;
  t.name = QStringLiteral("program, songs on both channels, skin %1").arg(skin ? "on" : "off");
  const bench::FilledHome home(0);
  const QDateTime startAt = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 5);
  {
    TDataModule1 dm;
    dm.ConnectDatabase(QStringLiteral("accesspw"), home.database());
    dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
    dm.SetSetting(QStringLiteral("canuseskin"), skin ? QStringLiteral("1") : QStringLiteral("0"));
    for (const char* channel : {"主通道", "副通道"})
      dm.ExecQuery(dm.qry_temp,
                   QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,"
                                  "jmlx,mainchannel,txt) values('bench',:s,:e,:p,'00:00:30','顺序循环',80,'日常',2,:c,'')"),
                   {{QStringLiteral(":s"), ClockText(startAt)},
                    {QStringLiteral(":e"), ClockText(startAt.addSecs(3 * 3600))},
                    {QStringLiteral(":p"), folder},
                    {QStringLiteral(":c"), QString::fromUtf8(channel)}});
  }
  QProcess orvane;
  orvane.setProcessEnvironment(bench::programEnvironment(home.path(), home.path() + QStringLiteral("/config")));
  orvane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  orvane.start(program, {});
  if (!orvane.waitForStarted(5000)) {
    t.failure = QStringLiteral("the program did not start");
    return t;
  }
  const QString log = home.path() + QStringLiteral("/log.txt");
  int target = 0;
  // One step: both channels have started one more song each.
  auto step = [&] {
    ++target;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
      const auto [main, second] = songsLogged(log);
      if (main >= target && second >= target) return true;
      if (orvane.state() != QProcess::Running) return false;
      bench::runEventsFor(50);
    }
    return false;
  };
  t = measure(t.name, warmup, count, step, orvane.processId());
  orvane.terminate();
  if (!orvane.waitForFinished(5000)) orvane.kill();
  return t;
}

// ---- this process, set up as the program ----

struct Program {
  explicit Program(bool skin) : home(20) {
    {
      TDataModule1 setup;
      setup.ConnectDatabase(QStringLiteral("accesspw"), home.database());
      setup.SetSetting(QStringLiteral("canuseskin"), skin ? QStringLiteral("1") : QStringLiteral("0"));
      setup.SetSetting(QStringLiteral("volume2"), QStringLiteral("0"));  // no tips
    }
    services.power = &power;
    services.media = &media;
    services.mediaProbe = &probe;
    services.voices = &voices;
    services.skinPackage = QStringLiteral(":/skin/default.skn");
    window = std::make_unique<TForm_main_tamu>(dm, clock, services);
    AudioToolsContext tools;
    tools.media = &media;
    tools.dm = &dm;
    tools.state = &window->core().state;
    tools.voices = &voices;
    InstallAudioTools(tools);
    window->setInsertWindows(MakePlayer, MakeSpeechStudio);
    window->show();
    bench::runEventsFor(600);  // the skin is switched on after its delay
  }
  bool skinned() const { return orvane::skin::SkinManager && orvane::skin::SkinManager->FindSkinForm(window.get()); }

  bench::FilledHome home;
  TDataModule1 dm;
  SystemClock clock;
  orvane::RecordingPower power;
  orvane::MpvBackend media;
  orvane::MpvMediaProbe probe{media.midi()};
  orvane::EspeakVoiceCatalog voices;
  SystemServices services;
  std::unique_ptr<TForm_main_tamu> window;
};

using FormFactory = std::function<orvane::Form*()>;

std::vector<FormFactory> everyWindow(Program& p) {
  TForm_main_tamu& w = *p.window;
  TDataModule1& dm = p.dm;
  SystemServices& s = p.services;
  SystemClock& clock = p.clock;
  // The entry dialogs and the batch dialog are opened by the schedule manager.
  auto withManager = [&](auto make) {
    return [&, make]() -> orvane::Form* {
      auto* manager = new TForm_sjbp(dm, w.state(), s, clock, &w);
      manager->setAttribute(Qt::WA_DeleteOnClose);
      const EntryDialogContext context{dm, s, clock, true};
      orvane::Form* dialog = make(context, manager);
      QObject::connect(dialog, &QObject::destroyed, manager, &QObject::deleteLater);
      return dialog;
    };
  };
  return {
      [&] { return new TForm_sjbp(dm, w.state(), s, clock, &w); },
      withManager([](const EntryDialogContext& c, QWidget* m) { return new TForm_sjbp_add(c, m); }),
      withManager([](const EntryDialogContext& c, QWidget* m) { return new TForm_sjbp_addmuch(c, m); }),
      [&] { return new TForm_sjsj(dm, clock, &w); },
      [&] { return new TForm_mm(dm, w.state(), {}, &w); },
      [&] { return new TForm_mmsj(dm, w.state(), {}, &w); },
      [&] { return new TForm_sysj(dm, w, nullptr, &w); },
      [&] { return new TForm_nettime(nullptr, &w); },
      [&] { return new TForm_syfa(dm); },
      [&] { return new TForm_testshowtts(dm, &w); },
      [&] { return new TAboutFrm(dm, nullptr); },
      [&] { return new TForm_closepc(TForm_closepc::Action::Shutdown, p.power, &w); },
      [&] { return MakePlayer().release(); },
      [&] { return new TForm_recorder(nullptr); },
      [&] { return MakeSpeechStudio().release(); },
      [&] { return new TForm_findsong({}); },
      withManager([](const EntryDialogContext& c, QWidget* m) { return new TForm_sjbp_edit(c, 1, m); }),
      [&] { return new TForm_lbbj(&w); },
      [&] { return new TForm_showtxt(dm, QStringLiteral("1"), QStringLiteral("铃声0"), &w); },
      [&] { return new orvane::TMessageForm(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16, &w); },
  };
}

// Shows the window, lets it paint, closes it and frees it.
void openAndClose(const FormFactory& make) {
  QPointer<orvane::Form> f = make();
  f->show();
  handleEvents();
  f->close();
  handleEvents();
  if (f) delete f.data();
  handleEvents();
}

Track windowCycles(bool skin, int warmup, int count) {
  Program p(skin);
  const QString name = QStringLiteral("every window opened and closed, skin %1").arg(skin ? "on" : "off");
  if (skin != p.skinned()) {
    Track t;
    t.name = name;
    t.failure = QStringLiteral("the skin is not %1").arg(skin ? "on" : "off");
    return t;
  }
  const std::vector<FormFactory> windows = everyWindow(p);
  return measure(name, warmup, count, [&] {
    for (const FormFactory& make : windows) openAndClose(make);
    return true;
  });
}

// Each window on its own, to tell which one grows.
void eachWindow(bool skin, int warmup, int count) {
  Program p(skin);
  const std::vector<FormFactory> windows = everyWindow(p);
  for (size_t k = 0; k < windows.size(); ++k) {
    Track t = measure(QStringLiteral("window %1, skin %2").arg(k).arg(skin ? "on" : "off"), warmup, count, [&] {
      openAndClose(windows[k]);
      return true;
    });
    t.print();
  }
}

Track switches(int warmup, int count) {
  Program p(true);
  const std::vector<FormFactory> windows = everyWindow(p);
  std::vector<QPointer<orvane::Form>> open;
  for (const FormFactory& make : windows) {
    open.emplace_back(make());
    open.back()->show();
  }
  handleEvents();
  auto turn = [&](bool on) {
    p.window->SetSkinActive(on);
    orvane::skin::SkinManager->TimerAction();
    handleEvents();
  };
  Track t = measure(QStringLiteral("skin switched off and on, every window open"), warmup, count, [&] {
    turn(false);
    turn(true);
    return p.skinned();
  });
  for (auto& f : open)
    if (f) delete f.data();
  return t;
}

Track playerSongs(const QString& folder, int warmup, int count) {
  Program p(true);
  std::unique_ptr<orvane::Form> form = MakePlayer();
  auto* player = dynamic_cast<TForm_player*>(form.get());
  form->show();
  const QStringList songs = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files, QDir::Name);
  int next = 0;
  return measure(QStringLiteral("player window, one song after another"), warmup, count, [&] {
    const QString path = QDir(folder).filePath(songs.at(next++ % songs.size()));
    if (!player || player->PlayFile(path) == 0) return false;
    bench::runEventsFor(20);
    return true;
  });
}

Track textsRead(int warmup, int count) {
  orvane::SpeechEngine engine;
  orvane::SpeechParams params;
  params.rate = 10;  // the memory a reading leaves does not depend on its pace
  bool ended = false;
  QObject::connect(&engine, &orvane::SpeechEngine::endStream, [&] { ended = true; });
  int n = 0;
  return measure(QStringLiteral("texts read aloud"), warmup, count, [&] {
    ended = false;
    if (!engine.speak(QStringLiteral("第%1节。").arg(++n), params)) return false;
    QElapsedTimer waited;
    waited.start();
    while (!ended && waited.elapsed() < 10000) bench::runEventsFor(10);
    return ended;
  });
}

}  // namespace

int main(int argc, char** argv) {
  orvane::ApplyMemoryPolicy();  // as the program does, before any thread
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("ORVANE_DRY_RUN_SYSTEM", "1");
  QApplication app(argc, argv);
  bench::printMessageBoxes();
  QStringList parts;
  const QStringList args = app.arguments().mid(1);
  for (int i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--count") && i + 1 < args.size()) gCount = args[++i].toInt();
    else parts << args[i];
  }
  if (parts.isEmpty()) parts = QStringList{"songs", "windows", "texts", "player", "switches"};

  bench::SoundServer server;
  if (!server.ok()) {
    std::printf("no private sound server\n");
    return 1;
  }
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("songs"));
  if (!makeSongs(folder, 8, 0.3)) {
    std::printf("sox could not make the songs\n");
    return 1;
  }
  const int n = gCount;
  std::printf("resident memory after a warm-up (Qt's pixmap cache then filled to its %d kB limit), then over %d steps\n",
              QPixmapCache::cacheLimit(), n);
  {
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly)) std::printf("  load average: %s", load.readAll().constData());
  }
  std::fflush(stdout);
  auto report = [&](const Track& t) {
    t.print();
    std::fflush(stdout);
  };
  const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../orvane");
  for (const QString& part : parts) {
    if (part == QLatin1String("songs")) {
      for (bool skin : {false, true}) report(programSongs(program, folder, skin, 50, n));
    } else if (part == QLatin1String("windows")) {
      for (bool skin : {false, true}) report(windowCycles(skin, 20, n));
    } else if (part == QLatin1String("texts")) {
      report(textsRead(10, qMin(n, 100)));  // a reading takes seconds
    } else if (part == QLatin1String("player")) {
      report(playerSongs(folder, 50, n));
    } else if (part == QLatin1String("each")) {
      for (bool skin : {false, true}) eachWindow(skin, 20, n);
    } else if (part == QLatin1String("switches")) {
      report(switches(20, n));
    }
  }
  return 0;
}
