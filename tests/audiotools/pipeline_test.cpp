// The recorder's chain end to end: capture, meter and wave writer on the output thread,
// against the fake backend and against the private sound server's sine source.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QTemporaryDir>
#include <cmath>
#include <numbers>

#include "audiotools/core/ACS_Audio.h"
#include "audiotools/core/ACS_Indicator.h"
#include "audiotools/core/ACS_Wave.h"
#include "platform/audio/capturebackend.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

using audiotest::Decoded;
using audiotest::DecodeWithSndfile;
using audiotest::kWaitMs;
using audiotest::ScopedFakeCapture;
using audiotest::SineSourceIndex;
using testing_support::waitUntil;
using orvane::audio::CaptureFormat;
using orvane::audio::FakeCapture;

namespace {

// The recorder's three components, connected as the recorder connects them.
struct Chain {
  TAudioIn AudioIn1;
  TSoundIndicator SoundIndicator1;
  TWaveOut WaveOut1;
  std::atomic<int> doneEvents{0};
  std::atomic<int> errorEvents{0};
  QString error;

  Chain(int bits, int channels, int rate, int seconds) {
    AudioIn1.InBitsPerSample = bits;
    AudioIn1.InChannels = channels;
    AudioIn1.InSampleRate = rate;
    AudioIn1.RecTime = seconds;
    SoundIndicator1.SetInput(&AudioIn1);
    WaveOut1.SetInput(&SoundIndicator1);
    WaveOut1.OnDone = [this](TACSOutput*) { ++doneEvents; };
    WaveOut1.OnThreadException = [this](TACSOutput*, const std::exception& e) {
      error = QString::fromUtf8(e.what());
      ++errorEvents;
    };
  }
  bool WaitEnd(int ms = 20000) { return waitUntil([this] { return doneEvents + errorEvents > 0; }, ms) && WaveOut1.WaitForIdle(ms); }
};

// The amplitude and phase of a tone of the given frequency, fitted by least squares, and
// the signal-to-noise ratio of the samples against that fitted tone.
double SnrAgainstTone(const std::vector<short>& s, int channels, int channel, double freq, double rate, double* amplitude) {
  double sc = 0, cc = 0, ss = 0, xs = 0, xc = 0;
  size_t n = s.size() / size_t(channels);
  for (size_t i = 0; i < n; ++i) {
    double w = 2 * std::numbers::pi * freq * double(i) / rate;
    double x = s[i * size_t(channels) + size_t(channel)];
    double si = std::sin(w), co = std::cos(w);
    ss += si * si;
    cc += co * co;
    sc += si * co;
    xs += x * si;
    xc += x * co;
  }
  double det = ss * cc - sc * sc;
  double a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
  double sig = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    double w = 2 * std::numbers::pi * freq * double(i) / rate;
    double fit = a * std::sin(w) + b * std::cos(w);
    double x = s[i * size_t(channels) + size_t(channel)];
    sig += fit * fit;
    noise += (x - fit) * (x - fit);
  }
  if (amplitude) *amplitude = std::hypot(a, b);
  return 10 * std::log10(sig / std::max(noise, 1e-9));
}

}  // namespace

TEST(Pipeline, RecordsTheCapturedSoundIntoAPcmFileAndMetersIt) {
  ScopedFakeCapture f;
  QTemporaryDir dir;
  Chain c(16, 2, 48000, 1);
  c.WaveOut1.SetFileName(dir.filePath("rec.wav"));
  std::vector<int> progress;
  c.WaveOut1.OnProgress = [&](TACSOutput*, int p) { progress.push_back(p); };
  c.WaveOut1.Run();
  ASSERT_TRUE(c.WaitEnd());
  EXPECT_EQ(std::vector<int>({c.doneEvents, c.errorEvents, f.fake.opens, f.fake.closes}), std::vector<int>({1, 0, 1, 1}));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  std::array<double, 32> levels;
  c.SoundIndicator1.GetValues(levels);
  EXPECT_GT(levels[1], 30);  // a -6 dBFS tone at 1 kHz was measured
  Decoded d = DecodeWithSndfile(dir.filePath("rec.wav"));
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.frames(), 48000);
  QByteArray expected(192000, 0);
  FakeCapture::sine(expected.data(), 0, 48000, CaptureFormat{48000, 2, 16}, 1000, 0.5);
  EXPECT_TRUE(audiotest::ToBytes(d.samples) == expected);
}

