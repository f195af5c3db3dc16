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
inline uint8_t EncodeSample(int sample, ChannelState& st) {
  int step = kStepTable[st.index];
  int diff = sample - st.predictor;
  uint8_t code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  if (diff >= step) {
    code |= 4;
    diff -= step;
  }
  if (diff >= step >> 1) {
    code |= 2;
    diff -= step >> 1;
  }
  if (diff >= step >> 2) code |= 1;
  int delta = step >> 3;
  if (code & 4) delta += step;
  if (code & 2) delta += step >> 1;
  if (code & 1) delta += step >> 2;
  int p = st.predictor + ((code & 8) ? -delta : delta);
  if (p > 32767) p = 32767;
  if (p < -32767) p = -32767;
  st.predictor = int16_t(p);
  int idx = st.index + kIndexTable[code];
  if (idx < 0) idx = 0;
  if (idx > 88) idx = 88;
  st.index = uint8_t(idx);
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
  const int nibbles = (blockSize - 4) * 2;
  uint8_t* out = block + 4;
  for (int i = 0; i < nibbles; i += 2) {
    uint8_t lo = EncodeSample(samples[1 + i], state);
    uint8_t hi = EncodeSample(samples[2 + i], state);
    *out++ = uint8_t(lo | (hi << 4));
  }
}

void EncodeStereoBlock(const int16_t* frames, int blockSize, ChannelState& left, ChannelState& right, uint8_t* block) {
  std::memset(block, 0, size_t(blockSize));
  left.predictor = frames[0];
  right.predictor = frames[1];
  WriteHeader(block, left);
  WriteHeader(block + 4, right);
  const int perChannel = blockSize - 8;  // nibbles per channel, in groups of 8
  uint8_t* out = block + 8;
  for (int g = 0; g < perChannel; g += 8) {
    for (int ch = 0; ch < 2; ++ch) {
      ChannelState& st = ch == 0 ? left : right;
      const int16_t* s = frames + 2 * (1 + g) + ch;  // frame 1 + g onwards, this channel
      for (int k = 0; k < 8; k += 2) {
        uint8_t lo = EncodeSample(s[2 * k], st);
        uint8_t hi = EncodeSample(s[2 * (k + 1)], st);
        *out++ = uint8_t(lo | (hi << 4));
      }
    }
  }
}

}  // namespace ImaAdpcm
