// libmp3lame behind the encoder's stream calls.
#include "platform/mp3/lamestream.h"

#include <lame/lame.h>

namespace orvane::mp3 {

namespace {
lame_global_flags* G(void* p) { return static_cast<lame_global_flags*>(p); }
}  // namespace

LameStream::~LameStream() { CloseStream(); }

int LameStream::InitStream(const EncoderConfig& c, int* samplesPerChunk, int* outputBufferSize) {
  CloseStream();
  lame_global_flags* gf = lame_init();
  if (!gf) return -1;
  gf_ = gf;
  channels_ = c.mode == EncoderConfig::Mono ? 1 : 2;
  lame_set_num_channels(gf, channels_);
  lame_set_in_samplerate(gf, c.sampleRate);
  // The MP3 keeps the input's rate: the export never resamples.
  lame_set_out_samplerate(gf, c.sampleRate);
  lame_set_mode(gf, c.mode == EncoderConfig::Mono      ? MONO
                    : c.mode == EncoderConfig::JointStereo ? JOINT_STEREO
                    : c.mode == EncoderConfig::DualChannel ? DUAL_CHANNEL
                                                           : STEREO);
  lame_set_brate(gf, c.bitrate);
  lame_set_quality(gf, c.preset);
  lame_set_copyright(gf, c.copyright ? 1 : 0);
  lame_set_original(gf, c.original ? 1 : 0);
  lame_set_error_protection(gf, c.crc ? 1 : 0);
  lame_set_bWriteVbrTag(gf, c.writeVbrHeader ? 1 : 0);
  if (c.vbr) {
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_q(gf, c.vbrQuality);
    lame_set_VBR_min_bitrate_kbps(gf, c.bitrate);
    lame_set_VBR_max_bitrate_kbps(gf, c.maxBitrate);
  }
  if (lame_init_params(gf) < 0) {
    CloseStream();
    return -1;
  }
  samplesPerChunk_ = lame_get_framesize(gf) * channels_;
  // The encoder's own bound for one call: 1.25 x samples + 7200 bytes.
  bufferSize_ = samplesPerChunk_ * 5 / 4 + 7200;
  *samplesPerChunk = samplesPerChunk_;
  *outputBufferSize = bufferSize_;
  return 0;
}

int LameStream::EncodeChunk(int nSamples, const int16_t* samples, uint8_t* output, int* outputBytes) {
  *outputBytes = 0;
  if (!gf_ || nSamples < 0 || nSamples > samplesPerChunk_) return -1;
  int n;
  if (channels_ == 1) {
    n = lame_encode_buffer(G(gf_), samples, samples, nSamples, output, bufferSize_);
  } else {
    n = lame_encode_buffer_interleaved(G(gf_), const_cast<short*>(samples), nSamples / 2, output, bufferSize_);
  }
  if (n < 0) return n;
  *outputBytes = n;
  return 0;
}

int LameStream::DeinitStream(uint8_t* output, int* outputBytes) {
  *outputBytes = 0;
  if (!gf_) return -1;
  const int n = lame_encode_flush(G(gf_), output, bufferSize_);
  if (n < 0) return n;
  *outputBytes = n;
  return 0;
}

void LameStream::CloseStream() {
  if (gf_) lame_close(G(gf_));
  gf_ = nullptr;
}

}  // namespace orvane::mp3
