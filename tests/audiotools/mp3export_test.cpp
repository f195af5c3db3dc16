// The MP3 export: waves of several shapes encoded and decoded again by ffmpeg; the refusals.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

#include "audiotools/core/MP3export.h"
#include "platform/files/waveheader.h"
#include "tests/audiotools/audiotestsupport.h"
#include "tests/support/testsupport.h"

namespace {

// frames of a 1 kHz tone at half scale after `silent` frames of silence, in every channel.
QByteArray ToneData(int rate, int channels, int frames, int silent) {
  std::vector<short> s(size_t(frames) * channels);
  for (int i = silent; i < frames; ++i)
    for (int c = 0; c < channels; ++c) s[size_t(i) * channels + c] = short(std::lround(16383 * std::sin(2 * M_PI * 1000.0 * i / rate)));
  return audiotest::ToBytes(s);
}

// A wave with an optional "LIST" chunk between "fmt " and "data".
QByteArray Wave(int rate, int channels, const QByteArray& data, bool list) {
  QByteArray w = orvane::pcmWaveHeader(rate, channels, 16, data.size());
  if (list) {
    const QByteArray chunk("LIST\x05\x00\x00\x00INFOx\x00", 14);  // odd size, padded
    w.insert(36, chunk);
    qToLittleEndian<quint32>(quint32(w.size() - 8 + data.size()), w.data() + 4);
  }
  return w + data;
}

struct Probe {
  int rate = 0, channels = 0;
  std::vector<short> samples;
};
Probe Decode(const QString& mp3) {
  Probe p;
  auto info = audiotest::RunCommand("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries",
                                                "stream=sample_rate,channels", "-of", "csv=p=0", mp3});
  const auto parts = QString::fromUtf8(info.out).trimmed().split(',');
  if (parts.size() == 2) p.rate = parts[0].toInt(), p.channels = parts[1].toInt();
  auto pcm = audiotest::RunCommand("ffmpeg", {"-v", "error", "-i", mp3, "-f", "s16le", "-acodec", "pcm_s16le", "-"});
  p.samples = audiotest::FromBytes(pcm.out);
  return p;
}

// Share of the signal's energy at 1 kHz (Goertzel over one channel).
double ToneShare(const std::vector<short>& s, int channels, int rate, size_t from, size_t count) {
  const double k = 2 * std::cos(2 * M_PI * 1000.0 / rate);
  double a = 0, b = 0, energy = 0;
  for (size_t i = from; i < from + count; ++i) {
    const double x = s[i * channels];
    const double y = x + k * a - b;
    b = a, a = y, energy += x * x;
  }
  const double power = a * a + b * b - k * a * b;
  return energy > 0 ? 2 * power / (double(count) * energy) : 0;
}

