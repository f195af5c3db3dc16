// The paging timer on a QTimer.
#include "controls/qtpagetimer.h"

namespace orvane::controls {

QtPageTimer::QtPageTimer(int intervalMs) {
  timer_.setInterval(intervalMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (OnTimer) OnTimer();
  });
}

void QtPageTimer::SetEnabled(bool enabled) {
  if (enabled && !timer_.isActive()) timer_.start();
  else if (!enabled) timer_.stop();
}

bool QtPageTimer::Enabled() const { return timer_.isActive(); }

// A changed interval restarts a running timer (QTimer does that itself); the same one does not.
void QtPageTimer::SetInterval(int ms) {
  if (ms != timer_.interval()) timer_.setInterval(ms);
}

int QtPageTimer::Interval() const { return timer_.interval(); }

}  // namespace orvane::controls
