// MIDI files rendered to wave files with a General MIDI soundfont, so the players can play
// them like any other sound file. Renderings are kept for the life of the program.
#pragma once

#include <QHash>
#include <QStringList>
#include <QString>
#include <QTemporaryDir>

namespace orvane {

class MidiRenderer {
 public:
  // Debian's General MIDI soundfonts, the preferred first.
  static QStringList debianSoundfonts();
  // The soundfont is the first of the candidates that exists; with none, rendering fails.
  explicit MidiRenderer(const QStringList& candidates = debianSoundfonts());

  struct Result {
    bool ok = false;
    QString wavPath;
    qint64 lengthMs = 0;
    QString message;
  };
  // Renders the file (or returns the earlier rendering of the same unchanged file). Gives
  // up when rendering takes longer than timeoutMs.
  Result render(const QString& midiPath, int timeoutMs);

  const QString& soundfont() const { return soundfont_; }
  static constexpr int kSampleRate = 44100;

 private:
  QString soundfont_;
  QTemporaryDir dir_;
  QHash<QString, Result> done_;  // by path, size and modification time
};

}  // namespace orvane
