// Sound-card capture: the source of the recorder's chain, reading PCM from a capture source
// of the sound server.
#include "audiotools/core/ACS_Audio.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/audio/capturebackend.h"

namespace {

struct DeviceCounts {
  std::mutex mutex;
  int generation = -1;  // backend generation the counts belong to; -1 = not counted
  int inputs = 0;
  int outputs = 0;
};

DeviceCounts& counts() {
  static DeviceCounts c;
  return c;
}

// Counts once per backend; a server that could not be asked is asked again next time.
void CountDevices(bool refresh) {
  DeviceCounts& c = counts();
  std::lock_guard<std::mutex> g(c.mutex);
  int gen = orvane::audio::captureBackendGeneration();
  if (!refresh && c.generation == gen) return;
  bool ok = false;
  auto& backend = orvane::audio::captureBackend();
  c.inputs = int(backend.sources(&ok).size());
  c.outputs = std::max(0, backend.sinkCount());
  c.generation = ok ? gen : -1;
}

}  // namespace

int InputDeviceCount() {
  CountDevices(false);
  std::lock_guard<std::mutex> g(counts().mutex);
  return counts().inputs;
}

int OutputDeviceCount() {
  CountDevices(false);
  std::lock_guard<std::mutex> g(counts().mutex);
  return counts().outputs;
}

TAudioIn::~TAudioIn() { ReleaseUsers(); }

void TAudioIn::SetBaseChannel(int Value) {
  if (Busy) throw EACSException(QStringLiteral("Component is buisy"));
  // Sources come and go on a sound server: count again before refusing a number.
  if (Value >= InputDeviceCount()) CountDevices(true);
  if (Value < 0 || Value >= InputDeviceCount())
    throw EACSException(QStringLiteral("Channel ") + QString::number(Value) + QStringLiteral(" is not available"));
  baseChannel_ = Value;
}

void TAudioIn::OpenDevice() {
  if (openCount_ == 0) {
    orvane::audio::CaptureFormat f;
    f.sampleRate = InSampleRate;
    f.channels = InChannels;
    f.bitsPerSample = InBitsPerSample;
    QString error;
    device_ = orvane::audio::captureBackend().open(baseChannel_, f, &error);
    if (!device_) throw EACSException(error);
  }
  ++openCount_;
}

void TAudioIn::CloseDevice() {
  if (openCount_ == 1) device_.reset();
  if (openCount_ > 0) --openCount_;
}

void TAudioIn::Init() {
  if (Busy) throw EACSException(QStringLiteral("The component is buisy"));
  BufStart = 0;
  BufEnd = 0;
  Position = 0;
  recordSize_ = qint64(InBitsPerSample / 8) * RecTime * InChannels * InSampleRate;
  Busy = true;
  try {
    OpenDevice();  // capture starts here
  } catch (...) {
    Busy = false;
    throw;
  }
  Size = recordSize_;
}

int TAudioIn::GetData(void* Buffer, int BufferSize) {
  if (!Busy || !device_) throw EACSException(QStringLiteral("The Stream is not opened"));
  if (recordSize_ >= 0 && Position >= recordSize_) return 0;
  if (BufStart >= BufEnd) {
    BufStart = 0;
    BufEnd = 0;
    // Never read past the record size: a run records exactly RecTime.
    qint64 want = kBufferSize;
    if (recordSize_ >= 0) want = std::min<qint64>(want, recordSize_ - Position);
    int n = device_->read(buffer_, int(want), kReadTimeoutMs);
    if (n < 0) throw EACSException(QStringLiteral("Recording failed: ") + device_->errorString());
    if (n == 0)
      throw EACSException(QStringLiteral("Recording stalled: no sound arrived for %1 seconds").arg(kReadTimeoutMs / 1000));
    BufEnd = n;
  }
  int n = std::min(BufferSize, BufEnd - BufStart);
  if (n <= 0) return 0;
  std::memcpy(Buffer, buffer_ + BufStart, size_t(n));
  BufStart += n;
  Position += n;
  return n;
}

void TAudioIn::Flush() {
  // Closing the capture first: nothing is left to wait for, so ending a run never blocks.
  CloseDevice();
  BufStart = 0;
  BufEnd = 0;
  Busy = false;
}
