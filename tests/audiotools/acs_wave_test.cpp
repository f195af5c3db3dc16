// The wave file writer: PCM headers byte for byte, decoding by libsndfile and sox, ADPCM
// quality, appending with its checks, early stops and odd lengths.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <memory>

#include "audiotools/core/ACS_Wave.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

using audiotest::Decoded;
using audiotest::kWaitMs;
using audiotest::DecodeWithSndfile;
using audiotest::MemoryInput;
using audiotest::ReadAll;
using audiotest::RunCommand;
using testing_support::waitUntil;

namespace {

quint32 Le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 Le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

struct RunResult {
  bool done = false;
  QString error;  // from Run or from the thread
};

// Runs the writer to its end (or its error) and waits for the thread.
RunResult RunToEnd(TWaveOut& out) {
  RunResult r;
  std::atomic<int> done{0};
  QString threadError;
  out.OnDone = [&](TACSOutput*) { ++done; };
  out.OnThreadException = [&](TACSOutput*, const std::exception& e) {
    threadError = QString::fromUtf8(e.what());
    ++done;
  };
  try {
    out.Run();
  } catch (const EACSException& e) {
    r.error = e.Message();
    return r;
  }
  EXPECT_TRUE(out.WaitForIdle(60000));
  EXPECT_TRUE(waitUntil([&] { return done == 1; }, kWaitMs));
  r.error = threadError;
  r.done = threadError.isEmpty();
  out.OnDone = nullptr;
  out.OnThreadException = nullptr;
  return r;
}

// sox reads the whole file and says nothing about it.
void ExpectSoxReadsCleanly(const QString& path, qint64 frames) {
  auto r = RunCommand(QStringLiteral("sox"), {QStringLiteral("-V2"), path, QStringLiteral("-n"), QStringLiteral("stat")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  QByteArray err = r.err;
  EXPECT_FALSE(err.contains("WARN")) << err.toStdString();
  EXPECT_FALSE(err.contains("FAIL")) << err.toStdString();
  EXPECT_FALSE(err.contains("remature")) << err.toStdString();
  auto info = RunCommand(QStringLiteral("soxi"), {QStringLiteral("-s"), path});
  EXPECT_EQ(info.out.trimmed().toLongLong(), frames) << info.err.toStdString();
}

class WaveTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
};

}  // namespace

TEST_F(WaveTest, PcmHeaderByteForByteAndBitExactDecoding) {
  // 10 s of 16-bit stereo at 44.1 kHz.
  auto samples = audiotest::MusicLike(441000, 2, 44100);
  QByteArray pcm = audiotest::ToBytes(samples);
  ASSERT_EQ(pcm.size(), 1764000);
  MemoryInput in(pcm, 16, 2, 44100);
  in.chunk = 10000;
  TWaveOut out;
  out.SetInput(&in);
  out.SetFileName(Path("a.wav"));
  ASSERT_TRUE(RunToEnd(out).done);
  QByteArray file = ReadAll(Path("a.wav"));
  ASSERT_EQ(file.size(), 1764044);
  const unsigned char header[44] = {'R', 'I', 'F', 'F', 0xc4, 0xea, 0x1a, 0x00,  // 1,764,036
                                    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',  16,   0,    0,    0,
                                    1,   0,   2,   0,   0x44, 0xac, 0,    0,     // 44,100
                                    0x10, 0xb1, 0x02, 0,                         // 176,400
                                    4,   0,   16,  0,   'd', 'a', 't', 'a',  0xa0, 0xea, 0x1a, 0x00};  // 1,764,000
  EXPECT_TRUE(file.left(44) == QByteArray(reinterpret_cast<const char*>(header), 44));
  EXPECT_TRUE(file.mid(44) == pcm);
  Decoded d = DecodeWithSndfile(Path("a.wav"));
  ASSERT_TRUE(d.ok) << d.error.toStdString();
  EXPECT_EQ(d.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(d.sampleRate, 44100);
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.samples, samples);
  ExpectSoxReadsCleanly(Path("a.wav"), 441000);
  // sox's own reading gives the same samples, bit for bit.
  auto r = RunCommand(QStringLiteral("sox"), {Path("a.wav"), QStringLiteral("-t"), QStringLiteral("raw"), Path("a.raw")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(ReadAll(Path("a.raw")) == pcm);
}

TEST_F(WaveTest, AdpcmMonoAndStereoDecodeWell) {
  for (int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    const int frames = 44100 * 2 + 123;
    auto samples = audiotest::MusicLike(frames, channels, 44100);
    MemoryInput in(audiotest::ToBytes(samples), 16, channels, 44100);
    in.chunk = 777;  // blocks are filled from several reads
    TWaveOut out;
    out.SetInput(&in);
    out.SetWavType(wtDVIADPCM);
    out.SetFileName(Path("b.wav"));
    ASSERT_TRUE(RunToEnd(out).done);
    QByteArray file = ReadAll(Path("b.wav"));
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
      for (int c = 0; c < channels; ++c)
        EXPECT_EQ(short(Le16(file, 60 + b * 512 + 4 * c)), samples[size_t(b * spb * channels + c)]);
    Decoded d = DecodeWithSndfile(Path("b.wav"));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.format, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
    EXPECT_EQ(d.channels, channels);
    ASSERT_GE(d.frames(), frames);
    double snr = audiotest::SnrDb(samples, d.samples, samples.size());
    EXPECT_GE(snr, 25) << "unshifted SNR";
    // Read one sample late, the signal would be far worse: the encoding is aligned.
    std::vector<short> late(d.samples.begin() + channels, d.samples.end());
    EXPECT_GT(snr, audiotest::SnrDb(samples, late, samples.size() - size_t(channels)) + 6);
    ExpectSoxReadsCleanly(Path("b.wav"), qint64(blocks) * spb);
  }
}

TEST_F(WaveTest, PropertyChecks) {
  TWaveOut out;
  EXPECT_EQ(out.WavType(), wtPCM);
  EXPECT_EQ(out.BlockSize(), 512);
  for (auto [size, want] : {std::pair{510, 512}, {0, 512}, {65540, 512}, {1024, 1024}}) {  // positive multiples of 4 only
    out.SetBlockSize(size);
    EXPECT_EQ(out.BlockSize(), want) << size;
  }
  out.SetWavType(wtMSADPCM);  // not written: refused
  EXPECT_EQ(out.WavType(), wtPCM);
  out.SetWavType(wtDVIADPCM);
  EXPECT_EQ(out.WavType(), wtDVIADPCM);
  out.SetFileMode(foAppend);
  EXPECT_EQ(out.FileMode(), foAppend);
  EXPECT_TRUE(SameFourCC("fmt ", "FMT ") && SameFourCC("data", "DaTa"));
  EXPECT_FALSE(SameFourCC("data", "date") || SameFourCC("RIFF", "RIFX"));

  MemoryInput in(QByteArray(4000, 0), 16, 1, 8000);
  in.sleepMs = 5;
  in.chunk = 100;
  out.SetWavType(wtPCM);
  out.SetFileMode(foRewrite);
  out.SetInput(&in);
  out.SetFileName(Path("p.wav"));
  out.Run();
  out.SetBlockSize(256);  // ignored while running
  out.SetWavType(wtDVIADPCM);
  EXPECT_EQ(out.BlockSize(), 1024);
  EXPECT_EQ(out.WavType(), wtPCM);
  out.Stop();
  EXPECT_TRUE(out.WaitForIdle(5000));
}

TEST_F(WaveTest, PrepareErrorsLeaveNothingOpen) {
  TWaveOut out;
  MemoryInput in16(QByteArray(400, 1), 16, 2, 8000);
  MemoryInput in8(QByteArray(400, 1), 8, 1, 8000);
  out.SetInput(&in16);
  EXPECT_EQ(RunToEnd(out).error, "File name is not assigned.");
  EXPECT_EQ(in16.inits, 0);

  out.SetFileName(Path("e.wav"));
  out.SetWavType(wtDVIADPCM);
  out.SetInput(&in8);
  EXPECT_EQ(RunToEnd(out).error, "Cannot encode 8 bit sound into ADPCM.");
  EXPECT_EQ(in8.inits, 1);
  EXPECT_EQ(in8.flushes, 1);
  EXPECT_EQ(out.GetStatus(), 2);

  // Stereo blocks need whole 8-sample groups of both channels.
  out.SetInput(&in16);
  out.SetBlockSize(516);
  EXPECT_EQ(RunToEnd(out).error, "Cannot encode 2-channel sound into ADPCM blocks of 516 bytes.");
  EXPECT_EQ(in16.flushes, 1);
  out.SetInput(&in8);
  out.SetWavType(wtPCM);
  EXPECT_TRUE(RunToEnd(out).done);  // and the writer still works

  out.SetFileName(dir.filePath(QStringLiteral("no/such/folder/x.wav")));
  QString e = RunToEnd(out).error;
  EXPECT_TRUE(e.startsWith("Cannot create file")) << e.toStdString();
}

TEST_F(WaveTest, AppendingPcmAndAdpcm) {
  auto first = audiotest::MusicLike(5000, 2, 22050);
  auto second = audiotest::MusicLike(3000, 2, 22050);
  {
    MemoryInput a(audiotest::ToBytes(first), 16, 2, 22050);
    MemoryInput b(audiotest::ToBytes(second), 16, 2, 22050);
    TWaveOut out;
    out.SetFileMode(foAppend);  // a missing file is simply created
    out.SetFileName(Path("ap.wav"));
    out.SetInput(&a);
    ASSERT_TRUE(RunToEnd(out).done);
    out.SetInput(&b);
    ASSERT_TRUE(RunToEnd(out).done);
    Decoded d = DecodeWithSndfile(Path("ap.wav"));
    ASSERT_TRUE(d.ok);
    std::vector<short> both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(d.samples, both);
    QByteArray file = ReadAll(Path("ap.wav"));
    EXPECT_EQ(Le32(file, 40), quint32(both.size() * 2));
    EXPECT_EQ(Le32(file, 4), quint32(file.size() - 8));
  }
  {
    MemoryInput a(audiotest::ToBytes(first), 16, 2, 22050);
    MemoryInput b(audiotest::ToBytes(second), 16, 2, 22050);
    TWaveOut out;
    out.SetWavType(wtDVIADPCM);
    out.SetBlockSize(256);
    out.SetFileName(Path("apa.wav"));
    out.SetInput(&a);
    ASSERT_TRUE(RunToEnd(out).done);
    TWaveOut more;  // a fresh writer learns type and block size from the file
    more.SetFileMode(foAppend);
    more.SetFileName(Path("apa.wav"));
    more.SetInput(&b);
    ASSERT_TRUE(RunToEnd(more).done);
    EXPECT_EQ(more.WavType(), wtDVIADPCM);
    EXPECT_EQ(more.BlockSize(), 256);
    const int spb = 249;  // (256 - 8) + 1
    int blocksA = (5000 + spb - 1) / spb, blocksB = (3000 + spb - 1) / spb;
    QByteArray file = ReadAll(Path("apa.wav"));
    ASSERT_EQ(file.size(), 60 + (blocksA + blocksB) * 256);
    EXPECT_EQ(Le32(file, 48), quint32((blocksA + blocksB) * spb));
    EXPECT_EQ(Le32(file, 56), quint32((blocksA + blocksB) * 256));
    Decoded d = DecodeWithSndfile(Path("apa.wav"));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(d.frames(), (blocksA + blocksB) * spb);
    std::vector<short> tail(d.samples.begin() + blocksA * spb * 2, d.samples.begin() + (blocksA * spb + 3000) * 2);
    EXPECT_GE(audiotest::SnrDb(second, tail, second.size()), 25);
  }
}

TEST_F(WaveTest, AppendingIsRefusedWhenItWouldDamageTheFile) {
  auto pcm16 = audiotest::ToBytes(audiotest::MusicLike(2000, 1, 8000));
  MemoryInput base(pcm16, 16, 1, 8000);
  TWaveOut make;
  make.SetFileName(Path("base.wav"));
  make.SetInput(&base);
  ASSERT_TRUE(RunToEnd(make).done);
  const QByteArray original = ReadAll(Path("base.wav"));

  auto tryAppend = [&](const QString& path, TACSInput* in) {
    TWaveOut out;
    out.SetFileMode(foAppend);
    out.SetFileName(path);
    out.SetInput(in);
    return RunToEnd(out).error;
  };
  MemoryInput eight(QByteArray(100, char(128)), 8, 1, 8000);
  EXPECT_EQ(tryAppend(Path("base.wav"), &eight), "Cannot append data in different audio format.");
  EXPECT_EQ(eight.flushes, eight.inits);
  MemoryInput otherRate(pcm16, 16, 1, 11025);
  EXPECT_EQ(tryAppend(Path("base.wav"), &otherRate), "Cannot append data in different audio format.");
  EXPECT_TRUE(ReadAll(Path("base.wav")) == original) << "a refused append changes nothing";

  // "fmt " beyond the first 8,192 bytes: a JUNK chunk of 9,000 bytes in front of it.
  QByteArray late = original.left(12) + QByteArray("JUNK") + QByteArray(4, 0) + QByteArray(9000, 0) + original.mid(12);
  qToLittleEndian<quint32>(9000, late.data() + 16);
  qToLittleEndian<quint32>(quint32(late.size() - 8), late.data() + 4);
  testing_support::writeFile(Path("late.wav"), late);
  EXPECT_TRUE(DecodeWithSndfile(Path("late.wav")).ok) << "the file itself is fine";
  MemoryInput same(pcm16, 16, 1, 8000);
  EXPECT_EQ(tryAppend(Path("late.wav"), &same), "Cannot append data to this .wav file.");
  EXPECT_EQ(same.flushes, 1);

  testing_support::writeFile(Path("text.wav"), QByteArray("this is not a wave file at all"));
  EXPECT_EQ(tryAppend(Path("text.wav"), &same), "Cannot append data to this .wav file.");

  // A chunk after the sound (metadata) would be swallowed: refused.
  QByteArray trailing = original + QByteArray("LIST") + QByteArray("\x04\0\0\0INFO", 8);
  qToLittleEndian<quint32>(quint32(trailing.size() - 8), trailing.data() + 4);
  testing_support::writeFile(Path("trailing.wav"), trailing);
  EXPECT_EQ(tryAppend(Path("trailing.wav"), &same), "Cannot append data to this .wav file.");
  EXPECT_TRUE(ReadAll(Path("trailing.wav")) == trailing);

  // A small "JUNK" chunk in front of "fmt " is walked over.
  QByteArray early = original.left(12) + QByteArray("JUNK") + QByteArray(4, 0) + QByteArray(10, 0) + original.mid(12);
  qToLittleEndian<quint32>(10, early.data() + 16);
  testing_support::writeFile(Path("early.wav"), early);
  EXPECT_EQ(tryAppend(Path("early.wav"), &same), "");
  Decoded d = DecodeWithSndfile(Path("early.wav"));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.frames(), 4000);
}

TEST_F(WaveTest, OddPcmLengthGetsItsPadByteAndAppendsOverIt) {
  MemoryInput a(QByteArray(11, char(200)), 8, 1, 11025);
  TWaveOut out;
  out.SetFileName(Path("odd.wav"));
  out.SetInput(&a);
  ASSERT_TRUE(RunToEnd(out).done);
  QByteArray file = ReadAll(Path("odd.wav"));
  ASSERT_EQ(file.size(), 44 + 11 + 1);
  EXPECT_EQ(Le32(file, 40), 11u);
  EXPECT_EQ(Le32(file, 4), 48u);
  ExpectSoxReadsCleanly(Path("odd.wav"), 11);
  MemoryInput b(QByteArray(4, char(50)), 8, 1, 11025);
  out.SetFileMode(foAppend);
  out.SetInput(&b);
  ASSERT_TRUE(RunToEnd(out).done);
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
    MemoryInput in(audiotest::ToBytes(audiotest::MusicLike(441000, 2, 44100)), 16, 2, 44100);
    in.chunk = 4096;
    in.sleepMs = 2;
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
    QByteArray file = ReadAll(Path("early.wav"));
    const int headerSize = type == wtPCM ? 44 : 60;
    EXPECT_LT(file.size(), 1764000 / 2);
    EXPECT_EQ(Le32(file, 4), quint32(file.size() - 8));
    EXPECT_EQ(Le32(file, headerSize - 4), quint32(file.size() - headerSize));
    qint64 frames = type == wtPCM ? (file.size() - 44) / 4 : qint64((file.size() - 60) / 512) * 505;
    if (type == wtDVIADPCM) {
      EXPECT_EQ(Le32(file, 48), quint32(frames));
    }
    ExpectSoxReadsCleanly(Path("early.wav"), frames);
    Decoded d = DecodeWithSndfile(Path("early.wav"));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.frames(), frames);
  }
}

