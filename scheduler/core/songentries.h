// Song entries (kinds 1 single song, 2 folder, 3 song list) on the main or the second
// channel: which entry owns each channel, the start and end of an entry, the fade-out at the
// end, and the stop of a song entry with its status and end-of-day steps.
#pragma once

#include <QObject>
#include <random>

#include "scheduler/core/entrykindhandler.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/secondchannel.h"
#include "scheduler/core/soundoutputnotice.h"

class Clock;
class ProgrammeView;
class TDataModule1;
class TodayProgramme;

class SongEntries : public QObject, public EntryKindHandler {
  Q_OBJECT
 public:
  SongEntries(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today,
              orvane::MediaBackend* media, QObject* parent = nullptr);

  // Where the entry line ("正在播放节目<...>中的歌曲：") goes.
  void setView(ProgrammeView* v) { view_ = v; }
  MainChannel& main() { return main_; }
  SecondChannel& second() { return second_; }
  SoundOutputNotice& soundNotice() { return sound_; }
  // Random orders come from one generator, seeded from the clock; tests seed it.
  void seed(unsigned value) { random_.seed(value); }

  // The stream players of both channels (the ".MP3" fallback): made at start when allowed,
  // freed at close. False when the media layer could not make them.
  bool CreateStreams();
  void FreeStreams();

  void StartKind(int index, const rjmb& entry, EntryMode mode) override;
  void EndKind(int index, const rjmb& entry, EntryMode mode) override;
  void PrepareKind(const rjmb& entry) override;
  void StopKind() override;
  bool Sounding() const override { return main_.busy(); }
  bool MainChannelBusy() const override { return main_.busy(); }
  // Both channels' playing players pause where they are, and play on afterwards.
  bool HoldForInsertion() override;
  bool ResumeAfterInsertion() override;

  // Ends a song entry on its channel. Only the entry that owns the channel stops it; any
  // entry's status and the end-of-day steps are written in automatic play.
  void StopSongEntry(int index, EntryMode mode);
  // The song panel's stop button: both channels' players stop, the lists stay.
  void SpeedButton1Click();


  // The id of the entry that owns a channel, 0 for none.
  qint64 mainOwner() const { return mainOwner_.id; }
  qint64 secondOwner() const { return secondOwner_.id; }

  static bool onSecondChannel(const rjmb& e) { return e.mainchannel == kSecondChannel; }
  static bool fades(const MainState& s, const rjmb& e);

 private:
  struct Owner {
    qint64 id = 0;
    EntryMode mode = EntryMode::Auto;
  };
  // A new entry takes a channel from an older one that still held it: the older entry has
  // stopped sounding, so its status is written now.
  void takeChannel(Owner& owner, const rjmb& entry, EntryMode mode);
  void markPlayed(qint64 id);

  TDataModule1& dm_;
  MainState& s_;
  TodayProgramme& today_;
  ProgrammeView* view_ = nullptr;
  std::mt19937 random_;
  MainChannel main_;
  SecondChannel second_;
  SoundOutputNotice sound_;
  Owner mainOwner_;
  Owner secondOwner_;
};
