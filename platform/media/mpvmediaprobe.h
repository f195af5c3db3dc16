// The length probe over a silent libmpv player of its own.
#pragma once

#include <memory>

#include "platform/media/mediaprobe.h"

namespace orvane {

class MidiRenderer;
class MpvHandle;

class MpvMediaProbe : public MediaProbe {
 public:
  // MIDI files are measured from their tempo map, when the renderer can play them (without a
  // renderer they fail).
  explicit MpvMediaProbe(std::shared_ptr<MidiRenderer> midi = {});
  ~MpvMediaProbe() override;
  std::optional<qint64> lengthMs(const QString& path, int timeoutMs = 3000) override;

 private:
  std::unique_ptr<MpvHandle> mpv_;
  std::shared_ptr<MidiRenderer> midi_;
};

}  // namespace orvane
