// The recorder's components: the run/stop protocol of the chain, capture against the fake
// backend, the level meter's FFT against a direct DFT, the wave writer decoded by libsndfile and
// sox (its ADPCM blocks byte for byte libsndfile's), and the chain end to end, for real on the
// private sound server's sine source.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <array>
#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <random>

#include "audiotools/core/ACS_Audio.h"
#include "audiotools/core/ACS_Indicator.h"
#include "audiotools/core/ACS_Wave.h"
#include "platform/audio/capturebackend.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

using namespace audiotest;
using orvane::audio::CaptureFormat;
using orvane::audio::FakeCapture;
using testing_support::waitUntil;
using Levels = std::array<double, TSoundIndicator::kBands>;

namespace {

// An output that reads its input block by block and records what the thread did.
class RecordingOutput : public TACSOutput {
 public:
  ~RecordingOutput() override { Terminate(); }
  std::atomic<int> calls{0}, abortCalls{0}, doneCalls{0}, prepares{0}, callsAfterDone{0};
  std::atomic<qint64> bytes{0};
  int throwOnCall = -1;  // DoOutput raises on this call of a run

 protected:
  void Prepare() override {
    ++prepares;
    runCalls_ = 0;
    Input()->Init();
  }
  bool DoOutput(bool Abort) override {
    if (!FActive) return true;
    ++calls;
    if (doneCalls > 0 && !Busy) ++callsAfterDone;
    if (Abort) return ++abortCalls, false;
    if (++runCalls_ == throwOnCall) throw EACSException(QStringLiteral("output failed on purpose"));
    char buf[256];
    int n;
    {
      TACSLockGuard g(InputLock);
      n = Input()->GetData(buf, sizeof buf);
    }
    bytes += n;
    return n > 0;
  }
  void Done() override {
    ++doneCalls;
    Input()->Flush();
  }

 private:
  int runCalls_ = 0;
};

// A converter that passes its input through.
class PassThrough : public TACSConverter {
 public:
  ~PassThrough() override { ReleaseUsers(); }
  int GetBitsPerSample() override { return Input()->GetBitsPerSample(); }
  int GetChannels() override { return Input()->GetChannels(); }
  int GetSampleRate() override { return Input()->GetSampleRate(); }
  int GetData(void* b, int n) override {
    TACSLockGuard g(InputLock);
    int got = Input()->GetData(b, n);
    Position = Input()->Position.load();
    return got;
  }
  void Init() override {
    Busy = true;
    Input()->Init();
    Size = Input()->Size.load();
  }
  void Flush() override {
    Input()->Flush();
    Busy = false;
  }
  TACSLock& Lock() { return InputLock; }
};

QByteArray Bytes(int n) { return QByteArray(n, '\x11'); }

std::unique_ptr<MemoryInput> SlowEndless() {
  auto in = std::make_unique<MemoryInput>(Bytes(4096), 16, 1, 8000);
  in->endless = true, in->sleepMs = 1;
  return in;
}

}  // namespace

TEST(AcsClasses, DestroyingARunningOutputOrTheInputOfARunningChainFinishesTheRun) {
  auto in = SlowEndless();
  auto out = std::make_unique<RecordingOutput>();
  std::atomic<int> doneEvents{0};
  out->OnDone = [&](TACSOutput*) { ++doneEvents; };
  out->SetInput(in.get());
  out->Run();
  ASSERT_TRUE(waitUntil([&] { return out->calls >= 3; }, kWaitMs));
  EXPECT_EQ(out->doneCalls, 0);
  out.reset();  // must not hang, must finish the run; the owner is going away: no events
  EXPECT_EQ(std::vector<int>({in->flushes, doneEvents, in->Busy}), std::vector<int>({1, 0, 0}));
  RecordingOutput chained;
  PassThrough conv;
  conv.SetInput(in.get());
  chained.SetInput(&conv);
  chained.Run();
  ASSERT_TRUE(waitUntil([&] { return chained.calls >= 3; }, kWaitMs));
  in.reset();
  EXPECT_EQ(std::vector<int>({chained.GetStatus(), chained.doneCalls, conv.Busy}), std::vector<int>({2, 1, 0}));
  EXPECT_EQ(conv.Input(), nullptr);
  EXPECT_EQ(chained.Input(), &conv);
}

