// ADPCM encoding speed: our wave writer converting a 60 s, 44.1 kHz stereo PCM file to IMA
// ADPCM, beside `sox in.wav -e ima-adpcm out.wav` on the same file in the same run.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "audiotools/core/ACS_Wave.h"
#include "platform/files/waveheader.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kSeconds = 60;
constexpr int kRuns = 5;

// Reads the sound of a 44-byte-header PCM wave file from disk.
class WaveFileInput : public TACSInput {
 public:
  explicit WaveFileInput(QString path) : path_(std::move(path)) {}
  ~WaveFileInput() override { ReleaseUsers(); }
  int GetBitsPerSample() override { return 16; }
  int GetChannels() override { return kChannels; }
  int GetSampleRate() override { return kRate; }
  void Init() override {
    file_.setFileName(path_);
    file_.open(QIODevice::ReadOnly);
    file_.seek(44);
    Size = file_.size() - 44;
    Position = 0;
    Busy = true;
  }
  void Flush() override {
    file_.close();
    Busy = false;
  }
  int GetData(void* buffer, int size) override {
    qint64 n = file_.read(static_cast<char*>(buffer), size);
    if (n <= 0) return 0;
    Position += n;
    return int(n);
  }

 private:
  QString path_;
  QFile file_;
};

void WriteTestFile(const QString& path) {
  const int frames = kRate * kSeconds;
  std::vector<short> s(size_t(frames) * kChannels);
  std::mt19937 rng(1);
  std::normal_distribution<double> noise(0, 300);
  const double pi = std::numbers::pi;
  for (int i = 0; i < frames; ++i) {
    double t = double(i) / kRate;
    double env = 0.6 + 0.4 * std::sin(2 * pi * 0.5 * t);
    for (int c = 0; c < kChannels; ++c) {
      double v = env * (6000 * std::sin(2 * pi * (220 + 110 * c) * t) + 3000 * std::sin(2 * pi * 1250 * t + c) +
                        2000 * std::sin(2 * pi * 3300 * t)) + noise(rng);
      s[size_t(i) * kChannels + c] = short(std::clamp(std::lround(v), -32768L, 32767L));
    }
  }
  QFile f(path);
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  const qint64 data = qint64(s.size() * 2);
  f.write(orvane::pcmWaveHeader(kRate, kChannels, 16, data));
  f.write(reinterpret_cast<const char*>(s.data()), data);
}

double RunOurs(const QString& in, const QString& out) {
  WaveFileInput input(in);
  TWaveOut writer;
  writer.SetInput(&input);
  writer.SetWavType(wtDVIADPCM);
  writer.SetFileName(out);
  QElapsedTimer t;
  t.start();
  writer.Run();
  writer.WaitForIdle(-1);
  return double(t.nsecsElapsed()) / 1e6;
}

double RunSox(const QStringList& args) {
  QElapsedTimer t;
  t.start();
  QProcess p;
  p.start(QStringLiteral("sox"), args);
  p.waitForFinished(-1);
  double ms = double(t.nsecsElapsed()) / 1e6;
  if (p.exitCode() != 0) {
    std::fprintf(stderr, "sox failed: %s\n", p.readAllStandardError().constData());
    return -1;
  }
  return ms;
}

// Decodes a wave file to 16-bit samples with sox.
std::vector<short> Decode(const QString& path) {
  QProcess p;
  p.start(QStringLiteral("sox"), {path, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"),
                                  QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-")});
  p.waitForFinished(-1);
  QByteArray b = p.readAllStandardOutput();
  std::vector<short> s(size_t(b.size() / 2));
  std::memcpy(s.data(), b.constData(), s.size() * 2);
  return s;
}

double Snr(const std::vector<short>& ref, const std::vector<short>& test) {
  double sig = 0, err = 0;
  size_t n = std::min(ref.size(), test.size());
  for (size_t i = 0; i < n; ++i) {
    double d = double(test[i]) - ref[i];
    sig += double(ref[i]) * ref[i];
    err += d * d;
  }
  return 10 * std::log10(sig / std::max(err, 1.0));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString in = dir.filePath("in.wav"), ours = dir.filePath("ours.wav"), sox = dir.filePath("sox.wav");
  WriteTestFile(in);
  const QString tiny = dir.filePath("tiny.wav");
  RunSox({in, tiny, QStringLiteral("trim"), QStringLiteral("0"), QStringLiteral("0.01")});

  std::vector<double> tOurs, tSox, tSoxStart;
  for (int i = 0; i < kRuns; ++i) {
    tOurs.push_back(RunOurs(in, ours));
    tSox.push_back(RunSox({in, QStringLiteral("-e"), QStringLiteral("ima-adpcm"), sox}));
    tSoxStart.push_back(RunSox({tiny, QStringLiteral("-e"), QStringLiteral("ima-adpcm"), dir.filePath("tiny-out.wav")}));
  }
  const double mOurs = Median(tOurs), mSox = Median(tSox), mStart = Median(tSoxStart);
  const auto ref = Decode(in);
  const double snrOurs = Snr(ref, Decode(ours)), snrSox = Snr(ref, Decode(sox));

  std::printf("IMA ADPCM encoding, %d s of %d Hz stereo 16-bit PCM (%lld bytes), median of %d runs\n", kSeconds, kRate,
              QFile(in).size() - 44, kRuns);
  std::printf("  %-34s %9.1f ms  %7.0fx real time  file %8lld bytes  SNR %.1f dB\n", "orvane TWaveOut (file to file)",
              mOurs, kSeconds * 1000.0 / mOurs, QFile(ours).size(), snrOurs);
  std::printf("  %-34s %9.1f ms  %7.0fx real time  file %8lld bytes  SNR %.1f dB\n", "sox in.wav -e ima-adpcm out.wav",
              mSox, kSeconds * 1000.0 / mSox, QFile(sox).size(), snrSox);
  std::printf("  (sox start-up alone, 10 ms file: %.1f ms)\n", mStart);
  const bool faster = mOurs < mSox;
  std::printf("  orvane/sox time ratio %.2f: %s\n", mOurs / mSox, faster ? "faster than sox" : "NOT faster than sox");
  return faster ? 0 : 1;
}
