// Starting and ending today's entries: the steps every kind shares (current entry, status,
// log, grid), then the kind's own handler. The dispatcher, the catch-up and the main
// window's commands all come through here.
#pragma once

#include <array>
#include <functional>

#include "scheduler/core/entrykindhandler.h"
#include "scheduler/core/entryrunner.h"

class Clock;
class TDataModule1;
class TodayProgramme;

class BroadcastRunner : public EntryRunner {
 public:
  BroadcastRunner(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today);

  // The handler of a kind (1..7); one handler may serve several kinds.
  void setHandler(int kind, EntryKindHandler* handler);
  EntryKindHandler* handler(int kind) const;
  // Runs after every handler has stopped: the window tidies what it shows.
  void onStopAll(std::function<void()> f) { onStopAll_ = std::move(f); }

  void StartEntry(int index, EntryMode mode) override;
  // An entry that was under way when the program started itself again in place goes on:
  // started as by the clock, logged as taken up (its songs are no new songs).
  void TakeUpEntry(int index);
  void EndEntry(int index, EntryMode mode) override;
  void PrepareEntry(int index) override;
  void StopAll() override;
  bool MainChannelBusy() const override;
  bool SomethingPlaying() const override;
  // A manual insertion: every kind holds what it is sounding; true when anything was held.
  bool HoldForInsertion();
  // Every kind carries on with what it still holds; true when anything sounds again.
  bool ResumeAfterInsertion();

 private:
  // Each handler once, however many kinds it serves.
  template <typename F>
  void forEachHandler(F&& f) const;
  void start(int index, EntryMode mode, bool takenUp);

  TDataModule1& dm_;
  MainState& s_;
  const Clock& clock_;
  TodayProgramme& today_;
  std::array<EntryKindHandler*, 8> handlers_{};
  std::function<void()> onStopAll_;
};
