// The program's media layer: channels over libmpv, sharing one MIDI renderer.
#pragma once

#include <memory>

#include "platform/media/mediachannel.h"
#include "platform/media/mpvhandle.h"

namespace orvane {

class MidiRenderer;

class MpvBackend : public MediaBackend {
 public:
  explicit MpvBackend(MpvSettings settings = MpvSettings::fromEnvironment());
  ~MpvBackend() override;
  std::unique_ptr<MediaChannel> createChannel(ChannelKind kind) override;
  std::shared_ptr<MidiRenderer> midi() const { return midi_; }

 private:
  MpvSettings settings_;
  std::shared_ptr<MidiRenderer> midi_;
};

}  // namespace orvane
