// Sound-card capture: record sizes, channel checks, reading, stalls and errors against the
// fake backend, and a real capture from the private sound server's sine source.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cmath>
#include <cstdlib>

#include "audiotools/core/ACS_Audio.h"
#include "platform/audio/capturebackend.h"
#include "tests/audiotools/audiotestsupport.h"

using audiotest::MessageOf;
using audiotest::ScopedFakeCapture;
using audiotest::SineSourceIndex;
using orvane::audio::CaptureFormat;
using orvane::audio::FakeCapture;

namespace {

QByteArray ReadAllFrom(TAudioIn& in, int piece) {
  QByteArray all;
  QByteArray buf(piece, 0);
  for (;;) {
    int n = in.GetData(buf.data(), piece);
    if (n == 0) break;
    all.append(buf.constData(), n);
  }
  return all;
}

}  // namespace

TEST(AcsAudio, RecordSizeFollowsFormatAndTime) {
  ScopedFakeCapture f;
  TAudioIn in;
  EXPECT_EQ(in.Size, -1);
  EXPECT_EQ(in.GetBitsPerSample(), 8);
  EXPECT_EQ(in.GetChannels(), 1);
  EXPECT_EQ(in.GetSampleRate(), 8000);
  EXPECT_EQ(in.GetTotalTime(), 600);
  in.Init();
  EXPECT_EQ(in.RecordSize(), 4800000);
  EXPECT_EQ(in.Size, 4800000);
  in.Flush();
  in.InBitsPerSample = 16;
  in.InChannels = 2;
  in.InSampleRate = 44100;
  in.RecTime = 3600;
  in.Init();
  EXPECT_EQ(in.RecordSize(), 635040000);
  EXPECT_EQ(in.Size, 635040000);
  in.Flush();
  CaptureFormat fmt = f.fake.lastFormat();
  EXPECT_EQ(fmt.bitsPerSample, 16);
  EXPECT_EQ(fmt.channels, 2);
  EXPECT_EQ(fmt.sampleRate, 44100);
}

TEST(AcsAudio, ChannelChecksAndMisuse) {
  ScopedFakeCapture f;
  TAudioIn in;
  EXPECT_EQ(InputDeviceCount(), 1);
  EXPECT_EQ(OutputDeviceCount(), 1);
  EXPECT_EQ(MessageOf([&] { in.SetBaseChannel(1); }), "Channel 1 is not available");
  EXPECT_EQ(MessageOf([&] { in.SetBaseChannel(-1); }), "Channel -1 is not available");
  // A source that appeared after the first count is found.
  f.fake.sourceList.append({QStringLiteral("usb"), QStringLiteral("USB microphone")});
  in.SetBaseChannel(1);
  EXPECT_EQ(in.BaseChannel(), 1);
  EXPECT_EQ(InputDeviceCount(), 2);

  char buf[16];
  EXPECT_EQ(MessageOf([&] { in.GetData(buf, 16); }), "The Stream is not opened");
  in.Init();
  EXPECT_EQ(f.fake.lastIndex(), 1);
  EXPECT_EQ(MessageOf([&] { in.Init(); }), "The component is buisy");
  EXPECT_EQ(MessageOf([&] { in.SetBaseChannel(0); }), "Component is buisy");
  in.Flush();
  EXPECT_FALSE(in.Busy);
  EXPECT_EQ(MessageOf([&] { in.GetData(buf, 16); }), "The Stream is not opened");
}

TEST(AcsAudio, DeliversExactlyTheRecordSizeOfTheSourcesSound) {
  ScopedFakeCapture f;
  TAudioIn in;
  in.InBitsPerSample = 16;
  in.InChannels = 2;
  in.InSampleRate = 8000;
  in.RecTime = 1;
  in.Init();
  QByteArray got = ReadAllFrom(in, 3000);
  EXPECT_EQ(got.size(), 32000);
  EXPECT_EQ(in.Position, 32000);
  QByteArray expected(32000, 0);
  CaptureFormat fmt{8000, 2, 16};
  FakeCapture::sine(expected.data(), 0, 8000, fmt, f.fake.frequency, f.fake.amplitude);
  EXPECT_TRUE(got == expected);
  char b[4];
  EXPECT_EQ(in.GetData(b, 4), 0);  // the end stays the end
  in.Flush();
  EXPECT_EQ(f.fake.opens, 1);
  EXPECT_EQ(f.fake.closes, 1);
  in.Flush();  // a second flush closes nothing more
  EXPECT_EQ(f.fake.closes, 1);
}

