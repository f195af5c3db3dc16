// The wave file writer, the sink of the recorder's chain: PCM or IMA (DVI) ADPCM, into a new
// file or appended to an existing one.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "audiotools/core/ACS_Classes.h"
#include "audiotools/core/imaadpcm.h"

class QFile;

enum TWavType { wtUnsupported, wtPCM, wtDVIADPCM, wtMSADPCM };

// Chunk identifiers compared byte by byte, letter case ignored (bytes equal or 32 apart).
bool SameFourCC(const char* a, const char* b);

class TWaveOut : public TACSFileOut {
 public:
  static constexpr int kBufferSize = 16384;
  // How far into a file its header is looked for when appending.
  static constexpr int kHeaderScan = 8192;

  TWaveOut();
  ~TWaveOut() override;

  TWavType WavType() const { return FWavType; }
  // Only wtPCM and wtDVIADPCM, and only while idle; anything else is ignored.
  void SetWavType(TWavType Value);
  int BlockSize() const { return FBlockSize; }
  // Only while idle, and only a non-zero multiple of 4; anything else is ignored.
  void SetBlockSize(int Value);
  void SetFileMode(TFileOutputMode Value) override;

 protected:
  bool DoOutput(bool Abort) override;
  void Done() override;
  void Prepare() override;

 private:
  // What the header of an existing file says.
  struct FileFacts {
    TWavType type = wtUnsupported;
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    qint64 riffStart = -1;
    qint64 factPos = -1;      // the fact chunk's sample count
    qint64 dataSizePos = -1;  // the data chunk's size field
    qint64 dataStart = -1;
    quint32 dataSize = 0;
  };
  FileFacts ReadFileFacts();
  [[noreturn]] void FailPrepare(const QString& message);
  void WriteBytes(const void* data, qint64 n);
  void WriteLe32At(qint64 pos, quint32 v);
  void WritePcmHeader(TACSInput* in);
  void WriteAdpcmHeader(TACSInput* in);
  bool OutputAdpcmBlock(TACSInput* in);
  void EncodeAndWriteBlock();
  int ReadInput(TACSInput* in, char* buffer, int size);
  // False when closing the file the writer opened itself reported an error (kept in closeError_).
  bool CloseOwnFile();
  // Raises the output stream's last error.
  [[noreturn]] void FailWrite() const;

  TWavType FWavType = wtPCM;
  int FBlockSize = 512;
  bool EndOfInput = false;
  char buffer_[kBufferSize];
  std::vector<char> adpcmIn_;
  std::vector<int16_t> adpcmSamples_;
  std::vector<uint8_t> adpcmBlock_;
  ImaAdpcm::ChannelState left_, right_;
  int channels_ = 1;
  QFile* ownFile_ = nullptr;
  QString closeError_;
  bool prepared_ = false;
  // Where the header's fields are and where the sound ends, for Done.
  qint64 riffStart_ = 0;
  qint64 factPos_ = -1;
  qint64 dataSizePos_ = -1;
  qint64 dataStart_ = 0;
  qint64 dataEnd_ = 0;
};
