// A stand-in for the entry runner and the dispatcher's host that only notes when each entry
// was started, for the benchmarks that measure the tick's punctuality.
#pragma once

#include <QDate>
#include <QDateTime>
#include <map>
#include <vector>

#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/mainstate.h"

namespace bench {

struct StartTimes : EntryRunner, DispatcherHost {
  MainState* s = nullptr;
  std::map<int, std::vector<qint64>> calls;  // entry id -> wall ms of each start call
  void StartEntry(int i, EntryMode) override {
    calls[s->todayentries[std::size_t(i)].id].push_back(QDateTime::currentMSecsSinceEpoch());
  }
  void EndEntry(int, EntryMode) override {}
  void StopAll() override {}
  bool MainChannelBusy() const override { return false; }
  bool SomethingPlaying() const override { return false; }
  void showClock(const QString&) override {}
  void newDay(const QDate& day) override { s->programmeday = day; }
  void ShutdownPC() override {}
  void RebootPC() override {}
};

}  // namespace bench
