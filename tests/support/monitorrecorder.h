// Listens to the private test sound server: what a null sink plays, as loudness per 10 ms with
// the wall time it was heard, so tests can say when something was audible.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace testing_support {

class MonitorRecorder {
 public:
  using Clock = std::chrono::steady_clock;
  struct Chunk {
    Clock::time_point start;  // when its first sample was played
    double rms = 0;           // 0..1 of full scale
    double peak = 0;          // the largest sample, 0..1 of full scale
    int onset = -1;           // the first sample above kOnsetLevel, counted from `start`
  };
  // An onset: the first sample above this share of full scale.
  static constexpr double kOnsetLevel = 0.125;
  static constexpr int kRate = 16000;
  // Listens to a sink of the server PULSE_SERVER names, or of the server at `server`.
  explicit MonitorRecorder(QString sink = QStringLiteral("testsink"), QByteArray server = {})
      : sink_(std::move(sink)), server_(std::move(server)) {}
  ~MonitorRecorder();
  // A null sink of the test program's own on the private server (PULSE_SERVER, with the sink
  // "testsink") made the process's default sink (PULSE_SINK), so that test programs running
  // side by side do not hear each other, with a recorder on it; made on first use (it takes
  // about two seconds to settle) and kept until the application ends; null without a server.
  static MonitorRecorder* shared();
  // The private sound server of test.sh answers and has its sink.
  static bool serverAvailable();
  // Starts recording the sink's monitor and, so that the sink never idles and every chunk
  // carries its true time, playing silence into the sink beside whatever the test plays.
  bool start(QString* error = nullptr);
  void stop();
  // The moment of the recorder's clock that is the given wall-clock moment.
  static Clock::time_point at(const QDateTime& wall);
  // The loudest 10 ms between two moments (0 when nothing was recorded then).
  double maxRms(Clock::time_point from, Clock::time_point to) const { return maxOf(&Chunk::rms, from, to); }
  // The largest sample between two moments (0 when nothing was recorded then).
  double maxPeak(Clock::time_point from, Clock::time_point to) const { return maxOf(&Chunk::peak, from, to); }
  // The first 10 ms at or after `from` louder than `threshold`.
  std::optional<Clock::time_point> firstLouder(double threshold, Clock::time_point from) const {
    return firstAbove(&Chunk::rms, threshold, from);
  }
  // The first 10 ms at or after `from` with a sample above `threshold`.
  std::optional<Clock::time_point> firstPeakAbove(double threshold, Clock::time_point from) const {
    return firstAbove(&Chunk::peak, threshold, from);
  }
  // The first sample at or after `from` above kOnsetLevel, to the sample.
  std::optional<Clock::time_point> firstOnset(Clock::time_point from) const;
  // Share of 10 ms chunks between two moments louder than `threshold`.
  double loudShare(double threshold, Clock::time_point from, Clock::time_point to) const;

 private:
  double maxOf(double Chunk::*measure, Clock::time_point from, Clock::time_point to) const;
  std::optional<Clock::time_point> firstAbove(double Chunk::*measure, double threshold, Clock::time_point from) const;
  std::vector<Chunk> chunks() const;
  void record();
  void playSilence();
  QString sink_;
  QByteArray server_;
  std::atomic_bool running_{false};
  std::atomic_bool blip_{false};  // play one loud chunk instead of silence
  std::thread recorder_, silence_;
  mutable std::mutex mutex_;
  std::vector<Chunk> chunks_;
  void* rec_ = nullptr;   // pa_simple*
  void* play_ = nullptr;  // pa_simple*
};

}  // namespace testing_support
