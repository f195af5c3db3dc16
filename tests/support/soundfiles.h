// Sound files made at test time: a sine tone as a 16-bit PCM wave file, a short MIDI tune.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>
#include <cmath>

#include "platform/files/waveheader.h"

namespace testing_support {

// A wave file's bytes: a tone of `seconds` at `hz` (amplitude 0..1), 16-bit PCM with the
// given rate and channels.
inline QByteArray toneWav(double seconds, double hz = 1000.0, double amplitude = 0.5, int rate = 48000,
                          int channels = 1) {
  const qint64 frames = qint64(std::llround(seconds * rate));
  QByteArray data(int(frames * channels * 2), Qt::Uninitialized);
  for (qint64 i = 0; i < frames; ++i) {
    const auto v = qint16(std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * hz * double(i) / rate)));
    for (int c = 0; c < channels; ++c) qToLittleEndian(v, data.data() + 2 * (i * channels + c));
  }
  return orvane::pcmWaveHeader(rate, channels, 16, data.size()) + data;
}

// The same tone written to a file (folders are made); returns the path.
inline QString writeToneWav(const QString& path, double seconds, double hz = 1000.0, double amplitude = 0.5,
                            int rate = 48000, int channels = 1) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(toneWav(seconds, hz, amplitude, rate, channels));
  return path;
}

// A variable-length quantity of a MIDI file.
inline QByteArray midiVlq(quint32 n) {
  QByteArray out(1, char(n & 0x7F));
  while (n >>= 7) out.prepend(char((n & 0x7F) | 0x80));
  return out;
}

// A one-track MIDI file (96 ticks a beat): `notes` steps of `chord` notes at once, each step
// `ticks` long, at 120 beats a minute unless a tempo (microseconds a beat) is given.
inline QString writeMidi(const QString& path, int notes = 2, int chord = 1, int ticks = 96, quint32 tempo = 0) {
  QByteArray track;
  if (tempo)
    track.append(midiVlq(0)).append("\xFF\x51\x03", 3).append(char(tempo >> 16)).append(char(tempo >> 8)).append(char(tempo));
  for (int i = 0; i < notes; ++i) {
    for (int c = 0; c < chord; ++c)
      track.append(midiVlq(0)).append(char(0x90 | c)).append(char(48 + (i * 5 + c * 7) % 36)).append('\x64');
    for (int c = 0; c < chord; ++c)
      track.append(midiVlq(c == 0 ? quint32(ticks) : 0)).append(char(0x80 | c)).append(char(48 + (i * 5 + c * 7) % 36)).append('\x40');
  }
  track.append(midiVlq(0)).append("\xFF\x2F\x00", 3);  // end of track
  QByteArray f("MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", 14);  // format 0, 1 track, 96 a beat
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
