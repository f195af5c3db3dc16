// The second channel: its song list, its media player and stream player, the play modes
// without fades, and its one-line display. While it has songs the main channel is ducked.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <random>

#include "scheduler/core/channelhold.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/mainstate.h"

namespace orvane {
class MediaBackend;
class MediaChannel;
}  // namespace orvane
class Clock;

class SecondChannel : public QObject {
  Q_OBJECT
 public:
  SecondChannel(MainState& state, const Clock& clock, orvane::MediaBackend* media, MainChannel& main,
                std::mt19937& random, QObject* parent = nullptr);
  ~SecondChannel() override;

  bool CreateStream();
  void FreeStream();

  void ScanMusicFolder2(const QString& folder, bool recursive);
  const QStringList& songs() const { return songs_; }
  int selected() const { return selected_; }
  // Selects a song of the list without playing it (-1 for none or out of range).
  void selectSong(int index) { selected_ = index >= 0 && index < songs_.size() ? index : -1; }
  bool busy() const { return !songs_.isEmpty(); }
  // A player of the channel holds a file.
  bool holdsFile() const;
  const QString& playmode() const { return playmode_; }
  // An unbiased shuffle of the song list, in place.
  void ShuffleSongs();

  // 0 failed, 1 media player, 2 stream player.
  int PlaySecondFile(const QString& file);
  void NextSecondSong();
  // The second-channel part of a song entry's start. False when it found no songs (the
  // main channel is then left as it is).
  bool StartSongs(const rjmb& entry, EntryMode mode);
  // As the main channel's: the next start takes up a song under way.
  void TakeUpAt(const CarriedState::Song& song) { takeUp_ = song; }
  // The main channel back to its level; players closed, timers off, list and line cleared.
  void StopSongs();
  // The stop button: players closed and the line cleared; the list stays.
  void StopPlayers();

  // A manual insertion: the playing player pauses where it is (true when one did); Resume
  // plays on what is still paused from the hold. Closing the players lets go of the hold.
  bool Hold();
  bool Resume();
  bool held() const { return hold_.any(); }

  // The song before (direction < 0) or after the selected one plays at once; at either end
  // of the list the limit is shown instead. Nothing happens without a selection.
  void StepSong(int direction);

  void MediaPlayer2Notify();
  void Timer_music2processTimer();
  void Timer_bass2processTimer();
  void Label2DblClick();

  // Label2.
  const QString& line() const { return line_; }
  bool lineItalic() const { return lineItalic_; }
  const QString& secondcaption() const { return secondcaption_; }

  orvane::MediaChannel* player() const { return player_.get(); }
  orvane::MediaChannel* stream() const { return stream_.get(); }

  QTimer Timer_music2process;
  QTimer Timer_bass2process;

 signals:
  void lineChanged();
  void listChanged();

 private:
  void closePlayers();
  void release();
  void logSong(const QString& file, bool fallback);
  void setLine(const QString& text);

  MainState& s_;
  const Clock& clock_;
  MainChannel& main_;
  std::mt19937& random_;
  std::unique_ptr<orvane::MediaChannel> player_;  // "MediaPlayer2"
  std::unique_ptr<orvane::MediaChannel> stream_;  // "secondstream"
  orvane::MediaBackend* media_;

  QStringList songs_;  // "ListBox_mp2"
  int selected_ = -1;
  QString playmode_;
  int playattempts_ = 0;
  std::optional<CarriedState::Song> takeUp_;
  QString secondprefix_;
  QString secondcaption_;
  QString line_;
  bool lineItalic_ = false;
  ChannelHold hold_;  // what an insertion paused
};
