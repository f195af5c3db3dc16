// The timer that repeats click paging on the flat track bar, as the bar sees it: tests drive a
// manual one, the program uses QtPageTimer.
#pragma once

#include <functional>

namespace orvane::controls {

// Behaves like the form library's timer: enabling an enabled timer changes nothing, a new
// interval restarts a running timer.
class PageTimer {
 public:
  virtual ~PageTimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetInterval(int ms) = 0;
  virtual int Interval() const = 0;

  std::function<void()> OnTimer;
};

}  // namespace orvane::controls
