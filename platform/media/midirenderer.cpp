// MIDI rendering with libfluidsynth.
#include "platform/media/midirenderer.h"

#include <fluidsynth.h>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

namespace orvane {

namespace {

// libfluidsynth prints to the terminal by default; the program reports failures itself.
void quietFluidsynth() {
  static const bool once = [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
    return true;
  }();
  (void)once;
}

// Owns the libfluidsynth objects of one rendering.
struct Synth {
  fluid_settings_t* settings = new_fluid_settings();
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  fluid_file_renderer_t* renderer = nullptr;
  ~Synth() {
    if (renderer) delete_fluid_file_renderer(renderer);
    if (player) delete_fluid_player(player);
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};
}  // namespace

QStringList MidiRenderer::debianSoundfonts() {
  return {QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"), QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
          QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2")};
}

MidiRenderer::MidiRenderer(const QStringList& candidates) {
  for (const QString& f : candidates)
    if (QFileInfo(f).isFile()) {
      soundfont_ = QFileInfo(f).canonicalFilePath();
      return;
    }
}

MidiRenderer::Result MidiRenderer::render(const QString& midiPath, int timeoutMs) {
  Result r;
  const QFileInfo info(midiPath);
  if (!info.isFile()) {
    r.message = QStringLiteral("no such file");
    return r;
  }
  const QString key = info.absoluteFilePath() + QLatin1Char('|') + QString::number(info.size()) + QLatin1Char('|') +
                      QString::number(info.lastModified().toMSecsSinceEpoch());
  if (auto it = done_.constFind(key); it != done_.constEnd()) return *it;
  if (soundfont_.isEmpty()) {
    r.message = QStringLiteral("no General MIDI soundfont is installed");
    return r;
  }
  if (!dir_.isValid()) {
    r.message = QStringLiteral("no temporary folder for the rendering");
    return r;
  }
  const QByteArray midi = QFile::encodeName(info.absoluteFilePath());
  if (!fluid_is_midifile(midi.constData())) {
    r.message = QStringLiteral("not a MIDI file");
    return r;
  }
  quietFluidsynth();
  const QString wav = dir_.filePath(QStringLiteral("midi%1.wav").arg(done_.size() + 1));
  const QByteArray wavName = QFile::encodeName(wav);
  QDeadlineTimer deadline(timeoutMs);
  {
    Synth s;
    fluid_settings_setstr(s.settings, "audio.file.name", wavName.constData());
    fluid_settings_setstr(s.settings, "audio.file.type", "wav");
    fluid_settings_setstr(s.settings, "player.timing-source", "sample");
    fluid_settings_setint(s.settings, "synth.lock-memory", 0);
    fluid_settings_setnum(s.settings, "synth.sample-rate", kSampleRate);
    s.synth = new_fluid_synth(s.settings);
    if (!s.synth || fluid_synth_sfload(s.synth, QFile::encodeName(soundfont_).constData(), 1) == FLUID_FAILED) {
      r.message = QStringLiteral("the soundfont %1 cannot be loaded").arg(soundfont_);
      return r;
    }
    s.player = new_fluid_player(s.synth);
    if (!s.player || fluid_player_add(s.player, midi.constData()) != FLUID_OK || fluid_player_play(s.player) != FLUID_OK) {
      r.message = QStringLiteral("the MIDI file cannot be read");
      return r;
    }
    s.renderer = new_fluid_file_renderer(s.synth);
    if (!s.renderer) {
      r.message = QStringLiteral("cannot write %1").arg(wav);
      return r;
    }
    int period = 64;
    fluid_settings_getint(s.settings, "audio.period-size", &period);
    qint64 frames = 0;
    int blocks = 0;
    // The player reports its end once the last notes have rung out.
    while (fluid_player_get_status(s.player) == FLUID_PLAYER_PLAYING) {
      if (fluid_file_renderer_process_block(s.renderer) != FLUID_OK) break;
      frames += period;
      if (++blocks % 256 == 0 && deadline.hasExpired()) {
        r.message = QStringLiteral("rendering took longer than %1 ms").arg(timeoutMs);
        break;
      }
    }
    r.lengthMs = frames * 1000 / kSampleRate;
  }  // the renderer closes the wave file here
  if (!r.message.isEmpty()) {
    QFile::remove(wav);
    return r;
  }
  r.ok = true;
  r.wavPath = wav;
  done_.insert(key, r);
  return r;
}

}  // namespace orvane
