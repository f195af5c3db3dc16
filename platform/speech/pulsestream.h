// One libpulse playback stream fed with 16-bit mono samples from any thread, corked to pause.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct pa_stream;
struct pa_operation;

namespace orvane {

namespace audio {
class PulseConnection;
}

class PulseStream {
 public:
  PulseStream();
  ~PulseStream();
  PulseStream(const PulseStream&) = delete;
  PulseStream& operator=(const PulseStream&) = delete;

  // Connects to the sound server when needed (PULSE_SERVER or the user's default, never one
  // started for us) and starts a new stream on its default sink, closing the previous one.
  // Bounded in time; false with the reason when there is no server or it refuses the stream.
  bool open(int sampleRate, QString* error, int timeoutMs = 2000);
  // Queues samples behind those already given. Any thread.
  void append(const int16_t* samples, int count);
  // No more samples will come: play out what is queued, then call the drained handler.
  void finish();
  // Corks (true) or uncorks the stream; a corked stream holds its place and makes no sound.
  void setPaused(bool paused);
  // Silence at once; no handler is called for this stream afterwards.
  void close();
  // Samples of this stream that have reached the speaker so far (stops while corked).
  qint64 playedSamples();

  // Called on libpulse's own thread; they must only post to the owner's thread.
  std::function<void()> onDrained;
  std::function<void(const QString&)> onFailed;

 private:
  void closeLocked();
  void writeMore();
  static void streamState(pa_stream* s, void* self);
  static void streamWrite(pa_stream* s, std::size_t bytes, void* self);
  static void drained(pa_stream* s, int success, void* self);
  static void timingUpdated(pa_stream* s, int success, void* self);

  // Kept from stream to stream; made anew when it was lost.
  std::unique_ptr<audio::PulseConnection> conn_;
  bool settled_ = false;  // guarded by conn_->mutex(): the new stream is ready or has failed
  // Everything below is guarded by the connection's event lock.
  pa_stream* stream_ = nullptr;
  pa_operation* drain_ = nullptr;
  pa_operation* timing_ = nullptr;
  int rate_ = 22050;
  std::vector<int16_t> pcm_;
  std::size_t written_ = 0;  // samples handed to the server
  qint64 heard_ = 0;         // never goes back, even when the server rewinds
  bool finished_ = false;
  bool reportedEnd_ = false;
};

}  // namespace orvane
