// The recorder window recording the sound server's sine source (1 kHz, 48 kHz stereo) while
// its interface thread is blocked 300 ms of every second: no gap in the sine's phase, and the
// bytes written after the stream settled within one block of what the wall clock says.
// Usage: recorder_bench [seconds] (run it through recorder_bench.sh for a sound server).
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "audiotools/core/ACS_Audio.h"
#include "audiotools/windows/Unit_recorder.h"
#include "bench/benchsupport.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
  QTemporaryDir home;
  qputenv("ORVANE_HOME", home.path().toUtf8());
  TForm_recorder r;
  if (!r.SelectSource(QStringLiteral("sine"))) {
    std::printf("recorder_bench: the sound server has no source \"sine\"\n");
    return 1;
  }
  QTimer blocker;
  QObject::connect(&blocker, &QTimer::timeout, [] { QThread::msleep(300); });
  blocker.start(1000);
  using Clock = std::chrono::steady_clock;
  r.Button1->click();
  const QString wav = r.recordbase + QStringLiteral(".wav");
  bench::runEventsFor(2000);  // the stream settles
  const auto t0 = Clock::now();
  const qint64 b0 = QFileInfo(wav).size();
  bench::runEventsFor(seconds * 1000);
  const double wall = bench::msSince(t0) / 1000.0;
  const qint64 b1 = QFileInfo(wav).size();
  r.Button2->click();
  while (r.Busy()) bench::runEventsFor(20);
  blocker.stop();

  QFile f(wav);
  if (!f.open(QIODevice::ReadOnly)) return 1;
  const QByteArray all = f.readAll().mid(44);
  const auto* s = reinterpret_cast<const qint16*>(all.constData());
  const qint64 frames = all.size() / 4;
  // Rising zero crossings of the left channel come every 48 samples; any other spacing past
  // the first second is a gap or a repeat.
  qint64 last = -1, gaps = 0, cycles = 0;
  for (qint64 i = 48000; i < frames; ++i) {
    if (s[2 * (i - 1)] < 0 && s[2 * i] >= 0) {
      if (last >= 0 && (i - last < 47 || i - last > 49)) ++gaps;
      last = i, ++cycles;
    }
  }
  const double expected = wall * 48000 * 4;
  const double diff = double(b1 - b0) - expected;
  std::printf("recorder window, %d s of the 1 kHz sine, interface thread blocked 300 ms a second:\n", seconds);
  std::printf("  phase: %lld cycles, %lld gaps (limit 0): %s\n", cycles, gaps, gaps == 0 ? "within" : "OVER");
  std::printf("  bytes after settling: %lld in %.3f s, wall clock says %.0f; difference %.0f (limit one block, %d): %s\n",
              b1 - b0, wall, expected, diff, TAudioIn::kBufferSize, std::abs(diff) <= TAudioIn::kBufferSize ? "within" : "OVER");
  return 0;
}
