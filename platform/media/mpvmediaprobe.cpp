// Length probe.
#include "platform/media/mpvmediaprobe.h"

#include <QDebug>

#include "platform/media/midirenderer.h"
#include "platform/media/mpvhandle.h"

namespace orvane {

MpvMediaProbe::MpvMediaProbe(std::shared_ptr<MidiRenderer> midi) : midi_(std::move(midi)) {}

MpvMediaProbe::~MpvMediaProbe() = default;

std::optional<qint64> MpvMediaProbe::lengthMs(const QString& path, int timeoutMs) {
  // A MIDI file is measured from its own tempo map; nothing needs to be rendered.
  if (MidiRenderer::isMidiFile(path)) return midi_ ? midi_->lengthMs(path) : std::nullopt;
  if (!mpv_) {
    // Made on first use: nothing of it sounds, and it never holds an audio device.
    MpvSettings silent;
    silent.audioOutput = "null";
    silent.silentFallback = false;
    mpv_ = std::make_unique<MpvHandle>(silent, QList<QPair<QByteArray, QByteArray>>{{"vid", "no"}, {"vo", "null"}});
    if (!mpv_->ok()) qWarning().noquote() << "media probe:" << mpv_->error();
  }
  if (!mpv_->ok()) return std::nullopt;
  const MpvHandle::Loaded loaded = mpv_->load(path, timeoutMs);
  mpv_->command({"stop"});
  if (!loaded.ok) return std::nullopt;
  return loaded.lengthMs;
}

}  // namespace orvane
