// The main channel: its song list, the media player with the stream player as the ".MP3"
// fallback, the play modes, the 4-second fades, ducking under the second channel or a text,
// the position display and the volume slider. Plain state; the window shows it.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "scheduler/core/channelhold.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/carriedstate.h"
#include "scheduler/core/mainstate.h"

namespace orvane {
class MediaBackend;
class MediaChannel;
}  // namespace orvane
class Clock;
class TDataModule1;
class VideoHandOff;

class MainChannel : public QObject {
  Q_OBJECT
 public:
  MainChannel(MainState& state, TDataModule1& dm, const Clock& clock, orvane::MediaBackend* media,
              std::mt19937& random, QObject* parent = nullptr);
  ~MainChannel() override;

  // The stream player exists only while the fallback is allowed (made at start, freed at close).
  bool CreateStream();
  void FreeStream();
  void setVideoHandOff(VideoHandOff* v) { video_ = v; }

  // The song list (paths; the names shown are derived from them).
  void LoadPlaylistFile(const QString& path);
  void ScanMusicFolder(const QString& folder, bool recursive);
  void ClearSongs();
  const QStringList& songs() const { return songs_; }
  QStringList names() const;
  int selected() const { return selected_; }
  // The operator picks a song in the list (it becomes the point the play modes go on from).
  void selectSong(int index);
  bool busy() const { return !songs_.isEmpty(); }
  // A random order of 0..n-1 for the random play modes.
  void MakeShuffle(int n);
  const QStringList& shufflelist() const { return shufflelist_; }
  int shufflepos() const { return shufflepos_; }
  const QString& playmode() const { return playmode_; }

  // 0 failed, 1 playing on the media player, 2 playing on the stream player.
  int PlayMainFile(bool fadein, const QString& file);
  // Chooses and plays the next song by the play mode after a song has ended.
  void NextMainSong();
  // The main-channel part of a song entry's start: the list, the first song, the volume.
  void StartSongs(const rjmb& entry, bool fadein);
  // The next start of an entry takes up a song under way (the program started itself again):
  // `file`, at `song` in the list or wherever the list holds it, opened at `ms` and without a
  // fade-in, never heard from its start. A list without the file starts as usual.
  void TakeUpAt(const CarriedState::Song& song) { takeUp_ = song; }
  // While it lives, the players open a song taken up at its place (no file: nothing changes);
  // both channels' starts use it.
  class OpenAtPlace {
   public:
    OpenAtPlace(std::initializer_list<orvane::MediaChannel*> players, const QString& file, qint64 ms);
    ~OpenAtPlace();
    OpenAtPlace(const OpenAtPlace&) = delete;
    OpenAtPlace& operator=(const OpenAtPlace&) = delete;

   private:
    std::vector<orvane::MediaChannel*> players_;
  };
  // The channel lets go of its songs: players closed, list and song panel cleared. A file
  // prepared for the start under way (keep) stays open.
  void StopSongs(const QString& keep = {});
  // A second before an entry's start, while the channel is idle: opens the entry's file,
  // paused, so that its start only has to play it. Not for pictures (their window must be
  // chosen at the start). Anything else the channel does lets it go.
  void Prepare(const QString& file);
  const QString& prepared() const { return prepared_; }
  // The stop button: players closed and the panel emptied, the list kept.
  void StopPlayers();
  // A manual insertion: the player that is playing (media or stream player) pauses where it
  // is; true when one did. Resume plays on whatever is still paused from the hold; anything
  // that closes the players lets go of the hold.
  bool Hold();
  bool Resume();
  bool held() const { return hold_.any(); }
  // Shows the video window for a video file, or closes it for anything else.
  void ApplyVideoRule(const QString& file, orvane::MediaChannel& player);
  void CloseVideo();

  // The song before (direction < 0) or after the selected one plays at once; at either end
  // of the list the limit is shown instead. Nothing happens without a selection.
  void StepSong(int direction);

