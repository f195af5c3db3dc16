// The capture backend over PulseAudio: sources by description, one stream per capture.
#pragma once

#include "platform/audio/capturebackend.h"

namespace orvane::audio {

class PulseCapture : public CaptureBackend {
 public:
  QList<CaptureSource> sources(bool* ok = nullptr, QString* error = nullptr) override;
  int sinkCount() override;
  std::unique_ptr<CaptureStream> open(int index, const CaptureFormat& format, QString* error) override;

  // Bounds of every wait on the server.
  static constexpr int kConnectTimeoutMs = 3000;
  static constexpr int kQueryTimeoutMs = 2000;
};

}  // namespace orvane::audio
