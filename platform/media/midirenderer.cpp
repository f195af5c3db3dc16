// MIDI through libfluidsynth.
#include "platform/media/midirenderer.h"

#include <fluidsynth.h>

#include <QFile>
#include <QFileInfo>

#include "platform/media/midifile.h"
#include "platform/media/midistream.h"

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
}  // namespace

QStringList MidiRenderer::debianSoundfonts() {
  return {QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"), QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
          QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2")};
}

MidiRenderer::MidiRenderer(const QStringList& candidates) {
  for (const QString& f : candidates)
    if (QFileInfo(f).isFile()) {
      soundfont_ = QFileInfo(f).canonicalFilePath();
      break;
    }
  quietFluidsynth();
}

bool MidiRenderer::isMidiFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("mid") || suffix == QLatin1String("midi") || suffix == QLatin1String("rmi");
}

std::optional<qint64> MidiRenderer::lengthMs(const QString& midiPath) const {
  if (soundfont_.isEmpty() || !fluid_is_midifile(QFile::encodeName(midiPath).constData())) return std::nullopt;
  return MidiFile::lengthMs(midiPath);
}

std::unique_ptr<MidiStream> MidiRenderer::start(const QString& midiPath, QString* error) const {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return nullptr;
  };
  if (soundfont_.isEmpty()) return fail(QStringLiteral("no General MIDI soundfont is installed"));
  if (!QFileInfo(midiPath).isFile()) return fail(QStringLiteral("no such file"));
  const std::optional<qint64> length = lengthMs(midiPath);
  if (!length) return fail(QStringLiteral("not a MIDI file"));
  auto stream = std::make_unique<MidiStream>(QFileInfo(midiPath).absoluteFilePath(), soundfont_, *length, kSampleRate);
  if (!stream->ok()) return fail(QStringLiteral("no stream for the rendering"));
  return stream;
}

}  // namespace orvane
