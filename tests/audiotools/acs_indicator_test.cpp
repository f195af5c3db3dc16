// The spectrum level meter and its numeric routines: the transform against a direct DFT,
// the window, the log magnitude, and the meter's levels for silence and for tones.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "audiotools/core/ACS_Indicator.h"
#include "tests/audiotools/audiotestsupport.h"

using audiotest::MemoryInput;
using Levels = std::array<double, TSoundIndicator::kBands>;

namespace {

const double kPi = std::numbers::pi;

std::vector<std::complex<double>> DirectDft(const std::vector<double>& pairs, int n, double sign) {
  std::vector<std::complex<double>> out(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    std::complex<double> acc = 0;
    for (int t = 0; t < n; ++t)
      acc += std::complex<double>(pairs[2 * t], pairs[2 * t + 1]) * std::polar(1.0, sign * 2 * kPi * k * t / n);
    out[size_t(k)] = acc;
  }
  return out;
}

// What the meter should show after one block: per frame the first 64 entries of a
// 1024-point window (denominator 1023), a 64-point DFT scaled by 1/64, log10 of the
// magnitude floored at 0; averaged over the block's frames; times 20.
Levels ExpectedLevels(const std::vector<double>& samples) {
  Levels sum{};
  int frames = int(samples.size()) / 64;
  for (int f = 0; f < frames; ++f) {
    for (int b = 0; b < 32; ++b) {
      std::complex<double> acc = 0;
      for (int k = 0; k < 64; ++k) {
        double w = (1 - std::cos(2 * kPi * k / 1023.0)) / 2;
        acc += samples[size_t(f * 64 + k)] * w * std::polar(1.0, -2 * kPi * b * k / 64);
      }
      double m = std::abs(acc) / 64;
      sum[size_t(b)] += m > 0 ? std::max(0.0, std::log10(m)) : 0;
    }
  }
  for (double& v : sum) v = v / frames * 20;
  return sum;
}

// Runs one block through a meter and returns what it passed on and what it shows.
Levels Measure(const QByteArray& data, int bits, int channels, QByteArray* passed = nullptr) {
  MemoryInput in(data, bits, channels, 48000);
  TSoundIndicator meter;
  meter.SetInput(&in);
  meter.Init();
  QByteArray out(data.size(), 0);
  int n = meter.GetData(out.data(), int(out.size()));
  EXPECT_EQ(n, data.size());
  EXPECT_EQ(meter.Position, data.size());
  if (passed) *passed = out;
  Levels v;
  meter.GetValues(v);
  meter.Flush();
  return v;
}

std::vector<short> Tone(double dbfs, int frames, int channels) {
  std::vector<short> s(size_t(frames * channels));
  double a = 32767 * std::pow(10, dbfs / 20);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) s[size_t(i * channels + c)] = short(std::lround(a * std::sin(2 * kPi * 1000 * i / 48000.0)));
  return s;
}

}  // namespace

TEST(AcsIndicator, ComplexFftMatchesADirectDftAndInvertsItself) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1000, 1000);
  for (int n : {64, 1024}) {
    std::vector<double> data(size_t(2 * n));
    for (double& d : data) d = u(rng);
    std::vector<double> original = data;
    auto expected = DirectDft(data, n, -1);
    ComplexFFT(data.data(), n, 1);
    double worst = 0;
    for (int k = 0; k < n; ++k) {
      worst = std::max(worst, std::abs(data[2 * k] - expected[size_t(k)].real() / n));
      worst = std::max(worst, std::abs(data[2 * k + 1] - expected[size_t(k)].imag() / n));
    }
    EXPECT_LT(worst, 1e-9) << "N = " << n;
    ComplexFFT(data.data(), n, -1);  // unscaled inverse
    worst = 0;
    for (int i = 0; i < 2 * n; ++i) worst = std::max(worst, std::abs(data[i] - original[i]));
    EXPECT_LT(worst, 1e-9) << "round trip, N = " << n;
  }
  // The inverse alone is the unscaled DFT with the positive exponent.
  std::vector<double> d(128);
  for (double& x : d) x = u(rng);
  auto expected = DirectDft(d, 64, +1);
  ComplexFFT(d.data(), 64, 0);
  for (int k = 0; k < 64; ++k) EXPECT_NEAR(d[2 * k], expected[size_t(k)].real(), 1e-7);
}