TEST_F(WaveTest, UnknownSizeAndSuppliedStreams) {
  auto samples = audiotest::MusicLike(3000, 1, 16000);
  MemoryInput in(audiotest::ToBytes(samples), 16, 1, 16000);
  in.unknownSize = true;
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  buffer.write(QByteArray(100000, 'x'));  // old contents are replaced
  TWaveOut out;
  out.SetStream(&buffer);
  out.SetInput(&in);
  std::vector<int> progress;
  out.OnProgress = [&](TACSOutput*, int p) { progress.push_back(p); };
  ASSERT_TRUE(RunToEnd(out).done);
  EXPECT_TRUE(buffer.isOpen()) << "a supplied stream stays open";
  QByteArray file = buffer.data();
  ASSERT_EQ(file.size(), 44 + 6000);
  EXPECT_EQ(Le32(file, 4), 6036u);
  EXPECT_EQ(Le32(file, 40), 6000u);
  EXPECT_EQ(progress, std::vector<int>{-1});
  EXPECT_TRUE(file.mid(44) == audiotest::ToBytes(samples));
}

TEST_F(WaveTest, AWriteFailureReachesTheThreadExceptionEvent) {
  // A stream that takes 10,000 bytes and then refuses.
  class FullDisk : public QBuffer {
   protected:
    qint64 writeData(const char* d, qint64 n) override {
      if (pos() + n > 10000) {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
      }
      return QBuffer::writeData(d, n);
    }
  } disk;
  disk.open(QIODevice::ReadWrite);
  MemoryInput in(QByteArray(50000, 3), 16, 1, 8000);
  in.chunk = 1000;
  TWaveOut out;
  out.SetStream(&disk);
  out.SetInput(&in);
  RunResult r = RunToEnd(out);
  EXPECT_FALSE(r.done);
  EXPECT_EQ(r.error, "Cannot write to the output stream: No space left on device");
  EXPECT_EQ(in.flushes, 1);
  EXPECT_EQ(out.GetStatus(), 2);
}
