// What today's programme and the dispatcher need from the code that turns entries into sound.
#pragma once

#include "scheduler/core/broadcastlog.h"

class EntryRunner {
 public:
  virtual ~EntryRunner() = default;
  // Starts or ends the entry at an index of today's entries.
  virtual void StartEntry(int index, EntryMode mode) = 0;
  virtual void EndEntry(int index, EntryMode mode) = 0;
  // The entry at an index starts in the next second: its output may get ready.
  virtual void PrepareEntry(int index) { (void)index; }
  // Stops every output of both channels.
  virtual void StopAll() = 0;
  // The main channel's song list holds songs.
  virtual bool MainChannelBusy() const = 0;
  // Something is sounding: a song list, a text being read, a radio address or a web page.
  virtual bool SomethingPlaying() const = 0;
};
