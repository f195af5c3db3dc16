// Fake media channel.
#include "platform/media/fakemediachannel.h"

#include "platform/media/fakemediabackend.h"

namespace orvane {

MediaResult FakeMediaChannel::openAddress(const QString& url, int) {
  if (!isStreamAddress(url)) {
    calls << QStringLiteral("open ") + url;
    return MediaResult::failure(QStringLiteral("not a stream address"));
  }
  calls << QStringLiteral("open ") + url.trimmed();
  if (mode_ != MediaMode::NotOpen) close();
  ++generation_;
  pending_ = url.trimmed();
  if (backend_->answerAddresses) {
    // Posted, like the real layer's answer, and dropped when the opening was given up.
    const quint64 g = generation_;
    QMetaObject::invokeMethod(
        this, [this, g] { if (g == generation_) answer(); }, Qt::QueuedConnection);
  }
  return MediaResult::success();
}

void FakeMediaChannel::answer() {
  if (pending_.isEmpty()) return;
  const QString url = pending_;
  pending_.clear();
  if (!backend_->opens(kind_, url)) {
    emit loadFailed(QStringLiteral("cannot open ") + url);
    return;
  }
  load(url);
  emit loaded();
}

MediaResult FakeMediaChannel::open(const QString& path, int timeoutMs) {
  calls << QStringLiteral("open ") + path;
  ++generation_;
  pending_.clear();
  if (mode_ != MediaMode::NotOpen) close();
  if (backend_->openTakesMs.value(path) > timeoutMs) return MediaResult::failure(QStringLiteral("timed out"));
  if (!backend_->opens(kind_, path)) return MediaResult::failure(QStringLiteral("cannot open ") + path);
  load(path);
  return MediaResult::success();
}

void FakeMediaChannel::load(const QString& path) {
  path_ = path;
  length_ = backend_->lengths.value(path, backend_->defaultLengthMs);
  position_ = 0;
  mode_ = MediaMode::Stopped;
  opened << path;
}

void FakeMediaChannel::play() {
  calls << QStringLiteral("play");
  if (mode_ != MediaMode::NotOpen && position_ < length_) mode_ = MediaMode::Playing;
}

void FakeMediaChannel::pause() {
  calls << QStringLiteral("pause");
  if (mode_ == MediaMode::Playing) mode_ = MediaMode::Paused;
}

void FakeMediaChannel::stop() {
  calls << QStringLiteral("stop");
  ++generation_;
  pending_.clear();
  if (mode_ != MediaMode::NotOpen) mode_ = MediaMode::Stopped;
}

void FakeMediaChannel::close() {
  calls << QStringLiteral("close");
  ++generation_;
  pending_.clear();
  mode_ = MediaMode::NotOpen;
  path_.clear();
  position_ = length_ = 0;
}

void FakeMediaChannel::seek(qint64 ms) {
  calls << QStringLiteral("seek ") + QString::number(ms);
  if (mode_ != MediaMode::NotOpen) position_ = qBound<qint64>(0, ms, length_);
}

void FakeMediaChannel::setVolume(int level) {
  volume_ = qBound(0, level, 1000);
  volumes.push_back(volume_);
}

void FakeMediaChannel::finish() {
  if (mode_ != MediaMode::Playing) return;
  position_ = length_;
  mode_ = MediaMode::Stopped;
  emit endOfMedia();
}

void FakeMediaChannel::breakOff(const QString& why) {
  if (mode_ == MediaMode::NotOpen) return;
  mode_ = MediaMode::Stopped;
  emit failed(why);
}

}  // namespace orvane
