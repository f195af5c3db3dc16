// The paging timer on a QTimer.
#pragma once

#include <QTimer>

#include "controls/pagetimer.h"

namespace orvane::controls {

class QtPageTimer : public PageTimer {
 public:
  explicit QtPageTimer(int intervalMs);
  void SetEnabled(bool enabled) override;
  bool Enabled() const override;
  void SetInterval(int ms) override;
  int Interval() const override;

 private:
  QTimer timer_;
};

}  // namespace orvane::controls
