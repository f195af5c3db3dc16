// System volume over libpulse.
#include "platform/audio/pulsesystemvolume.h"

#include <pulse/pulseaudio.h>

#include <QDeadlineTimer>

#include "platform/audio/pulseconnection.h"

namespace orvane {

namespace {
using audio::PulseConnection;

// What the callbacks hand back, under the connection's mutex.
struct Answer {
  PulseConnection* conn = nullptr;
  bool done = false;
  bool ok = false;
  QByteArray sinkName;
  pa_cvolume volume{};
};

void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
  auto* a = static_cast<Answer*>(data);
  {
    std::lock_guard<std::mutex> g(a->conn->mutex());
    if (info && info->default_sink_name) a->sinkName = info->default_sink_name;
    a->ok = !a->sinkName.isEmpty();
    a->done = true;
  }
  a->conn->notify();
}

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* data) {
  auto* a = static_cast<Answer*>(data);
  {
    std::lock_guard<std::mutex> g(a->conn->mutex());
    if (eol == 0 && info) {
      a->volume = info->volume;
      a->ok = true;
    }
    if (eol != 0) a->done = true;
  }
  if (eol != 0) a->conn->notify();
}

void onSuccess(pa_context*, int success, void* data) {
  auto* a = static_cast<Answer*>(data);
  {
    std::lock_guard<std::mutex> g(a->conn->mutex());
    a->ok = success != 0;
    a->done = true;
  }
  a->conn->notify();
}

int remaining(const QDeadlineTimer& deadline) { return int(qMax<qint64>(0, deadline.remainingTime())); }

// The default sink's name and volume; false when the server gave neither in time.
bool defaultSink(PulseConnection& c, const QDeadlineTimer& deadline, Answer& sink) {
  Answer server{&c};
  if (!c.runOperation(remaining(deadline), [&] { return pa_context_get_server_info(c.context(), &onServerInfo, &server); },
                      [&] { return server.done; }) ||
      !server.ok)
    return false;
  sink = Answer{&c};
  sink.sinkName = server.sinkName;
  return c.runOperation(
             remaining(deadline),
             [&] { return pa_context_get_sink_info_by_name(c.context(), sink.sinkName.constData(), &onSinkInfo, &sink); },
             [&] { return sink.done; }) &&
         sink.ok && sink.volume.channels > 0;
}
}  // namespace

bool PulseSystemVolume::setVolume(int percent) {
  const QDeadlineTimer deadline(timeoutMs_);
  auto c = PulseConnection::connect("Orvane", timeoutMs_, nullptr);
  if (!c) return false;
  Answer sink;
  if (!defaultSink(*c, deadline, sink)) return false;
  // The server's own percent scale, the one its mixers show.
  const auto v = pa_volume_t((quint64(PA_VOLUME_NORM) * quint64(qBound(0, percent, 100)) + 50) / 100);
  pa_cvolume target;
  pa_cvolume_set(&target, sink.volume.channels, v);
  Answer set{c.get()};
  return c->runOperation(
             remaining(deadline),
             [&] {
               return pa_context_set_sink_volume_by_name(c->context(), sink.sinkName.constData(), &target, &onSuccess, &set);
             },
             [&] { return set.done; }) &&
         set.ok;
}

std::optional<int> PulseSystemVolume::volume() {
  const QDeadlineTimer deadline(timeoutMs_);
  auto c = PulseConnection::connect("Orvane", timeoutMs_, nullptr);
  if (!c) return std::nullopt;
  Answer sink;
  if (!defaultSink(*c, deadline, sink)) return std::nullopt;
  const pa_volume_t v = pa_cvolume_max(&sink.volume);
  return int((quint64(v) * 100 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

}  // namespace orvane
