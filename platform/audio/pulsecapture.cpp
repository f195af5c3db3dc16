// The capture backend over PulseAudio: sources by description, one stream per capture.
#include "platform/audio/pulsecapture.h"

#include <pulse/introspect.h>
#include <pulse/sample.h>

#include "platform/audio/pulsecapturestream.h"
#include "platform/audio/pulseconnection.h"

namespace orvane::audio {

namespace {

const char* const kClientName = "Orvane";

// What a source or sink list query hands out, collected under the connection's mutex.
struct DeviceListing {
  PulseConnection* conn;
  QList<CaptureSource> devices;
  bool done = false;
  bool error = false;
};

// The callback of both list queries: pa_source_info and pa_sink_info name and describe a
// device the same way.
template <typename Info>
void onDeviceInfo(pa_context*, const Info* info, int eol, void* userdata) {
  auto* l = static_cast<DeviceListing*>(userdata);
  {
    std::lock_guard<std::mutex> g(l->conn->mutex());
    if (eol != 0) {
      l->done = true;
      l->error = eol < 0;
    } else if (info) {
      l->devices.append({QString::fromUtf8(info->name), QString::fromUtf8(info->description)});
    }
  }
  if (eol != 0) l->conn->notify();
}

// The sources (sinks when `sinks`) in the server's order; false with the reason on failure.
bool listDevices(PulseConnection& c, bool sinks, QList<CaptureSource>* out, QString* error) {
  DeviceListing l{&c};
  bool ok = c.runOperation(
      PulseCapture::kQueryTimeoutMs,
      [&] {
        return sinks ? pa_context_get_sink_info_list(c.context(), &onDeviceInfo<pa_sink_info>, &l)
                     : pa_context_get_source_info_list(c.context(), &onDeviceInfo<pa_source_info>, &l);
      },
      [&] { return l.done; });
  if (!ok || l.error) {
    if (error)
      *error = QStringLiteral("Cannot list the sound %1: %2")
                   .arg(sinks ? QStringLiteral("outputs") : QStringLiteral("sources"),
                        ok ? c.errorText() : QStringLiteral("no answer"));
    return false;
  }
  *out = l.devices;
  return true;
}

}  // namespace

QList<CaptureSource> PulseCapture::sources(bool* ok, QString* error) {
  QList<CaptureSource> list;
  auto c = PulseConnection::connect(kClientName, kConnectTimeoutMs, error);
  bool good = c && listDevices(*c, false, &list, error);
  if (ok) *ok = good;
  return list;
}

int PulseCapture::sinkCount() {
  auto c = PulseConnection::connect(kClientName, kConnectTimeoutMs, nullptr);
  QList<CaptureSource> sinks;
  return c && listDevices(*c, true, &sinks, nullptr) ? int(sinks.size()) : -1;
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
  if (!listDevices(*c, false, &list, error)) return nullptr;
  if (index < 0 || index >= list.size()) {
    if (error) *error = QStringLiteral("There is no sound source number %1").arg(index);
    return nullptr;
  }
  return PulseCaptureStream::open(std::move(c), list[index].name, format, kConnectTimeoutMs, error);
}

}  // namespace orvane::audio
