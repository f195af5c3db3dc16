// The system volume over PulseAudio: the server's default sink.
#pragma once

#include "platform/audio/systemvolume.h"

namespace orvane {

class PulseSystemVolume : public SystemVolume {
 public:
  // Every call connects, acts and disconnects within timeoutMs. The server is the one
  // libpulse finds (PULSE_SERVER when set); a missing server is never started.
  explicit PulseSystemVolume(int timeoutMs = 2000) : timeoutMs_(timeoutMs) {}
  bool setVolume(int percent) override;
  std::optional<int> volume() override;

 private:
  int timeoutMs_;
};

}  // namespace orvane
