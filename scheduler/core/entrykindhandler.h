// The output of one or more entry kinds (songs, a text read aloud, a radio address, a web
// radio page, a program): what starting and ending such an entry does beyond the steps every
// kind shares, which the broadcast runner performs.
#pragma once

#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/mainstate.h"

class EntryKindHandler {
 public:
  virtual ~EntryKindHandler() = default;
  // Called after the shared start steps (current id, status "正播", log line, grid row).
  virtual void StartKind(int index, const rjmb& entry, EntryMode mode) = 0;
  // Called after the shared end steps (current id cleared, status of kinds 4..7, log line);
  // performs the kind's own end, including its own status and end-of-day steps.
  virtual void EndKind(int index, const rjmb& entry, EntryMode mode) = 0;
  // A second before the entry's start in automatic play: what can be made ready ahead
  // without a sound (a file opened, paused) is, so the start itself is quick.
  virtual void PrepareKind(const rjmb& entry) { (void)entry; }
  // Stops every output of the kind at once (a reload of the day, a trial, the operator).
  virtual void StopKind() = 0;
  // The kind is sounding: counts for the next-entry line and the catch-up.
  virtual bool Sounding() const = 0;
  // The main channel's song list holds songs.
  virtual bool MainChannelBusy() const { return false; }
  // A manual insertion holds what the kind is sounding, where it is; true when it held
  // anything. What is already silent (paused by the operator, played to its end) is left.
  virtual bool HoldForInsertion() = 0;
  // Carries on with what the insertion held, if it is still held (an end or a reload may
  // have stopped it meanwhile); true when something sounds again.
  virtual bool ResumeAfterInsertion() = 0;
};
