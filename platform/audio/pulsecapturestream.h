// One PulseAudio record stream. The server's fragments arrive on the connection's event
// thread and are queued; read() takes whole frames from the queue with a bounded wait.
#pragma once

#include <QByteArray>
#include <deque>
#include <memory>

#include "platform/audio/capturestream.h"
#include "platform/audio/pulseconnection.h"

struct pa_stream;

namespace orvane::audio {

class PulseCaptureStream : public CaptureStream {
 public:
  // Opens a record stream from the named source on an already connected server.
  static std::unique_ptr<PulseCaptureStream> open(std::unique_ptr<PulseConnection> connection,
                                                  const QString& sourceName, const CaptureFormat& format,
                                                  int timeoutMs, QString* error);
  ~PulseCaptureStream() override;

  int read(char* buffer, int maxBytes, int timeoutMs) override;
  QString errorString() const override;
  CaptureFormat format() const override { return format_; }

  // How much sound is kept for a reader that falls behind; older sound is dropped (and the
  // loss reported by the next read).
  static constexpr int kMaxQueuedSeconds = 20;
  // Size of the fragments the server is asked for; small enough for a lively level meter.
  static constexpr int kFragmentMs = 40;

 private:
  PulseCaptureStream(std::unique_ptr<PulseConnection> c, const CaptureFormat& f);
  static void readCallback(pa_stream* s, size_t nbytes, void* self);
  static void stateCallback(pa_stream* s, void* self);
  void fail(const QString& why);  // with the connection's mutex NOT held

  std::unique_ptr<PulseConnection> conn_;
  pa_stream* stream_ = nullptr;
  CaptureFormat format_;
  // Guarded by conn_->mutex():
  std::deque<QByteArray> queue_;
  qint64 queued_ = 0;
  int frontOffset_ = 0;
  qint64 dropped_ = 0;
  qint64 reportedDropped_ = 0;
  bool ready_ = false;
  bool failed_ = false;
  QString error_;
};

}  // namespace orvane::audio
