// Setting the clock from the network once at start-up, silently: fetch, then shift without
// asking anyone, then log. Nothing waits for it; it deletes itself when done.
#pragma once

#include <QObject>
#include <QUrl>

#include "scheduler/core/nettime.h"

namespace orvane {
class ClockControl;
}

class Tsetnettime : public QObject {
  Q_OBJECT
 public:
  // The parent (the main window) takes it along should it go first.
  explicit Tsetnettime(orvane::ClockControl& clock, QObject* parent = nullptr, QUrl url = NetTimeUrl());
  // Starts the run; the object is gone once it ended (finished() is emitted just before).
  void Execute();
  NetTime& net() { return net_; }

 signals:
  void finished(NetTimeOutcome outcome);

 private:
  orvane::ClockControl& clock_;
  NetTime net_;
};
