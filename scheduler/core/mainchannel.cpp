// Main channel.
#include "scheduler/core/mainchannel.h"

#include <QDebug>
#include <QFileInfo>
#include <cmath>

#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/funVolume.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/playmodes.h"
#include "scheduler/core/songsources.h"
#include "scheduler/core/videohandoff.h"

using orvane::ChannelKind;
using orvane::MediaMode;

namespace {
// The classic Round: halves go to the even neighbour.
int roundHalfEven(double v) { return int(std::nearbyint(v)); }
}  // namespace

MainChannel::MainChannel(MainState& state, TDataModule1& dm, const Clock& clock, orvane::MediaBackend* media,
                         std::mt19937& random, QObject* parent)
    : QObject(parent), s_(state), dm_(dm), clock_(clock), media_(media), random_(random) {
  for (QTimer* t : {&Timer_musicprocess, &Timer_bassprocess, &Timer_volupordown}) t->setInterval(1000);
  // A fade-out ends its entry: its four steps keep to whole seconds, not to a coarse timer's
  // five per cent.
  Timer_volupordown.setTimerType(Qt::PreciseTimer);
  connect(&Timer_musicprocess, &QTimer::timeout, this, &MainChannel::Timer_musicprocessTimer);
  connect(&Timer_bassprocess, &QTimer::timeout, this, &MainChannel::Timer_bassprocessTimer);
  connect(&Timer_volupordown, &QTimer::timeout, this, &MainChannel::Timer_volupordownTimer);
  if (media_) player_ = media_->createChannel(ChannelKind::MediaPlayer);
  if (player_) {
    connect(player_.get(), &orvane::MediaChannel::endOfMedia, this, &MainChannel::MediaPlayer1Notify);
    connect(player_.get(), &orvane::MediaChannel::failed, this,
            [](const QString& why) { qWarning().noquote() << "main channel:" << why; });
  } else {
    qWarning().noquote() << "main channel: no media player; songs cannot play";
  }
}

MainChannel::~MainChannel() = default;

bool MainChannel::CreateStream() {
  if (!media_) return false;
  stream_ = media_->createChannel(ChannelKind::Stream);
  if (stream_)
    connect(stream_.get(), &orvane::MediaChannel::failed, this,
            [](const QString& why) { qWarning().noquote() << "main channel stream:" << why; });
  return stream_ != nullptr;
}

void MainChannel::FreeStream() {
  Timer_bassprocess.stop();
  stream_.reset();
}

// ---- song list

void MainChannel::LoadPlaylistFile(const QString& path) {
  songs_ = ReadSongList(path, true);
  selected_ = songs_.isEmpty() ? -1 : 0;
  emit listChanged();
}

void MainChannel::ScanMusicFolder(const QString& folder, bool recursive) {
  songs_ += ScanSongFolder(folder, recursive);
  if (selected_ < 0 && !songs_.isEmpty()) selected_ = 0;
  emit listChanged();
}

void MainChannel::ClearSongs() {
  songs_.clear();
  selected_ = -1;
  emit listChanged();
}

QStringList MainChannel::names() const {
  QStringList n;
  n.reserve(songs_.size());
  for (const QString& p : songs_) n.append(ExtractSongName(p));
  return n;
}

void MainChannel::select(int index) {
  selected_ = index;
  emit listChanged();
}

void MainChannel::selectSong(int index) { selected_ = index >= 0 && index < songs_.size() ? index : -1; }

void MainChannel::MakeShuffle(int n) {
  QStringList items;
  for (int i = 0; i < n; ++i) items.append(QString::number(i));
  shufflelist_.clear();
  while (!items.isEmpty()) {
    std::uniform_int_distribution<int> pick(0, int(items.size()) - 1);
    shufflelist_.append(items.takeAt(pick(random_)));
  }
}

// ---- playing

bool MainChannel::playerOpen() const { return player_ && player_->isOpen(); }

bool MainChannel::holdsFile() const { return playerOpen() || (stream_ && stream_->isOpen()); }