  // Event handlers.
  void MediaPlayer1Notify();
  void Timer_musicprocessTimer();
  void Timer_bassprocessTimer();
  void Timer_volupordownTimer();
  void ListBox5DblClick();
  void TrackBar2Change(int position);
  void FlatTrackBar1Change(int position);

  // Fades. A fade-out ends with fadeOutDone(index).
  void StartFadeOut(int index);
  void CancelFades();
  bool fadingOut() const { return fadeoutrunning_; }
  bool fadingIn() const { return fadeinrunning_; }
  int fadeoutstep() const { return fadeoutstep_; }
  int fadeinstep() const { return fadeinstep_; }

  // Ducking: lowered to the ducked level (never raised) while any reason holds.
  enum class DuckReason { SecondChannel = 1, Text = 2 };
  void Duck(DuckReason reason);
  void Unduck(DuckReason reason);
  bool ducked() const { return duckReasons_ != 0; }
  // The entry's volume (0..1000) becomes the slider's and the level to return to.
  void SetEntryVolume(int level);

  // What the song panel shows.
  const QString& songLine() const { return songLine_; }
  bool songLineItalic() const { return songLineItalic_; }
  void setSongLine(const QString& text) { songLine_ = text; emit panelChanged(); }
  const QString& nowText() const { return nowText_; }
  const QString& allText() const { return allText_; }
  qint64 trackMax() const { return trackMax_; }
  qint64 trackPosition() const { return trackPosition_; }
  bool trackShown() const { return trackShown_; }
  int sliderPosition() const { return slider_; }
  bool sliderShown() const { return sliderShown_; }
  QString sliderHint() const;
  bool stopButtonShown() const { return stopButtonShown_; }
  void showStopButton(bool shown);

  orvane::MediaChannel* player() const { return player_.get(); }
  orvane::MediaChannel* stream() const { return stream_.get(); }
  bool playerOpen() const;
  // A player of the channel (media or stream player) holds a file.
  bool holdsFile() const;

  QTimer Timer_musicprocess;
  QTimer Timer_bassprocess;
  QTimer Timer_volupordown;

  static constexpr int kAttemptsPerSong = 10;
  // An opening ahead ends at least this long before the second it is for, or is not tried.
  static constexpr int kPrepareMarginMs = 50;

 signals:
  void panelChanged();
  void listChanged();
  void fadeOutDone(int index);

 private:
  void select(int index);
  // Closes both players; the media player stays open when it holds the prepared `keep`.
  void closePlayers(const QString& keep = {});
  void applyLevel();
  int heardLevel() const;
  void setSlider(int position);
  void logSong(const QString& file, bool fallback);

  MainState& s_;
  TDataModule1& dm_;
  const Clock& clock_;
  orvane::MediaBackend* media_;
  std::mt19937& random_;
  VideoHandOff* video_ = nullptr;
  std::unique_ptr<orvane::MediaChannel> player_;  // "MediaPlayer1"
  std::unique_ptr<orvane::MediaChannel> stream_;  // "mainstream"

  QStringList songs_;
  int selected_ = -1;
  QStringList shufflelist_;
  int shufflepos_ = 0;
  QString playmode_;
  int playattempts_ = 0;
  std::optional<CarriedState::Song> takeUp_;
  bool sequenceDone_ = false;  // "顺序播放" went past its last song

  int fadeinstep_ = 0;
  int fadeoutstep_ = 0;
  bool fadeinrunning_ = false;
  bool fadeoutrunning_ = false;
  int fadeTag_ = -1;  // the entry fading out
  int duckReasons_ = 0;
  ChannelHold hold_;  // what an insertion paused
  QString prepared_;  // the file opened ahead of its start on the media player, paused

  QString songLine_;
  bool songLineItalic_ = false;
  QString nowText_;
  QString allText_;
  qint64 trackMax_ = 0;
  qint64 trackPosition_ = 0;
  bool trackShown_ = false;
  int slider_ = 1000;
  bool sliderShown_ = false;
  bool stopButtonShown_ = false;
};
