// Reading a Standard MIDI File far enough to know how long it plays: its tracks' last events
// and its tempo map.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvane {

class MidiFile {
 public:
  // Milliseconds from the start to the last event of any track; nothing for a file that is
  // missing or is not a well-formed MIDI file.
  static std::optional<qint64> lengthMs(const QString& path);
  static std::optional<qint64> lengthMs(const QByteArray& bytes);
};

}  // namespace orvane
