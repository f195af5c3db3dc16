// The capture backend over PulseAudio: sources by description, one stream per capture.
#include "platform/audio/pulsecapture.h"

#include <pulse/introspect.h>
#include <pulse/sample.h>

#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulseconnection.h"

namespace orvane::audio {

namespace {

const char* const kClientName = "Orvane";

struct SourceListing {
  PulseConnection* conn;
  QList<CaptureSource> list;
  bool done = false;
  bool error = false;
};

void onSourceInfo(pa_context*, const pa_source_info* info, int eol, void* userdata) {
  auto* l = static_cast<SourceListing*>(userdata);
  {
    std::lock_guard<std::mutex> g(l->conn->mutex());
    if (eol != 0) {
      l->done = true;
      l->error = eol < 0;
    } else if (info) {
      l->list.append({QString::fromUtf8(info->name), QString::fromUtf8(info->description)});
    }
  }
  if (eol != 0) l->conn->notify();
}

struct SinkCounting {
  PulseConnection* conn;
  int count = 0;
  bool done = false;
  bool error = false;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
  auto* s = static_cast<SinkCounting*>(userdata);
  {
    std::lock_guard<std::mutex> g(s->conn->mutex());
    if (eol != 0) {
      s->done = true;
      s->error = eol < 0;
    } else if (info) {
      ++s->count;
    }
  }
  if (eol != 0) s->conn->notify();
}

bool listSources(PulseConnection& c, QList<CaptureSource>* out, QString* error) {
  SourceListing l{&c, {}, false, false};
  bool ok = c.runOperation(
      PulseCapture::kQueryTimeoutMs,
      [&] { return pa_context_get_source_info_list(c.context(), &onSourceInfo, &l); },
      [&] { return l.done; });
  if (!ok || l.error) {
    if (error) *error = QStringLiteral("Cannot list the sound sources: %1").arg(ok ? c.errorText() : QStringLiteral("no answer"));
    return false;
  }
  *out = l.list;
  return true;
}

}  // namespace

QList<CaptureSource> PulseCapture::sources(bool* ok, QString* error) {
  QList<CaptureSource> list;
  auto c = PulseConnection::connect(kClientName, kConnectTimeoutMs, error);
  bool good = c && listSources(*c, &list, error);
  if (ok) *ok = good;
  return list;
}

int PulseCapture::sinkCount() {
  auto c = PulseConnection::connect(kClientName, kConnectTimeoutMs, nullptr);
  if (!c) return -1;
  SinkCounting s{c.get(), 0, false, false};
  bool ok = c->runOperation(
      kQueryTimeoutMs, [&] { return pa_context_get_sink_info_list(c->context(), &onSinkInfo, &s); },
      [&] { return s.done; });
  return ok && !s.error ? s.count : -1;
}

std::unique_ptr<CaptureStream> PulseCapture::open(int index, const CaptureFormat& format, QString* error) {
  pa_sample_spec spec;
  spec.format = format.bitsPerSample == 8 ? PA_SAMPLE_U8 : format.bitsPerSample == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_INVALID;
  spec.rate = format.sampleRate > 0 ? uint32_t(format.sampleRate) : 0;
  spec.channels = format.channels > 0 && format.channels <= 255 ? uint8_t(format.channels) : 0;
  if (!pa_sample_spec_valid(&spec)) {
    if (error)
      *error = QStringLiteral("Unsupported capture format: %1 bits, %2 channels, %3 Hz")
                   .arg(format.bitsPerSample).arg(format.channels).arg(format.sampleRate);
    return nullptr;
  }
  auto c = PulseConnection::connect(kClientName, kConnectTimeoutMs, error);
  if (!c) return nullptr;
  QList<CaptureSource> list;
  if (!listSources(*c, &list, error)) return nullptr;
  if (index < 0 || index >= list.size()) {
    if (error) *error = QStringLiteral("There is no sound source number %1").arg(index);
    return nullptr;
  }
  return PulseCaptureStream::open(std::move(c), list[index].name, format, kConnectTimeoutMs, error);
}

}  // namespace orvane::audio
