// Resident memory over long runs, after a warm-up that fills the bounded caches, beside limits:
//   - days of separate song entries (300 a day, one every 20 seconds, each naming another of
//     600 files), started and ended by the main window's own dispatcher on a clock that skips
//     the quiet time between entries and walks each change of day; the first day is the
//     warm-up, the growth of anonymous memory over the days after it must stay under 0.6 kB an
//     entry, 360 kB over the 600 entries measured (skin on);
//   - 500 cycles of opening and closing every window (skin off and on), beside 5 MB of growth;
//   - the other long-lived paths the same way: texts read aloud, songs of the player window,
//     switching the skin off and on with every window open.
// Sound goes through the real channels to a private PulseAudio server's null sink. Everything
// runs in this process, set up as the program sets itself up (its memory policy first).
// Resident memory is read from /proc during this run.
// Usage: memory_bench [songs|windows|texts|player|switches|each ...] [--count N] [--per-day N]
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

#include <algorithm>
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
#include "platform/db/connection.h"
#include "platform/files/textfile.h"
#include "platform/forms/messageform.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/system/memorypolicy.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/dispatcher.h"
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
// Song entries in each of the programme's days.
int gPerDay = 300;

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

// `n` songs of sine tones in the folder, named in order; song i lasts seconds(i). Made a few
// at a time.
QStringList makeSongs(const QString& folder, int n, const std::function<double(int)>& seconds) {
  QDir().mkpath(folder);
  QStringList paths;
  std::vector<std::unique_ptr<QProcess>> running;
  auto finish = [&](QProcess& sox) { return sox.waitForFinished(30000) && sox.exitCode() == 0; };
  for (int i = 0; i < n; ++i) {
    paths << QStringLiteral("%1/song%2.mp3").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
    running.push_back(std::make_unique<QProcess>());
    running.back()->start(QStringLiteral("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                                                  QStringLiteral("-c"), QStringLiteral("2"), paths.back(),
                                                  QStringLiteral("synth"), QString::number(seconds(i)),
                                                  QStringLiteral("sine"), QString::number(300 + 5 * i)});
    if (running.size() == 4 || i == n - 1) {
      for (auto& sox : running)
        if (!finish(*sox)) return {};
      running.clear();
    }
  }
  return paths;
}

// ---- this process, set up as the program ----