TEST(AcsClasses, ARunStartedFromTheDoneEventIsNotLost) {
  RecordingOutput out;
  MemoryInput in(Bytes(256 * 4), 16, 1, 8000);
  out.SetInput(&in);
  std::atomic<int> doneEvents{0};
  out.OnDone = [&](TACSOutput* o) {
    if (++doneEvents == 1) o->Run();
  };
  out.Run();
  ASSERT_TRUE(waitUntil([&] { return doneEvents == 2; }, kWaitMs));
  EXPECT_EQ(out.prepares, 2);
  EXPECT_EQ(out.bytes, 2 * 256 * 4);
}

namespace {
QByteArray ReadAllFrom(TAudioIn& in, int piece) {
  QByteArray all, buf(piece, 0);
  while (int n = in.GetData(buf.data(), piece)) all.append(buf.constData(), n);
  return all;
}
}  // namespace

TEST(AcsAudio, DeliversExactlyTheRecordSizeOfTheSourcesSound) {
  // One second in each format, read in pieces that need not hold whole frames.
  for (const auto& [bits, channels, piece] : {std::tuple{16, 2, 3000}, {8, 1, 7}}) {
    ScopedFakeCapture f;
    TAudioIn in;
    in.InBitsPerSample = bits, in.InChannels = channels, in.RecTime = 1;
    in.Init();
    const QByteArray got = ReadAllFrom(in, piece);
    const int size = 8000 * channels * bits / 8;
    EXPECT_EQ(in.Position, size);
    QByteArray expected(size, 0);
    FakeCapture::sine(expected.data(), 0, 8000, CaptureFormat{8000, channels, bits}, f.fake.frequency, f.fake.amplitude);
    EXPECT_TRUE(got == expected) << bits;
    char b[4];
    EXPECT_EQ(in.GetData(b, 4), 0);  // the end stays the end
    in.Flush();
    in.Flush();  // a second flush closes nothing more
    EXPECT_EQ(std::vector<int>({f.fake.opens, f.fake.closes}), std::vector<int>({1, 1}));
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
  EXPECT_EQ(std::vector<int>({f.fake.opens, f.fake.closes}), std::vector<int>({3, 3}));
}

namespace {

const double kPi = std::numbers::pi;

std::vector<std::complex<double>> DirectDft(const std::vector<double>& pairs, int n, double sign) {
  std::vector<std::complex<double>> out(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k)
    for (int t = 0; t < n; ++t)
      out[size_t(k)] += std::complex<double>(pairs[2 * t], pairs[2 * t + 1]) * std::polar(1.0, sign * 2 * kPi * k * t / n);
  return out;
}

std::vector<short> Tone(double dbfs, int frames, int channels) {
  std::vector<short> s(size_t(frames * channels));
  double a = 32767 * std::pow(10, dbfs / 20);
  for (int i = 0; i < frames * channels; ++i) s[size_t(i)] = short(std::lround(a * std::sin(2 * kPi * 1000 * (i / channels) / 48000.0)));
  return s;
}

}  // namespace

TEST(AcsIndicator, ComplexFftMatchesADirectDftAndInvertsItself) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1000, 1000);
  for (int n : {64, 1024}) {
    std::vector<double> data(size_t(2 * n));
    for (double& d : data) d = u(rng);
    const std::vector<double> original = data;
    const auto expected = DirectDft(data, n, -1);
    ComplexFFT(data.data(), n, 1);
    double worst = 0, back = 0;
    for (int k = 0; k < n; ++k)
      worst = std::max({worst, std::abs(data[2 * k] - expected[size_t(k)].real() / n), std::abs(data[2 * k + 1] - expected[size_t(k)].imag() / n)});
    ComplexFFT(data.data(), n, -1);  // unscaled inverse
    for (int i = 0; i < 2 * n; ++i) back = std::max(back, std::abs(data[i] - original[i]));
    EXPECT_LT(worst, 1e-9) << "N = " << n;
    EXPECT_LT(back, 1e-9) << "round trip, N = " << n;
  }
  // The inverse alone is the unscaled DFT with the positive exponent.
  std::vector<double> d(128);
  for (double& x : d) x = u(rng);
  const auto expected = DirectDft(d, 64, +1);
  ComplexFFT(d.data(), 64, 0);
  for (int k = 0; k < 64; ++k) EXPECT_NEAR(d[2 * k], expected[size_t(k)].real(), 1e-7);
}

