// A stand-in for the entry runner and the dispatcher's host that counts the entries started
// and ended, keeps nothing else, and takes each new day as the programme's: for tests and
// benchmarks that drive the dispatcher without windows or sound.
#pragma once

#include <QDate>

#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/mainstate.h"

struct CountingRunner : EntryRunner, DispatcherHost {
  MainState* s = nullptr;
  int starts = 0, ends = 0;
  void StartEntry(int, EntryMode) override { ++starts; }
  void EndEntry(int, EntryMode) override { ++ends; }
  void StopAll() override {}
  bool MainChannelBusy() const override { return false; }
  bool SomethingPlaying() const override { return false; }
  void showClock(const QString&) override {}
  void newDay(const QDate& day) override { s->programmeday = day; }
  void ShutdownPC() override {}
  void RebootPC() override {}
};
