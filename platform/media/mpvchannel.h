// A media channel over one libmpv player: the media player kind (video when given a window)
// or the stream kind (sound only).
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "platform/media/mediachannel.h"
#include "platform/media/mpvhandle.h"

struct mpv_event;

namespace orvane {

class MidiRenderer;
class MpvFrameRenderer;
class MidiStream;
struct MpvWakeTarget;

class MpvChannel : public MediaChannel {
  Q_OBJECT
 public:
  MpvChannel(ChannelKind kind, const MpvSettings& settings, std::shared_ptr<MidiRenderer> midi,
             QObject* parent = nullptr);
  ~MpvChannel() override;

  // False when libmpv could not start a player; every call then does nothing and open fails.
  bool ok() const;

  MediaResult open(const QString& path, int timeoutMs = kOpenTimeoutMs) override;
  MediaResult openAddress(const QString& url, int timeoutMs = kOpenTimeoutMs) override;
  bool opening() const override { return opening_; }
  void play() override;
  void pause() override;
  void stop() override;
  void close() override;
  MediaMode mode() const override { return mode_; }
  QString fileName() const override { return path_; }
  qint64 positionMs() const override;
  qint64 knownPositionMs() const override;
  qint64 lengthMs() const override { return lengthMs_; }
  void seek(qint64 ms) override;
  void setVolume(int level) override;
  int volume() const override { return volume_; }
  void setVideoFrames(bool on) override;
  void setVideoFrameSize(QSize size) override;
  std::shared_ptr<const VideoPicture> videoPicture() const override;

  // libmpv's volume (0..100, cubic) for a level 0..1000 that is linear in amplitude.
  static double mpvVolume(int level);

 signals:
  // Sound has started after play() (benchmarks time it).
  void started();

 protected:
  bool event(QEvent* e) override;

 private:
  enum class Note { End, Failed, Started, Loaded, LoadFailed };
  void drain();
  void handle(mpv_event* e);
  // The events of an address being opened; true when the event was about it.
  bool handleOpening(mpv_event* e);
  void notify(Note note, const QString& message = {});
  // Gives up an address that has not answered: libmpv stops trying, nothing is announced.
  void cancelOpening();
  void openingTimedOut();
  // Every open, stop and close moves the stamp on, for notes and pictures alike.
  void bumpGeneration();
  // Tells the end of the file that played out, once its last sound has been heard.
  void tellEnd();
  // The channel holds no file any more.
  void forgetFile();
  // libmpv's renderer for the program's own pictures; false when it cannot start.
  bool ensureRenderer();
  // Whether the open file's pictures are decoded ("vid"), by videoFrames_.
  void applyVideoTrack();
  // The bookkeeping of a successful open.
  MediaResult opened(const MpvHandle::Loaded& loaded, const QString& name);
  // The place is `ms` as of now.
  void setKnown(qint64 ms) const;
  // While the file plays into the null output, asks (off this thread) whether the sound
  // server answers again; stops looking when there is nothing to take back to it.
  void lookForServer();
  // The answer of a look: a server that is there again gets the file under way back.
  void serverAnswered(bool up);

  // One libmpv player and what is bound to it (the wake-up target its threads call, the
  // picture renderer on its core).
  struct Player;
  std::unique_ptr<Player> makePlayer();
  MpvHandle& mpv() const;
  // A file that has just played out is still played to its last sample by libmpv, which
  // holds every call to that player meanwhile (its sound output drains before it lets go):
  // a second player takes the next file so that nothing waits for that.
  void takeAnotherPlayerIfDraining();
  static constexpr int kDrainMs = 3000;  // ample for any output's buffer to play out

  ChannelKind kind_;
  MpvSettings settings_;
  std::unique_ptr<Player> player_;  // the one the channel plays on
  std::unique_ptr<Player> spare_;   // the other one, made when first needed
  std::shared_ptr<MidiRenderer> midi_;
  std::unique_ptr<MidiStream> midiStream_;  // the MIDI file playing, rendered as it plays
  bool silentNoticed_ = false;  // the player's output is the null one
  // Looks for the sound server while playing silently (only the pulse output can be looked
  // for); one look at a time.
  bool lookable_ = false;
  QTimer serverLook_;
  bool lookingForServer_ = false;
  // Every couple of seconds: a song is heard again soon after the server is back, and a look
  // is one short connection attempt off the interface thread.
  static constexpr int kServerLookMs = 2000;
  static constexpr int kServerAnswerMs = 1000;  // a server slower than this is not back yet
  MediaMode mode_ = MediaMode::NotOpen;
  QString path_;
  qint64 entryId_ = -1;  // the loaded file's playlist entry; events of others are old news
  qint64 lengthMs_ = 0;
  mutable qint64 lastPositionMs_ = 0;
  mutable QElapsedTimer sinceKnown_;  // since lastPositionMs_ was true
  bool ended_ = false;  // played to the end: libmpv has unloaded the file
  bool awaitingStart_ = false;
  bool restarted_ = false;  // libmpv has the loaded file ready to sound
  bool wantsSound_ = true;  // a real audio output was asked for
  int volume_ = 1000;
  bool videoFrames_ = false;
  QSize frameSize_;
  bool haveFrame_ = false;  // a picture of the open file has arrived
  // The address being opened: its playlist entry as libmpv starts on it, its name, and the
  // time limit for an answer.
  bool opening_ = false;
  MpvHandle::EntryWatch openingWatch_;
  QString openingName_;
  int openingTimeoutMs_ = 0;
  QTimer openingTimer_;
  bool endPending_ = false;  // played out, its end not told yet
  QTimer endFallback_;       // tells it anyway should libmpv never say it is idle
  // Stamps the notes posted to ourselves; open, stop and close move it on, so a note about a
  // file that has since been replaced is dropped.
  quint64 generation_ = 0;
};

}  // namespace orvane
