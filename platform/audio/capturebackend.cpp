// The process-wide choice of capture backend.
#include "platform/audio/capturebackend.h"

#include <atomic>

#include "platform/audio/pulsecapture.h"

namespace orvane::audio {

namespace {
std::atomic<CaptureBackend*> installed{nullptr};
std::atomic<int> generation{0};
}  // namespace

CaptureBackend& captureBackend() {
  if (CaptureBackend* b = installed.load()) return *b;
  static PulseCapture pulse;
  return pulse;
}

void setCaptureBackend(CaptureBackend* backend) {
  installed.store(backend);
  ++generation;
}

int captureBackendGeneration() { return generation.load(); }

}  // namespace orvane::audio
