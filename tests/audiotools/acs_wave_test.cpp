// The wave file writer: PCM headers byte for byte, decoding by libsndfile and sox, ADPCM
// quality, appending with its checks, early stops and odd lengths.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>

#include "audiotools/core/ACS_Wave.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

using audiotest::Decoded;
using audiotest::DecodeWithSndfile;
using audiotest::kWaitMs;
using audiotest::MemoryInput;
using audiotest::MusicLike;
using audiotest::ReadAll;
using audiotest::RunCommand;
using audiotest::ToBytes;
using testing_support::waitUntil;

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

// sox reads the whole file, says nothing about it and counts the frames.
void ExpectSoxReadsCleanly(const QString& path, qint64 frames) {
  auto r = RunCommand(QStringLiteral("sox"), {QStringLiteral("-V2"), path, QStringLiteral("-n"), QStringLiteral("stat")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  for (const char* word : {"WARN", "FAIL", "remature"}) EXPECT_FALSE(r.err.contains(word)) << r.err.toStdString();
  auto info = RunCommand(QStringLiteral("soxi"), {QStringLiteral("-s"), path});
  EXPECT_EQ(info.out.trimmed().toLongLong(), frames) << info.err.toStdString();
}

class WaveTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString Path(const char* name) { return dir.filePath(QString::fromLatin1(name)); }
  // A fresh writer writes the input into the named file: the error, empty when written.
  QString Write(const char* name, TACSInput* in, TWavType type = wtPCM, TFileOutputMode mode = foRewrite,
                int block = 512) {
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
  EXPECT_EQ(std::vector<int>({d.format, d.sampleRate, d.channels}),
            std::vector<int>({SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2}));
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
      for (int c = 0; c < channels; ++c)
        EXPECT_EQ(short(Le16(file, 60 + b * 512 + 4 * c)), samples[size_t(b * spb * channels + c)]);
    const Decoded d = DecodeWithSndfile(Path("b.wav"));
    ASSERT_TRUE(d.ok) << d.error.toStdString();
    EXPECT_EQ(d.format, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
    EXPECT_EQ(d.channels, channels);
    ASSERT_GE(d.frames(), frames);
    const double snr = audiotest::SnrDb(samples, d.samples, samples.size());
    EXPECT_GE(snr, 25) << "unshifted SNR";
    // Read one sample late, the signal would be far worse: the encoding is aligned.
    const std::vector<short> late(d.samples.begin() + channels, d.samples.end());
    EXPECT_GT(snr, audiotest::SnrDb(samples, late, samples.size() - size_t(channels)) + 6);
    ExpectSoxReadsCleanly(Path("b.wav"), qint64(blocks) * spb);
  }
}

TEST_F(WaveTest, PropertyChecks) {
  TWaveOut out;
  EXPECT_EQ(out.WavType(), wtPCM);
  EXPECT_EQ(out.BlockSize(), 512);
  for (auto [size, want] : {std::pair{510, 512}, {0, 512}, {65540, 512}, {1024, 1024}}) {  // positive multiples of 4
    out.SetBlockSize(size);
    EXPECT_EQ(out.BlockSize(), want) << size;
  }
  out.SetWavType(wtMSADPCM);  // not written: refused
  EXPECT_EQ(out.WavType(), wtPCM);
  EXPECT_TRUE(SameFourCC("fmt ", "FMT ") && SameFourCC("data", "DaTa"));
  EXPECT_FALSE(SameFourCC("data", "date") || SameFourCC("RIFF", "RIFX"));
  // Ignored while running.
  MemoryInput in(QByteArray(4000, 0), 16, 1, 8000);
  in.sleepMs = 5;
  in.chunk = 100;
  out.SetInput(&in);
  out.SetFileName(Path("p.wav"));
  out.Run();
  out.SetBlockSize(256);
  out.SetWavType(wtDVIADPCM);
  EXPECT_EQ(out.BlockSize(), 1024);
  EXPECT_EQ(out.WavType(), wtPCM);
  out.Stop();
  EXPECT_TRUE(out.WaitForIdle(5000));
}

TEST_F(WaveTest, PrepareErrorsLeaveNothingOpen) {
  TWaveOut out;
  MemoryInput in16(QByteArray(400, 1), 16, 2, 8000), in8(QByteArray(400, 1), 8, 1, 8000);
  out.SetInput(&in16);
  EXPECT_EQ(RunToEnd(out), "File name is not assigned.");
  EXPECT_EQ(in16.inits, 0);
  out.SetFileName(Path("e.wav"));
  out.SetWavType(wtDVIADPCM);
  out.SetInput(&in8);
  EXPECT_EQ(RunToEnd(out), "Cannot encode 8 bit sound into ADPCM.");
  EXPECT_EQ(std::vector<int>({in8.inits, in8.flushes, out.GetStatus()}), std::vector<int>({1, 1, 2}));
  // Stereo blocks need whole 8-sample groups of both channels.
  out.SetInput(&in16);
  out.SetBlockSize(516);
  EXPECT_EQ(RunToEnd(out), "Cannot encode 2-channel sound into ADPCM blocks of 516 bytes.");
  EXPECT_EQ(in16.flushes, 1);
  out.SetInput(&in8);
  out.SetWavType(wtPCM);
  EXPECT_EQ(RunToEnd(out), "");  // and the writer still works
  out.SetFileName(dir.filePath(QStringLiteral("no/such/folder/x.wav")));
  EXPECT_TRUE(RunToEnd(out).startsWith("Cannot create file"));
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
  const int blocks = (5000 + spb - 1) / spb + (3000 + spb - 1) / spb, blocksA = (5000 + spb - 1) / spb;
  file = ReadAll(Path("apa.wav"));
  ASSERT_EQ(file.size(), 60 + blocks * 256);
  EXPECT_EQ(Le32(file, 48), quint32(blocks * spb));
  EXPECT_EQ(Le32(file, 56), quint32(blocks * 256));
  d = DecodeWithSndfile(Path("apa.wav"));
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.frames(), blocks * spb);
  const std::vector<short> tail(d.samples.begin() + blocksA * spb * 2, d.samples.begin() + (blocksA * spb + 3000) * 2);
  EXPECT_GE(audiotest::SnrDb(second, tail, second.size()), 25);
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
  const Decoded d = DecodeWithSndfile(Path("early.wav"));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.frames(), 4000);
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
    const QByteArray file = ReadAll(Path("early.wav"));
    const int headerSize = type == wtPCM ? 44 : 60;
    EXPECT_LT(file.size(), 1764000 / 2);
    EXPECT_EQ(Le32(file, 4), quint32(file.size() - 8));
    EXPECT_EQ(Le32(file, headerSize - 4), quint32(file.size() - headerSize));
    const qint64 frames = type == wtPCM ? (file.size() - 44) / 4 : qint64((file.size() - 60) / 512) * 505;
    if (type == wtDVIADPCM) EXPECT_EQ(Le32(file, 48), quint32(frames));
    ExpectSoxReadsCleanly(Path("early.wav"), frames);
    const Decoded d = DecodeWithSndfile(Path("early.wav"));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.frames(), frames);
  }
}

