// External program entries (kind 7): the program starts at the entry's start and every
// process of its file name ends at the entry's end.
#pragma once

#include "scheduler/core/entrykindhandler.h"

namespace orvane {
class ProgramLauncher;
}
class MainChannel;
class ProgrammeView;
class TodayProgramme;

class ProgramEntries : public EntryKindHandler {
 public:
  ProgramEntries(TodayProgramme& today, MainChannel& main, orvane::ProgramLauncher* launcher);
  void setView(ProgrammeView* v) { view_ = v; }

  void StartKind(int index, const rjmb& entry, EntryMode mode) override;
  void EndKind(int index, const rjmb& entry, EntryMode mode) override;
  // A program runs on by itself: stopping the broadcast does not end it.
  void StopKind() override {}
  bool Sounding() const override { return false; }
  // Nor does an insertion hold it.
  bool HoldForInsertion() override { return false; }
  bool ResumeAfterInsertion() override { return false; }

  // Ends the program's processes (the groups started for it first).
  void KillProcess(const QString& fileName);

 private:
  TodayProgramme& today_;
  MainChannel& main_;
  orvane::ProgramLauncher* launcher_;
  ProgrammeView* view_ = nullptr;
};
