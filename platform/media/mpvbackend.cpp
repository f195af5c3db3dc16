// libmpv media layer.
#include "platform/media/mpvbackend.h"

#include "platform/media/midirenderer.h"
#include "platform/media/mpvchannel.h"

namespace orvane {

MpvBackend::MpvBackend(MpvSettings settings)
    : settings_(std::move(settings)), midi_(std::make_shared<MidiRenderer>()) {}

MpvBackend::~MpvBackend() = default;

std::unique_ptr<MediaChannel> MpvBackend::createChannel(ChannelKind kind) {
  auto channel = std::make_unique<MpvChannel>(kind, settings_, midi_);
  if (!channel->ok()) return nullptr;  // the reason is logged by the channel
  return channel;
}

}  // namespace orvane