TEST(AcsIndicator, ShortBlocksReadOutAndMisuse) {
  MemoryInput in(ToBytes(Tone(0, 64 * 2 + 63, 1)), 16, 1, 48000);
  TSoundIndicator meter;
  EXPECT_EQ(MessageOf([&] { meter.GetBitsPerSample(); }), "Input is not assigned.");
  char buf[256];
  EXPECT_EQ(MessageOf([&] { meter.GetData(buf, 16); }), "The Stream is not opened");
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
  EXPECT_FALSE(meter.Busy || in.Busy);
}

namespace {

quint32 Le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 Le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

// Runs the writer to its end (or its error) and waits for the thread: the error of Run or of
// the thread, empty when the file was written.
QString RunToEnd(TWaveOut& out) {
  std::atomic<int> done{0};
  QString error;
  out.OnDone = [&](TACSOutput*) { ++done; };
  out.OnThreadException = [&](TACSOutput*, const std::exception& e) {
    error = QString::fromUtf8(e.what());
    ++done;
  };
  try {
    out.Run();
  } catch (const EACSException& e) {
    return e.Message();
  }
  EXPECT_TRUE(out.WaitForIdle(60000));
  EXPECT_TRUE(waitUntil([&] { return done == 1; }, kWaitMs));
  out.OnDone = nullptr;
  out.OnThreadException = nullptr;
  return error;
}

// sox reads the whole file, says nothing about it and counts the frames; libsndfile agrees.
void ExpectSoxReadsCleanly(const QString& path, qint64 frames) {
  auto r = RunCommand(QStringLiteral("sox"), {QStringLiteral("-V2"), path, QStringLiteral("-n"), QStringLiteral("stat")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  for (const char* word : {"WARN", "FAIL", "remature"}) EXPECT_FALSE(r.err.contains(word)) << r.err.toStdString();
  auto info = RunCommand(QStringLiteral("soxi"), {QStringLiteral("-s"), path});
  EXPECT_EQ(info.out.trimmed().toLongLong(), frames) << info.err.toStdString();
  const Decoded d = DecodeWithSndfile(path);
  EXPECT_TRUE(d.ok) << d.error.toStdString();
  EXPECT_EQ(d.frames(), frames);
}

class WaveTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
  // A fresh writer writes the input into the named file: the error, empty when written.
  QString Write(const char* name, TACSInput* in, TWavType type = wtPCM, TFileOutputMode mode = foRewrite, int block = 512) {
    TWaveOut out;
    out.SetWavType(type);
    out.SetFileMode(mode);
    out.SetBlockSize(block);
    out.SetFileName(Path(name));
    out.SetInput(in);
    return RunToEnd(out);
  }
};

}  // namespace

TEST_F(WaveTest, PcmHeaderByteForByteAndBitExactDecoding) {
  // 10 s of 16-bit stereo at 44.1 kHz.
  const auto samples = MusicLike(441000, 2, 44100);
  const QByteArray pcm = ToBytes(samples);
  MemoryInput in(pcm, 16, 2, 44100);
  in.chunk = 10000;
  ASSERT_EQ(Write("a.wav", &in), "");
  const QByteArray file = ReadAll(Path("a.wav"));
  ASSERT_EQ(file.size(), 1764044);
  const unsigned char header[44] = {'R', 'I', 'F', 'F', 0xc4, 0xea, 0x1a, 0x00,  // 1,764,036
                                    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',  16,   0,    0,    0,
                                    1,   0,   2,   0,   0x44, 0xac, 0,    0,     // 44,100
                                    0x10, 0xb1, 0x02, 0,                         // 176,400
                                    4,   0,   16,  0,   'd', 'a', 't', 'a',  0xa0, 0xea, 0x1a, 0x00};  // 1,764,000
  EXPECT_TRUE(file.left(44) == QByteArray(reinterpret_cast<const char*>(header), 44));
  EXPECT_TRUE(file.mid(44) == pcm);
  const Decoded d = DecodeWithSndfile(Path("a.wav"));
  ASSERT_TRUE(d.ok) << d.error.toStdString();
  EXPECT_EQ(std::vector<int>({d.format, d.sampleRate, d.channels}), std::vector<int>({SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2}));
  EXPECT_EQ(d.samples, samples);
  ExpectSoxReadsCleanly(Path("a.wav"), 441000);
  // sox's own reading gives the same samples, bit for bit.
  EXPECT_EQ(RunCommand(QStringLiteral("sox"), {Path("a.wav"), QStringLiteral("-t"), QStringLiteral("raw"), Path("a.raw")}).exitCode, 0);
  EXPECT_TRUE(ReadAll(Path("a.raw")) == pcm);
}

TEST_F(WaveTest, AdpcmMonoAndStereoDecodeWell) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    const int frames = 44100 * 2 + 123;
    const auto samples = MusicLike(frames, channels, 44100);
    MemoryInput in(ToBytes(samples), 16, channels, 44100);
    in.chunk = 777;  // blocks are filled from several reads
    ASSERT_EQ(Write("b.wav", &in, wtDVIADPCM), "");
    const QByteArray file = ReadAll(Path("b.wav"));
    const int spb = channels == 1 ? 1017 : 505;
    const int blocks = (frames + spb - 1) / spb;
    ASSERT_EQ(file.size(), 60 + blocks * 512);
    // Format 17, channels, bytes a second, block align 512, 4 bits, samples a block, then the
    // "fact" sample count, the "data" size and the RIFF size.
    EXPECT_EQ(std::vector<quint32>({Le16(file, 20), Le16(file, 22), Le32(file, 28), Le16(file, 32), Le16(file, 34),
                                    Le16(file, 38), Le32(file, 48), Le32(file, 56), Le32(file, 4)}),
              std::vector<quint32>({17, quint32(channels), quint32((44100 / spb) * 512), 512, 4, quint32(spb),
                                    quint32(blocks * spb), quint32(blocks * 512), quint32(file.size() - 8)}));
    // Each block's header carries its first sample exactly.
    for (int b = 0; b < blocks; ++b)
      for (int c = 0; c < channels; ++c) EXPECT_EQ(short(Le16(file, 60 + b * 512 + 4 * c)), samples[size_t(b * spb * channels + c)]);
    const Decoded d = DecodeWithSndfile(Path("b.wav"));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.format, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
    EXPECT_EQ(d.channels, channels);
    ASSERT_GE(d.frames(), frames);
    const double snr = SnrDb(samples, d.samples, samples.size());
    EXPECT_GE(snr, 25) << "unshifted SNR";
    // Read one sample late, the signal would be far worse: the encoding is aligned.
    const std::vector<short> late(d.samples.begin() + channels, d.samples.end());
    EXPECT_GT(snr, SnrDb(samples, late, samples.size() - size_t(channels)) + 6);
    ExpectSoxReadsCleanly(Path("b.wav"), qint64(blocks) * spb);
  }
}

