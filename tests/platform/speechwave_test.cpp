// Speech written to a wave file holds the synthesiser's own sound, 16 bits a sample: decoded
// as a player reads it, it is as long and as loud as a read-out of the same text, its loudness
// rises and falls with it, and its sounds are as high (no two read-outs are the same to the
// sample: the engine's noise sources run on from one to the next); only their openings, up to
// the first noise, are the same to the sample.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/speech/espeaksynth.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"

using namespace orvane;

namespace {
struct Wave {
  int format = 0, channels = 0, rate = 0, bits = 0, blockAlign = 0;
  std::vector<qint16> samples;
};
// Reads a PCM wave file chunk by chunk, as any player would.
Wave decode(const QString& path) {
  Wave w;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return w;
  const QByteArray b = f.readAll();
  if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") return w;
  for (qsizetype pos = 12; pos + 8 <= b.size();) {
    const QByteArray id = b.mid(pos, 4);
    const qsizetype size = qFromLittleEndian<quint32>(b.constData() + pos + 4);
    const char* body = b.constData() + pos + 8;
    if (pos + 8 + size > b.size()) break;
    if (id == "fmt " && size >= 16) {
      w.format = qFromLittleEndian<quint16>(body);
      w.channels = qFromLittleEndian<quint16>(body + 2);
      w.rate = int(qFromLittleEndian<quint32>(body + 4));
      w.blockAlign = qFromLittleEndian<quint16>(body + 12);
      w.bits = qFromLittleEndian<quint16>(body + 14);
    } else if (id == "data" && w.bits == 16 && w.blockAlign > 0) {
      for (qsizetype i = 0; i + 2 <= size; i += w.blockAlign) w.samples.push_back(qFromLittleEndian<qint16>(body + i));
    }
    pos += 8 + size + (size & 1);
  }
  return w;
}
double rms(const std::vector<qint16>& v, std::size_t from = 0, std::size_t to = SIZE_MAX) {
  to = std::min(to, v.size());
  double sum = 0;
  for (std::size_t i = from; i < to; ++i) sum += double(v[i]) * v[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}
// The loudness of each 20 ms.
std::vector<double> envelope(const std::vector<qint16>& v, int rate) {
  const std::size_t frame = std::size_t(rate / 50);
  std::vector<double> e;
  for (std::size_t i = 0; i + frame <= v.size(); i += frame) e.push_back(rms(v, i, i + frame));
  return e;
}
double correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  double ma = 0, mb = 0;
  for (std::size_t i = 0; i < n; ++i) ma += a[i] / double(n), mb += b[i] / double(n);
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < n; ++i) {
    ab += (a[i] - ma) * (b[i] - mb);
    aa += (a[i] - ma) * (a[i] - ma);
    bb += (b[i] - mb) * (b[i] - mb);
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}
// Sign changes a second: how high the sound is, roughly.
double crossingsPerSecond(const std::vector<qint16>& v, int rate) {
  std::size_t n = 0;
  for (std::size_t i = 1; i < v.size(); ++i) n += (v[i - 1] < 0) != (v[i] < 0);
  return v.empty() ? 0 : double(n) * rate / double(v.size());
}
}  // namespace

TEST(SpeechSynthesis, TheWaveFileHoldsTheSynthesisersOwnSound) {
  const QString text = QStringLiteral("请各位同学到操场集合。");
  for (const SpeechParams& params : {SpeechParams{kMandarinVoice, 0, 100}, SpeechParams{kMandarinVoice, 5, 40}}) {
    SCOPED_TRACE(params.rate);
    QString error;
    const auto readOut = [&] {
      std::vector<qint16> samples;
      EXPECT_TRUE(EspeakSynth::instance().synthesize(
          text, params,
          [&](const int16_t* s, int n, const std::vector<WordMark>&) {
            samples.insert(samples.end(), s, s + n);
            return true;
          },
          &error))
          << error.toStdString();
      return samples;
    };
    const std::vector<qint16> own = readOut(), again = readOut();
    ASSERT_GT(own.size(), 1000u);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("speech.wav"));
    ASSERT_TRUE(SpeechEngine::synthesizeToWave(text, params, path, &error)) << error.toStdString();
    const Wave w = decode(path);
    EXPECT_EQ(std::vector<int>({w.format, w.channels, w.rate, w.bits, w.blockAlign}),
              std::vector<int>({1, 1, EspeakSynth::instance().sampleRate(), 16, 2}));
    const int rate = EspeakSynth::instance().sampleRate();
    EXPECT_NEAR(double(w.samples.size()), double(own.size()), own.size() / 100.0);
    EXPECT_NEAR(rms(w.samples), rms(own), rms(own) / 20);
    EXPECT_GT(correlation(envelope(w.samples, rate), envelope(own, rate)), 0.95);
    EXPECT_NEAR(crossingsPerSecond(w.samples, rate), crossingsPerSecond(own, rate), crossingsPerSecond(own, rate) / 10);
    // Read-outs part only at the engine's first noise; before it, from the silence through the
    // first 10 ms of sound, the file holds every sample of a read-out, none lost or moved.
    const auto sound = std::find_if(own.begin(), own.end(), [](qint16 v) { return v != 0; });
    const std::size_t opening = std::size_t(sound - own.begin()) + std::size_t(rate / 100);
    ASSERT_TRUE(again.size() >= opening && std::equal(own.begin(), own.begin() + long(opening), again.begin()))
        << "two read-outs differ in their first " << opening << " samples: nothing to compare the file with";
    ASSERT_GE(w.samples.size(), opening);
    EXPECT_TRUE(std::equal(own.begin(), own.begin() + long(opening), w.samples.begin()));
  }
}
