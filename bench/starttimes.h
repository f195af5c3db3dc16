// A stand-in for the entry runner and the dispatcher's host that only notes when each entry
// was started, for the benchmarks that measure the tick's punctuality.
#pragma once

#include <QDateTime>
#include <map>
#include <vector>

#include "tests/support/countingrunner.h"

namespace bench {

struct StartTimes : CountingRunner {
  std::map<int, std::vector<qint64>> calls;  // entry id -> wall ms of each start call
  void StartEntry(int i, EntryMode mode) override {
    CountingRunner::StartEntry(i, mode);
    calls[s->todayentries[std::size_t(i)].id].push_back(QDateTime::currentMSecsSinceEpoch());
  }
};

}  // namespace bench