TEST(Mp3Export, WavesOfEveryShapeComeBackWithTheirRateChannelsLengthAndTone) {
  QTemporaryDir dir;
  struct Case { int rate, channels, frames, silent; bool list; };
  const Case cases[] = {{48000, 2, 48000, 9600, false}, {22050, 1, 22050, 0, false},
                        {11025, 1, 11025, 2205, true}, {48000, 2, 700, 0, false}, {44100, 1, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(QString("%1 Hz x%2, %3 frames").arg(c.rate).arg(c.channels).arg(c.frames).toStdString());
    const QString wav = testing_support::writeFile(dir.filePath("in.wav"), Wave(c.rate, c.channels, ToneData(c.rate, c.channels, c.frames, c.silent), c.list));
    const QString mp3 = dir.filePath("out.mp3");
    QStringList reports;
    ConvertWavToMp3(wav, mp3, 1, [&](const QString& t) { reports << t; });
    EXPECT_LE(reports.size(), c.frames / 1152 / 64);
    if (c.frames == 0) continue;
    const Probe p = Decode(mp3);
    EXPECT_EQ(p.rate, c.rate);
    EXPECT_EQ(p.channels, c.channels);
    const int frameSize = c.rate >= 32000 ? 1152 : 576;
    const qint64 got = qint64(p.samples.size()) / qMax(1, p.channels);
    EXPECT_GE(got, c.frames);
    EXPECT_LE(got, c.frames + 3 * frameSize);
    if (c.frames < c.rate) continue;
    // The tone is there after the silence, and the silence stays silent (encoder delay only
    // moves the onset later).
    EXPECT_GT(ToneShare(p.samples, c.channels, c.rate, size_t(c.silent + c.rate / 5), size_t(c.rate / 2)), 0.9);
    if (c.silent) {
      short peak = 0;
      for (size_t i = 0; i < size_t(c.silent * 3 / 4) * c.channels; ++i) peak = qMax<short>(peak, short(std::abs(p.samples[i])));
      EXPECT_LT(peak, 64);
    }
  }
}

TEST(Mp3Export, ProgressAfterEvery64thChunkInTheTextOfItsMode) {
  QTemporaryDir dir;
  // 128 chunks of 1152 stereo frames: reports at the 64th and the 128th.
  const QString wav = testing_support::writeFile(dir.filePath("p.wav"), Wave(48000, 2, ToneData(48000, 2, 128 * 1152, 0), false));
  QStringList reports;
  ConvertWavToMp3(wav, dir.filePath("p.mp3"), 1, [&](const QString& t) { reports << t; });
  EXPECT_EQ(reports, QStringList({"50 %", "100 %"}));
  EXPECT_EQ(Mp3ProgressText(2, 7), "        正在保存为MP3格式，请稍等......7 %");
  EXPECT_EQ(Mp3ProgressText(0, 7), "");
}

TEST(Mp3Export, RefusesWhatIsNotSixteenBitPcmAndReportsItsFailures) {
  QTemporaryDir dir;
  const QByteArray tone = ToneData(8000, 1, 800, 0);
  QByteArray adpcm = Wave(22050, 1, tone, false);
  adpcm[20] = 0x11;  // IMA ADPCM
  struct Case { const char* name; QByteArray bytes; QString dest; const char* error; };
  const Case cases[] = {
      {"8bit", orvane::pcmWaveHeader(22050, 1, 8, 800) + QByteArray(800, 'x'), "o.mp3", mp3texts::kReadError},
      {"adpcm", adpcm, "o.mp3", mp3texts::kReadError},
      {"truncated", Wave(22050, 1, tone, false).left(30), "o.mp3", mp3texts::kReadError},
      {"text", "not a wave at all, only words", "o.mp3", mp3texts::kReadError},
      {"missing", {}, "o.mp3", mp3texts::kReadError},
      {"nodir", Wave(22050, 1, tone, false), "no/such/dir/o.mp3", mp3texts::kWriteError}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString src = dir.filePath(c.name);
    if (QString(c.name) != "missing") testing_support::writeFile(src, c.bytes);
    QString error = "(nothing raised)";
    try {
      ConvertWavToMp3(src, dir.filePath(c.dest), 1);
    } catch (const EMp3Export& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, QString::fromUtf8(c.error));
    TWaveFormatEx f;
    f.cbSize = 9;
    EXPECT_EQ(ReadWaveFormat(src, f), QString(c.name) == "8bit" || QString(c.name) == "adpcm" || QString(c.name) == "nodir");
    if (QString(c.name) == "missing") {
      EXPECT_EQ(f.cbSize, 0);
    }
  }
  TWaveFormatEx f;
  ASSERT_TRUE(ReadWaveFormat(dir.filePath("nodir"), f));
  EXPECT_EQ(std::vector<int>({f.wFormatTag, f.nChannels, int(f.nSamplesPerSec), int(f.nAvgBytesPerSec), f.nBlockAlign, f.wBitsPerSample}),
            std::vector<int>({1, 1, 22050, 44100, 2, 16}));
}

TEST(Mp3Export, TheJobRunsOffTheCallingThreadAndPostsItsEnd) {
  QTemporaryDir dir;
  const QString wav = testing_support::writeFile(dir.filePath("j.wav"), Wave(48000, 2, ToneData(48000, 2, 130 * 1152, 0), false));
  TMp3Conversion job(wav, dir.filePath("j.mp3"), 2);
  QStringList reports;
  QString end = "(none)";
  QObject::connect(&job, &TMp3Conversion::Progress, [&](const QString& t) { reports << t; });
  QObject::connect(&job, &TMp3Conversion::Finished, [&](const QString& e) { end = e; });
  job.Start();
  ASSERT_TRUE(testing_support::waitUntil([&] { return end != "(none)"; }, 20000));
  EXPECT_EQ(end, "");
  EXPECT_EQ(reports.size(), 2);
  EXPECT_GT(QFileInfo(dir.filePath("j.mp3")).size(), 1000);
}

}  // namespace
