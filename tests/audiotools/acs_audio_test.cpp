// Sound-card capture against the fake backend: record sizes, channel checks, reading, stalls
// and errors. (Real capture from the private server's sine source: pipeline_test.)
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "audiotools/core/ACS_Audio.h"
#include "platform/audio/capturebackend.h"
#include "tests/audiotools/audiotestsupport.h"

using audiotest::MessageOf;
using audiotest::ScopedFakeCapture;
using orvane::audio::CaptureFormat;
using orvane::audio::FakeCapture;

namespace {

QByteArray ReadAllFrom(TAudioIn& in, int piece) {
  QByteArray all, buf(piece, 0);
  while (int n = in.GetData(buf.data(), piece)) all.append(buf.constData(), n);
  return all;
}

}  // namespace

TEST(AcsAudio, RecordSizeFollowsFormatAndTime) {
  ScopedFakeCapture f;
  TAudioIn in;
  EXPECT_EQ(in.Size, -1);
  // The defaults: 8 bits, mono, 8000 Hz, 600 s.
  EXPECT_EQ(std::vector<int>({in.GetBitsPerSample(), in.GetChannels(), in.GetSampleRate(), in.GetTotalTime()}),
            std::vector<int>({8, 1, 8000, 600}));
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
  const CaptureFormat fmt = f.fake.lastFormat();
  EXPECT_EQ(std::vector<int>({fmt.bitsPerSample, fmt.channels, fmt.sampleRate}), std::vector<int>({16, 2, 44100}));
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

TEST(AcsAudio, NoSoundServerMeansNoDevicesUntilItIsThere) {
  ScopedFakeCapture f;
  f.fake.serverUp = false;
  EXPECT_EQ(InputDeviceCount(), 0);
  EXPECT_EQ(OutputDeviceCount(), 0);
  TAudioIn in;
  EXPECT_EQ(MessageOf([&] { in.SetBaseChannel(0); }), "Channel 0 is not available");
  f.fake.serverUp = true;
  EXPECT_EQ(InputDeviceCount(), 1);
}

TEST(AcsAudio, DeliversExactlyTheRecordSizeOfTheSourcesSound) {
  // One second in each format, read in pieces that need not hold whole frames.
  const struct {
    int bits, channels, piece;
  } rows[] = {{16, 2, 3000}, {8, 1, 7}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.bits);
    ScopedFakeCapture f;
    TAudioIn in;
    in.InBitsPerSample = r.bits;
    in.InChannels = r.channels;
    in.RecTime = 1;
    in.Init();
    const QByteArray got = ReadAllFrom(in, r.piece);
    const int size = 8000 * r.channels * r.bits / 8;
    EXPECT_EQ(got.size(), size);
    EXPECT_EQ(in.Position, size);
    QByteArray expected(size, 0);
    FakeCapture::sine(expected.data(), 0, 8000, CaptureFormat{8000, r.channels, r.bits}, f.fake.frequency,
                      f.fake.amplitude);
    EXPECT_TRUE(got == expected);
    char b[4];
    EXPECT_EQ(in.GetData(b, 4), 0);  // the end stays the end
    in.Flush();
    in.Flush();  // a second flush closes nothing more
    EXPECT_EQ(f.fake.opens, 1);
    EXPECT_EQ(f.fake.closes, 1);
  }
}

TEST(AcsAudio, StallsAndCaptureErrorsRaiseAndOpenFailuresLeaveItIdle) {
  ScopedFakeCapture f;
  f.fake.stallAfterBytes = 1000;
  TAudioIn in;
  in.Init();
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(MessageOf([&] { ReadAllFrom(in, 4096); }), "Recording stalled: no sound arrived for 3 seconds");
  EXPECT_LT(t.elapsed(), 6000);
  EXPECT_EQ(in.Position, 1000);
  in.Flush();
  f.fake.stallAfterBytes = -1;
  f.fake.failAfterBytes = 500;
  in.Init();
  EXPECT_EQ(MessageOf([&] { ReadAllFrom(in, 4096); }), "Recording failed: the device was unplugged");
  in.Flush();
  f.fake.openError = QStringLiteral("Cannot start recording from \"x\": Access denied");
  EXPECT_EQ(MessageOf([&] { in.Init(); }), "Cannot start recording from \"x\": Access denied");
  EXPECT_FALSE(in.Busy);
  f.fake.openError.clear();
  in.Init();
  EXPECT_TRUE(in.Busy);
  in.Flush();
  EXPECT_EQ(f.fake.opens, 3);
  EXPECT_EQ(f.fake.closes, 3);
}
