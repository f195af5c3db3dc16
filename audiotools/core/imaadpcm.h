// IMA (DVI) ADPCM block encoding as the wave writer stores it: each channel's 4-byte block
// header holds its first sample and step index, the nibbles that follow encode the rest.
#pragma once

#include <cstdint>

namespace ImaAdpcm {

struct ChannelState {
  int16_t predictor = 0;
  uint8_t index = 0;  // 0..88
};

// Samples (per channel) one block of blockSize bytes holds.
int SamplesPerBlock(int blockSize, int channels);

// Encodes one mono block of blockSize bytes from SamplesPerBlock(blockSize, 1) samples. The
// header carries samples[0] (state.predictor is set to it) and state.index; the nibbles
// encode samples[1..]. state.index carries over to the next block.
void EncodeMonoBlock(const int16_t* samples, int blockSize, ChannelState& state, uint8_t* block);

// Encodes one stereo block from SamplesPerBlock(blockSize, 2) interleaved frames; blockSize
// must be a multiple of 8. Both channels' states carry over.
void EncodeStereoBlock(const int16_t* frames, int blockSize, ChannelState& left, ChannelState& right, uint8_t* block);

}  // namespace ImaAdpcm
