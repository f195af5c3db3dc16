// Second channel.
#include "scheduler/core/secondchannel.h"

#include <QDebug>
#include <QFileInfo>

#include "platform/media/mediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/playmodes.h"
#include "scheduler/core/songsources.h"

using orvane::ChannelKind;
using orvane::MediaMode;

SecondChannel::SecondChannel(MainState& state, const Clock& clock, orvane::MediaBackend* media, MainChannel& main,
                             std::mt19937& random, QObject* parent)
    : QObject(parent), s_(state), clock_(clock), main_(main), random_(random), media_(media) {
  for (QTimer* t : {&Timer_music2process, &Timer_bass2process}) t->setInterval(1000);
  connect(&Timer_music2process, &QTimer::timeout, this, &SecondChannel::Timer_music2processTimer);
  connect(&Timer_bass2process, &QTimer::timeout, this, &SecondChannel::Timer_bass2processTimer);
  if (media_) player_ = media_->createChannel(ChannelKind::MediaPlayer);
  if (player_) {
    connect(player_.get(), &orvane::MediaChannel::endOfMedia, this, &SecondChannel::MediaPlayer2Notify);
    connect(player_.get(), &orvane::MediaChannel::failed, this,
            [](const QString& why) { qWarning().noquote() << "second channel:" << why; });
  }
}

SecondChannel::~SecondChannel() = default;

bool SecondChannel::CreateStream() {
  if (!media_) return false;
  stream_ = media_->createChannel(ChannelKind::Stream);
  if (stream_)
    connect(stream_.get(), &orvane::MediaChannel::failed, this,
            [](const QString& why) { qWarning().noquote() << "second channel stream:" << why; });
  return stream_ != nullptr;
}

void SecondChannel::FreeStream() {
  Timer_bass2process.stop();
  stream_.reset();
}

bool SecondChannel::holdsFile() const {
  return (player_ && player_->isOpen()) || (stream_ && stream_->isOpen());
}

void SecondChannel::ScanMusicFolder2(const QString& folder, bool recursive) {
  songs_ += ScanSongFolder(folder, recursive);
  emit listChanged();
}

void SecondChannel::ShuffleSongs() {
  for (int k = int(songs_.size()) - 1; k > 0; --k) {
    std::uniform_int_distribution<int> pick(0, k);
    songs_.swapItemsAt(k, pick(random_));
  }
  emit listChanged();
}

void SecondChannel::setLine(const QString& text) {
  line_ = text;
  emit lineChanged();
}

void SecondChannel::closePlayers() {
  hold_.clear();
  if (player_ && player_->isOpen()) player_->close();
  if (stream_ && stream_->isOpen()) stream_->close();
}

void SecondChannel::logSong(const QString& file, bool fallback) {
  // A song taken up goes on: it is no new song.
  if (s_.logenabled && !s_.takingup) WriteLog(BroadcastLog::SongLine(clock_.now(), file, true, fallback));
}

int SecondChannel::PlaySecondFile(const QString& file) {
  Timer_bass2process.stop();
  Timer_music2process.stop();
  lineItalic_ = false;
  closePlayers();
  if (player_) {
    main_.ApplyVideoRule(file, *player_);
    const orvane::MediaResult r = player_->open(file);
    if (r.ok) {
      player_->setVolume(s_.secondvolume);
      main_.showStopButton(true);
      player_->play();
      secondcaption_ = secondprefix_ + file + QStringLiteral(" 【") + FormatMs(player_->lengthMs()) + QLatin1Char('/');
      logSong(file, false);
      Timer_music2process.start();
      emit lineChanged();
      return 1;
    }
    qInfo().noquote() << "second channel: the media player cannot open" << file << "-" << r.message;
    if (s_.videoshown) main_.CloseVideo();
  }
  int result = 0;
  if (s_.usebass && stream_ && FileExtension(file).toUpper() == QLatin1String(".MP3")) {
    const orvane::MediaResult r = stream_->open(file);
    if (r.ok) {
      stream_->setVolume(s_.secondvolume);
      main_.showStopButton(true);
      stream_->play();
      secondcaption_ = secondprefix_ + file + QStringLiteral(" 【") + FormatMs(stream_->lengthMs() / 1000 * 1000) +
                       QLatin1Char('/');
      result = 2;
      lineItalic_ = true;
      Timer_bass2process.start();
      logSong(file, true);
    } else {
      qInfo().noquote() << "second channel: the stream player cannot open" << file << "-" << r.message;
    }
  }
  emit lineChanged();
  return result;
}

void SecondChannel::NextSecondSong() {
  if (PlayMode::playsOnce(playmode_)) return;
  const int count = int(songs_.size());
  if (count == 0) return;
  playattempts_ = 0;
  for (;;) {
    if (playmode_ == PlayMode::LoopOne) {
      selected_ = 0;
    } else if (selected_ < count - 1) {
      ++selected_;
    } else if (playmode_ == PlayMode::InOrder) {
      setLine({});
      return;
    } else if (playmode_ == PlayMode::LoopAll) {
      selected_ = 0;
    } else if (playmode_ == PlayMode::Random) {
      ShuffleSongs();
      selected_ = 0;
    } else {
      return;
    }
    emit listChanged();
    if (PlaySecondFile(songs_[selected_]) != 0) return;
    if (++playattempts_ > MainChannel::kAttemptsPerSong * count) return;
  }
}

