// PCM wave header.
#include "platform/files/waveheader.h"

#include <QtEndian>

namespace orvane {

QByteArray pcmWaveHeader(int sampleRate, int channels, int bitsPerSample, qint64 dataBytes) {
  QByteArray h;
  h.reserve(44);
  auto u32 = [&h](quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    h.append(b, 4);
  };
  auto u16 = [&h](quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    h.append(b, 2);
  };
  const quint16 blockAlign = quint16(channels * (bitsPerSample / 8));
  const bool unknown = dataBytes < 0;
  const quint32 data = unknown ? 0xFFFFFFFFu : quint32(qMin<qint64>(dataBytes, 0xFFFFFFFFLL - 36));
  h.append("RIFF", 4);
  u32(unknown ? 0xFFFFFFFFu : data + 36);
  h.append("WAVEfmt ", 8);
  u32(16);
  u16(1);  // PCM
  u16(quint16(channels));
  u32(quint32(sampleRate));
  u32(quint32(sampleRate) * blockAlign);
  u16(blockAlign);
  u16(quint16(bitsPerSample));
  h.append("data", 4);
  u32(data);
  return h;
}

}  // namespace orvane
