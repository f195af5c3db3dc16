// System volume over libpulse.
#include "platform/audio/pulsesystemvolume.h"

#include <pulse/pulseaudio.h>

#include <QDeadlineTimer>
#include <QString>
#include <functional>

namespace orvane {

namespace {

// One short conversation with the sound server on a main loop of our own, run on the calling
// thread and never beyond the deadline.
class PulseSession {
 public:
  explicit PulseSession(int timeoutMs) : deadline_(timeoutMs) {
    loop_ = pa_mainloop_new();
    if (!loop_) return;
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "Orvane");
    if (!context_) return;
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    ready_ = runUntil([this] {
      const pa_context_state_t s = pa_context_get_state(context_);
      return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    }) && pa_context_get_state(context_) == PA_CONTEXT_READY;
  }
  ~PulseSession() {
    if (context_) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    if (loop_) pa_mainloop_free(loop_);
  }
  bool ready() const { return ready_; }
  pa_context* context() const { return context_; }

  // Runs the loop until the condition holds; false at the deadline or when the link broke.
  bool runUntil(const std::function<bool()>& done) {
    while (!done()) {
      if (deadline_.hasExpired()) return false;
      if (context_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return done();
      const qint64 left = deadline_.remainingTime();
      if (pa_mainloop_prepare(loop_, int(qMax<qint64>(0, left) * 1000)) < 0) return false;
      if (pa_mainloop_poll(loop_) < 0) return false;
      if (pa_mainloop_dispatch(loop_) < 0) return false;
    }
    return true;
  }
  // Waits for an operation to finish; unrefs it.
  bool wait(pa_operation* op) {
    if (!op) return false;
    const bool ok = runUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
    if (!ok) pa_operation_cancel(op);
    pa_operation_unref(op);
    return ok;
  }

 private:
  QDeadlineTimer deadline_;
  pa_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool ready_ = false;
};

struct SinkState {
  bool found = false;
  QByteArray name;
  pa_cvolume volume{};
};

// The default sink's name, channels and volume.
SinkState defaultSink(PulseSession& s) {
  SinkState sink;
  QByteArray name;
  const bool ok = s.wait(pa_context_get_server_info(
      s.context(),
      [](pa_context*, const pa_server_info* info, void* data) {
        auto* n = static_cast<QByteArray*>(data);
        if (info && info->default_sink_name) *n = info->default_sink_name;
      },
      &name));
  if (!ok || name.isEmpty()) return sink;
  s.wait(pa_context_get_sink_info_by_name(
      s.context(), name.constData(),
      [](pa_context*, const pa_sink_info* info, int eol, void* data) {
        auto* st = static_cast<SinkState*>(data);
        if (eol || !info) return;
        st->found = true;
        st->name = info->name;
        st->volume = info->volume;
      },
      &sink));
  return sink;
}

}  // namespace

bool PulseSystemVolume::setVolume(int percent) {
  PulseSession s(timeoutMs_);
  if (!s.ready()) return false;
  SinkState sink = defaultSink(s);
  if (!sink.found || sink.volume.channels == 0) return false;
  // The server's own percent scale, the one its mixers show.
  const pa_volume_t v = pa_volume_t((quint64(PA_VOLUME_NORM) * quint64(qBound(0, percent, 100)) + 50) / 100);
  pa_cvolume target;
  pa_cvolume_set(&target, sink.volume.channels, v);
  bool success = false;
  const bool done = s.wait(pa_context_set_sink_volume_by_name(
      s.context(), sink.name.constData(), &target,
      [](pa_context*, int ok, void* data) { *static_cast<bool*>(data) = ok != 0; }, &success));
  return done && success;
}

std::optional<int> PulseSystemVolume::volume() {
  PulseSession s(timeoutMs_);
  if (!s.ready()) return std::nullopt;
  const SinkState sink = defaultSink(s);
  if (!sink.found) return std::nullopt;
  const pa_volume_t v = pa_cvolume_max(&sink.volume);
  return int((quint64(v) * 100 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

}  // namespace orvane
