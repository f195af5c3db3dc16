// A capture backend without a sound server, for tests.
#include "platform/audio/fakecapture.h"

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace orvane::audio {

namespace {

class FakeStream : public CaptureStream {
 public:
  FakeStream(FakeCapture& owner, const CaptureFormat& f) : owner_(owner), format_(f) { clock_.start(); }
  ~FakeStream() override { ++owner_.closes; }

  int read(char* buffer, int maxBytes, int timeoutMs) override {
    ++owner_.reads;
    if (failed_) return -1;
    const int frame = format_.frameBytes();
    qint64 want = std::min<qint64>(maxBytes, std::max(frame, format_.bytesPerSecond() / 10 / frame * frame));
    if (owner_.failAfterBytes >= 0) {
      if (delivered_ >= owner_.failAfterBytes) {
        failed_ = true;
        return -1;
      }
      want = std::min(want, owner_.failAfterBytes - delivered_);
    }
    if (owner_.stallAfterBytes >= 0) {
      if (delivered_ >= owner_.stallAfterBytes) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, timeoutMs)));
        return 0;
      }
      want = std::min(want, owner_.stallAfterBytes - delivered_);
    }
    if (owner_.realTime) {
      // Wait until at least one frame is due, then hand out what the clock allows.
      auto due = [&] { return clock_.nsecsElapsed() * format_.sampleRate / 1000000000 - delivered_ / frame; };
      QElapsedTimer waited;
      waited.start();
      while (due() < 1) {
        if (waited.elapsed() >= timeoutMs) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      want = std::min(want, due() * frame);
    }
    want -= want % frame;
    int frames = int(want / frame);
    if (owner_.generator)
      owner_.generator(buffer, delivered_ / frame, frames, format_);
    else
      FakeCapture::sine(buffer, delivered_ / frame, frames, format_, owner_.frequency, owner_.amplitude);
    delivered_ += want;
    return int(want);
  }

  QString errorString() const override { return failed_ ? owner_.failText : QString(); }
  CaptureFormat format() const override { return format_; }

 private:
  FakeCapture& owner_;
  CaptureFormat format_;
  QElapsedTimer clock_;
  qint64 delivered_ = 0;
  bool failed_ = false;
};

}  // namespace

FakeCapture::FakeCapture() {
  sourceList = {{QStringLiteral("fake.mic"), QStringLiteral("Fake microphone")}};
}

int FakeCapture::lastIndex() const {
  std::lock_guard<std::mutex> g(mutex_);
  return lastIndex_;
}

CaptureFormat FakeCapture::lastFormat() const {
  std::lock_guard<std::mutex> g(mutex_);
  return lastFormat_;
}

QList<CaptureSource> FakeCapture::sources(bool* ok, QString* error) {
  if (ok) *ok = serverUp;
  if (!serverUp) {
    if (error) *error = QStringLiteral("Cannot connect to the sound server: Connection refused");
    return {};
  }
  return sourceList;
}

int FakeCapture::sinkCount() { return serverUp ? sinks : -1; }

std::unique_ptr<CaptureStream> FakeCapture::open(int index, const CaptureFormat& format, QString* error) {
  auto refuse = [&](const QString& why) {
    if (error) *error = why;
    return std::unique_ptr<CaptureStream>();
  };
  if (!serverUp) return refuse(QStringLiteral("Cannot connect to the sound server: Connection refused"));
  if (!openError.isEmpty()) return refuse(openError);
  if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels < 1 || format.sampleRate < 1)
    return refuse(QStringLiteral("Unsupported capture format: %1 bits, %2 channels, %3 Hz")
                      .arg(format.bitsPerSample).arg(format.channels).arg(format.sampleRate));
  if (index < 0 || index >= sourceList.size()) return refuse(QStringLiteral("There is no sound source number %1").arg(index));
  {
    std::lock_guard<std::mutex> g(mutex_);
    lastIndex_ = index;
    lastFormat_ = format;
  }
  ++opens;
  return std::make_unique<FakeStream>(*this, format);
}

void FakeCapture::sine(char* out, qint64 first, int frames, const CaptureFormat& f, double frequency, double amplitude) {
  for (int i = 0; i < frames; ++i) {
    double v = amplitude * std::sin(2 * std::numbers::pi * frequency * double(first + i) / f.sampleRate);
    for (int c = 0; c < f.channels; ++c) {
      if (f.bitsPerSample == 8) {
        *out++ = char(uint8_t(std::lround(128 + 127 * v)));
      } else {
        auto s = int16_t(std::lround(32767 * v));
        *out++ = char(s & 0xff);
        *out++ = char((s >> 8) & 0xff);
      }
    }
  }
}

}  // namespace orvane::audio
