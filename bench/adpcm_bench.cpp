// ADPCM encoding speed: our wave writer converting 10 s, 60 s and 600 s of 44.1 kHz stereo PCM
// from a wave file to an IMA ADPCM wave file, beside `ffmpeg -i in.wav -c:a adpcm_ima_wav
// out.wav` and `sox in.wav -e ima-adpcm out.wav` on the same files in the same run. The
// peers' times include starting their process, shown apart on a 10 ms file.
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

void WriteTestFile(const QString& path, int seconds) {
  const int frames = kRate * seconds;
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

double RunTool(const QString& tool, const QStringList& args) {
  QElapsedTimer t;
  t.start();
  QProcess p;
  p.start(tool, args);
  p.waitForFinished(-1);
  double ms = double(t.nsecsElapsed()) / 1e6;
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    std::fprintf(stderr, "%s failed: %s\n", qPrintable(tool), p.readAllStandardError().constData());
    return -1;
  }
  return ms;
}
double RunSox(const QStringList& args) { return RunTool(QStringLiteral("sox"), args); }
QStringList FfmpegArgs(const QString& in, const QString& out) {
  return {QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error"),
          QStringLiteral("-i"), in, QStringLiteral("-c:a"), QStringLiteral("adpcm_ima_wav"), out};
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
  const QString ours = dir.filePath("ours.wav"), sox = dir.filePath("sox.wav"), ffmpeg = dir.filePath("ffmpeg.wav");
  const QString tiny = dir.filePath("tiny.wav");
  WriteTestFile(tiny, 1);
  RunSox({tiny, dir.filePath("tiny10.wav"), QStringLiteral("trim"), QStringLiteral("0"), QStringLiteral("0.01")});
  std::vector<double> soxStart, ffmpegStart;
  for (int i = 0; i < 5; ++i) {
    soxStart.push_back(RunSox({dir.filePath("tiny10.wav"), QStringLiteral("-e"), QStringLiteral("ima-adpcm"), dir.filePath("t1.wav")}));
    ffmpegStart.push_back(RunTool(QStringLiteral("ffmpeg"), FfmpegArgs(dir.filePath("tiny10.wav"), dir.filePath("t2.wav"))));
  }
  std::printf("IMA ADPCM encoding of %d Hz stereo 16-bit PCM, wave file to wave file, median of the runs\n", kRate);
  std::printf("  (start-up alone, a 10 ms file: sox %.1f ms, ffmpeg %.1f ms)\n", Median(soxStart), Median(ffmpegStart));
  bool ahead = true;
  for (const int seconds : {10, 60, 600}) {
    const QString in = dir.filePath(QStringLiteral("in%1.wav").arg(seconds));
    WriteTestFile(in, seconds);
    const int runs = seconds >= 600 ? 3 : 5;
    std::vector<double> tOurs, tSox, tFfmpeg;
    for (int i = 0; i < runs; ++i) {
      tOurs.push_back(RunOurs(in, ours));
      tFfmpeg.push_back(RunTool(QStringLiteral("ffmpeg"), FfmpegArgs(in, ffmpeg)));
      tSox.push_back(RunSox({in, QStringLiteral("-e"), QStringLiteral("ima-adpcm"), sox}));
    }
    const double mOurs = Median(tOurs), mSox = Median(tSox), mFfmpeg = Median(tFfmpeg);
    const auto ref = Decode(in);
    std::printf(" %d s of sound (%lld bytes), %d runs:\n", seconds, QFile(in).size() - 44, runs);
    auto row = [&](const char* name, double ms, const QString& out) {
      std::printf("  %-42s %9.1f ms  %7.0fx real time  file %9lld bytes  SNR %.1f dB\n", name, ms,
                  seconds * 1000.0 / ms, QFile(out).size(), Snr(ref, Decode(out)));
    };
    row("orvane TWaveOut", mOurs, ours);
    row("ffmpeg -i in.wav -c:a adpcm_ima_wav out.wav", mFfmpeg, ffmpeg);
    row("sox in.wav -e ima-adpcm out.wav", mSox, sox);
    std::printf("  orvane/ffmpeg %.2f, orvane/sox %.2f\n", mOurs / mFfmpeg, mOurs / mSox);
    if (seconds == 600) ahead = mFfmpeg > 0 && mOurs <= mFfmpeg;
    QFile::remove(in);
  }
  std::printf(" at 600 s: %s\n", ahead ? "at or ahead of ffmpeg (target holds)" : "BEHIND ffmpeg (target MISSED)");
  return ahead ? 0 : 1;
}
