// One open capture: whole frames of PCM read with a bounded wait, closed when destroyed.
#pragma once

#include <QString>

namespace orvane::audio {

// The PCM layout a capture is opened in: 8-bit unsigned or 16-bit signed little-endian,
// interleaved channels.
struct CaptureFormat {
  int sampleRate = 8000;
  int channels = 1;
  int bitsPerSample = 8;

  int frameBytes() const { return channels * (bitsPerSample / 8); }
  int bytesPerSecond() const { return sampleRate * frameBytes(); }
};

class CaptureStream {
 public:
  virtual ~CaptureStream() = default;

  // Copies whole frames of captured sound into buffer: at most maxBytes and at most about
  // 100 ms of sound. Waits up to timeoutMs for sound to arrive. Returns the byte count
  // (a multiple of the frame size), 0 when nothing arrived in time, -1 on a capture error
  // (errorString() then says why; the stream stays failed).
  virtual int read(char* buffer, int maxBytes, int timeoutMs) = 0;
  virtual QString errorString() const = 0;
  virtual CaptureFormat format() const = 0;
};

}  // namespace orvane::audio
