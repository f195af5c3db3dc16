// Helpers of the audio tool tests.
#include "tests/audiotools/audiotestsupport.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

#include "platform/audio/capturebackend.h"

namespace audiotest {

MemoryInput::MemoryInput(QByteArray data, int bits, int channels, int rate)
    : data_(std::move(data)), bits_(bits), channels_(channels), rate_(rate) {}

MemoryInput::~MemoryInput() { ReleaseUsers(); }

void MemoryInput::Init() {
  ++inits;
  offset_ = 0;
  Position = 0;
  Size = unknownSize || endless ? -1 : data_.size();
  Busy = true;
}

void MemoryInput::Flush() {
  ++flushes;
  Busy = false;
}

int MemoryInput::GetData(void* Buffer, int BufferSize) {
  ++reads;
  if (!Busy) throw EACSException(QStringLiteral("The Stream is not opened"));
  if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  if (throwAfter >= 0 && Position >= throwAfter) throw EACSException(QStringLiteral("memory input failed on purpose"));
  if (endless && offset_ >= data_.size()) offset_ = 0;
  qint64 n = std::min<qint64>({qint64(BufferSize), qint64(chunk), data_.size() - offset_});
  if (n <= 0) return 0;
  std::memcpy(Buffer, data_.constData() + offset_, size_t(n));
  offset_ += n;
  Position += n;
  return int(n);
}

ScopedFakeCapture::ScopedFakeCapture() { orvane::audio::setCaptureBackend(&fake); }
ScopedFakeCapture::~ScopedFakeCapture() { orvane::audio::setCaptureBackend(nullptr); }

Decoded DecodeWithSndfile(const QString& path) {
  Decoded d;
  SF_INFO info{};
  SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
  if (!f) {
    d.error = QString::fromUtf8(sf_strerror(nullptr));
    return d;
  }
  d.sampleRate = info.samplerate;
  d.channels = info.channels;
  d.format = info.format;
  d.samples.resize(size_t(info.frames * info.channels));
  d.samples.resize(size_t(sf_readf_short(f, d.samples.data(), info.frames) * info.channels));
  if (sf_error(f) != SF_ERR_NO_ERROR) d.error = QString::fromUtf8(sf_strerror(f));
  sf_close(f);
  d.ok = d.error.isEmpty();
  return d;
}

CommandResult RunCommand(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted() || !p.waitForFinished(60000)) return {-1, {}, "cannot run " + program.toUtf8()};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

QByteArray ToBytes(const std::vector<short>& samples) {
  QByteArray b(qsizetype(samples.size() * 2), Qt::Uninitialized);
  for (size_t i = 0; i < samples.size(); ++i) qToLittleEndian<qint16>(samples[i], b.data() + 2 * i);
  return b;
}

std::vector<short> FromBytes(const QByteArray& bytes) {
  std::vector<short> s(size_t(bytes.size() / 2));
  for (size_t i = 0; i < s.size(); ++i) s[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
  return s;
}

std::vector<short> MusicLike(int frames, int channels, int rate) {
  std::vector<short> s(size_t(frames) * size_t(channels));
  const double pi = std::numbers::pi;
  for (int i = 0; i < frames; ++i) {
    double t = double(i) / rate;
    for (int c = 0; c < channels; ++c) {
      double sweep = 100 + 1900 * t / (double(frames) / rate);  // 100 Hz rising towards 2 kHz
      double v = 0.25 * std::sin(2 * pi * (220 + 110 * c) * t) + 0.15 * std::sin(2 * pi * 1250 * t + c) +
                 0.1 * std::sin(2 * pi * 3300 * t) + 0.1 * std::sin(2 * pi * sweep * t / 2);
      s[size_t(i) * channels + c] = short(std::lround(32767 * v));
    }
  }
  return s;
}

double SnrDb(const std::vector<short>& reference, const std::vector<short>& test, size_t count) {
  double sig = 0, noise = 0;
  for (size_t i = 0; i < count && i < reference.size() && i < test.size(); ++i) {
    double r = reference[i], d = double(test[i]) - r;
    sig += r * r;
    noise += d * d;
  }
  if (noise == 0) return 200;
  return 10 * std::log10(sig / noise);
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EACSException& e) {
    return e.Message();
  }
  return QStringLiteral("(nothing raised)");
}

int SineSourceIndex() {
  bool ok = false;
  QString error;
  auto list = orvane::audio::captureBackend().sources(&ok, &error);
  EXPECT_TRUE(ok) << "PULSE_SERVER is set but the sound server cannot be reached: " << error.toStdString();
  for (int i = 0; i < list.size(); ++i)
    if (list[i].name == "sine") return i;
  ADD_FAILURE() << "the sound server has no source named \"sine\"";
  return -1;
}

}  // namespace audiotest
