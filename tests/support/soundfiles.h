// Sound files made at test time: a sine tone as a 16-bit PCM wave file, a short MIDI tune.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>
#include <cmath>

namespace testing_support {

// A tone of `seconds` at `hz` (amplitude 0..1), 16-bit PCM with the given rate and channels.
inline QString writeToneWav(const QString& path, double seconds, double hz = 1000.0, double amplitude = 0.5,
                            int rate = 48000, int channels = 1) {
  const qint64 frames = qint64(std::llround(seconds * rate));
  QByteArray data(int(frames * channels * 2), Qt::Uninitialized);
  auto* out = reinterpret_cast<qint16*>(data.data());
  for (qint64 i = 0; i < frames; ++i) {
    const auto v = qint16(std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * double(i) / rate)));
    for (int c = 0; c < channels; ++c) out[i * channels + c] = qToLittleEndian(v);
  }
  QByteArray h;
  auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
  h.append("RIFF");
  u32(quint32(36 + data.size()));
  h.append("WAVEfmt ");
  u32(16);
  u16(1);
  u16(quint16(channels));
  u32(quint32(rate));
  u32(quint32(rate * channels * 2));
  u16(quint16(channels * 2));
  u16(16);
  h.append("data");
  u32(quint32(data.size()));
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(h + data);
  return path;
}

// A one-track MIDI file: `notes` quarter notes at 120 beats a minute (0.5 s each).
inline QString writeMidi(const QString& path, int notes = 2) {
  QByteArray track;
  for (int i = 0; i < notes; ++i) {
    track.append('\x00').append('\x90').append(char(60 + i)).append('\x64');  // note on
    track.append('\x60').append('\x80').append(char(60 + i)).append('\x40');  // 96 ticks later: off
  }
  track.append('\x00').append('\xFF').append('\x2F').append('\x00');  // end of track
  QByteArray f("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);   // format 0, 1 track, 96 per beat
  f.append("MTrk");
  const quint32 n = qToBigEndian(quint32(track.size()));
  f.append(reinterpret_cast<const char*>(&n), 4);
  f.append(track);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile out(path);
  if (out.open(QIODevice::WriteOnly)) out.write(f);
  return path;
}

}  // namespace testing_support