TEST(AcsIndicator, WindowMultiplyAndLogMagnitude) {
  std::vector<double> w(1024);
  HannWindow(w.data(), 1024, true);  // symmetric: (1 - cos(2 pi k / 1023)) / 2
  for (int k : {0, 63, 511, 512, 1023}) EXPECT_NEAR(w[k], (1 - std::cos(2 * kPi * k / 1023)) / 2, 1e-15) << k;
  HannWindow(w.data(), 1024, false);
  EXPECT_DOUBLE_EQ(w[512], 1);
  std::vector<double> data = {2, 3, 4};
  std::vector<double> win = {0.5, 0, -1};
  MultiplyWindow(win.data(), data.data(), 3);
  EXPECT_EQ(data, (std::vector<double>{1, 0, -4}));
  double in[8] = {0, 0, 0.5, 0, 60, 80, 3, 4};
  double out[4];
  LogMagnitude(in, out, 4, 0);
  EXPECT_EQ(out[0], 0);  // magnitude 0
  EXPECT_EQ(out[1], 0);  // log10(0.5) floored
  EXPECT_DOUBLE_EQ(out[2], 2);
  EXPECT_NEAR(out[3], std::log10(5), 1e-15);
  LogMagnitude(in, out, 4, 1);
  EXPECT_NEAR(out[1], 1 + std::log10(0.5), 1e-15);
}

TEST(AcsIndicator, LevelsOfSilenceAndOfEightBitSound) {
  Levels v = Measure(audiotest::ToBytes(std::vector<short>(64 * 8, 0)), 16, 1);
  for (double x : v) EXPECT_EQ(x, 0);
  // 8-bit silence is 128 and is not centred: the lowest band shows it. 8-bit stereo averages
  // the channels.
  QByteArray stereo;
  std::vector<double> mono;
  for (int i = 0; i < 64 * 4; ++i) {
    const int l = 128 + int(100 * std::sin(i * 0.3)), r = 128 + int(50 * std::cos(i * 0.1));
    stereo.append(char(l)).append(char(r));
    mono.push_back((l + r) / 2.0);
  }
  const struct {
    QByteArray data;
    int channels;
    std::vector<double> mono;
  } rows[] = {{QByteArray(64 * 8, char(128)), 1, std::vector<double>(64 * 8, 128.0)}, {stereo, 2, mono}};
  for (const auto& r : rows) {
    v = Measure(r.data, 8, r.channels);
    const Levels e = ExpectedLevels(r.mono);
    EXPECT_GT(v[0], 0);
    for (int b = 0; b < 32; ++b) EXPECT_NEAR(v[size_t(b)], e[size_t(b)], 1e-9) << r.channels << " band " << b;
  }
}

TEST(AcsIndicator, LevelsOfAOneKilohertzToneFollowItsLevel) {
  Levels previous{};
  for (double db : {0.0, -20.0, -40.0}) {
    for (int channels : {1, 2}) {
      auto tone = Tone(db, 64 * 12, channels);
      QByteArray passed;
      Levels v = Measure(audiotest::ToBytes(tone), 16, channels, &passed);
      EXPECT_TRUE(passed == audiotest::ToBytes(tone)) << "the meter passes sound through unchanged";
      std::vector<double> mono;
      for (int i = 0; i < 64 * 12; ++i) mono.push_back(channels == 1 ? tone[size_t(i)] : (tone[size_t(2 * i)] + tone[size_t(2 * i + 1)]) / 2.0);
      Levels e = ExpectedLevels(mono);
      for (int b = 0; b < 32; ++b) EXPECT_NEAR(v[size_t(b)], e[size_t(b)], 1e-9) << db << " dBFS, band " << b;
      // The tone sits in band 1 (750 Hz per band at 48 kHz): the strongest band.
      EXPECT_EQ(std::max_element(v.begin(), v.end()) - v.begin(), 1) << db << " dBFS";
      if (db < 0 && channels == 1) {
        EXPECT_NEAR(previous[1] - v[1], 20, 0.2) << "20 dB less is 20 less in the meter";
      }
      if (channels == 1) previous = v;
    }
  }
}

TEST(AcsIndicator, ShortBlocksReadOutAndMisuse) {
  MemoryInput in(audiotest::ToBytes(Tone(0, 64 * 2 + 63, 1)), 16, 1, 48000);
  TSoundIndicator meter;
  EXPECT_EQ(audiotest::MessageOf([&] { meter.GetBitsPerSample(); }), "Input is not assigned.");
  char buf[256];
  EXPECT_EQ(audiotest::MessageOf([&] { meter.GetData(buf, 16); }), "The Stream is not opened");
  meter.SetInput(&in);
  meter.Init();
  EXPECT_EQ(meter.Size, in.Size);
  EXPECT_EQ(meter.GetData(buf, 256), 256);  // two frames
  Levels a, zero{};
  meter.GetValues(a);
  EXPECT_GT(a[1], 0);
  meter.GetValues(a);
  EXPECT_EQ(a, zero) << "a second read-out at once shows zeros";
  EXPECT_EQ(meter.GetData(buf, 256), 126);  // 63 samples: no whole frame
  meter.GetValues(a);
  EXPECT_EQ(a, zero) << "a block under 64 samples leaves the levels";
  EXPECT_EQ(meter.GetData(buf, 256), 0);
  meter.Flush();
  EXPECT_FALSE(meter.Busy);
  EXPECT_FALSE(in.Busy);
}
