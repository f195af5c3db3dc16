// The memory the first web radio page adds to the program: proportional set size of the
// program and every process it started (the web engine's), before the hidden view is made and
// once a page playing a stream from loopback has loaded; beside the design's estimate.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <unistd.h>

#include "bench/benchsupport.h"
#include "bench/soundserver.h"
#include "platform/web/webradiohost.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/soundfiles.h"

namespace {
struct Usage {
  double pssMb = 0;
  double rssMb = 0;
  int processes = 0;
};

qint64 parentOf(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray s = f.readAll();
  const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
  return fields.size() > 1 ? fields.at(1).toLongLong() : -1;
}

double fieldKb(const QByteArray& text, const QByteArray& name) {
  const int at = text.indexOf("\n" + name + ":");
  if (at < 0) return 0;
  return text.mid(at + name.size() + 2, 40).trimmed().split(' ').first().toDouble();
}

// This process and all its descendants but one (the benchmark's own sound server).
Usage usage(qint64 except) {
  QHash<qint64, qint64> parent;
  for (const QString& e : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool ok = false;
    const qint64 pid = e.toLongLong(&ok);
    if (ok) parent.insert(pid, parentOf(pid));
  }
  Usage u;
  const qint64 self = getpid();
  for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
    if (it.key() == except) continue;
    qint64 p = it.key();
    while (p > 1 && p != self) p = parent.value(p, -1);
    if (p != self) continue;
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(it.key()));
    if (!f.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = "\n" + f.readAll();
    u.pssMb += fieldKb(text, "Pss") / 1024.0;
    u.rssMb += fieldKb(text, "Rss") / 1024.0;
    ++u.processes;
  }
  return u;
}
}  // namespace

int main(int argc, char** argv) {
  bench::prepareWebEngine();
  QApplication app(argc, argv);
  bench::SoundServer sound;  // the page's stream is played, as in service
  testing_support::LoopbackServer server;
  server.route(QStringLiteral("/radio.html"), "<html><body><audio autoplay src=\"/live.wav\"></audio></body></html>",
               "text/html");
  server.route(QStringLiteral("/live.wav"), testing_support::toneWav(60, 440, 0.5, 44100), "audio/wav");

  QWidget window;
  window.resize(400, 300);
  window.show();
  bench::runEventsFor(500);
  const Usage before = usage(sound.pid());

  orvane::WebRadioHost host;
  bool loaded = false;
  QObject::connect(&host, &orvane::WebRadioHost::loadFinished, [&](const QUrl&, bool ok) { loaded = ok; });
  const auto t0 = std::chrono::steady_clock::now();
  host.ensure(&window);
  host.Navigate(server.url(QStringLiteral("/radio.html")));
  while (!loaded && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(30)) bench::runEventsFor(20);
  const double loadMs = bench::msSince(t0);
  bench::runEventsFor(3000);  // the stream plays
  const Usage after = usage(sound.pid());
  host.Clear();
  bench::runEventsFor(1000);
  const Usage blank = usage(sound.pid());

  std::printf("memory added by the first web radio page (program and the processes it started):\n");
  std::printf("  before the view: %5.1f MB PSS (%5.1f MB RSS) in %d process(es)\n", before.pssMb, before.rssMb,
              before.processes);
  std::printf("  page playing:    %5.1f MB PSS (%5.1f MB RSS) in %d process(es); page loaded after %.0f ms%s\n",
              after.pssMb, after.rssMb, after.processes, loadMs, loaded ? "" : " (NOT LOADED)");
  std::printf("  after about:blank: %5.1f MB PSS\n", blank.pssMb);
  const double added = after.pssMb - before.pssMb;
  std::printf("  added: %.1f MB PSS (%.1f MB RSS); design estimate about 340 MB -> %s\n", added,
              after.rssMb - before.rssMb, added <= 340 * 1.25 ? "within 25%" : "ABOVE");
  return 0;
}
