// The spectrum level meter of the recorder's chain and its numeric routines.
#include "audiotools/core/ACS_Indicator.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

void ComplexFFT(double* Data, int N, int Direction) {
  // Bit-reversal reordering.
  for (int i = 0, j = 0; i < N - 1; ++i) {
    if (i < j) {
      std::swap(Data[2 * i], Data[2 * j]);
      std::swap(Data[2 * i + 1], Data[2 * j + 1]);
    }
    int k = N >> 1;
    while (k >= 1 && k <= j) {
      j -= k;
      k >>= 1;
    }
    j += k;
  }
  // Butterflies; the stage rotation (c, s) is derived from the previous one by half-angle
  // formulas, starting at c = -1, s = 0.
  double c = -1.0, s = 0.0;
  for (int l2 = 2; l2 <= N; l2 <<= 1) {
    int half = l2 >> 1;
    double ur = 1.0, ui = 0.0;
    for (int j = 0; j < half; ++j) {
      for (int i = j; i < N; i += l2) {
        int k = i + half;
        double tr = ur * Data[2 * k] - ui * Data[2 * k + 1];
        double ti = ur * Data[2 * k + 1] + ui * Data[2 * k];
        Data[2 * k] = Data[2 * i] - tr;
        Data[2 * k + 1] = Data[2 * i + 1] - ti;
        Data[2 * i] += tr;
        Data[2 * i + 1] += ti;
      }
      double nr = ur * c - ui * s;
      ui = ur * s + ui * c;
      ur = nr;
    }
    s = std::sqrt((1.0 - c) / 2.0);
    if (Direction == 1) s = -s;
    c = std::sqrt((1.0 + c) / 2.0);
  }
  if (Direction == 1) {
    for (int i = 0; i < 2 * N; ++i) Data[i] /= N;
  }
}

void HannWindow(double* Table, int N, bool Symmetric) {
  double d = Symmetric ? N - 1 : N;
  for (int i = 0; i < N; ++i) Table[i] = (1.0 - std::cos(2.0 * std::numbers::pi * i / d)) / 2.0;
}

void MultiplyWindow(const double* Window, double* Data, int N) {
  for (int i = 0; i < N; ++i) Data[i] *= Window[i];
}

void LogMagnitude(const double* In, double* Out, int N, double Offset) {
  for (int i = 0; i < N; ++i) {
    double m = std::hypot(In[2 * i], In[2 * i + 1]);
    if (m == 0) {
      Out[i] = 0;
      continue;
    }
    double v = std::log10(m) + Offset;
    Out[i] = v < 0 ? 0 : v;
  }
}

TSoundIndicator::TSoundIndicator() { HannWindow(window_, kWindowSize, true); }

TSoundIndicator::~TSoundIndicator() { ReleaseUsers(); }

TACSInput* TSoundIndicator::RequireInput() const {
  TACSInput* in = Input();
  if (!in) throw EACSException(QStringLiteral("Input is not assigned."));
  return in;
}

int TSoundIndicator::GetBitsPerSample() { return RequireInput()->GetBitsPerSample(); }
int TSoundIndicator::GetChannels() { return RequireInput()->GetChannels(); }
int TSoundIndicator::GetSampleRate() { return RequireInput()->GetSampleRate(); }

void TSoundIndicator::Init() {
  TACSInput* in = RequireInput();
  Busy = true;
  try {
    in->Init();
  } catch (...) {
    Busy = false;
    throw;
  }
  Size = in->Size.load();
  {
    std::lock_guard<std::mutex> g(meterLock_);
    for (double& l : Levels) l = 0;
  }
  Position = 0;
}

void TSoundIndicator::Flush() {
  if (TACSInput* in = Input()) in->Flush();
  Busy = false;
}

int TSoundIndicator::GetData(void* Buffer, int BufferSize) {
  if (!Busy) throw EACSException(QStringLiteral("The Stream is not opened"));
  int n = 0;
  int bits = 0, channels = 0;
  {
    TACSLockGuard g(InputLock);
    TACSInput* in = RequireInput();
    n = in->GetData(Buffer, BufferSize);
    Position = in->Position.load();
    if (n > 0) {
      bits = in->GetBitsPerSample();
      channels = in->GetChannels();
    }
  }
  if (n <= 0) return n;
  std::unique_lock<std::mutex> lk(meterLock_, std::try_to_lock);
  if (!lk.owns_lock()) return n;  // a read-out is in progress: this block goes unmeasured
  Analyse(static_cast<const char*>(Buffer), n, bits, channels);
  return n;
}

void TSoundIndicator::Analyse(const char* data, int n, int bits, int channels) {
  // Only the layouts the recorder offers are measured; anything else passes unmeasured.
  if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2)) return;
  const int frameBytes = (bits / 8) * channels;
  const int samples = n / frameBytes;
  const int frames = samples / kFrame;
  if (frames == 0) return;  // levels stay as they are
  auto u8 = [data](int i) { return double(uint8_t(data[i])); };
  auto s16 = [data](int i) { return double(int16_t(uint16_t(uint8_t(data[2 * i])) | uint16_t(uint8_t(data[2 * i + 1])) << 8)); };
  double cplx[2 * kFrame];
  double mag[kFrame];
  double real[kFrame];
  for (int f = 0; f < frames; ++f) {
    for (int k = 0; k < kFrame; ++k) {
      int s = f * kFrame + k;
      double v;
      if (bits == 8)
        v = channels == 1 ? u8(s) : (u8(2 * s) + u8(2 * s + 1)) / 2;
      else
        v = channels == 1 ? s16(s) : (s16(2 * s) + s16(2 * s + 1)) / 2;
      real[k] = v;
    }
    // The first 64 entries of the 1024-point window: the meter's calibration.
    MultiplyWindow(window_, real, kFrame);
    for (int k = 0; k < kFrame; ++k) {
      cplx[2 * k] = real[k];
      cplx[2 * k + 1] = 0;
    }
    ComplexFFT(cplx, kFrame, 1);
    LogMagnitude(cplx, mag, kFrame, 0);
    for (int b = 0; b < kBands; ++b) Levels[b] += mag[b];
  }
  for (double& l : Levels) l /= frames;
}

void TSoundIndicator::GetValues(std::array<double, kBands>& Values) {
  std::lock_guard<std::mutex> g(meterLock_);
  for (int i = 0; i < kBands; ++i) {
    Values[i] = Levels[i] * 20;
    Levels[i] = 0;
  }
}
