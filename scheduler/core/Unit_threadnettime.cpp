// Network time at start-up.
#include "scheduler/core/Unit_threadnettime.h"

#include <QDebug>

Tsetnettime::Tsetnettime(orvane::ClockControl& clock, QObject* parent, QUrl url)
    : QObject(parent), clock_(clock), net_(std::move(url), this) {
  connect(&net_, &NetTime::synced, this, [this](NetTimeOutcome outcome) {
    switch (outcome) {
      case NetTimeOutcome::Shifted: qInfo() << "network time at start: the clock was set"; break;
      case NetTimeOutcome::AlreadyRight: qInfo() << "network time at start: the clock was right"; break;
      case NetTimeOutcome::SyncEnabled: qInfo() << "network time at start: the system keeps its own time"; break;
      default: qWarning() << "network time at start: the clock was not set"; break;
    }
    emit finished(outcome);
    deleteLater();
  });
}

void Tsetnettime::Execute() { net_.SyncClock(clock_, false); }
