// The MP3 encoder's four stream calls (start with a configuration, encode a chunk of 16-bit
// samples, flush, close) over libmp3lame.
#pragma once

#include <cstdint>

namespace orvane::mp3 {

// The encoder configuration the export fills in.
struct EncoderConfig {
  enum Mode { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };
  int sampleRate = 48000;  // of the input; the MP3 keeps it
  Mode mode = Stereo;
  int bitrate = 128;     // kbit/s; the lowest rate of a variable-rate stream
  int maxBitrate = 320;  // kbit/s
  int preset = 2;        // the encoder's quality/speed step: 0 best .. 9 fastest
  bool copyright = true;
  bool original = true;
  bool crc = false;
  bool writeVbrHeader = false;
  bool vbr = true;
  int vbrQuality = 0;  // 0 best .. 9
};

class LameStream {
 public:
  LameStream() = default;
  ~LameStream();
  LameStream(const LameStream&) = delete;
  LameStream& operator=(const LameStream&) = delete;

  // 0 when the stream started: samplesPerChunk (interleaved, all channels) is the size of one
  // encoding step, outputBufferSize what one step or the flush may produce at most.
  int InitStream(const EncoderConfig& config, int* samplesPerChunk, int* outputBufferSize);
  // Encodes nSamples interleaved samples; 0 and the bytes produced, or non-zero on failure.
  int EncodeChunk(int nSamples, const int16_t* samples, uint8_t* output, int* outputBytes);
  // Flushes what the encoder holds; 0 on success.
  int DeinitStream(uint8_t* output, int* outputBytes);
  // Frees the stream; safe to call twice.
  void CloseStream();

 private:
  void* gf_ = nullptr;  // lame_global_flags*
  int channels_ = 2;
  int samplesPerChunk_ = 0;
  int bufferSize_ = 0;
};

}  // namespace orvane::mp3
