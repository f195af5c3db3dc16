// One PulseAudio record stream with a queue of captured fragments.
#include "platform/audio/pulsecapturestream.h"

#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <QtGlobal>
#include <algorithm>
#include <cstring>

namespace orvane::audio {

PulseCaptureStream::PulseCaptureStream(std::unique_ptr<PulseConnection> c, const CaptureFormat& f)
    : conn_(std::move(c)), format_(f) {}

std::unique_ptr<PulseCaptureStream> PulseCaptureStream::open(std::unique_ptr<PulseConnection> connection,
                                                             const QString& sourceName, const CaptureFormat& format,
                                                             int timeoutMs, QString* error) {
  std::unique_ptr<PulseCaptureStream> s(new PulseCaptureStream(std::move(connection), format));
  PulseConnection& c = *s->conn_;
  pa_sample_spec spec;
  spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
  spec.rate = uint32_t(format.sampleRate);
  spec.channels = uint8_t(format.channels);
  {
    PulseConnection::Lock l(c);
    s->stream_ = pa_stream_new(c.context(), "Recording", &spec, nullptr);
    if (!s->stream_) {
      if (error) *error = QStringLiteral("Cannot create a record stream: %1").arg(c.errorText());
      return nullptr;
    }
    pa_stream_set_state_callback(s->stream_, &PulseCaptureStream::stateCallback, s.get());
    pa_stream_set_read_callback(s->stream_, &PulseCaptureStream::readCallback, s.get());
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    int frame = format.frameBytes();
    attr.fragsize = uint32_t(std::max(frame, int(qint64(format.bytesPerSecond()) * kFragmentMs / 1000 / frame * frame)));
    QByteArray name = sourceName.toUtf8();
    if (pa_stream_connect_record(s->stream_, name.constData(), &attr, PA_STREAM_ADJUST_LATENCY) < 0) {
      if (error) *error = QStringLiteral("Cannot start recording from \"%1\": %2").arg(sourceName, c.errorText());
      return nullptr;
    }
  }
  PulseCaptureStream* raw = s.get();
  c.waitFor(timeoutMs, [raw] { return raw->ready_ || raw->failed_; });
  bool ready = false, failed = false;
  QString why;
  {
    std::lock_guard<std::mutex> g(c.mutex());
    ready = s->ready_ && !s->failed_;
    failed = s->failed_;
    why = s->error_;
  }
  // Never destroy the stream while holding the connection's mutex: its callbacks take it.
  if (!ready) {
    if (error)
      *error = failed ? QStringLiteral("Cannot start recording from \"%1\": %2").arg(sourceName, why)
                      : QStringLiteral("Recording from \"%1\" did not start within %2 ms").arg(sourceName).arg(timeoutMs);
    return nullptr;
  }
  return s;
}

PulseCaptureStream::~PulseCaptureStream() {
  if (stream_) {
    PulseConnection::Lock l(*conn_);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  // conn_ goes next and joins the event thread.
}

void PulseCaptureStream::stateCallback(pa_stream* s, void* self) {
  auto* me = static_cast<PulseCaptureStream*>(self);
  pa_stream_state_t st = pa_stream_get_state(s);
  if (st == PA_STREAM_READY) {
    {
      std::lock_guard<std::mutex> g(me->conn_->mutex());
      me->ready_ = true;
    }
    me->conn_->notify();
  } else if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) {
    me->fail(st == PA_STREAM_FAILED ? me->conn_->errorText() : QStringLiteral("the sound server ended the recording"));
  }
}

void PulseCaptureStream::fail(const QString& why) {
  {
    std::lock_guard<std::mutex> g(conn_->mutex());
    if (!failed_) error_ = why;
    failed_ = true;
  }
  conn_->notify();
}

void PulseCaptureStream::readCallback(pa_stream* s, size_t, void* self) {
  auto* me = static_cast<PulseCaptureStream*>(self);
  const char silence = me->format_.bitsPerSample == 8 ? char(0x80) : char(0);
  const qint64 cap = qint64(me->format_.bytesPerSecond()) * kMaxQueuedSeconds;
  bool any = false;
  while (pa_stream_readable_size(s) > 0) {
    const void* data = nullptr;
    size_t n = 0;
    if (pa_stream_peek(s, &data, &n) < 0) {
      me->fail(QStringLiteral("reading the recording failed: %1").arg(me->conn_->errorText()));
      return;
    }
    if (n == 0) break;  // nothing there after all; nothing to drop
    // A hole (data missing on the server) becomes silence of its length, so the timing holds.
    QByteArray chunk = data ? QByteArray(static_cast<const char*>(data), qsizetype(n)) : QByteArray(qsizetype(n), silence);
    pa_stream_drop(s);
    std::lock_guard<std::mutex> g(me->conn_->mutex());
    me->queue_.push_back(std::move(chunk));
    me->queued_ += qint64(n);
    // Nobody has read for a long time: keep the newest sound, count what was lost.
    while (me->queued_ > cap && me->queue_.size() > 1) {
      qint64 front = me->queue_.front().size() - me->frontOffset_;
      me->dropped_ += front;
      me->queued_ -= front;
      me->queue_.pop_front();
      me->frontOffset_ = 0;
    }
    any = true;
  }
  if (any) me->conn_->notify();
}

int PulseCaptureStream::read(char* buffer, int maxBytes, int timeoutMs) {
  const int frame = format_.frameBytes();
  const int chunkCap = std::max(frame, format_.bytesPerSecond() / 10 / frame * frame);  // about 100 ms
  std::unique_lock<std::mutex> lk(conn_->mutex());
  conn_->condition().wait_for(lk, std::chrono::milliseconds(std::max(0, timeoutMs)),
                              [&] { return queued_ >= frame || failed_; });
  if (queued_ < frame) return failed_ ? -1 : 0;
  qint64 want = std::min<qint64>({qint64(maxBytes), queued_, qint64(chunkCap)});
  want -= want % frame;
  qint64 copied = 0;
  while (copied < want) {
    QByteArray& front = queue_.front();
    qint64 take = std::min<qint64>(want - copied, front.size() - frontOffset_);
    std::memcpy(buffer + copied, front.constData() + frontOffset_, size_t(take));
    copied += take;
    frontOffset_ += int(take);
    if (frontOffset_ >= front.size()) {
      queue_.pop_front();
      frontOffset_ = 0;
    }
  }
  queued_ -= copied;
  if (dropped_ > reportedDropped_) {
    qWarning("Recording lost %lld ms of sound: it was not read in time",
             (dropped_ - reportedDropped_) * 1000 / format_.bytesPerSecond());
    reportedDropped_ = dropped_;
  }
  return int(copied);
}

QString PulseCaptureStream::errorString() const {
  std::lock_guard<std::mutex> g(conn_->mutex());
  return error_;
}

}  // namespace orvane::audio