struct Program {
  // The filled home's 20 entries, or none when `fill` writes the day's own; the window runs on
  // the system clock unless given another.
  explicit Program(bool skin, const Clock* clockOverride = nullptr,
                   const std::function<void(TDataModule1&)>& fill = {})
      : home(fill ? 0 : 20), clock(clockOverride ? *clockOverride : systemClock) {
    {
      TDataModule1 setup;
      setup.ConnectDatabase(QStringLiteral("accesspw"), home.database());
      setup.SetSetting(QStringLiteral("canuseskin"), skin ? QStringLiteral("1") : QStringLiteral("0"));
      setup.SetSetting(QStringLiteral("volume2"), QStringLiteral("0"));  // no tips
      if (fill) fill(setup);
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
  SystemClock systemClock;
  const Clock& clock;
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
  const Clock& clock = p.clock;
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

// ---- a day of song entries through the program's dispatcher ----

// The median of a run of samples.
long medianOf(std::vector<long> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// Days of separate one-second song entries, each started and ended by the main window's own
// dispatcher on a clock that skips the quiet time between them: the first day fills what is
// filled once (the grid's cells as the day moves down it, libmpv's and Qt's caches), the days
// after it are measured, across their changes of day. Anonymous memory (the heaps and private
// mappings, where a program that keeps something of each entry grows) is sampled after every
// entry; a phase is a tenth of the measured entries, its level the median of its samples, and
// the growth is the highest phase above the last tenth of the first day.
struct DayTrack {
  QString name;
  int started = 0, expected = 0;
  double seconds = 0;
  std::vector<long> warm, measured;  // RssAnon in kB after each entry of the first day, of the others
  std::vector<long> dayEnds;         // RssAnon just after each change of day
  QString failure;
  static constexpr double kLimitKbPerEntry = 0.6;

  std::vector<long> phases() const {
    std::vector<long> out;
    const std::size_t n = measured.size(), tenth = qMax<std::size_t>(1, n / 10);
    for (std::size_t from = 0; from + tenth <= n; from += tenth)
      out.push_back(medianOf({measured.begin() + long(from), measured.begin() + long(from + tenth)}));
    return out;
  }
  void print() const {
    if (!failure.isEmpty() || measured.empty()) {
      std::printf("  %-46s NOT MEASURED (%s)\n", qPrintable(name), qPrintable(failure.isEmpty() ? QStringLiteral("nothing ran") : failure));
      return;
    }
    const long warmKb = medianOf({warm.end() - long(qMax<std::size_t>(1, warm.size() / 10)), warm.end()});
    const std::vector<long> levels = phases();
    const long grown = *std::max_element(levels.begin(), levels.end()) - warmKb;
    const int entries = int(measured.size());
    const double limitKb = kLimitKbPerEntry * entries;
    const bool within = grown <= limitKb && started == expected;
    std::printf("  %-46s %d/%d songs started in %.0f s; anonymous memory after the first day %.1f MB\n",
                qPrintable(name), started, expected, seconds, warmKb / 1024.0);
    std::printf("  %-46s   over the %d entries after it: highest phase %+ld kB (%+.2f kB an entry), limit %.0f kB "
                "(%.1f kB an entry) -> %s\n",
                "", entries, grown, double(grown) / entries, limitKb, kLimitKbPerEntry, within ? "within" : "OVER");
    QString steps, ends;
    for (long kb : levels) steps += QStringLiteral(" %1").arg(kb / 1024.0, 0, 'f', 2);
    for (long kb : dayEnds) ends += QStringLiteral(" %1").arg(kb / 1024.0, 0, 'f', 2);
    std::printf("  %-46s   every tenth (MB):%s; after each change of day (MB):%s\n", "", qPrintable(steps), qPrintable(ends));
  }
};

DayTrack daysOfSongs(const QStringList& songs, bool skin, int perDay, int days) {
  DayTrack t;
  t.name = QStringLiteral("program, days of %1 song entries, skin %2").arg(perDay).arg(skin ? "on" : "off");
  const QDate first(2024, 5, 1);
  // A busy day compressed: from six in the morning an entry every 20 seconds, each one second
  // long, each naming another of the files.
  auto startOf = [&](const QDate& day, int k) { return QDateTime(day, QTime(6, 0)).addSecs(20 * k); };
  ManualClock clock(QDateTime(first, QTime(0, 0, 5)));
  Program p(skin, &clock, [&](TDataModule1& dm) {
    dm.SetSetting(QStringLiteral("canwritelogtxt"), QStringLiteral("1"));
    orvane::db::Transaction tr(*dm.connection());
    for (int k = 0; k < perDay; ++k)
      dm.ExecQuery(dm.qry_temp,
                   QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,"
                                  "jmlx,mainchannel,txt) values(:n,:s,:e,:p,'00:00:01','单曲播放',80,'日常',1,'主通道','')"),
                   {{QStringLiteral(":n"), QStringLiteral("节目%1").arg(k)},
                    {QStringLiteral(":s"), ClockText(startOf(first, k))},
                    {QStringLiteral(":e"), ClockText(startOf(first, k).addSecs(1))},
                    {QStringLiteral(":p"), songs.at(k % songs.size())}});
    tr.commit();
  });
  if (skin != p.skinned()) {
    t.failure = QStringLiteral("the skin is not %1").arg(skin ? "on" : "off");
    return t;
  }
  Dispatcher& dispatcher = p.window->dispatcher();
  // Hours without entries pass in one tick, as after a suspend; otherwise every second is
  // walked by the dispatcher, as many at a tick as it replays after a late one.
  auto jumpTo = [&](const QDateTime& at) {
    clock.set(at);
    dispatcher.Timer1Timer();
  };
  auto tickTo = [&](const QDateTime& at) {
    while (clock.now() < at) {
      clock.set(qMin(clock.now().addSecs(Dispatcher::kReplayLimit), at));
      dispatcher.Timer1Timer();
    }
  };
  QElapsedTimer elapsed;
  elapsed.start();
  for (int d = 0; d < days; ++d) {
    const QDate day = first.addDays(d);
    jumpTo(startOf(day, 0).addSecs(-60));
    for (int k = 0; k < perDay; ++k) {
      tickTo(startOf(day, k));
      bench::runEventsFor(40);  // the song sounds and the window shows it
      tickTo(startOf(day, k).addSecs(1));
      bench::runEventsFor(10);
      (d == 0 ? t.warm : t.measured).push_back(bench::anonKb());
    }
    // The change of day second by second: the next day's programme is loaded.
    jumpTo(QDateTime(day, QTime(23, 59, 50)));
    tickTo(QDateTime(day.addDays(1), QTime(0, 0, 5)));
    bench::runEventsFor(50);
    t.dayEnds.push_back(bench::anonKb());
  }
  t.seconds = elapsed.elapsed() / 1000.0;
  t.expected = perDay * days;
  for (const QString& line : orvane::readTextLines(p.home.path() + QStringLiteral("/log.txt")))
    t.started += line.contains(QStringLiteral("[歌名"));
  return t;
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
    else if (args[i] == QLatin1String("--per-day") && i + 1 < args.size()) gPerDay = args[++i].toInt();
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
  // The day's entries name 600 files, alternately 0.15 s and 1 s long.
  const QStringList daySongs = parts.contains(QLatin1String("songs"))
                                   ? makeSongs(dir.filePath(QStringLiteral("day")), 600,
                                               [](int i) { return i % 2 ? 1.0 : 0.15; })
                                   : QStringList{};
  if (makeSongs(folder, 8, [](int) { return 0.3; }).isEmpty() ||
      (parts.contains(QLatin1String("songs")) && daySongs.isEmpty())) {
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
  for (const QString& part : parts) {
    if (part == QLatin1String("songs")) {
      daysOfSongs(daySongs, true, gPerDay, 3).print();
      std::fflush(stdout);
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
