// Standard MIDI File length.
#include "platform/media/midifile.h"

#include <QFile>
#include <algorithm>
#include <map>

namespace orvane {

namespace {
// Reads big-endian numbers and variable-length quantities, never past the end.
class Reader {
 public:
  Reader(const QByteArray& b, qsizetype from, qsizetype to) : b_(b), pos_(from), end_(to) {}
  bool atEnd() const { return pos_ >= end_; }
  bool ok() const { return ok_; }
  quint32 byte() {
    if (pos_ >= end_) {
      ok_ = false;
      return 0;
    }
    return quint8(b_[pos_++]);
  }
  quint32 number(int bytes) {
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | byte();
    return v;
  }
  quint32 vlq() {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i) {
      const quint32 c = byte();
      v = (v << 7) | (c & 0x7F);
      if (!(c & 0x80)) return v;
    }
    ok_ = false;  // longer than the format allows
    return v;
  }
  void skip(quint32 n) {
    if (qsizetype(n) > end_ - pos_) {
      ok_ = false;
      pos_ = end_;
    } else {
      pos_ += n;
    }
  }

 private:
  const QByteArray& b_;
  qsizetype pos_;
  qsizetype end_;
  bool ok_ = true;
};

constexpr quint32 kDefaultTempo = 500000;  // microseconds a quarter note: 120 beats a minute
}  // namespace

std::optional<qint64> MidiFile::lengthMs(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  // Songs are small; anything this big is not one.
  if (f.size() > 64 * 1024 * 1024) return std::nullopt;
  return lengthMs(f.readAll());
}

std::optional<qint64> MidiFile::lengthMs(const QByteArray& bytes) {
  // A RIFF MIDI (".rmi") holds the standard file in its "data" chunk.
  qsizetype start = 0;
  if (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "RMID") {
    start = bytes.indexOf("MThd", 12);
    if (start < 0) return std::nullopt;
  }
  Reader head(bytes, start, bytes.size());
  if (head.number(4) != 0x4D546864u) return std::nullopt;  // "MThd"
  const quint32 headerLength = head.number(4);
  const quint32 format = head.number(2);
  const quint32 tracks = head.number(2);
  const quint32 division = head.number(2);
  if (!head.ok() || headerLength < 6 || format > 2 || tracks == 0 || division == 0) return std::nullopt;
  head.skip(headerLength - 6);

  std::map<quint64, quint32> tempos;  // tick -> microseconds a quarter note
  quint64 lastTick = 0;
  qsizetype pos = start + 8 + qsizetype(headerLength);
  quint32 found = 0;
  while (found < tracks) {
    Reader chunk(bytes, pos, bytes.size());
    const quint32 id = chunk.number(4);
    const quint32 length = chunk.number(4);
    if (!chunk.ok() || qsizetype(length) > bytes.size() - pos - 8) return std::nullopt;
    pos += 8 + qsizetype(length);
    if (id != 0x4D54726Bu) continue;  // not "MTrk": an unknown chunk is skipped
    ++found;
    Reader r(bytes, pos - qsizetype(length), pos);
    quint64 tick = 0;
    quint32 status = 0;
    while (!r.atEnd()) {
      tick += r.vlq();
      quint32 b = r.byte();
      if (b == 0xFF) {
        const quint32 type = r.byte();
        const quint32 n = r.vlq();
        if (type == 0x51 && n == 3) {
          tempos[tick] = r.number(3);
        } else {
          r.skip(n);
        }
        if (type == 0x2F) break;  // end of track
      } else if (b == 0xF0 || b == 0xF7) {
        r.skip(r.vlq());
      } else {
        if (b & 0x80) {
          status = b;
          b = r.byte();
        } else if (!status) {
          return std::nullopt;  // data without a status
        }
        const quint32 kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0) r.byte();
      }
      if (!r.ok()) return std::nullopt;
      lastTick = std::max(lastTick, tick);
    }
  }

  if (division & 0x8000) {
    // Time code: frames a second and ticks a frame, whatever the tempo.
    const int fps = 256 - int((division >> 8) & 0xFF);
    const int perFrame = int(division & 0xFF);
    if (fps <= 0 || perFrame <= 0) return std::nullopt;
    return qint64(lastTick * 1000 / quint64(fps * perFrame));
  }
  // Ticks to time through the tempo map.
  double us = 0;
  quint64 at = 0;
  quint32 tempo = kDefaultTempo;
  for (const auto& [tick, value] : tempos) {
    if (tick >= lastTick) break;
    us += double(tick - at) * tempo / division;
    at = tick;
    tempo = value;
  }
  us += double(lastTick - at) * tempo / division;
  return qint64(us / 1000.0 + 0.5);
}

}  // namespace orvane
