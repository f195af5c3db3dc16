// libmpv media channel.
#include "platform/media/mpvchannel.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QEvent>
#include <QThreadPool>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/audio/pulseconnection.h"
#include "platform/media/midirenderer.h"
#include "platform/media/midistream.h"
#include "platform/media/mpvframerenderer.h"

namespace orvane {

namespace {
QEvent::Type wakeEventType() {
  static const auto t = QEvent::Type(QEvent::registerEventType());
  return t;
}
QEvent::Type noteEventType() {
  static const auto t = QEvent::Type(QEvent::registerEventType());
  return t;
}

QEvent::Type frameEventType() {
  static const auto t = QEvent::Type(QEvent::registerEventType());
  return t;
}

QEvent::Type serverEventType() {
  static const auto t = QEvent::Type(QEvent::registerEventType());
  return t;
}

// Whether the sound server answered a look for it.
struct ServerAnswer : QEvent {
  explicit ServerAnswer(bool serverUp) : QEvent(serverEventType()), up(serverUp) {}
  bool up;
};

struct NoteEvent : QEvent {
  NoteEvent(quint64 g, int n, QString m) : QEvent(noteEventType()), generation(g), note(n), message(std::move(m)) {}
  quint64 generation;
  int note;
  QString message;
};

QList<QPair<QByteArray, QByteArray>> kindOptions(ChannelKind kind) {
  // Pictures are decoded only when a window has been given to draw them in.
  QList<QPair<QByteArray, QByteArray>> o = {{"vid", "no"}, {"vo", "null"}};
  if (kind == ChannelKind::Stream) o.append(qMakePair(QByteArray("video"), QByteArray("no")));
  return o;
}
}  // namespace

// Where libmpv's wake-up callback (on one of its own threads), the drawing thread and a look
// for the sound server post to. The receiver is cleared before the channel goes away, so a
// late call posts nothing.
struct MpvWakeTarget {
  std::mutex mutex;
  QObject* receiver = nullptr;
  std::atomic<bool> pending{false};
  // The channel's stamp of the moment, read by the drawing thread, so that a picture of a
  // file that has been replaced meanwhile is recognised and dropped.
  std::atomic<quint64> generation{0};
  std::atomic<bool> framePending{false};

  // Any thread: to the channel while it is there, else nowhere.
  void post(QEvent* e) {
    std::lock_guard<std::mutex> lock(mutex);
    if (receiver) QCoreApplication::postEvent(receiver, e);
    else delete e;
  }

  // From the drawing thread: a new picture is there (one notice in the queue is enough).
  void pictureArrived() {
    if (!framePending.exchange(true)) post(new QEvent(frameEventType()));
  }