TEST(Pipeline, StopAndStallAndDestroyWhileRecording) {
  ScopedFakeCapture f;
  f.fake.realTime = true;
  QTemporaryDir dir;
  {
    Chain c(16, 1, 22050, 600);
    c.WaveOut1.SetFileName(dir.filePath("stop.wav"));
    c.WaveOut1.Run();
    ASSERT_TRUE(waitUntil([&] { return c.AudioIn1.Position > 8000; }, kWaitMs));
    c.WaveOut1.Stop();
    ASSERT_TRUE(c.WaitEnd());
    EXPECT_EQ(c.doneEvents, 1);
    EXPECT_EQ(f.fake.closes, f.fake.opens);
    Decoded d = DecodeWithSndfile(dir.filePath("stop.wav"));
    ASSERT_TRUE(d.ok);
    EXPECT_GT(d.frames(), 4000);
    EXPECT_LT(d.frames(), 22050 * 5);
  }
  {
    f.fake.stallAfterBytes = 20000;
    Chain c(16, 1, 22050, 600);
    c.WaveOut1.SetWavType(wtDVIADPCM);
    c.WaveOut1.SetFileName(dir.filePath("stall.wav"));
    c.WaveOut1.Run();
    ASSERT_TRUE(c.WaitEnd());
    EXPECT_EQ(c.errorEvents, 1);
    EXPECT_EQ(c.error, "Recording stalled: no sound arrived for 3 seconds");
    EXPECT_FALSE(c.AudioIn1.Busy);
    EXPECT_EQ(f.fake.closes, f.fake.opens);
    Decoded d = DecodeWithSndfile(dir.filePath("stall.wav"));
    EXPECT_TRUE(d.ok) << "the header is true after the error";
    EXPECT_EQ(d.frames(), 10 * 1017);  // the 9 full blocks and the padded tenth
    f.fake.stallAfterBytes = -1;
  }
  {
    // Destroyed in the order the members of a window go: the writer first.
    auto c = std::make_unique<Chain>(8, 2, 8000, 600);
    c->WaveOut1.SetFileName(dir.filePath("destroy.wav"));
    c->WaveOut1.Run();
    ASSERT_TRUE(waitUntil([&] { return c->AudioIn1.Position > 1000; }, kWaitMs));
    c.reset();
    EXPECT_EQ(f.fake.closes, f.fake.opens);
    Decoded d = DecodeWithSndfile(dir.filePath("destroy.wav"));
    EXPECT_TRUE(d.ok) << "the file was finished";
  }
  {
    // Destroying the source first stops the run before the source goes.
    auto in = std::make_unique<TAudioIn>();
    TSoundIndicator meter;
    TWaveOut out;
    meter.SetInput(in.get());
    out.SetInput(&meter);
    out.SetFileName(dir.filePath("source.wav"));
    out.Run();
    ASSERT_TRUE(waitUntil([&] { return in->Position > 1000; }, kWaitMs));
    in.reset();
    EXPECT_EQ(out.GetStatus(), 2);
    EXPECT_EQ(meter.Input(), nullptr);
    EXPECT_EQ(f.fake.closes, f.fake.opens);
    EXPECT_TRUE(DecodeWithSndfile(dir.filePath("source.wav")).ok);
  }
}

TEST(Pipeline, RealCaptureFromTheSineSourceIntoPcmAndAdpcm) {
  SKIP_WITHOUT_SOUND_SERVER();
  const int index = SineSourceIndex();
  ASSERT_GE(index, 0);
  EXPECT_GE(InputDeviceCount(), 2);  // the sine and the null sink's monitor
  EXPECT_GE(OutputDeviceCount(), 1);
  QTemporaryDir dir;
  {
    Chain c(16, 1, 48000, 2);
    c.AudioIn1.SetBaseChannel(index);
    c.WaveOut1.SetFileName(dir.filePath("real.wav"));
    c.WaveOut1.Run();
    ASSERT_TRUE(c.WaitEnd());
    ASSERT_EQ(c.errorEvents, 0) << c.error.toStdString();
    Decoded d = DecodeWithSndfile(dir.filePath("real.wav"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.frames(), 96000) << "exactly the record size";
    double amplitude = 0;
    EXPECT_GT(SnrAgainstTone(d.samples, 1, 0, 1000, 48000, &amplitude), 60) << "a clean, unbroken 1 kHz tone";
    EXPECT_NEAR(amplitude, 16384, 300);
  }
  {
    Chain c(16, 2, 48000, 1);
    c.AudioIn1.SetBaseChannel(index);
    c.WaveOut1.SetWavType(wtDVIADPCM);
    c.WaveOut1.SetFileName(dir.filePath("real-adpcm.wav"));
    c.WaveOut1.Run();
    ASSERT_TRUE(c.WaitEnd());
    ASSERT_EQ(c.errorEvents, 0) << c.error.toStdString();
    Decoded d = DecodeWithSndfile(dir.filePath("real-adpcm.wav"));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.frames(), 96 * 505);  // 48,000 frames in 505-frame blocks, the last one padded
    d.samples.resize(48000 * 2);
    for (int ch = 0; ch < 2; ++ch) {
      double amplitude = 0;
      EXPECT_GT(SnrAgainstTone(d.samples, 2, ch, 1000, 48000, &amplitude), 25) << "channel " << ch;
      EXPECT_NEAR(amplitude, 16384, 500);
    }
  }
}
