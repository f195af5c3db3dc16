// MIDI files whose chunk lengths do not match their data: a length past the end of the file
// or of its own chunk is refused, never read through.
#include <gtest/gtest.h>

#include <QtEndian>

#include "platform/media/midifile.h"
#include "tests/support/soundfiles.h"

using orvane::MidiFile;
using testing_support::midiVlq;

namespace {
QByteArray chunk(const char* id, const QByteArray& body, qint64 extra = 0) {
  QByteArray c(id, 4);
  const quint32 n = qToBigEndian(quint32(body.size() + extra));
  c.append(reinterpret_cast<const char*>(&n), 4);
  return c + body;
}
// One note of 192 ticks at 96 a beat and 120 beats a minute: one second.
QByteArray oneSecond() {
  return midiVlq(0) + QByteArray("\x90\x3C\x64", 3) + midiVlq(192) + QByteArray("\x80\x3C\x40", 3) + midiVlq(0) +
         QByteArray("\xFF\x2F\x00", 3);
}
const QByteArray kHeader = chunk("MThd", QByteArray("\x00\x00\x00\x01\x00\x60", 6));
}  // namespace

TEST(MidiChunkLengths, LengthsPastTheDataAreRefused) {
  const QByteArray track = oneSecond();
  // The well-formed file, to show that what fails below fails by its lengths alone.
  ASSERT_EQ(MidiFile::lengthMs(kHeader + chunk("MTrk", track)), 1000);
  const struct {
    const char* what;
    QByteArray bytes;
  } bad[] = {
      // The track's length claims more than the file holds, though the track itself ends
      // properly within the bytes present.
      {"one byte over", kHeader + chunk("MTrk", track, 1)},
      {"eight bytes over", kHeader + chunk("MTrk", track, 8)},
      {"sixteen bytes over", kHeader + chunk("MTrk", track, 16)},
      {"a huge length", kHeader + chunk("MTrk", track, qint64(0xFFFFFFF0u) - track.size())},
      {"the largest length", kHeader + chunk("MTrk", track, qint64(0xFFFFFFFFu) - track.size())},
      // An unknown chunk that claims more than there is, before the track.
      {"an oversized unknown chunk", kHeader + chunk("XYZW", "abc", 100) + chunk("MTrk", track)},
      // The header's own length past the end.
      {"an oversized header", chunk("MThd", QByteArray("\x00\x00\x00\x01\x00\x60", 6), 200) + chunk("MTrk", track)},
      // Cut inside the track: the last event and the end of the track are missing.
      {"a file cut short", (kHeader + chunk("MTrk", track)).chopped(4)},
      {"a file cut in the chunk's length", (kHeader + chunk("MTrk", track)).left(kHeader.size() + 6)},
      // A track whose events run past its own (correct) length into the next chunk, which
      // would end it well if read on: a meta event, a system exclusive message, a note.
      {"a meta event past its chunk",
       kHeader + chunk("MTrk", midiVlq(0) + QByteArray("\xFF\x01\x05", 3)) + chunk("XYZW", "abcde" + track)},
      {"a system message past its chunk",
       kHeader + chunk("MTrk", midiVlq(0) + QByteArray("\xF0\x05", 2)) + chunk("XYZW", "abcde" + track)},
      {"a note past its chunk", kHeader + chunk("MTrk", midiVlq(0) + QByteArray("\x90\x3C", 2)) + chunk("XYZW", track)},
      // Two tracks announced, the second one's length past the end.
      {"a second track over",
       chunk("MThd", QByteArray("\x00\x01\x00\x02\x00\x60", 6)) + chunk("MTrk", track) + chunk("MTrk", track, 3)},
  };
  for (const auto& b : bad) EXPECT_FALSE(MidiFile::lengthMs(b.bytes).has_value()) << b.what;
  // A chunk that ends exactly at the end of the file is whole.
  const QByteArray two = chunk("MThd", QByteArray("\x00\x01\x00\x02\x00\x60", 6)) + chunk("MTrk", track) +
                         chunk("XYZW", "ab") + chunk("MTrk", track);
  EXPECT_EQ(MidiFile::lengthMs(two), 1000);
}