// The same samples in blocks of the same size give libsndfile's bytes: every step and index of
// the codec agrees.
TEST_F(WaveTest, AdpcmBlocksAreByteForByteThoseOfLibsndfile) {
  // Music-like sound over the whole range of steps, kept off full scale (the clamps differ there).
  std::vector<short> samples = MusicLike(44100 * 3, 1, 44100);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = short(samples[i] * (0.05 + 0.85 * double(i) / samples.size()));
  MemoryInput in(ToBytes(samples), 16, 1, 44100);
  ASSERT_EQ(Write("ours.wav", &in, wtDVIADPCM, foRewrite, 2048), "");  // libsndfile's block for 44.1 kHz mono
  SF_INFO info{44100 * 3, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 0, 0};
  SNDFILE* f = sf_open(Path("sndfile.wav").toLocal8Bit().constData(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  ASSERT_EQ(sf_write_short(f, samples.data(), sf_count_t(samples.size())), sf_count_t(samples.size()));
  sf_close(f);
  auto blocks = [](const QByteArray& file) { return file.mid(file.indexOf("data") + 8); };
  const QByteArray a = blocks(ReadAll(Path("ours.wav"))), b = blocks(ReadAll(Path("sndfile.wav")));
  const int full = int(samples.size() / 4089) * 2048;  // 4089 samples a block; the last one is padded differently
  ASSERT_GE(std::min(a.size(), b.size()), full);
  for (int at = 0; at < full; at += 2048) ASSERT_EQ(a.mid(at, 2048).toHex(), b.mid(at, 2048).toHex()) << "block " << at / 2048;
}

TEST_F(WaveTest, AppendingPcmAndAdpcm) {
  const auto first = MusicLike(5000, 2, 22050), second = MusicLike(3000, 2, 22050);
  MemoryInput a(ToBytes(first), 16, 2, 22050), b(ToBytes(second), 16, 2, 22050);
  ASSERT_EQ(Write("ap.wav", &a, wtPCM, foAppend), "");  // a missing file is simply created
  ASSERT_EQ(Write("ap.wav", &b, wtPCM, foAppend), "");
  Decoded d = DecodeWithSndfile(Path("ap.wav"));
  ASSERT_TRUE(d.ok);
  std::vector<short> both = first;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(d.samples, both);
  QByteArray file = ReadAll(Path("ap.wav"));
  EXPECT_EQ(Le32(file, 40), quint32(both.size() * 2));
  EXPECT_EQ(Le32(file, 4), quint32(file.size() - 8));
  ASSERT_EQ(Write("apa.wav", &a, wtDVIADPCM, foRewrite, 256), "");
  TWaveOut more;  // a fresh writer learns type and block size from the file
  more.SetFileMode(foAppend);
  more.SetFileName(Path("apa.wav"));
  more.SetInput(&b);
  ASSERT_EQ(RunToEnd(more), "");
  EXPECT_EQ(more.WavType(), wtDVIADPCM);
  EXPECT_EQ(more.BlockSize(), 256);
  const int spb = 249;  // (256 - 8) + 1
  const int blocksA = (5000 + spb - 1) / spb, blocks = blocksA + (3000 + spb - 1) / spb;
  file = ReadAll(Path("apa.wav"));
  ASSERT_EQ(file.size(), 60 + blocks * 256);
  EXPECT_EQ(Le32(file, 48), quint32(blocks * spb));
  EXPECT_EQ(Le32(file, 56), quint32(blocks * 256));
  d = DecodeWithSndfile(Path("apa.wav"));
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.frames(), blocks * spb);
  const std::vector<short> tail(d.samples.begin() + blocksA * spb * 2, d.samples.begin() + (blocksA * spb + 3000) * 2);
  EXPECT_GE(SnrDb(second, tail, second.size()), 25);
}

TEST_F(WaveTest, AppendingIsRefusedWhenItWouldDamageTheFile) {
  const QByteArray pcm16 = ToBytes(MusicLike(2000, 1, 8000));
  MemoryInput base(pcm16, 16, 1, 8000), eight(QByteArray(100, char(128)), 8, 1, 8000), otherRate(pcm16, 16, 1, 11025),
      same(pcm16, 16, 1, 8000);
  ASSERT_EQ(Write("base.wav", &base), "");
  const QByteArray original = ReadAll(Path("base.wav"));
  EXPECT_EQ(Write("base.wav", &eight, wtPCM, foAppend), "Cannot append data in different audio format.");
  EXPECT_EQ(eight.flushes, eight.inits);
  EXPECT_EQ(Write("base.wav", &otherRate, wtPCM, foAppend), "Cannot append data in different audio format.");
  EXPECT_TRUE(ReadAll(Path("base.wav")) == original) << "a refused append changes nothing";
  // A JUNK chunk in front of "fmt ": 9,000 bytes put it beyond the first 8,192 bytes (refused),
  // 10 bytes are walked over.
  auto withJunk = [&original](int n) {
    QByteArray f = original.left(12) + QByteArray("JUNK") + QByteArray(4, 0) + QByteArray(n, 0) + original.mid(12);
    qToLittleEndian<quint32>(quint32(n), f.data() + 16);
    qToLittleEndian<quint32>(quint32(f.size() - 8), f.data() + 4);
    return f;
  };
  testing_support::writeFile(Path("late.wav"), withJunk(9000));
  EXPECT_TRUE(DecodeWithSndfile(Path("late.wav")).ok) << "the file itself is fine";
  EXPECT_EQ(Write("late.wav", &same, wtPCM, foAppend), "Cannot append data to this .wav file.");
  EXPECT_EQ(same.flushes, 1);
  testing_support::writeFile(Path("text.wav"), QByteArray("this is not a wave file at all"));
  EXPECT_EQ(Write("text.wav", &same, wtPCM, foAppend), "Cannot append data to this .wav file.");
  // A chunk after the sound (metadata) would be swallowed: refused.
  QByteArray trailing = original + QByteArray("LIST") + QByteArray("\x04\0\0\0INFO", 8);
  qToLittleEndian<quint32>(quint32(trailing.size() - 8), trailing.data() + 4);
  testing_support::writeFile(Path("trailing.wav"), trailing);
  EXPECT_EQ(Write("trailing.wav", &same, wtPCM, foAppend), "Cannot append data to this .wav file.");
  EXPECT_TRUE(ReadAll(Path("trailing.wav")) == trailing);
  testing_support::writeFile(Path("early.wav"), withJunk(10));
  EXPECT_EQ(Write("early.wav", &same, wtPCM, foAppend), "");
  EXPECT_EQ(DecodeWithSndfile(Path("early.wav")).frames(), 4000);
}

TEST_F(WaveTest, OddPcmLengthGetsItsPadByteAndAppendsOverIt) {
  MemoryInput a(QByteArray(11, char(200)), 8, 1, 11025), b(QByteArray(4, char(50)), 8, 1, 11025);
  ASSERT_EQ(Write("odd.wav", &a), "");
  QByteArray file = ReadAll(Path("odd.wav"));
  ASSERT_EQ(file.size(), 44 + 11 + 1);
  EXPECT_EQ(Le32(file, 40), 11u);
  EXPECT_EQ(Le32(file, 4), 48u);
  ExpectSoxReadsCleanly(Path("odd.wav"), 11);
  ASSERT_EQ(Write("odd.wav", &b, wtPCM, foAppend), "");
  file = ReadAll(Path("odd.wav"));
  ASSERT_EQ(file.size(), 44 + 15 + 1);
  EXPECT_EQ(Le32(file, 40), 15u);
  EXPECT_TRUE(file.mid(44, 15) == QByteArray(11, char(200)) + QByteArray(4, char(50)));
  ExpectSoxReadsCleanly(Path("odd.wav"), 15);
}

TEST_F(WaveTest, AnEarlyStopLeavesATrueHeader) {
  for (TWavType type : {wtPCM, wtDVIADPCM}) {
    SCOPED_TRACE(int(type));
    // Ten seconds announced, a fraction delivered before the stop.
    MemoryInput in(ToBytes(MusicLike(441000, 2, 44100)), 16, 2, 44100);
    in.chunk = 4096, in.sleepMs = 2;
    TWaveOut out;
    out.SetWavType(type);
    out.SetFileName(Path("early.wav"));
    out.SetInput(&in);
    std::atomic<int> done{0};
    out.OnDone = [&](TACSOutput*) { ++done; };
    out.Run();
    ASSERT_TRUE(waitUntil([&] { return in.Position > 100000; }, kWaitMs));
    out.Stop();
    ASSERT_TRUE(out.WaitForIdle(5000));
    ASSERT_TRUE(waitUntil([&] { return done == 1; }, kWaitMs));
    const QByteArray file = ReadAll(Path("early.wav"));
    const int headerSize = type == wtPCM ? 44 : 60;
    EXPECT_LT(file.size(), 1764000 / 2);
    EXPECT_EQ(Le32(file, 4), quint32(file.size() - 8));
    EXPECT_EQ(Le32(file, headerSize - 4), quint32(file.size() - headerSize));
    const qint64 frames = type == wtPCM ? (file.size() - 44) / 4 : qint64((file.size() - 60) / 512) * 505;
    if (type == wtDVIADPCM) {
      EXPECT_EQ(Le32(file, 48), quint32(frames));
    }
    ExpectSoxReadsCleanly(Path("early.wav"), frames);
  }
}

namespace {

// The recorder's three components, connected as the recorder connects them.
struct Chain {
  TAudioIn AudioIn1;
  TSoundIndicator SoundIndicator1;
  TWaveOut WaveOut1;
  std::atomic<int> doneEvents{0}, errorEvents{0};
  QString error;
  Chain(int bits, int channels, int rate, int seconds, const QString& file, TWavType type = wtPCM, int source = -1) {
    AudioIn1.InBitsPerSample = bits, AudioIn1.InChannels = channels, AudioIn1.InSampleRate = rate, AudioIn1.RecTime = seconds;
    if (source >= 0) AudioIn1.SetBaseChannel(source);
    SoundIndicator1.SetInput(&AudioIn1);
    WaveOut1.SetInput(&SoundIndicator1);
    WaveOut1.SetWavType(type);
    WaveOut1.SetFileName(file);
    WaveOut1.OnDone = [this](TACSOutput*) { ++doneEvents; };
    WaveOut1.OnThreadException = [this](TACSOutput*, const std::exception& e) {
      error = QString::fromUtf8(e.what());
      ++errorEvents;
    };
  }
  bool WaitEnd(int ms = 20000) { return waitUntil([this] { return doneEvents + errorEvents > 0; }, ms) && WaveOut1.WaitForIdle(ms); }
};

// The signal-to-noise ratio of one channel against a tone of the given frequency fitted by
// least squares, and the fitted tone's amplitude.
double SnrAgainstTone(const std::vector<short>& s, int channels, int channel, double freq, double rate, double* amplitude) {
  double sc = 0, cc = 0, ss = 0, xs = 0, xc = 0;
  const size_t n = s.size() / size_t(channels);
  auto x = [&](size_t i) { return double(s[i * size_t(channels) + size_t(channel)]); };
  auto w = [&](size_t i) { return 2 * std::numbers::pi * freq * double(i) / rate; };
  for (size_t i = 0; i < n; ++i) {
    const double si = std::sin(w(i)), co = std::cos(w(i));
    ss += si * si, cc += co * co, sc += si * co, xs += x(i) * si, xc += x(i) * co;
  }
  const double det = ss * cc - sc * sc, a = (xs * cc - xc * sc) / det, b = (xc * ss - xs * sc) / det;
  double sig = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    const double fit = a * std::sin(w(i)) + b * std::cos(w(i));
    sig += fit * fit, noise += (x(i) - fit) * (x(i) - fit);
  }
  *amplitude = std::hypot(a, b);
  return 10 * std::log10(sig / std::max(noise, 1e-9));
}

}  // namespace

