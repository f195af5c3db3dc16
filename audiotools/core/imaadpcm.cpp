// IMA (DVI) ADPCM block encoding as the wave writer stores it.
#include "audiotools/core/imaadpcm.h"

#include <cstring>

namespace ImaAdpcm {

namespace {

constexpr int16_t kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int8_t kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// One sample: the 4-bit code, with the predictor and index moved as a decoder will move them.
// The three magnitude bits are found by successive halving of the step, without branches:
// the bits of real sound are unpredictable, and a mispredicted branch per bit would cost
// more than the arithmetic. Predictor and index live in locals of the caller, so stores of
// the output bytes cannot make the compiler reload them.
inline unsigned EncodeSample(int sample, int& predictor, int& index) {
  const int step = kStepTable[index];
  int diff = sample - predictor;
  const unsigned sign = diff < 0 ? 8u : 0u;
  diff = diff < 0 ? -diff : diff;
  int delta = step >> 3;
  const int b2 = -int(diff >= step);
  diff -= step & b2;
  delta += step & b2;
  const int half = step >> 1;
  const int b1 = -int(diff >= half);
  diff -= half & b1;
  delta += half & b1;
  const int quarter = step >> 2;
  const int b0 = -int(diff >= quarter);
  delta += quarter & b0;
  const unsigned code = sign | (unsigned(b2) & 4u) | (unsigned(b1) & 2u) | (unsigned(b0) & 1u);
  int p = predictor + (sign ? -delta : delta);
  p = p > 32767 ? 32767 : p;
  p = p < -32767 ? -32767 : p;
  predictor = p;
  int idx = index + kIndexTable[code];
  idx = idx < 0 ? 0 : idx;
  idx = idx > 88 ? 88 : idx;
  index = idx;
  return code;
}

inline void WriteHeader(uint8_t* out, const ChannelState& st) {
  out[0] = uint8_t(uint16_t(st.predictor) & 0xff);
  out[1] = uint8_t(uint16_t(st.predictor) >> 8);
  out[2] = st.index;
  out[3] = 0;
}

}  // namespace

int SamplesPerBlock(int blockSize, int channels) { return (2 / channels) * (blockSize - 4 * channels) + 1; }

void EncodeMonoBlock(const int16_t* samples, int blockSize, ChannelState& state, uint8_t* block) {
  std::memset(block, 0, size_t(blockSize));
  state.predictor = samples[0];
  WriteHeader(block, state);
  int predictor = state.predictor, index = state.index;
  const int nibbles = (blockSize - 4) * 2;
  uint8_t* out = block + 4;
  for (int i = 0; i < nibbles; i += 2) {
    const unsigned lo = EncodeSample(samples[1 + i], predictor, index);
    const unsigned hi = EncodeSample(samples[2 + i], predictor, index);
    *out++ = uint8_t(lo | (hi << 4));
  }
  state.predictor = int16_t(predictor);
  state.index = uint8_t(index);
}

void EncodeStereoBlock(const int16_t* frames, int blockSize, ChannelState& left, ChannelState& right, uint8_t* block) {
  std::memset(block, 0, size_t(blockSize));
  left.predictor = frames[0];
  right.predictor = frames[1];
  WriteHeader(block, left);
  WriteHeader(block + 4, right);
  int lp = left.predictor, li = left.index, rp = right.predictor, ri = right.index;
  const int perChannel = blockSize - 8;  // nibbles per channel, in groups of 8
  uint8_t* out = block + 8;
  // Each group of 8 frames becomes 4 bytes of the left channel, then 4 of the right; the two
  // channels are encoded side by side, so their independent chains overlap in the processor.
  for (int g = 0; g < perChannel; g += 8) {
    const int16_t* f = frames + 2 * (1 + g);  // frame 1 + g onwards
    for (int k = 0; k < 4; ++k) {
      const unsigned l0 = EncodeSample(f[4 * k], lp, li);
      const unsigned r0 = EncodeSample(f[4 * k + 1], rp, ri);
      const unsigned l1 = EncodeSample(f[4 * k + 2], lp, li);
      const unsigned r1 = EncodeSample(f[4 * k + 3], rp, ri);
      out[k] = uint8_t(l0 | (l1 << 4));
      out[4 + k] = uint8_t(r0 | (r1 << 4));
    }
    out += 8;
  }
  left.predictor = int16_t(lp);
  left.index = uint8_t(li);
  right.predictor = int16_t(rp);
  right.index = uint8_t(ri);
}

}  // namespace ImaAdpcm