void MainChannel::closePlayers(const QString& keep) {
  hold_.clear();
  const bool keepPrepared = !keep.isEmpty() && keep == prepared_ && player_ && player_->isOpen();
  if (!keepPrepared) prepared_.clear();
  // Closing also silences the end notice of the file that was playing.
  if (player_ && player_->isOpen() && !keepPrepared) player_->close();
  if (stream_ && stream_->isOpen()) stream_->close();
}

void MainChannel::Prepare(const QString& file) {
  if (!player_ || player_->isOpen() || !songs_.isEmpty() || hold_.any() || file.isEmpty()) return;
  if (s_.videoexts.contains(FileExtension(file).toUpper()) || !QFileInfo(file).isFile()) return;
  // Opening ahead must never hold up the second it is for: a file that does not open in what
  // is left of this one is given up, and its start opens it as it would have anyway.
  const int left = 1000 - clock_.now().time().msec() - kPrepareMarginMs;
  if (left < kPrepareMarginMs) return;
  if (player_->open(file, left).ok) prepared_ = file;
  else player_->close();
}

void MainChannel::logSong(const QString& file, bool fallback) {
  // A song taken up goes on: it is no new song.
  if (s_.logenabled && !s_.takingup) WriteLog(BroadcastLog::SongLine(clock_.now(), file, false, fallback));
}

int MainChannel::PlayMainFile(bool fadein, const QString& file) {
  Timer_bassprocess.stop();
  Timer_musicprocess.stop();
  songLineItalic_ = false;
  closePlayers(file);
  sequenceDone_ = false;
  if (player_) {
    // A file opened ahead of its second only has to play; the picture's window must be
    // known before any other file is opened.
    const bool ready = !prepared_.isEmpty();
    prepared_.clear();
    if (!ready) ApplyVideoRule(file, *player_);
    const orvane::MediaResult r = ready ? orvane::MediaResult::success() : player_->open(file);
    if (r.ok) {
      if (fadein) {
        s_.fadeinlevel = 0;
        fadeinstep_ = roundHalfEven(slider_ / 4.0);
        fadeinrunning_ = true;
      }
      SetMediaPlayerVolume(player_.get(), heardLevel());
      trackShown_ = stopButtonShown_ = sliderShown_ = true;
      player_->play();
      if (ready) ApplyVideoRule(file, *player_);
      songLine_ = QStringLiteral("正在播放：") + file;
      allText_ = QStringLiteral("/ ") + FormatMs(player_->lengthMs());
      trackMax_ = player_->lengthMs();
      logSong(file, false);
      Timer_musicprocess.start();
      if (fadein) Timer_volupordown.start();
      emit panelChanged();
      return 1;
    }
    qInfo().noquote() << "main channel: the media player cannot open" << file << "-" << r.message;
    if (s_.videoshown) CloseVideo();
  }
  int result = 0;
  if (s_.usebass && stream_ && FileExtension(file).toUpper() == QLatin1String(".MP3")) {
    const orvane::MediaResult r = stream_->open(file);
    if (r.ok) {
      stream_->setVolume(slider_);
      stream_->play();
      trackShown_ = stopButtonShown_ = sliderShown_ = true;
      const qint64 length = stream_->lengthMs() / 1000 * 1000;
      songLine_ = QStringLiteral("正在播放：") + file;
      allText_ = QStringLiteral("/ ") + FormatMs(length);
      trackMax_ = length;
      result = 2;
      songLineItalic_ = true;
      Timer_musicprocess.stop();
      Timer_bassprocess.start();
      logSong(file, true);
    } else {
      qInfo().noquote() << "main channel: the stream player cannot open" << file << "-" << r.message;
    }
  }
  emit panelChanged();
  return result;
}

