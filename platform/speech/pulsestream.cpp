// libpulse playback on the shared connection's event thread: samples are queued in memory and
// handed to the server as it asks for them, so corking the stream really holds the reading
// where it is.
#include "platform/speech/pulsestream.h"

#include <pulse/pulseaudio.h>

#include <QDeadlineTimer>
#include <algorithm>

#include "platform/audio/pulseconnection.h"

namespace orvane {

using audio::PulseConnection;

PulseStream::PulseStream() = default;

PulseStream::~PulseStream() {
  close();
  // conn_ goes next and joins the event thread.
}

bool PulseStream::open(int sampleRate, QString* error, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  close();
  if (!conn_ || conn_->failed()) {  // a connection that failed or was lost: start over
    conn_.reset();
    conn_ = PulseConnection::connect("Orvane", timeoutMs, error);
    if (!conn_) return false;
  }
  const pa_sample_spec spec{PA_SAMPLE_S16LE, uint32_t(sampleRate), 1};
  {
    PulseConnection::Lock lock(*conn_);
    {
      std::lock_guard<std::mutex> g(conn_->mutex());
      settled_ = false;
    }
    rate_ = sampleRate;
    stream_ = pa_stream_new(conn_->context(), "Speech", &spec, nullptr);
    if (!stream_) {
      if (error) *error = QStringLiteral("the sound server refused a stream: %1").arg(conn_->errorText());
      return false;
    }
    pa_stream_set_state_callback(stream_, streamState, this);
    pa_stream_set_write_callback(stream_, streamWrite, this);
    // A short target keeps the first sound near the start and a cork near silent at once.
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(100000, &spec));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
      if (error) *error = QStringLiteral("the sound server refused a stream: %1").arg(conn_->errorText());
      closeLocked();
      return false;
    }
  }
  const bool settled = conn_->waitFor(int(std::max<qint64>(0, deadline.remainingTime())), [this] { return settled_; });
  PulseConnection::Lock lock(*conn_);
  if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
    writeMore();
    return true;
  }
  if (error) {
    *error = settled ? QStringLiteral("the sound server refused a stream: %1").arg(conn_->errorText())
                     : QStringLiteral("the sound server did not open a stream within %1 ms").arg(timeoutMs);
  }
  closeLocked();
  return false;
}

void PulseStream::streamState(pa_stream* s, void* self) {
  auto* me = static_cast<PulseStream*>(self);
  if (s != me->stream_) return;
  const pa_stream_state_t st = pa_stream_get_state(s);
  if (st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st)) {
    {
      std::lock_guard<std::mutex> g(me->conn_->mutex());
      me->settled_ = true;
    }
    me->conn_->notify();
  }
  if ((st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) && me->onFailed && !me->reportedEnd_) {
    me->reportedEnd_ = true;
    me->onFailed(QStringLiteral("the sound server ended the stream: %1").arg(me->conn_->errorText()));
  }
}

void PulseStream::streamWrite(pa_stream*, std::size_t, void* self) { static_cast<PulseStream*>(self)->writeMore(); }

void PulseStream::writeMore() {
  if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY) return;
  const std::size_t room = pa_stream_writable_size(stream_);
  if (room != std::size_t(-1)) {
    const std::size_t samples = std::min(room / sizeof(int16_t), pcm_.size() - written_);
    if (samples > 0 &&
        pa_stream_write(stream_, pcm_.data() + written_, samples * sizeof(int16_t), nullptr, 0, PA_SEEK_RELATIVE) == 0) {
      written_ += samples;
    }
  }
  if (finished_ && written_ == pcm_.size() && !drain_ && !reportedEnd_) drain_ = pa_stream_drain(stream_, drained, this);
}

void PulseStream::drained(pa_stream* s, int success, void* self) {
  auto* me = static_cast<PulseStream*>(self);
  if (s != me->stream_) return;
  if (me->drain_) {
    pa_operation_unref(me->drain_);
    me->drain_ = nullptr;
  }
  if (!success || me->reportedEnd_) return;
  me->reportedEnd_ = true;
  if (me->onDrained) me->onDrained();
}

void PulseStream::timingUpdated(pa_stream*, int, void* self) {
  auto* me = static_cast<PulseStream*>(self);
  if (me->timing_) {
    pa_operation_unref(me->timing_);
    me->timing_ = nullptr;
  }
}

void PulseStream::append(const int16_t* samples, int count) {
  if (!conn_ || count <= 0) return;
  PulseConnection::Lock lock(*conn_);
  if (!stream_) return;
  pcm_.insert(pcm_.end(), samples, samples + count);
  writeMore();
}

void PulseStream::finish() {
  if (!conn_) return;
  PulseConnection::Lock lock(*conn_);
  if (!stream_) return;
  finished_ = true;
  writeMore();
}

void PulseStream::setPaused(bool paused) {
  if (!conn_) return;
  PulseConnection::Lock lock(*conn_);
  if (!stream_) return;
  if (pa_operation* op = pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr)) pa_operation_unref(op);
  if (pa_operation* op = pa_stream_update_timing_info(stream_, nullptr, nullptr)) pa_operation_unref(op);
}

void PulseStream::close() {
  if (!conn_) return;
  PulseConnection::Lock lock(*conn_);
  closeLocked();
}

void PulseStream::closeLocked() {
  for (pa_operation** op : {&drain_, &timing_}) {
    if (!*op) continue;
    pa_operation_cancel(*op);
    pa_operation_unref(*op);
    *op = nullptr;
  }
  if (stream_) {
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  pcm_.clear();
  pcm_.shrink_to_fit();
  written_ = 0;
  heard_ = 0;
  finished_ = false;
  reportedEnd_ = false;
}

qint64 PulseStream::playedSamples() {
  if (!conn_) return 0;
  PulseConnection::Lock lock(*conn_);
  if (!stream_) return 0;
  // The server's own account (refreshed every 100 ms): what the sink has taken from the stream
  // minus what it still holds, carried forward by the time since, while it plays. libpulse's
  // interpolation runs its clock before the sink has started the stream, which would mark
  // words early (and through a pause that came before the first sound).
  const pa_timing_info* ti = pa_stream_get_timing_info(stream_);
  if (!ti) return heard_;
  timeval now;
  pa_gettimeofday(&now);
  const qint64 age = qint64(pa_timeval_diff(&now, &ti->timestamp));
  // libpulse's own updates come ever more rarely (up to 1.5 s apart); ask more often.
  if (age > 50000 && !timing_) timing_ = pa_stream_update_timing_info(stream_, timingUpdated, this);
  const pa_sample_spec* spec = pa_stream_get_sample_spec(stream_);
  qint64 usec = qint64(pa_bytes_to_usec(uint64_t(std::max<int64_t>(ti->read_index, 0)), spec)) - qint64(ti->sink_usec);
  if (ti->playing && !pa_stream_is_corked(stream_)) usec += age;
  // Nothing can be heard that was not yet handed over.
  heard_ = std::clamp(usec * rate_ / 1000000, heard_, std::max(heard_, qint64(written_)));
  return heard_;
}

}  // namespace orvane
