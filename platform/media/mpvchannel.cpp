// libmpv media channel.
#include "platform/media/mpvchannel.h"

#include <mpv/client.h>

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <atomic>
#include <cmath>
#include <mutex>

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

// Where libmpv's wake-up callback (on one of its own threads) posts to. The receiver is
// cleared before the channel goes away, so a late call posts nothing.
struct MpvWakeTarget {
  std::mutex mutex;
  QObject* receiver = nullptr;
  std::atomic<bool> pending{false};
  // The channel's stamp of the moment, read by the drawing thread, so that a picture of a
  // file that has been replaced meanwhile is recognised and dropped.
  std::atomic<quint64> generation{0};
  std::atomic<bool> framePending{false};

  // From the drawing thread: a new picture is there (one notice in the queue is enough).
  void pictureArrived() {
    if (framePending.exchange(true)) return;
    std::lock_guard<std::mutex> lock(mutex);
    if (receiver) QCoreApplication::postEvent(receiver, new QEvent(frameEventType()));
  }

  static void wakeup(void* data) {
    auto* t = static_cast<MpvWakeTarget*>(data);
    if (t->pending.exchange(true)) return;  // one wake-up event in the queue is enough
    std::lock_guard<std::mutex> lock(t->mutex);
    if (t->receiver) QCoreApplication::postEvent(t->receiver, new QEvent(wakeEventType()));
  }
};

MpvChannel::MpvChannel(ChannelKind kind, const MpvSettings& settings, std::shared_ptr<MidiRenderer> midi,
                       QObject* parent)
    : MediaChannel(parent),
      kind_(kind),
      wake_(std::make_unique<MpvWakeTarget>()),
      mpv_(settings, kindOptions(kind)),
      midi_(std::move(midi)),
      wantsSound_(settings.audioOutput != "null") {
  if (!mpv_.ok()) {
    qWarning().noquote() << "media:" << mpv_.error();
    return;
  }
  openingTimer_.setSingleShot(true);
  connect(&openingTimer_, &QTimer::timeout, this, &MpvChannel::openingTimedOut);
  wake_->receiver = this;
  mpv_set_wakeup_callback(mpv_.get(), &MpvWakeTarget::wakeup, wake_.get());
  // Which audio output libmpv really opened: "null" means the sound server was not there.
  if (wantsSound_) mpv_observe_property(mpv_.get(), 0, "current-ao", MPV_FORMAT_STRING);
  setVolume(volume_);
}

MpvChannel::~MpvChannel() {
  {
    std::lock_guard<std::mutex> lock(wake_->mutex);
    wake_->receiver = nullptr;
  }
  // The drawing thread ends and lets go of the video chain before libmpv itself goes.
  renderer_.reset();
  if (mpv_.ok()) mpv_set_wakeup_callback(mpv_.get(), nullptr, nullptr);
}

void MpvChannel::bumpGeneration() {
  ++generation_;
  wake_->generation = generation_;
  haveFrame_ = false;
}

bool MpvChannel::ensureRenderer() {
  if (renderer_) return true;
  if (!mpv_.ok()) return false;
  MpvWakeTarget* wake = wake_.get();
  auto renderer = std::make_unique<MpvFrameRenderer>(
      mpv_.get(), [wake] { return wake->generation.load(); }, [wake] { wake->pictureArrived(); });
  if (!renderer->ok()) {
    qWarning().noquote() << "media: libmpv's picture renderer did not start (" << renderer->error()
                         << "); video files play as sound";
    return false;
  }
  if (frameSize_.isValid()) renderer->setSize(frameSize_);
  renderer_ = std::move(renderer);
  mpv_set_property_string(mpv_.get(), "vo", "libmpv");
  return true;
}

void MpvChannel::applyVideoTrack() {
  if (kind_ != ChannelKind::MediaPlayer || !mpv_.ok()) return;
  mpv_set_property_string(mpv_.get(), "vid", videoFrames_ && renderer_ ? "auto" : "no");
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
  if (renderer_) renderer_->setSize(size);
}

std::shared_ptr<const VideoPicture> MpvChannel::videoPicture() const {
  if (!renderer_ || !haveFrame_ || mode_ == MediaMode::NotOpen) return nullptr;
  auto picture = renderer_->latest();
  return picture && picture->generation == generation_ ? picture : nullptr;
}

double MpvChannel::mpvVolume(int level) { return 100.0 * std::cbrt(double(qBound(0, level, 1000)) / 1000.0); }

