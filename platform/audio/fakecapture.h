// A capture backend without a sound server, for tests: a sine (or any generated sound) from
// a list of made-up sources, with switches for a stalled or failing device and a record of
// what was opened and closed.
#pragma once

#include <QList>
#include <atomic>
#include <functional>
#include <mutex>

#include "platform/audio/capturebackend.h"

namespace orvane::audio {

class FakeCapture : public CaptureBackend {
 public:
  // Fills frames (interleaved, in the stream's format) starting at frame number first.
  using Generator = std::function<void(char* out, qint64 first, int frames, const CaptureFormat& format)>;

  FakeCapture();

  // What the fake offers; set before opening.
  QList<CaptureSource> sourceList;
  int sinks = 1;
  bool serverUp = true;      // false: listing fails and nothing opens
  QString openError;         // non-empty: open() fails with this text
  double frequency = 1000;   // the sine, when no generator is set
  double amplitude = 0.5;    // its peak as a fraction of full scale
  Generator generator;
  qint64 stallAfterBytes = -1;  // >= 0: nothing more arrives after this many bytes
  qint64 failAfterBytes = -1;   // >= 0: a capture error after this many bytes
  QString failText = QStringLiteral("the device was unplugged");
  bool realTime = false;        // deliver no faster than the wall clock

  // What happened.
  std::atomic<int> opens{0};
  std::atomic<int> closes{0};
  std::atomic<int> reads{0};
  int lastIndex() const;
  CaptureFormat lastFormat() const;

  QList<CaptureSource> sources(bool* ok = nullptr, QString* error = nullptr) override;
  int sinkCount() override;
  std::unique_ptr<CaptureStream> open(int index, const CaptureFormat& format, QString* error) override;

  // The sine generator on its own, so tests can build expected sound the same way.
  static void sine(char* out, qint64 first, int frames, const CaptureFormat& format, double frequency, double amplitude);

 private:
  mutable std::mutex mutex_;
  int lastIndex_ = -1;
  CaptureFormat lastFormat_;
};

}  // namespace orvane::audio
