// The MP3 export of 60 s of 48 kHz stereo music beside lame's command line with the same
// settings (-V 0 -b 128 -B 320 -q 2), on the same file in the same run.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "audiotools/core/MP3export.h"
#include "bench/benchsupport.h"
#include "platform/files/waveheader.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const int rate = 48000, frames = 60 * rate;
  QByteArray data(frames * 4, Qt::Uninitialized);
  const double pi = std::numbers::pi;
  for (int i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    for (int c = 0; c < 2; ++c) {
      // Chords, a sweep and a little noise: music-like work for the psychoacoustic model.
      const double v = 0.2 * std::sin(2 * pi * (220 + 110 * c) * t) + 0.15 * std::sin(2 * pi * 1250 * t + c) +
                       0.1 * std::sin(2 * pi * (100 + 30 * t) * t) + 0.05 * (double(std::rand()) / RAND_MAX - 0.5);
      qToLittleEndian(qint16(std::lround(32767 * v)), data.data() + 4 * i + 2 * c);
    }
  }
  const QString wav = dir.filePath("music.wav");
  QFile f(wav);
  if (!f.open(QIODevice::WriteOnly)) return 1;
  f.write(orvane::pcmWaveHeader(rate, 2, 16, data.size()) + data);
  f.close();

  std::vector<double> ours, theirs;
  for (int run = 0; run < 3; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    try {
      ConvertWavToMp3(wav, dir.filePath("ours.mp3"), 0);
    } catch (const EMp3Export& e) {
      std::printf("ConvertWavToMp3 failed: %s\n", qPrintable(e.Message()));
      return 1;
    }
    ours.push_back(bench::msSince(t0));
    theirs.push_back(bench::timeCommand("lame", {"--silent", "-V", "0", "-b", "128", "-B", "320", "-q", "2", "-t", wav,
                                                 dir.filePath("lame.mp3")}));
  }
  const double a = bench::median(ours), b = bench::median(theirs);
  std::printf("60 s of 48 kHz stereo to MP3 (median of 3):\n");
  std::printf("  ConvertWavToMp3: %8.1f ms  %8lld bytes\n", a, QFileInfo(dir.filePath("ours.mp3")).size());
  std::printf("  lame -V 0 -b 128 -B 320 -q 2 -t: %8.1f ms  %8lld bytes\n", b, QFileInfo(dir.filePath("lame.mp3")).size());
  std::printf("  ratio %.2f (limit 1.20): %s\n", b > 0 ? a / b : -1.0, b > 0 && a <= 1.2 * b ? "within" : "OVER");
  return 0;
}