MediaResult MpvChannel::open(const QString& path, int timeoutMs) {
  bumpGeneration();
  cancelOpening();
  if (mode_ != MediaMode::NotOpen) close();
  if (!mpv_.ok()) return MediaResult::failure(mpv_.error());
  if (renderer_) renderer_->clear();
  applyVideoTrack();
  const auto other = [this](mpv_event* e) { handle(e); };
  MpvHandle::Loaded loaded;
  if (MidiRenderer::isMidiFile(path)) {
    if (!midi_) return MediaResult::failure(QStringLiteral("MIDI files cannot be played here"));
    QString why;
    midiStream_ = midi_->start(path, &why);
    if (!midiStream_) return MediaResult::failure(why);
    loaded = mpv_.loadStream(midiStream_->takeReadFd(), timeoutMs, other);
    loaded.lengthMs = midiStream_->lengthMs();
  } else {
    loaded = mpv_.load(path, timeoutMs, other);
  }
  if (!loaded.ok) {
    midiStream_.reset();
    return MediaResult::failure(loaded.message);
  }
  // A file opened for its pictures says what it holds: a damaged, silent or huge video is
  // then plain from the log.
  if (videoFrames_) qInfo().noquote() << "media: video" << path << "-" << mpv_.describeTracks();
  return opened(loaded, path);
}

MediaResult MpvChannel::openAddress(const QString& url, int timeoutMs) {
  bumpGeneration();
  cancelOpening();
  if (mode_ != MediaMode::NotOpen) close();
  if (!mpv_.ok()) return MediaResult::failure(mpv_.error());
  // A radio address is sound only.
  if (kind_ == ChannelKind::MediaPlayer) mpv_set_property_string(mpv_.get(), "vid", "no");
  // Only the request is made here; libmpv connects on its own threads, and its events about
  // the entry come back through the wake-up callback like every other event.
  const MpvHandle::Loaded started = mpv_.startAddress(url);
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
  mpv_.command({"stop"});
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
  lastPositionMs_ = 0;
  ended_ = false;
  path_ = name;
  mode_ = MediaMode::Stopped;
  return MediaResult::success();
}

void MpvChannel::play() {
  if (mode_ == MediaMode::NotOpen || ended_) return;
  mpv_.setFlag("pause", false);
  mode_ = MediaMode::Playing;
  // A file that became ready while paused sends no second notice when it starts.
  awaitingStart_ = !restarted_;
  if (restarted_) notify(Note::Started);
}

void MpvChannel::pause() {
  if (mode_ != MediaMode::Playing) return;
  mpv_.setFlag("pause", true);
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
  mpv_.setFlag("pause", true);
  lastPositionMs_ = positionMs();
  mode_ = MediaMode::Stopped;
}

void MpvChannel::close() {
  bumpGeneration();
  cancelOpening();
  if (mode_ == MediaMode::NotOpen) return;
  mpv_.setFlag("pause", true);
  mpv_.command({"stop"});
  midiStream_.reset();
  mode_ = MediaMode::NotOpen;
  entryId_ = -1;
  path_.clear();
  lengthMs_ = lastPositionMs_ = 0;
  ended_ = false;
  awaitingStart_ = false;
}

qint64 MpvChannel::positionMs() const {
  if (mode_ == MediaMode::NotOpen) return 0;
  if (ended_) return lastPositionMs_;
  const double pos = mpv_.getDouble("time-pos", -1.0);
  if (pos >= 0) lastPositionMs_ = qBound<qint64>(0, qint64(std::llround(pos * 1000.0)), lengthMs_ > 0 ? lengthMs_ : LLONG_MAX);
  return lastPositionMs_;
}

void MpvChannel::seek(qint64 ms) {
  if (mode_ == MediaMode::NotOpen || ended_) return;
  const qint64 target = qBound<qint64>(0, ms, lengthMs_);
  const QByteArray seconds = QByteArray::number(double(target) / 1000.0, 'f', 3);
  mpv_.command({"seek", seconds.constData(), "absolute+exact"});
  lastPositionMs_ = target;
}

void MpvChannel::setVolume(int level) {
  volume_ = qBound(0, level, 1000);
  mpv_.setDouble("volume", mpvVolume(volume_));
}

bool MpvChannel::event(QEvent* e) {
  if (e->type() == wakeEventType()) {
    wake_->pending = false;
    drain();
    return true;
  }
  if (e->type() == frameEventType()) {
    wake_->framePending = false;
    const auto picture = renderer_ ? renderer_->latest() : nullptr;
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
  if (!mpv_.ok()) return;
  for (;;) {
    mpv_event* e = mpv_wait_event(mpv_.get(), 0);
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
      loaded.lengthMs = mpv_.durationMs();
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
      ended_ = true;
      lastPositionMs_ = lengthMs_;
      mode_ = MediaMode::Stopped;
      notify(Note::End);
    } else if (ef->reason == MPV_END_FILE_REASON_ERROR) {
      ended_ = true;
      mode_ = MediaMode::Stopped;
      notify(Note::Failed, QStringLiteral("playback of %1 broke off: %2").arg(path_, QString::fromUtf8(mpv_error_string(ef->error))));
    }
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

void MpvChannel::notify(Note note, const QString& message) {
  QCoreApplication::postEvent(this, new NoteEvent(generation_, int(note), message));
}

}  // namespace orvane
