// Sound-card capture: the source of the recorder's chain, reading PCM from a capture source
// of the sound server.
#pragma once

#include <atomic>
#include <memory>

#include "audiotools/core/ACS_Classes.h"

namespace orvane::audio {
class CaptureStream;
}

class TAudioIn : public TACSInput {
 public:
  static constexpr int kBufferSize = 16384;
  // A capture that delivers nothing for this long has stalled: the run ends with an error.
  // Sources with a fixed latency of 2 s (PulseAudio's sine source) deliver every 2 s, so
  // the limit leaves them a second of slack.
  static constexpr int kReadTimeoutMs = 3000;

  ~TAudioIn() override;

  int GetBitsPerSample() override { return InBitsPerSample; }
  int GetChannels() override { return InChannels; }
  int GetSampleRate() override { return InSampleRate; }
  double GetTotalTime() override { return RecTime; }
  int GetData(void* Buffer, int BufferSize) override;
  void Init() override;
  void Flush() override;

  // Capture source number (in the order the sound server lists them).
  int BaseChannel() const { return baseChannel_; }
  void SetBaseChannel(int Value);

  std::atomic<int> InBitsPerSample{8};
  std::atomic<int> InChannels{1};
  std::atomic<int> InSampleRate{8000};
  std::atomic<int> RecTime{600};  // seconds

  // Bytes a whole run records: (bits div 8) x RecTime x channels x rate, fixed by Init.
  qint64 RecordSize() const { return recordSize_; }

 private:
  void OpenDevice();
  void CloseDevice();

  std::atomic<int> baseChannel_{0};
  std::unique_ptr<orvane::audio::CaptureStream> device_;
  int openCount_ = 0;
  qint64 recordSize_ = 0;
  char buffer_[kBufferSize];
};

// Capture sources and playback devices of the sound server, counted on first use (and again
// when the server could not be asked or another backend was installed).
int InputDeviceCount();
int OutputDeviceCount();
