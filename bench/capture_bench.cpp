// A long capture through the recorder's chain from the sound server's sine source (1 kHz,
// 48 kHz): no gap (the sine's phase runs on unbroken) and the byte count within one block of
// what the wall clock says. Usage: capture_bench [seconds] [source name].
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audiotools/core/ACS_Audio.h"
#include "audiotools/core/ACS_Indicator.h"
#include "audiotools/core/ACS_Wave.h"
#include "platform/audio/capturebackend.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr int kBytesPerSecond = kRate * kChannels * 2;
constexpr int kPeriod = 48;     // samples of one 1 kHz cycle at 48 kHz
constexpr int kSettleMs = 2000;  // the window starts after this, once the stream runs steadily

struct Sample {
  double t;      // seconds since Run
  qint64 bytes;  // the capture's position then
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const QString sourceName = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("sine");

  bool ok = false;
  QString error;
  auto sources = orvane::audio::captureBackend().sources(&ok, &error);
  int index = -1;
  for (int i = 0; i < sources.size(); ++i)
    if (sources[i].name == sourceName) index = i;
  if (!ok || index < 0) {
    std::fprintf(stderr, "capture_bench: no source \"%s\" (%s); run it through bench/capture_bench.sh\n",
                 qPrintable(sourceName), qPrintable(ok ? QStringLiteral("not listed") : error));
    return 2;
  }

  QTemporaryDir dir;
  const QString path = dir.filePath("capture.wav");
  TAudioIn AudioIn1;
  TSoundIndicator SoundIndicator1;
  TWaveOut WaveOut1;
  AudioIn1.SetBaseChannel(index);
  AudioIn1.InBitsPerSample = 16;
  AudioIn1.InChannels = kChannels;
  AudioIn1.InSampleRate = kRate;
  AudioIn1.RecTime = 3600;
  SoundIndicator1.SetInput(&AudioIn1);
  WaveOut1.SetInput(&SoundIndicator1);
  WaveOut1.SetFileName(path);
  QString threadError;
  WaveOut1.OnThreadException = [&](TACSOutput*, const std::exception& e) { threadError = QString::fromUtf8(e.what()); };

  // The recorder's timer reads the meter every 100 ms; between its ticks the capture's
  // position is noted whenever it moves.
  std::vector<Sample> samples;
  double peakLevel = 0;
  const auto start = Clock::now();
  WaveOut1.Run();
  auto nextMeter = start + std::chrono::milliseconds(100);
  // The window runs from kSettleMs to the first delivery after kSettleMs + seconds (a bursty
  // source is waited for up to 5 s more).
  const double windowWanted = kSettleMs / 1000.0 + seconds;
  const auto end = start + std::chrono::milliseconds(kSettleMs) + std::chrono::seconds(seconds);
  qint64 lastBytes = -1;
  while ((Clock::now() < end ||
          ((samples.empty() || samples.back().t < windowWanted) && Clock::now() < end + std::chrono::seconds(5))) &&
         WaveOut1.GetStatus() != 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    auto now = Clock::now();
    qint64 bytes = AudioIn1.Position.load();
    if (bytes != lastBytes) {
      samples.push_back({std::chrono::duration<double>(now - start).count(), bytes});
      lastBytes = bytes;
    }
    if (now >= nextMeter) {
      nextMeter += std::chrono::milliseconds(100);
      std::array<double, 32> v;
      SoundIndicator1.GetValues(v);
      peakLevel = std::max(peakLevel, v[1]);
    }
  }
  WaveOut1.Stop();
  WaveOut1.WaitForIdle(-1);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  if (!threadError.isEmpty()) {
    std::fprintf(stderr, "capture_bench: the capture ended with an error: %s\n", qPrintable(threadError));
    return 1;
  }

  // Phase continuity: every sample equals the one a cycle earlier, in both channels.
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  QByteArray data = f.readAll().mid(44);
  const auto* s = reinterpret_cast<const short*>(data.constData());
  const qint64 frames = data.size() / (2 * kChannels);
  int worst = 0;
  qint64 breaks = 0;
  for (qint64 i = kPeriod; i < frames; ++i)
    for (int c = 0; c < kChannels; ++c) {
      int d = std::abs(s[i * kChannels + c] - s[(i - kPeriod) * kChannels + c]);
      worst = std::max(worst, d);
      if (d > 4) ++breaks;
    }

  // Bytes against the wall clock. A source may deliver in bursts (the sine source renders
  // 2 s at a time), so what is compared is how far the sound runs ahead of the clock at its
  // highest, early in the window and late in it: any loss or excess shows as a change.
  auto aheadBytes = [](const Sample& x) { return double(x.bytes) - x.t * kBytesPerSecond; };
  const double windowStart = kSettleMs / 1000.0, windowEnd = samples.back().t, span = 10.0;
  double earlyMax = -1e18, lateMax = -1e18, longestPause = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const Sample& x = samples[i];
    if (i > 0) longestPause = std::max(longestPause, x.t - samples[i - 1].t);
    if (x.t >= windowStart && x.t < windowStart + span) earlyMax = std::max(earlyMax, aheadBytes(x));
    if (x.t > windowEnd - span) lateMax = std::max(lateMax, aheadBytes(x));
  }
  const double diff = lateMax - earlyMax;
  const double window = windowEnd - windowStart;
  const qint64 total = samples.back().bytes;

  std::printf("Capture from \"%s\" through TAudioIn -> TSoundIndicator -> TWaveOut, %d Hz stereo 16-bit, %.1f s wall time\n",
              qPrintable(sourceName), kRate, wall);
  std::printf("  file: %lld bytes of sound = %.3f s\n", qint64(data.size()), double(data.size()) / kBytesPerSecond);
  std::printf("  phase continuity: worst change against one cycle earlier %d LSB, samples off the cycle %lld: %s\n", worst,
              breaks, breaks == 0 ? "no gap" : "GAP");
  std::printf("  bytes captured %lld in %.3f s of wall time (%.3f s of sound); delivered in pieces up to %.2f s apart\n",
              total, samples.back().t, double(total) / kBytesPerSecond, longestPause);
  std::printf("  sound ahead of the wall clock, at its highest: %.0f bytes in the first 10 s of the %.1f s window, "
              "%.0f bytes in the last 10 s\n", earlyMax, window, lateMax);
  std::printf("  change over the window %+.0f bytes (%+.1f ms); limit one block = %d bytes (%.1f ms): %s\n", diff,
              diff * 1000 / kBytesPerSecond, TAudioIn::kBufferSize, TAudioIn::kBufferSize * 1000.0 / kBytesPerSecond,
              std::abs(diff) <= TAudioIn::kBufferSize ? "within" : "OUTSIDE");
  std::printf("  meter, 1 kHz band, highest reading: %.1f\n", peakLevel);
  return breaks == 0 && std::abs(diff) <= TAudioIn::kBufferSize ? 0 : 1;
}