void MainChannel::NextMainSong() {
  if (PlayMode::playsOnce(playmode_)) return;
  const int count = int(songs_.size());
  if (count == 0) return;
  playattempts_ = 0;
  for (;;) {
    if (playmode_ == PlayMode::Random) {
      if (shufflepos_ >= count - 1 || shufflelist_.size() != count) {
        MakeShuffle(count);
        shufflepos_ = 0;
      } else {
        ++shufflepos_;
      }
      select(shufflelist_[shufflepos_].toInt());
    } else if (playmode_ == PlayMode::LoopAll) {
      select(selected_ + 1 < count ? selected_ + 1 : 0);
    } else if (playmode_ == PlayMode::InOrder) {
      if (selected_ >= count - 1) {
        songLine_ = QStringLiteral("停止播放");
        sequenceDone_ = true;
        emit panelChanged();
        return;
      }
      select(selected_ + 1);
    } else if (playmode_ == PlayMode::LoopOne) {
      select(0);
    } else {
      return;  // a mode this program does not know plays its one song
    }
    if (PlayMainFile(false, songs_[selected_]) != 0) return;
    if (++playattempts_ > kAttemptsPerSong * count) return;
  }
}

void MainChannel::StartSongs(const rjmb& entry, bool fadein) {
  const QString path = entry.slpath.trimmed();
  // The entry takes the channel: whatever played before stops and its songs go (a single
  // song opened ahead for this start stays).
  StopSongs(entry.jmlx == 1 ? path : QString());
  QString empty;
  if (entry.jmlx == 3) {
    LoadPlaylistFile(path);
    empty = QStringLiteral("\" 播放列表中没有歌曲或歌曲不存在!");
  } else if (entry.jmlx == 2) {
    ScanMusicFolder(path, false);
    empty = QStringLiteral("\" 文件夹中没有歌曲!");
  } else {
    if (QFileInfo(path).isFile()) {
      songs_ = QStringList{path};
      selected_ = 0;
      emit listChanged();
    }
    empty = QStringLiteral("\" 歌曲不存在!");
  }
  const int count = int(songs_.size());
  if (count == 0) {
    songLine_ = QLatin1Char('"') + entry.slpath + empty;
    emit panelChanged();
    return;
  }
  playmode_ = entry.playmode;
  if (PlayMode::isRandom(playmode_)) {
    MakeShuffle(count);
    shufflepos_ = 0;
    select(shufflelist_[0].toInt());
  } else {
    select(0);
  }
  SetEntryVolume(qBound(0, entry.ivolume, 100) * 10);
  const std::optional<CarriedState::Song> takeUp = std::exchange(takeUp_, std::nullopt);
  const int takenUp = takeUp ? takeUp->indexIn(songs_) : -1;
  if (takenUp >= 0) {
    select(takenUp);
    if (PlayMode::isRandom(playmode_)) shufflepos_ = qMax(0, int(shufflelist_.indexOf(QString::number(takenUp))));
    fadein = false;
  }
  const OpenAtPlace place({player_.get(), stream_.get()}, takenUp >= 0 ? takeUp->file : QString(),
                          takenUp >= 0 ? takeUp->ms : 0);

  playattempts_ = 0;
  for (;;) {
    if (PlayMainFile(fadein, songs_[selected_]) != 0) break;
    songLine_ = QStringLiteral("不能播放此首歌曲!请安装解码器");
    emit panelChanged();
    if (PlayMode::isRandom(playmode_)) {
      if (shufflepos_ + 1 >= count) break;
      select(shufflelist_[++shufflepos_].toInt());
    } else if (playmode_ == PlayMode::InOrder || playmode_ == PlayMode::LoopAll) {
      if (selected_ + 1 >= count) break;
      select(selected_ + 1);
    } else {
      break;
    }
    if (++playattempts_ > kAttemptsPerSong * count) break;
  }
}

MainChannel::OpenAtPlace::OpenAtPlace(std::initializer_list<orvane::MediaChannel*> players, const QString& file,
                                      qint64 ms) {
  if (file.isEmpty()) return;
  for (orvane::MediaChannel* p : players)
    if (p) players_.push_back(p);
  for (orvane::MediaChannel* p : players_) p->startNextOpenAt(file, ms);
}

