// Helpers of the audio tool tests: an input that plays bytes from memory, a fake capture
// backend installed for one test, decoding with libsndfile and running sox, the message a
// component raises, and the private sound server's sine source.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "audiotools/core/ACS_Classes.h"
#include "platform/audio/fakecapture.h"

namespace audiotest {

// Plays a block of bytes in a given format, in pieces of at most chunk bytes.
class MemoryInput : public TACSInput {
 public:
  MemoryInput(QByteArray data, int bits, int channels, int rate);
  ~MemoryInput() override;
  int GetBitsPerSample() override { return bits_; }
  int GetChannels() override { return channels_; }
  int GetSampleRate() override { return rate_; }
  int GetData(void* Buffer, int BufferSize) override;
  void Init() override;
  void Flush() override;
  int chunk = 1 << 30;
  bool unknownSize = false;  // Size -1
  bool endless = false;      // repeats the data for ever
  int sleepMs = 0;           // before each GetData, so a run lasts
  qint64 throwAfter = -1;    // GetData raises once this many bytes were handed out
  std::atomic<int> inits{0};
  std::atomic<int> flushes{0};
  std::atomic<int> reads{0};

 private:
  QByteArray data_;
  int bits_, channels_, rate_;
  qint64 offset_ = 0;
};

// Installs a fake capture backend for its lifetime.
class ScopedFakeCapture {
 public:
  ScopedFakeCapture();
  ~ScopedFakeCapture();
  orvane::audio::FakeCapture fake;
};

struct Decoded {
  bool ok = false;
  QString error;
  int sampleRate = 0;
  int channels = 0;
  int format = 0;  // libsndfile's SF_FORMAT_* value
  std::vector<short> samples;  // interleaved
  qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
};
Decoded DecodeWithSndfile(const QString& path);

struct CommandResult {
  int exitCode = -1;
  QByteArray out, err;
};
CommandResult RunCommand(const QString& program, const QStringList& args);

// 16-bit little-endian PCM, interleaved.
QByteArray ToBytes(const std::vector<short>& samples);
std::vector<short> FromBytes(const QByteArray& bytes);
// A test signal with a spread spectrum: three tones and a slow sweep, peak about 0.6 FS.
std::vector<short> MusicLike(int frames, int channels, int rate);
// Signal-to-noise ratio of test against reference over their common length, in dB.
double SnrDb(const std::vector<short>& reference, const std::vector<short>& test, size_t count);

QByteArray ReadAll(const QString& path);

// The message of the EACSException that f raises; "(nothing raised)" when it raises none.
QString MessageOf(const std::function<void()>& f);

// The index of the sine source of test.sh's private sound server among the capture sources
// (1 kHz, amplitude 0.5, 48 kHz); -1 (and a test failure) when the server cannot be reached
// or has no such source. Tests skip when PULSE_SERVER is not set.
int SineSourceIndex();
#define SKIP_WITHOUT_SOUND_SERVER()                 \
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) \
  GTEST_SKIP() << "PULSE_SERVER is not set (test.sh starts a server)"

// How long the tests wait for the output thread to reach a state.
constexpr int kWaitMs = 10000;

}  // namespace audiotest
