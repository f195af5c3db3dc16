// Song entries.
#include "scheduler/core/songentries.h"

#include <QDateTime>
#include <random>

#include "platform/media/mediachannel.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/todayprogramme.h"

namespace {
// Fades need a song entry this long, in seconds.
constexpr int kFadeMinimumSeconds = 50;

unsigned clockSeed(const Clock& clock) {
  return unsigned(clock.now().toMSecsSinceEpoch()) ^ std::random_device{}();
}
}  // namespace

SongEntries::SongEntries(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today,
                         orvane::MediaBackend* media, QObject* parent)
    : QObject(parent),
      dm_(dm),
      s_(state),
      today_(today),
      random_(clockSeed(clock)),
      main_(state, dm, clock, media, random_),
      second_(state, clock, media, main_, random_),
      sound_(state, clock) {
  connect(&main_, &MainChannel::fadeOutDone, this, [this](int index) { StopSongEntry(index, EntryMode::Auto); });
  sound_.watch(main_.player());
  sound_.watch(second_.player());
}

bool SongEntries::fades(const MainState& s, const rjmb& e) {
  return s.fadeenabled && TimeToSeconds(e.tlength) > kFadeMinimumSeconds;
}

bool SongEntries::CreateStreams() {
  const bool mainOk = main_.CreateStream();
  const bool secondOk = second_.CreateStream();
  sound_.watch(main_.stream());
  sound_.watch(second_.stream());
  return mainOk && secondOk;
}

void SongEntries::FreeStreams() {
  main_.FreeStream();
  second_.FreeStream();
}

void SongEntries::markPlayed(qint64 id) {
  today_.WriteStatus(id, QStringLiteral("已播"), true);
}

void SongEntries::takeChannel(Owner& owner, const rjmb& entry, EntryMode mode) {
  if (owner.id != 0 && owner.id != entry.id && owner.mode == EntryMode::Auto) markPlayed(owner.id);
  owner = {entry.id, mode};
}

void SongEntries::StartKind(int, const rjmb& e, EntryMode mode) {
  s_.channelname = e.mainchannel;
  if (onSecondChannel(e)) {
    takeChannel(secondOwner_, e, mode);
    second_.StartSongs(e, mode);
    return;
  }
  // A fade-out of the entry before must not reach this one: starting cancels it.
  main_.CancelFades();
  takeChannel(mainOwner_, e, mode);
  if (view_)
    view_->setNextEntryLabel((mode == EntryMode::TryPlay ? QStringLiteral("正在试播节目<") : QStringLiteral("正在播放节目<")) +
                             e.pname + QStringLiteral(">中的歌曲："));
  // A song taken up goes on at its level: it does not fade in again.
  main_.StartSongs(e, fades(s_, e) && !s_.takingup);
}

void SongEntries::PrepareKind(const rjmb& e) {
  // A single song on the idle main channel; lists and folders are chosen at their start.
  if (e.jmlx == 1 && !onSecondChannel(e) && mainOwner_.id == 0) main_.Prepare(e.slpath.trimmed());
}

void SongEntries::EndKind(int index, const rjmb& e, EntryMode mode) {
  // A song held by an insertion is silent already: there is nothing to fade.
  if (mode == EntryMode::Auto && !onSecondChannel(e) && fades(s_, e) && mainOwner_.id == e.id && !main_.held()) {
    main_.StartFadeOut(index);  // ends in StopSongEntry four seconds later
    return;
  }
  StopSongEntry(index, mode);
}

void SongEntries::StopSongEntry(int index, EntryMode mode) {
  if (index < 0 || index >= int(s_.todayentries.size())) return;
  const rjmb e = s_.todayentries[std::size_t(index)];
  if (mode == EntryMode::Auto) {
    markPlayed(e.id);
    if (!s_.textshown) today_.ArmEndShutdown(&e);
  }
  if (onSecondChannel(e)) {
    if (secondOwner_.id == e.id) {
      secondOwner_ = {};
      if (second_.busy()) {
        second_.StopSongs();
        // The main channel keeps its stop button while it plays, on either player.
        main_.showStopButton(main_.holdsFile());
      }
    }
  } else if (mainOwner_.id == e.id) {
    mainOwner_ = {};
    if (main_.busy()) {
      main_.StopSongs();
      // The second channel keeps its stop button while it plays.
      main_.showStopButton(second_.holdsFile());
      if (view_) view_->setNextEntryLabel({});
    }
  }
  today_.ShowNextEntry();
}

bool SongEntries::HoldForInsertion() {
  const bool mainHeld = main_.Hold();
  const bool secondHeld = second_.Hold();
  return mainHeld || secondHeld;
}

bool SongEntries::ResumeAfterInsertion() {
  const bool mainResumed = main_.Resume();
  const bool secondResumed = second_.Resume();
  return mainResumed || secondResumed;
}

void SongEntries::StopKind() {
  main_.StopSongs();
  second_.StopSongs();
  mainOwner_ = secondOwner_ = {};
  if (view_) view_->setNextEntryLabel({});
}

void SongEntries::SpeedButton1Click() {
  main_.StopPlayers();
  second_.StopPlayers();
}
