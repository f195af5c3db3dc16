// The IMA ADPCM wave writer against libsndfile's own IMA ADPCM encoder: the same samples in
// blocks of the same size give the same bytes, so every step and index of the codec agrees.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <QTemporaryDir>

#include "audiotools/core/ACS_Wave.h"
#include "tests/audiotools/audiotestsupport.h"

TEST(AdpcmCrossCheck, BlocksAreByteForByteThoseOfLibsndfile) {
  QTemporaryDir dir;
  const QString ours = dir.filePath(QStringLiteral("ours.wav")), theirs = dir.filePath(QStringLiteral("sndfile.wav"));
  // Music-like sound over the whole range of steps, kept off full scale (the clamps differ there).
  std::vector<short> samples = audiotest::MusicLike(44100 * 3, 1, 44100);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = short(samples[i] * (0.05 + 0.85 * double(i) / samples.size()));
  audiotest::MemoryInput in(audiotest::ToBytes(samples), 16, 1, 44100);
  TWaveOut out;
  out.SetWavType(wtDVIADPCM);
  out.SetBlockSize(2048);  // libsndfile's block for 44.1 kHz mono
  out.SetFileName(ours);
  out.SetInput(&in);
  out.Run();
  ASSERT_TRUE(out.WaitForIdle(60000));

  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM;
  SNDFILE* f = sf_open(theirs.toLocal8Bit().constData(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  ASSERT_EQ(sf_write_short(f, samples.data(), sf_count_t(samples.size())), sf_count_t(samples.size()));
  sf_close(f);

  auto blocks = [](const QByteArray& file) { return file.mid(file.indexOf("data") + 8); };
  const QByteArray a = blocks(audiotest::ReadAll(ours)), b = blocks(audiotest::ReadAll(theirs));
  const int full = int(samples.size() / 4089) * 2048;  // 4089 samples a block; the last one is padded differently
  ASSERT_GE(a.size(), full);
  ASSERT_GE(b.size(), full);
  for (int at = 0; at < full; at += 2048) ASSERT_EQ(a.mid(at, 2048).toHex(), b.mid(at, 2048).toHex()) << "block " << at / 2048;
}
