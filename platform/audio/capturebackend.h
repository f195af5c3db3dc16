// The sound-input service: lists the capture sources and opens one in a requested format.
// One process-wide backend is current; tests install a fake in its place.
#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "platform/audio/capturestream.h"

namespace orvane::audio {

struct CaptureSource {
  QString name;         // the server's key for the source
  QString description;  // what an operator reads in a list
};

class CaptureBackend {
 public:
  virtual ~CaptureBackend() = default;

  // Every capture source, in the server's order. ok (when given) is false when the service
  // could not be asked (no server); the list is then empty and error says why.
  virtual QList<CaptureSource> sources(bool* ok = nullptr, QString* error = nullptr) = 0;
  // The number of playback devices (sinks); -1 when the service could not be asked.
  virtual int sinkCount() = 0;
  // Opens source number index (in the order of sources()) in the given format and starts
  // capturing at once. nullptr on failure, with the reason in error.
  virtual std::unique_ptr<CaptureStream> open(int index, const CaptureFormat& format, QString* error) = 0;
};

// The current backend: the PulseAudio one unless another was installed.
CaptureBackend& captureBackend();
// Installs a backend (not owned; nullptr restores PulseAudio). Meant for tests and for
// start-up, never while a capture is open.
void setCaptureBackend(CaptureBackend* backend);
// Counts up by one every time setCaptureBackend is called, so that callers caching what a
// backend said can tell that it was replaced.
int captureBackendGeneration();

}  // namespace orvane::audio