TEST(AcsAudio, EightBitCaptureAndPiecesSmallerThanAFrame) {
  ScopedFakeCapture f;
  TAudioIn in;
  in.RecTime = 1;  // 8 bits, 1 channel, 8000 Hz: 8000 bytes
  in.Init();
  QByteArray got = ReadAllFrom(in, 7);
  EXPECT_EQ(got.size(), 8000);
  in.Flush();
}

TEST(AcsAudio, AStalledCaptureRaisesAfterTheTimeLimit) {
  ScopedFakeCapture f;
  f.fake.stallAfterBytes = 1000;
  TAudioIn in;
  in.Init();
  QElapsedTimer t;
  t.start();
  QString text = MessageOf([&] { ReadAllFrom(in, 4096); });
  EXPECT_EQ(text, "Recording stalled: no sound arrived for 3 seconds");
  EXPECT_LT(t.elapsed(), 6000);
  EXPECT_EQ(in.Position, 1000);
  in.Flush();
  EXPECT_EQ(f.fake.closes, 1);
}

TEST(AcsAudio, CaptureErrorsRaiseAndOpenFailuresLeaveItIdle) {
  ScopedFakeCapture f;
  f.fake.failAfterBytes = 500;
  TAudioIn in;
  in.Init();
  EXPECT_EQ(MessageOf([&] { ReadAllFrom(in, 4096); }), "Recording failed: the device was unplugged");
  in.Flush();

  f.fake.openError = QStringLiteral("Cannot start recording from \"x\": Access denied");
  EXPECT_EQ(MessageOf([&] { in.Init(); }), "Cannot start recording from \"x\": Access denied");
  EXPECT_FALSE(in.Busy);
  f.fake.openError.clear();
  f.fake.failAfterBytes = -1;
  in.Init();
  EXPECT_TRUE(in.Busy);
  in.Flush();
  EXPECT_EQ(f.fake.opens, 2);
  EXPECT_EQ(f.fake.closes, 2);
}

TEST(AcsAudio, NoSoundServerMeansNoDevices) {
  ScopedFakeCapture f;
  f.fake.serverUp = false;
  EXPECT_EQ(InputDeviceCount(), 0);
  EXPECT_EQ(OutputDeviceCount(), 0);
  TAudioIn in;
  EXPECT_EQ(MessageOf([&] { in.SetBaseChannel(0); }), "Channel 0 is not available");
  f.fake.serverUp = true;  // asked again once the server is there
  EXPECT_EQ(InputDeviceCount(), 1);
}

// The private server of test.sh: a sine source at 1 kHz, amplitude 0.5, 48 kHz.
TEST(AcsAudio, RealCaptureFromTheSineSource) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "PULSE_SERVER is not set (test.sh starts a server)";
  int index = SineSourceIndex();
  ASSERT_GE(index, 0);
  EXPECT_GE(InputDeviceCount(), 2);  // the sine and the null sink's monitor
  EXPECT_GE(OutputDeviceCount(), 1);
  TAudioIn in;
  in.SetBaseChannel(index);
  in.InBitsPerSample = 16;
  in.InChannels = 1;
  in.InSampleRate = 48000;
  in.RecTime = 1;
  in.Init();
  QByteArray got = ReadAllFrom(in, 4096);
  in.Flush();
  ASSERT_EQ(got.size(), 96000);
  auto s = audiotest::FromBytes(got);
  int peak = 0;
  for (short v : s) peak = std::max(peak, std::abs(int(v)));
  EXPECT_NEAR(peak, 16384, 400);
  // 1 kHz at 48 kHz repeats every 48 samples; a gap or a repeated piece breaks that.
  int worst = 0;
  for (size_t i = 48; i < s.size(); ++i) worst = std::max(worst, std::abs(s[i] - s[i - 48]));
  EXPECT_LE(worst, 4);
  int crossings = 0;
  for (size_t i = 1; i < s.size(); ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
  EXPECT_NEAR(crossings, 2000, 2);
}
