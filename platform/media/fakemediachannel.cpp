// Fake media channel.
#include "platform/media/fakemediachannel.h"

#include "platform/media/fakemediabackend.h"

namespace orvane {

MediaResult FakeMediaChannel::openAddress(const QString& url, int timeoutMs) {
  if (!isStreamAddress(url)) {
    calls << QStringLiteral("open ") + url;
    return MediaResult::failure(QStringLiteral("not a stream address"));
  }
  return open(url.trimmed(), timeoutMs);
}

MediaResult FakeMediaChannel::open(const QString& path, int) {
  calls << QStringLiteral("open ") + path;
  if (mode_ != MediaMode::NotOpen) close();
  if (!backend_->opens(kind_, path)) return MediaResult::failure(QStringLiteral("cannot open ") + path);
  path_ = path;
  length_ = backend_->lengths.value(path, backend_->defaultLengthMs);
  position_ = 0;
  mode_ = MediaMode::Stopped;
  opened << path;
  return MediaResult::success();
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
  if (mode_ != MediaMode::NotOpen) mode_ = MediaMode::Stopped;
}

void FakeMediaChannel::close() {
  calls << QStringLiteral("close");
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