TEST(Pipeline, RecordsTheCapturedSoundIntoAPcmFileAndMetersIt) {
  ScopedFakeCapture f;
  QTemporaryDir dir;
  Chain c(16, 2, 48000, 1, dir.filePath("rec.wav"));
  std::vector<int> progress;
  c.WaveOut1.OnProgress = [&](TACSOutput*, int p) { progress.push_back(p); };
  c.WaveOut1.Run();
  ASSERT_TRUE(c.WaitEnd());
  EXPECT_EQ(std::vector<int>({c.doneEvents, c.errorEvents, f.fake.opens, f.fake.closes}), std::vector<int>({1, 0, 1, 1}));
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  Levels levels;
  c.SoundIndicator1.GetValues(levels);
  EXPECT_GT(levels[1], 30);  // a -6 dBFS tone at 1 kHz was measured
  Decoded d = DecodeWithSndfile(dir.filePath("rec.wav"));
  ASSERT_EQ(d.frames(), 48000);
  QByteArray expected(192000, 0);
  FakeCapture::sine(expected.data(), 0, 48000, CaptureFormat{48000, 2, 16}, 1000, 0.5);
  EXPECT_TRUE(ToBytes(d.samples) == expected);
}

TEST(Pipeline, RealCaptureFromTheSineSourceIntoPcmAndAdpcm) {
  SKIP_WITHOUT_SOUND_SERVER();
  const int index = SineSourceIndex();
  ASSERT_GE(index, 0);
  EXPECT_GE(InputDeviceCount(), 2);  // the sine and the null sink's monitor
  EXPECT_GE(OutputDeviceCount(), 1);
  QTemporaryDir dir;
  // PCM mono for 2 s: exactly the record size, a clean, unbroken 1 kHz tone; ADPCM stereo for
  // 1 s: 48,000 frames in 505-frame blocks, the last one padded.
  const struct {
    int channels, seconds;
    TWavType type;
    qint64 frames;
    double snr, tolerance;
  } rows[] = {{1, 2, wtPCM, 96000, 60, 300}, {2, 1, wtDVIADPCM, 96 * 505, 25, 500}};
  for (const auto& r : rows) {
    Chain c(16, r.channels, 48000, r.seconds, dir.filePath("real.wav"), r.type, index);
    c.WaveOut1.Run();
    ASSERT_TRUE(c.WaitEnd());
    ASSERT_EQ(c.errorEvents, 0) << c.error.toStdString();
    Decoded d = DecodeWithSndfile(dir.filePath("real.wav"));
    EXPECT_EQ(d.channels, r.channels);
    EXPECT_EQ(d.frames(), r.frames);
    d.samples.resize(size_t(48000 * r.seconds * r.channels));
    for (int ch = 0; ch < r.channels; ++ch) {
      double amplitude = 0;
      EXPECT_GT(SnrAgainstTone(d.samples, r.channels, ch, 1000, 48000, &amplitude), r.snr) << r.channels << " channel " << ch;
      EXPECT_NEAR(amplitude, 16384, r.tolerance);
    }
  }
}
