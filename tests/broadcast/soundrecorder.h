// What the private sound server's null sink plays, recorded from its monitor with the wall
// time of every sample, while a stream of zeros keeps the sink running so that silence is
// recorded as silence rather than as nothing.
#pragma once

#include <QProcess>
#include <QVector>

class SoundRecorder {
 public:
  static constexpr int kRate = 48000;
  SoundRecorder();
  ~SoundRecorder();
  // Starts the keep-alive stream and the recorder; false when either tool fails.
  bool start();
  void stop();
  // Waits until samples flow; false when none came in time.
  bool waitForSamples(int timeoutMs);
  // Handles the recorder's output until the wall clock reaches the moment.
  void recordUntil(qint64 wallMs);

  // The wall time (ms since the epoch, fractional) of the first sample louder than the
  // threshold at or after a wall time; negative when none.
  double onsetAfter(double wallMs, int threshold = 3000) const;
  // The loudest sample between two wall times; -1 when none was recorded there.
  int peakBetween(double fromMs, double toMs) const;
  // Wall time of the first sample recorded.
  double firstSampleMs() const { return firstMs_; }

 private:
  void read();
  double wallOf(qint64 index) const { return firstMs_ + double(index) * 1000.0 / kRate; }
  qint64 indexOf(double wallMs) const;

  QProcess keepAlive_;
  QProcess recorder_;
  QVector<qint16> samples_;
  QByteArray pending_;
  double firstMs_ = -1;
};
