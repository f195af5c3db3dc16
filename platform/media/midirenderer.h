// MIDI files played through a General MIDI soundfont: each one is rendered while it plays
// into a stream of wave data that the players read like any other sound file.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace orvane {

class MidiStream;

class MidiRenderer {
 public:
  // Debian's General MIDI soundfonts, the preferred first.
  static QStringList debianSoundfonts();
  // The soundfont is the first of the candidates that exists; with none, MIDI files fail.
  explicit MidiRenderer(const QStringList& candidates = debianSoundfonts());

  // Starts rendering a MIDI file; null (and why) when there is no soundfont or the file is
  // not a readable MIDI file.
  std::unique_ptr<MidiStream> start(const QString& midiPath, QString* error) const;
  // How long the file plays; nothing when it cannot be played.
  std::optional<qint64> lengthMs(const QString& midiPath) const;

  const QString& soundfont() const { return soundfont_; }
  static bool isMidiFile(const QString& path);
  static constexpr int kSampleRate = 44100;

 private:
  QString soundfont_;
};

}  // namespace orvane