bool SecondChannel::StartSongs(const rjmb& entry, EntryMode mode) {
  // The entry takes the channel: whatever played on it stops. The main channel stays ducked
  // unless this entry finds nothing to play.
  release();
  playmode_ = entry.playmode;
  const QString path = entry.slpath.trimmed();
  const QString owner = QStringLiteral("副通道节目<") + entry.pname;
  QString empty;
  if (entry.jmlx == 3) {
    // The list's lines as they are: a missing song is found out when it is played.
    songs_ = ReadSongList(path, false);
    empty = owner + QStringLiteral(">中播放列表中没有歌曲或歌曲不存在!");
  } else if (entry.jmlx == 2) {
    ScanMusicFolder2(path, false);
    empty = owner + QStringLiteral(">中的文件夹中没有歌曲!");
  } else {
    if (QFileInfo(path).isFile()) songs_ = QStringList{path};
    empty = owner + QStringLiteral(">中的歌曲不存在!");
  }
  emit listChanged();
  const int count = int(songs_.size());
  if (count == 0) {
    main_.Unduck(MainChannel::DuckReason::SecondChannel);
    setLine(empty);
    return false;
  }
  if (PlayMode::isRandom(playmode_)) ShuffleSongs();
  main_.Duck(MainChannel::DuckReason::SecondChannel);
  s_.secondvolume = qBound(0, entry.ivolume, 100) * 10;
  const std::optional<CarriedState::Song> takeUp = std::exchange(takeUp_, std::nullopt);
  const int takenUp = takeUp ? takeUp->indexIn(songs_) : -1;
  selected_ = qMax(0, takenUp);
  emit listChanged();
  const MainChannel::OpenAtPlace place({player_.get(), stream_.get()}, takenUp >= 0 ? takeUp->file : QString(),
                                       takenUp >= 0 ? takeUp->ms : 0);
  secondprefix_ = (mode == EntryMode::TryPlay ? QStringLiteral("正在试播副通道节目<") : QStringLiteral("正在播放副通道节目<")) +
                  entry.pname + QStringLiteral(">中的歌曲：");
  playattempts_ = 0;
  for (;;) {
    if (PlaySecondFile(songs_[selected_]) != 0) break;
    setLine(QStringLiteral("不能播放副通道节目<") + entry.pname + QStringLiteral(">中的歌曲：") + songs_[selected_]);
    if (selected_ + 1 >= count) break;
    ++selected_;
    emit listChanged();
    if (++playattempts_ > MainChannel::kAttemptsPerSong * count) break;
  }
  return true;
}

void SecondChannel::StopSongs() {
  main_.Unduck(MainChannel::DuckReason::SecondChannel);
  release();
}

void SecondChannel::release() {
  Timer_music2process.stop();
  Timer_bass2process.stop();
  lineItalic_ = false;
  closePlayers();
  if (s_.videoshown) main_.CloseVideo();
  songs_.clear();
  selected_ = -1;
  line_.clear();
  emit listChanged();
  emit lineChanged();
}

void SecondChannel::StopPlayers() {
  Timer_music2process.stop();
  Timer_bass2process.stop();
  closePlayers();
  lineItalic_ = false;
  setLine({});
}

bool SecondChannel::Hold() { return hold_.hold(player_.get(), stream_.get()); }

bool SecondChannel::Resume() { return hold_.resume(player_.get(), stream_.get()); }

void SecondChannel::MediaPlayer2Notify() { NextSecondSong(); }

void SecondChannel::Timer_music2processTimer() {
  const MediaMode mode = player_ ? player_->mode() : MediaMode::NotOpen;
  if (mode == MediaMode::Playing) {
    setLine(secondcaption_ + FormatMs(player_->positionMs()) + QStringLiteral("】"));
  } else if (mode != MediaMode::Paused) {
    Timer_music2process.stop();
    setLine({});
    if (s_.videoshown) main_.CloseVideo();
  }
}

void SecondChannel::Timer_bass2processTimer() {
  if (!stream_) {
    Timer_bass2process.stop();
    return;
  }
  const MediaMode mode = stream_->mode();
  if (mode == MediaMode::Playing) {
    setLine(secondcaption_ + FormatMs(stream_->positionMs() / 1000 * 1000) + QStringLiteral("】"));
  } else if (mode != MediaMode::Paused) {
    Timer_bass2process.stop();
    lineItalic_ = false;
    setLine({});
    NextSecondSong();
  }
}

void SecondChannel::Label2DblClick() {
  if (busy()) NextSecondSong();
}

// ---- previous and next (the video window)

void SecondChannel::StepSong(int direction) {
  int next = selected_;
  if (!StepSelection(next, int(songs_.size()), direction)) return;
  closePlayers();
  selected_ = next;
  emit listChanged();
  const QString file = songs_[selected_];
  if (PlaySecondFile(file) == 0) setLine(NotPlayedLine(file));
}
