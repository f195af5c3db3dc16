// The master volume of the computer's default sound output.
#pragma once

#include <QList>
#include <optional>

namespace orvane {

class SystemVolume {
 public:
  virtual ~SystemVolume() = default;
  // Sets the default output to a percentage (0..100, clamped). False when there is no sound
  // server or it refused; never throws and never waits longer than its time limit.
  virtual bool setVolume(int percent) = 0;
  // The default output's volume in percent (the loudest channel), or nothing.
  virtual std::optional<int> volume() = 0;
};

// A fake that records the requests, for tests of the code that decides what to set.
class RecordingSystemVolume : public SystemVolume {
 public:
  bool setVolume(int percent) override {
    requests.append(percent);
    if (!available) return false;
    current = qBound(0, percent, 100);
    return true;
  }
  std::optional<int> volume() override { return available ? std::optional<int>(current) : std::nullopt; }
  QList<int> requests;
  int current = 100;
  bool available = true;
};

}  // namespace orvane