MainChannel::OpenAtPlace::~OpenAtPlace() {
  // A later open of the same file (the next lap of a loop) starts at its start again.
  for (orvane::MediaChannel* p : players_) p->startNextOpenAt({}, 0);
}

void MainChannel::StopSongs(const QString& keep) {
  Timer_musicprocess.stop();
  Timer_bassprocess.stop();
  CancelFades();
  songLineItalic_ = false;
  closePlayers(keep);
  if (s_.videoshown) CloseVideo();
  sequenceDone_ = false;
  ClearSongs();
  songLine_.clear();
  nowText_.clear();
  allText_.clear();
  trackShown_ = sliderShown_ = stopButtonShown_ = false;
  emit panelChanged();
}

void MainChannel::StopPlayers() {
  hold_.clear();
  prepared_.clear();
  if (player_ && player_->isOpen()) player_->close();
  if (s_.videoshown) CloseVideo();
  Timer_musicprocess.stop();
  Timer_bassprocess.stop();
  songLine_.clear();
  songLineItalic_ = false;
  nowText_.clear();
  allText_.clear();
  trackPosition_ = 0;
  selected_ = -1;
  trackShown_ = sliderShown_ = false;
  if (stream_ && stream_->isOpen()) stream_->close();
  emit listChanged();
  emit panelChanged();
}

bool MainChannel::Hold() { return hold_.hold(player_.get(), stream_.get()); }

bool MainChannel::Resume() { return hold_.resume(player_.get(), stream_.get()); }

void MainChannel::ApplyVideoRule(const QString& file, orvane::MediaChannel& player) {
  const bool video = video_ && s_.videoexts.contains(FileExtension(file).toUpper()) &&
                     dm_.GetSetting(QStringLiteral("videofullsc")) == QLatin1String("1");
  if (video) {
    video_->ShowVideo(player);
    s_.videoshown = true;
  } else if (s_.videoshown) {
    CloseVideo();
  }
}

void MainChannel::CloseVideo() {
  if (video_) video_->CloseVideo();
  s_.videoshown = false;
}

// ---- events

void MainChannel::MediaPlayer1Notify() { NextMainSong(); }

void MainChannel::Timer_musicprocessTimer() {
  if (!playerOpen()) return;
  const MediaMode mode = player_->mode();
  if (mode == MediaMode::Playing) {
    trackPosition_ = player_->positionMs();
    nowText_ = FormatMs(trackPosition_);
  } else if (mode == MediaMode::Stopped) {
    // The song has ended and no other followed: the line goes (the end of an in-order list
    // keeps its "停止播放"), the final position stays.
    Timer_musicprocess.stop();
    if (!sequenceDone_) songLine_.clear();
    nowText_ = FormatMs(player_->positionMs());
    if (s_.videoshown) CloseVideo();
  }
  emit panelChanged();
}

void MainChannel::Timer_bassprocessTimer() {
  if (!stream_ || !stream_->isOpen()) {
    Timer_bassprocess.stop();
    return;
  }
  const MediaMode mode = stream_->mode();
  if (mode == MediaMode::Playing) {
    trackPosition_ = stream_->positionMs() / 1000 * 1000;
    nowText_ = FormatMs(trackPosition_);
    emit panelChanged();
  } else if (mode == MediaMode::Stopped) {
    Timer_bassprocess.stop();
    songLine_.clear();
    nowText_ = FormatMs(stream_->positionMs() / 1000 * 1000);
    songLineItalic_ = false;
    emit panelChanged();
    NextMainSong();
  }
}

void MainChannel::ListBox5DblClick() {
  if (selected_ < 0 || selected_ >= songs_.size()) return;
  const QString path = songs_[selected_];
  if (!QFileInfo(path).isFile()) {
    setSongLine(QStringLiteral("歌曲文件不存在!"));
    return;
  }
  if (PlayMainFile(false, path) == 0) setSongLine(QStringLiteral("不能播放此首歌曲!请安装解码器。"));
}

