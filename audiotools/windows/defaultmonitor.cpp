// Asks the sound server for its default sink, with the audio layer's bounded waits.
#include "audiotools/windows/defaultmonitor.h"

#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>

#include "platform/audio/pulseconnection.h"

namespace {
struct Answer {
  orvane::audio::PulseConnection* c = nullptr;
  QString sink;
  bool done = false;
};
void OnServerInfo(pa_context*, const pa_server_info* info, void* user) {
  auto* a = static_cast<Answer*>(user);
  std::lock_guard<std::mutex> lock(a->c->mutex());
  if (info && info->default_sink_name) a->sink = QString::fromUtf8(info->default_sink_name);
  a->done = true;
  a->c->notify();
}
}  // namespace

QString DefaultSinkMonitor() {
  QString error;
  auto c = orvane::audio::PulseConnection::connect("orvane-recorder", 2000, &error);
  if (!c) return {};
  Answer a;
  a.c = c.get();
  const bool ok = c->runOperation(
      2000, [&] { return pa_context_get_server_info(c->context(), OnServerInfo, &a); },
      [&] { return a.done; });
  return ok && !a.sink.isEmpty() ? a.sink + QLatin1String(".monitor") : QString();
}
