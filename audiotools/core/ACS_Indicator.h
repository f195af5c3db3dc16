// The spectrum level meter of the recorder's chain: passes audio through unchanged and
// measures a 32-band spectrum of it on the side; plus the numeric routines it uses.
#pragma once

#include <array>
#include <mutex>

#include "audiotools/core/ACS_Classes.h"

// In-place radix-2 transform of N complex values stored as (real, imaginary) pairs, N a
// power of two. Direction 1 is the forward transform, scaled by 1/N; any other direction is
// the unscaled inverse.
void ComplexFFT(double* Data, int N, int Direction);
// Raised-cosine window: Table[i] = (1 - cos(2 pi i / D)) / 2 for i = 0..N-1, with D = N - 1
// when Symmetric is set, else D = N.
void HannWindow(double* Table, int N, bool Symmetric);
// Data[i] *= Window[i].
void MultiplyWindow(const double* Window, double* Data, int N);
// Out[i] = log10(|In[i]|) + Offset (In holds N complex pairs), floored at 0; a magnitude of
// 0 gives 0.
void LogMagnitude(const double* In, double* Out, int N, double Offset);

class TSoundIndicator : public TACSConverter {
 public:
  static constexpr int kBands = 32;
  static constexpr int kFrame = 64;        // samples per analysed frame
  static constexpr int kWindowSize = 1024;  // only its first kFrame entries are applied

  TSoundIndicator();
  ~TSoundIndicator() override;

  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  int GetData(void* Buffer, int BufferSize) override;
  void Init() override;
  void Flush() override;

  // The levels times 20 (log-magnitude in dB), then all levels back to 0. Waits while a
  // block is being analysed.
  void GetValues(std::array<double, kBands>& Values);

 private:
  TACSInput* RequireInput() const;
  void Analyse(const char* data, int n, int bits, int channels);

  // Analysis (output thread) and read-out (timer) are exclusive: the analysis of a block is
  // skipped while a read-out holds the lock, the read-out waits for an analysis.
  std::mutex meterLock_;
  double window_[kWindowSize];
  double Levels[kBands] = {};
};