void MainChannel::TrackBar2Change(int position) {
  trackPosition_ = position;
  // The position display moves the bar by a second at a time: only a real drag seeks.
  if (player_ && player_->isPlaying() && qAbs(player_->positionMs() - position) > 10000) {
    player_->seek(position);
    player_->play();
  }
}

void MainChannel::FlatTrackBar1Change(int position) {
  slider_ = qBound(0, position, 1000);
  SetMediaPlayerVolume(player_.get(), heardLevel());
  // While ducked the operator changes what is heard now, not the level returned to.
  if (!ducked()) s_.mainvolume = slider_;
  if (stream_) stream_->setVolume(slider_);
  emit panelChanged();
}

QString MainChannel::sliderHint() const {
  return QStringLiteral("音量调节(") + QString::number(roundHalfEven(slider_ / 10.0)) + QStringLiteral("%)");
}

void MainChannel::showStopButton(bool shown) {
  if (stopButtonShown_ == shown) return;
  stopButtonShown_ = shown;
  emit panelChanged();
}

// ---- fades and levels

int MainChannel::heardLevel() const {
  int level = slider_;
  if (fadeoutrunning_) level = qMin(level, s_.fadeoutlevel);
  if (fadeinrunning_) level = qMin(level, s_.fadeinlevel);
  return level;
}

void MainChannel::applyLevel() { SetMediaPlayerVolume(player_.get(), heardLevel()); }

void MainChannel::setSlider(int position) {
  slider_ = qBound(0, position, 1000);
  applyLevel();
  if (stream_) stream_->setVolume(slider_);
  emit panelChanged();
}

void MainChannel::SetEntryVolume(int level) {
  s_.mainvolume = qBound(0, level, 1000);
  setSlider(ducked() ? qMin(s_.minvolume10, s_.mainvolume) : s_.mainvolume);
}

void MainChannel::StartFadeOut(int index) {
  // Fading in and out at once would fight over the level; the way out wins.
  fadeinrunning_ = false;
  s_.fadeoutlevel = slider_;
  fadeoutstep_ = roundHalfEven(slider_ / 4.0);
  fadeoutrunning_ = true;
  fadeTag_ = index;
  Timer_volupordown.start();
}

void MainChannel::CancelFades() {
  fadeinrunning_ = fadeoutrunning_ = false;
  fadeTag_ = -1;
  Timer_volupordown.stop();
}

void MainChannel::Timer_volupordownTimer() {
  if (fadeoutrunning_) {
    s_.fadeoutlevel -= fadeoutstep_;
    if (s_.fadeoutlevel < 5) s_.fadeoutlevel = 0;
    applyLevel();
    if (s_.fadeoutlevel == 0) {
      fadeoutrunning_ = false;
      const int tag = fadeTag_;
      fadeTag_ = -1;
      emit fadeOutDone(tag);
    }
  }
  if (fadeinrunning_) {
    s_.fadeinlevel += fadeinstep_;
    if (s_.fadeinlevel > slider_ - 5) s_.fadeinlevel = slider_;
    applyLevel();
    if (s_.fadeinlevel >= slider_) fadeinrunning_ = false;
  }
  if (!fadeoutrunning_ && !fadeinrunning_) Timer_volupordown.stop();
}

void MainChannel::Duck(DuckReason reason) {
  const bool already = ducked();
  duckReasons_ |= int(reason);
  if (!already) setSlider(qMin(s_.minvolume10, slider_));
}

void MainChannel::Unduck(DuckReason reason) {
  if (!(duckReasons_ & int(reason))) return;
  duckReasons_ &= ~int(reason);
  if (!ducked()) setSlider(s_.mainvolume);
}

// ---- previous and next (the video window)

void MainChannel::StepSong(int direction) {
  int next = selected_;
  if (!StepSelection(next, int(songs_.size()), direction)) return;
  closePlayers();
  selected_ = next;
  emit listChanged();
  const QString file = songs_[selected_];
  if (PlayMainFile(false, file) == 0) setSongLine(NotPlayedLine(file));
}
