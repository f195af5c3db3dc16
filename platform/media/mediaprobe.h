// Reading the playing length of a sound or video file without playing it.
#pragma once

#include <QString>
#include <optional>

namespace orvane {

class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  // The file's length in milliseconds, or nothing when it cannot be opened within the time
  // limit (a missing, unplayable or hanging file). Never spins the interface's event loop.
  virtual std::optional<qint64> lengthMs(const QString& path, int timeoutMs = 3000) = 0;
};

}  // namespace orvane