  static void wakeup(void* data) {
    auto* t = static_cast<MpvWakeTarget*>(data);
    // One wake-up event in the queue is enough.
    if (!t->pending.exchange(true)) t->post(new QEvent(wakeEventType()));
  }
};

struct MpvChannel::Player {
  Player(const MpvSettings& settings, ChannelKind kind)
      : wake(std::make_shared<MpvWakeTarget>()), mpv(settings, kindOptions(kind)) {}
  ~Player() {
    {
      std::lock_guard<std::mutex> lock(wake->mutex);
      wake->receiver = nullptr;
    }
    // The drawing thread ends and lets go of the video chain before libmpv itself goes.
    renderer.reset();
    if (mpv.ok()) mpv_set_wakeup_callback(mpv.get(), nullptr, nullptr);
  }
  // Declared before the player: it must outlive libmpv, whose threads call into it. Shared
  // with the looks for the sound server, which may answer after the channel has gone.
  std::shared_ptr<MpvWakeTarget> wake;
  MpvHandle mpv;
  // Draws the pictures on its own thread; made on first use, ended before the player.
  std::unique_ptr<MpvFrameRenderer> renderer;
  QElapsedTimer ended;  // since its last file played out
};

MpvChannel::MpvChannel(ChannelKind kind, const MpvSettings& settings, std::shared_ptr<MidiRenderer> midi,
                       QObject* parent)
    : MediaChannel(parent),
      kind_(kind),
      settings_(settings),
      midi_(std::move(midi)),
      lookable_(settings.audioOutput == "pulse" && settings.silentFallback),
      wantsSound_(settings.audioOutput != "null") {
  player_ = makePlayer();
  if (!player_->mpv.ok()) {
    qWarning().noquote() << "media:" << player_->mpv.error();
    return;
  }
  openingTimer_.setSingleShot(true);
  connect(&openingTimer_, &QTimer::timeout, this, &MpvChannel::openingTimedOut);
  endFallback_.setSingleShot(true);
  endFallback_.setInterval(kDrainMs);
  connect(&endFallback_, &QTimer::timeout, this, &MpvChannel::tellEnd);
  serverLook_.setInterval(kServerLookMs);
  connect(&serverLook_, &QTimer::timeout, this, &MpvChannel::lookForServer);
}

MpvChannel::~MpvChannel() = default;

std::unique_ptr<MpvChannel::Player> MpvChannel::makePlayer() {
  auto p = std::make_unique<Player>(settings_, kind_);
  if (!p->mpv.ok()) return p;
  p->wake->receiver = this;
  mpv_set_wakeup_callback(p->mpv.get(), &MpvWakeTarget::wakeup, p->wake.get());
  // Which audio output libmpv really opened: "null" means the sound server was not there.
  if (wantsSound_) mpv_observe_property(p->mpv.get(), 0, "current-ao", MPV_FORMAT_STRING);
  p->mpv.setDoubleAsync("volume", mpvVolume(volume_));
  return p;
}

bool MpvChannel::ok() const { return player_ && player_->mpv.ok(); }

MpvHandle& MpvChannel::mpv() const { return player_->mpv; }

void MpvChannel::takeAnotherPlayerIfDraining() {
  // From its last file's end until libmpv says it is idle (closing the file in between does
  // not change that).
  if (!player_->ended.isValid() || player_->ended.elapsed() > kDrainMs) return;
  if (!spare_) spare_ = makePlayer();
  // A spare still playing out a file of its own would hold the call as well.
  if (!spare_->mpv.ok() || (spare_->ended.isValid() && spare_->ended.elapsed() <= kDrainMs)) return;
  // What the spare said while it waited is about files long gone.
  while (mpv_wait_event(spare_->mpv.get(), 0)->event_id != MPV_EVENT_NONE) {
  }
  std::swap(player_, spare_);
  // The pictures of the file that ended are not needed while that player waits.
  if (spare_->renderer) spare_->renderer->clear();
  player_->mpv.setDoubleAsync("volume", mpvVolume(volume_));
  if (videoFrames_ && !ensureRenderer()) videoFrames_ = false;
  // The file that ended is gone with the other player.
  forgetFile();
}

void MpvChannel::forgetFile() {
  midiStream_.reset();
  mode_ = MediaMode::NotOpen;
  entryId_ = -1;
  path_.clear();
  lengthMs_ = 0;
  setKnown(0);
  ended_ = false;
  awaitingStart_ = false;
}

void MpvChannel::tellEnd() {
  if (!endPending_) return;
  endPending_ = false;
  endFallback_.stop();
  notify(Note::End);
}

void MpvChannel::bumpGeneration() {
  // Whatever ended before is not told any more.
  endPending_ = false;
  endFallback_.stop();
  ++generation_;
  player_->wake->generation = generation_;
  haveFrame_ = false;
}

bool MpvChannel::ensureRenderer() {
  if (player_->renderer) {
    // A player back from waiting draws at the size the window has now.
    if (frameSize_.isValid()) player_->renderer->setSize(frameSize_);
    return true;
  }
  if (!mpv().ok()) return false;
  MpvWakeTarget* wake = player_->wake.get();
  auto renderer = std::make_unique<MpvFrameRenderer>(
      mpv().get(), [wake] { return wake->generation.load(); }, [wake] { wake->pictureArrived(); });
  if (!renderer->ok()) {
    qWarning().noquote() << "media: libmpv's picture renderer did not start (" << renderer->error()
                         << "); video files play as sound";
    return false;
  }
  if (frameSize_.isValid()) renderer->setSize(frameSize_);
  player_->renderer = std::move(renderer);
  mpv_set_property_string(mpv().get(), "vo", "libmpv");
  return true;
}

void MpvChannel::applyVideoTrack() {
  if (kind_ != ChannelKind::MediaPlayer || !mpv().ok()) return;
  mpv_set_property_string(mpv().get(), "vid", videoFrames_ && player_->renderer ? "auto" : "no");
}

void MpvChannel::setVideoFrames(bool on) {
  if (kind_ != ChannelKind::MediaPlayer || on == videoFrames_) return;
  videoFrames_ = on && ensureRenderer();
  // A file playing without anyone to show its pictures stops decoding them and goes on as
  // sound; one given a window again shows them from here on.
  if (mode_ != MediaMode::NotOpen) applyVideoTrack();
  if (!videoFrames_) haveFrame_ = false;
}

void MpvChannel::setVideoFrameSize(QSize size) {
  if (size.isEmpty()) return;
  frameSize_ = size;
  if (player_->renderer) player_->renderer->setSize(size);
}

std::shared_ptr<const VideoPicture> MpvChannel::videoPicture() const {
  if (!player_->renderer || !haveFrame_ || mode_ == MediaMode::NotOpen) return nullptr;
  auto picture = player_->renderer->latest();
  return picture && picture->generation == generation_ ? picture : nullptr;
}

double MpvChannel::mpvVolume(int level) { return 100.0 * std::cbrt(double(qBound(0, level, 1000)) / 1000.0); }

MediaResult MpvChannel::open(const QString& path, int timeoutMs) {
  takeAnotherPlayerIfDraining();
  bumpGeneration();
  cancelOpening();
  if (mode_ != MediaMode::NotOpen) close();
  if (!mpv().ok()) return MediaResult::failure(mpv().error());
  if (player_->renderer) player_->renderer->clear();
  applyVideoTrack();
  const auto other = [this](mpv_event* e) { handle(e); };
  MpvHandle::Loaded loaded;
  if (MidiRenderer::isMidiFile(path)) {
    if (!midi_) return MediaResult::failure(QStringLiteral("MIDI files cannot be played here"));
    QString why;
    midiStream_ = midi_->start(path, &why);
    if (!midiStream_) return MediaResult::failure(why);
    loaded = mpv().loadStream(midiStream_->takeReadFd(), timeoutMs, other);
    loaded.lengthMs = midiStream_->lengthMs();
  } else {
    loaded = mpv().load(path, timeoutMs, other);
  }
  if (!loaded.ok) {
    midiStream_.reset();
    return MediaResult::failure(loaded.message);
  }
  // A file opened for its pictures says what it holds: a damaged, silent or huge video is
  // then plain from the log.
  if (videoFrames_) qInfo().noquote() << "media: video" << path << "-" << mpv().describeTracks();
  const MediaResult result = opened(loaded, path);
  // Still paused: the seek is done before a sound of the file is heard.
  if (const qint64 at = takeStartFor(path); at > 0) seek(at);
  return result;
}

MediaResult MpvChannel::openAddress(const QString& url, int timeoutMs) {
  takeAnotherPlayerIfDraining();
  bumpGeneration();
  cancelOpening();
  if (mode_ != MediaMode::NotOpen) close();
  if (!mpv().ok()) return MediaResult::failure(mpv().error());
  // A radio address is sound only.
  if (kind_ == ChannelKind::MediaPlayer) mpv_set_property_string(mpv().get(), "vid", "no");
  // Only the request is made here; libmpv connects on its own threads, and its events about
  // the entry come back through the wake-up callback like every other event.
  const MpvHandle::Loaded started = mpv().startAddress(url);
  if (!started.ok) return MediaResult::failure(started.message);
  opening_ = true;
  openingWatch_ = MpvHandle::EntryWatch{started.entryId};
  openingName_ = url.trimmed();
  openingTimeoutMs_ = timeoutMs;
  openingTimer_.start(qMax(0, timeoutMs));
  return MediaResult::success();
}

void MpvChannel::cancelOpening() {
  if (!opening_) return;
  opening_ = false;
  openingTimer_.stop();
  openingWatch_ = {};
  openingName_.clear();
  // Unloads the entry: libmpv drops the connection and stops waiting for the station.
  mpv().command({"stop"});
}

void MpvChannel::openingTimedOut() {
  if (!opening_) return;
  const int limit = openingTimeoutMs_;
  cancelOpening();
  notify(Note::LoadFailed, QStringLiteral("not loaded within %1 ms").arg(limit));
}

MediaResult MpvChannel::opened(const MpvHandle::Loaded& loaded, const QString& name) {
  entryId_ = loaded.entryId;
  restarted_ = false;
  lengthMs_ = loaded.lengthMs;
  setKnown(0);
  ended_ = false;
  path_ = name;
  mode_ = MediaMode::Stopped;
  return MediaResult::success();
}

void MpvChannel::play() {
  if (mode_ == MediaMode::NotOpen || ended_) return;
  mpv().setFlag("pause", false);
  setKnown(knownPositionMs());  // the time played counts from here
  mode_ = MediaMode::Playing;
  if (silentNoticed_ && lookable_ && !serverLook_.isActive()) serverLook_.start();
  // A file that became ready while paused sends no second notice when it starts.
  awaitingStart_ = !restarted_;
  if (restarted_) notify(Note::Started);
}

void MpvChannel::pause() {
  if (mode_ != MediaMode::Playing) return;
  mpv().setFlag("pause", true);
  setKnown(knownPositionMs());
  mode_ = MediaMode::Paused;
}

void MpvChannel::stop() {
  if (opening_) {
    // Nothing plays yet: stopping gives up the address.
    bumpGeneration();
    cancelOpening();
    return;
  }
  if (mode_ == MediaMode::NotOpen) return;
  bumpGeneration();
  // A file that has played out is gone from libmpv already (which may still be busy playing
  // its last sound): nothing to ask of it.
  if (!ended_) mpv().setFlag("pause", true);
  positionMs();  // where it stopped, known from now on
  mode_ = MediaMode::Stopped;
}

void MpvChannel::close() {
  bumpGeneration();
  cancelOpening();
  if (mode_ == MediaMode::NotOpen) return;
  if (!ended_) {
    mpv().setFlag("pause", true);
    mpv().command({"stop"});
  }
  forgetFile();
}

qint64 MpvChannel::positionMs() const {
  if (mode_ == MediaMode::NotOpen) return 0;
  if (ended_) return lastPositionMs_;
  const double pos = mpv().getDouble("time-pos", -1.0);
  if (pos >= 0) setKnown(qBound<qint64>(0, qint64(std::llround(pos * 1000.0)), lengthMs_ > 0 ? lengthMs_ : LLONG_MAX));
  return lastPositionMs_;
}

qint64 MpvChannel::knownPositionMs() const {
  if (mode_ == MediaMode::NotOpen) return 0;
  qint64 ms = lastPositionMs_;
  if (mode_ == MediaMode::Playing && sinceKnown_.isValid()) ms += sinceKnown_.elapsed();
  return lengthMs_ > 0 ? qMin(ms, lengthMs_) : ms;
}

void MpvChannel::setKnown(qint64 ms) const {
  lastPositionMs_ = ms;
  sinceKnown_.start();
}

void MpvChannel::seek(qint64 ms) {
  if (mode_ == MediaMode::NotOpen || ended_) return;
  const qint64 target = qBound<qint64>(0, ms, lengthMs_);
  const QByteArray seconds = QByteArray::number(double(target) / 1000.0, 'f', 3);
  mpv().command({"seek", seconds.constData(), "absolute+exact"});
  setKnown(target);
}

void MpvChannel::setVolume(int level) {
  volume_ = qBound(0, level, 1000);
  // Never waits: libmpv may be busy playing the last sound of a file that has ended.
  mpv().setDoubleAsync("volume", mpvVolume(volume_));
}

bool MpvChannel::event(QEvent* e) {
  if (e->type() == wakeEventType()) {
    for (Player* p : {player_.get(), spare_.get()})
      if (p) p->wake->pending = false;
    drain();
    return true;
  }
  if (e->type() == serverEventType()) {
    serverAnswered(static_cast<ServerAnswer*>(e)->up);
    return true;
  }
  if (e->type() == frameEventType()) {
    for (Player* p : {player_.get(), spare_.get()})
      if (p) p->wake->framePending = false;
    const auto picture = player_->renderer ? player_->renderer->latest() : nullptr;
    if (videoFrames_ && picture && picture->generation == generation_ && mode_ != MediaMode::NotOpen) {
      haveFrame_ = true;
      emit videoFrameReady();
    }
    return true;
  }
  if (e->type() == noteEventType()) {
    auto* n = static_cast<NoteEvent*>(e);
    if (n->generation != generation_) return true;  // about a file that is no longer here
    switch (Note(n->note)) {
      case Note::End: emit endOfMedia(); break;
      case Note::Failed: emit failed(n->message); break;
      case Note::Started: emit started(); break;
      case Note::Loaded: emit loaded(); break;
      case Note::LoadFailed: emit loadFailed(n->message); break;
    }
    return true;
  }
  return MediaChannel::event(e);
}

void MpvChannel::drain() {
  if (!mpv().ok()) return;
  for (;;) {
    mpv_event* e = mpv_wait_event(mpv().get(), 0);
    if (e->event_id == MPV_EVENT_NONE) return;
    handle(e);
  }
}

bool MpvChannel::handleOpening(mpv_event* e) {
  if (!opening_) return false;
  QString why;
  switch (openingWatch_.feed(e, &why)) {
    case MpvHandle::EntryWatch::Step::Unrelated: return false;
    case MpvHandle::EntryWatch::Step::Started: return true;
    case MpvHandle::EntryWatch::Step::Loaded: {
      MpvHandle::Loaded loaded;
      loaded.ok = true;
      loaded.entryId = openingWatch_.entryId;
      loaded.lengthMs = mpv().durationMs();
      const QString name = openingName_;
      opening_ = false;
      openingTimer_.stop();
      opened(loaded, name);
      notify(Note::Loaded);
      return true;
    }
    case MpvHandle::EntryWatch::Step::Ended:
      opening_ = false;
      openingTimer_.stop();
      openingWatch_ = {};
      openingName_.clear();
      notify(Note::LoadFailed, why.isEmpty() ? QStringLiteral("the stream ended while loading") : why);
      return true;
  }
  return false;
}

void MpvChannel::handle(mpv_event* e) {
  if (handleOpening(e)) return;
  if (e->event_id == MPV_EVENT_END_FILE) {
    const auto* ef = static_cast<mpv_event_end_file*>(e->data);
    if (ef->playlist_entry_id != entryId_ || mode_ == MediaMode::NotOpen || ended_) return;
    if (ef->reason == MPV_END_FILE_REASON_EOF) {
      player_->ended.start();
      ended_ = true;
      setKnown(lengthMs_);
      mode_ = MediaMode::Stopped;
      // libmpv says so when it has read the file to its end; its last sound is still in the
      // output and is heard up to a few hundred milliseconds later. The end is told when the
      // player is idle, that is when that sound has played (or after a bounded wait).
      endPending_ = true;
      endFallback_.start();
    } else if (ef->reason == MPV_END_FILE_REASON_ERROR) {
      ended_ = true;
      mode_ = MediaMode::Stopped;
      notify(Note::Failed, QStringLiteral("playback of %1 broke off: %2").arg(path_, QString::fromUtf8(mpv_error_string(ef->error))));
    }
  } else if (e->event_id == MPV_EVENT_IDLE) {
    // Its last sound has played: the player takes the next file at once again.
    player_->ended.invalidate();
    tellEnd();
  } else if (e->event_id == MPV_EVENT_PLAYBACK_RESTART) {
    if (mode_ == MediaMode::NotOpen) return;
    restarted_ = true;
    if (mode_ == MediaMode::Playing && awaitingStart_) {
      awaitingStart_ = false;
      notify(Note::Started);
    }
  } else if (e->event_id == MPV_EVENT_PROPERTY_CHANGE) {
    const auto* p = static_cast<mpv_event_property*>(e->data);
    if (p->format != MPV_FORMAT_STRING || qstrcmp(p->name, "current-ao") != 0) return;
    const char* ao = *static_cast<char**>(p->data);
    if (!ao) return;  // between files
    const bool silent = qstrcmp(ao, "null") == 0;
    if (silent == silentNoticed_) return;
    silentNoticed_ = silent;
    if (silent) qWarning().noquote() << "media: no sound server can be reached; playing silently";
    else qInfo().noquote() << "media: sound output is back:" << ao;
    if (silent && lookable_) serverLook_.start();
    else serverLook_.stop();
    // From the event loop, as every signal of a channel (this may run inside open()).
    QMetaObject::invokeMethod(
        this,
        [this, silent] {
          if (silent) emit soundOutputLost();
          else emit soundOutputReturned();
        },
        Qt::QueuedConnection);
  }
}

void MpvChannel::lookForServer() {
  if (!silentNoticed_ || mode_ != MediaMode::Playing) {
    serverLook_.stop();  // play() starts looking again
    return;
  }
  if (lookingForServer_) return;
  lookingForServer_ = true;
  // A connection attempt waits for the server (up to its time limit), so it is made on a pool
  // thread; the answer comes back through the player's guard, which drops it once the
  // channel has gone.
  QThreadPool::globalInstance()->start([wake = player_->wake] {
    const bool up = audio::PulseConnection::connect("Orvane", kServerAnswerMs, nullptr) != nullptr;
    wake->post(new ServerAnswer(up));
  });
}

void MpvChannel::serverAnswered(bool up) {
  lookingForServer_ = false;
  if (!up || !silentNoticed_ || mode_ != MediaMode::Playing) return;
  // libmpv opens its output again from the list (pulse first) on its own thread and the file
  // goes on there at its place; current-ao tells whether it took.
  mpv().commandAsync({"ao-reload"});
}

void MpvChannel::notify(Note note, const QString& message) {
  QCoreApplication::postEvent(this, new NoteEvent(generation_, int(note), message));
}

}  // namespace orvane