TEST_F(WaveTest, UnknownSizeSuppliedStreamsAndAWriteFailure) {
  const auto samples = MusicLike(3000, 1, 16000);
  MemoryInput in(ToBytes(samples), 16, 1, 16000);
  in.unknownSize = true;
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  buffer.write(QByteArray(100000, 'x'));  // old contents are replaced
  TWaveOut out;
  out.SetStream(&buffer);
  out.SetInput(&in);
  std::vector<int> progress;
  out.OnProgress = [&](TACSOutput*, int p) { progress.push_back(p); };
  ASSERT_EQ(RunToEnd(out), "");
  EXPECT_TRUE(buffer.isOpen()) << "a supplied stream stays open";
  const QByteArray file = buffer.data();
  ASSERT_EQ(file.size(), 44 + 6000);
  EXPECT_EQ(Le32(file, 4), 6036u);
  EXPECT_EQ(Le32(file, 40), 6000u);
  EXPECT_EQ(progress, std::vector<int>{-1});
  EXPECT_TRUE(file.mid(44) == ToBytes(samples));

  // A stream that takes 10,000 bytes and then refuses: the error reaches the thread's event.
  class FullDisk : public QBuffer {
   protected:
    qint64 writeData(const char* d, qint64 n) override {
      if (pos() + n <= 10000) return QBuffer::writeData(d, n);
      setErrorString(QStringLiteral("No space left on device"));
      return -1;
    }
  } disk;
  disk.open(QIODevice::ReadWrite);
  MemoryInput big(QByteArray(50000, 3), 16, 1, 8000);
  big.chunk = 1000;
  out.OnProgress = nullptr;
  out.SetStream(&disk);
  out.SetInput(&big);
  EXPECT_EQ(RunToEnd(out), "Cannot write to the output stream: No space left on device");
  EXPECT_EQ(big.flushes, 1);
  EXPECT_EQ(out.GetStatus(), 2);
}
