// The wave file writer: PCM or IMA (DVI) ADPCM, into a new file or appended to an existing one.
#include "audiotools/core/ACS_Wave.h"

#include <QBuffer>
#include <QFile>
#include <QFileDevice>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <exception>

namespace {

void PutLe16(char* p, quint16 v) { qToLittleEndian(v, p); }
void PutLe32(char* p, quint32 v) { qToLittleEndian(v, p); }
quint16 GetLe16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 GetLe32(const char* p) { return qFromLittleEndian<quint32>(p); }

// Sizes in a header are 32-bit; -1 (unknown) is stored as its two's complement, as before.
quint32 Field32(qint64 v) { return quint32(v); }

}  // namespace

bool SameFourCC(const char* a, const char* b) {
  for (int i = 0; i < 4; ++i) {
    int d = int(uint8_t(a[i])) - int(uint8_t(b[i]));
    if (d != 0 && d != 32 && d != -32) return false;
  }
  return true;
}

TWaveOut::TWaveOut() = default;

TWaveOut::~TWaveOut() {
  Terminate();
  CloseOwnFile();
}

void TWaveOut::SetWavType(TWavType Value) {
  if (Busy) return;
  if (Value == wtPCM || Value == wtDVIADPCM) FWavType = Value;
}

void TWaveOut::SetBlockSize(int Value) {
  if (Busy) return;
  if (Value > 0 && Value <= 0xFFFF && Value % 4 == 0) FBlockSize = Value;
}

void TWaveOut::SetFileMode(TFileOutputMode Value) { FFileMode = Value; }

void TWaveOut::FailWrite() const {
  const QString target = ownFile_ ? FFileName : QStringLiteral("the output stream");
  throw EACSException(QStringLiteral("Cannot write to %1: %2").arg(target, FStream->errorString()));
}

bool TWaveOut::CloseOwnFile() {
  if (!ownFile_) return true;
  ownFile_->close();
  const bool closed = ownFile_->error() == QFileDevice::NoError;
  if (!closed) closeError_ = ownFile_->errorString();
  delete ownFile_;
  ownFile_ = nullptr;
  FStream = nullptr;
  return closed;
}

void TWaveOut::FailPrepare(const QString& message) {
  if (TACSInput* in = Input()) {
    try {
      in->Flush();
    } catch (const std::exception& e) {
      qWarning("Wave writer: flushing the input failed: %s", e.what());
    }
  }
  CloseOwnFile();
  throw EACSException(message);
}

void TWaveOut::WriteBytes(const void* data, qint64 n) {
  qint64 w = FStream->write(static_cast<const char*>(data), n);
  if (w != n) FailWrite();
}

void TWaveOut::WriteLe32At(qint64 pos, quint32 v) {
  char b[4];
  PutLe32(b, v);
  if (!FStream->seek(pos)) FailWrite();
  WriteBytes(b, 4);
}

TWaveOut::FileFacts TWaveOut::ReadFileFacts() {
  FileFacts f;
  if (!FStream->seek(0)) return f;
  QByteArray head = FStream->read(kHeaderScan);
  const char* b = head.constData();
  const qint64 len = head.size();
  qint64 p = 0;
  while (p + 4 <= len && !SameFourCC(b + p, "RIFF")) ++p;
  if (p + 4 > len) return f;
  f.riffStart = p;
  p += 4;
  while (p + 4 <= len && !SameFourCC(b + p, "WAVE")) ++p;
  if (p + 4 > len) return f;
  p += 4;
  bool haveFmt = false;
  TWavType type = wtUnsupported;
  // Chunks walked by their sizes (odd sizes padded, as RIFF wants) until "data".
  while (p + 8 <= len) {
    const char* id = b + p;
    quint32 size = GetLe32(b + p + 4);
    if (SameFourCC(id, "fmt ")) {
      if (p + 8 + 16 > len) return f;
      const char* c = b + p + 8;
      quint16 tag = GetLe16(c);
      if (tag == 1)
        type = wtPCM;
      else if (tag == 17)
        type = wtDVIADPCM;
      else
        return f;
      f.channels = GetLe16(c + 2);
      f.sampleRate = int(GetLe32(c + 4));
      f.blockAlign = GetLe16(c + 12);
      f.bitsPerSample = GetLe16(c + 14);
      haveFmt = true;
    } else if (SameFourCC(id, "fact")) {
      f.factPos = p + 8;
    } else if (SameFourCC(id, "data")) {
      if (!haveFmt) return f;
      f.dataSizePos = p + 4;
      f.dataStart = p + 8;
      f.dataSize = size;
      f.type = type;
      return f;
    }
    p += 8 + qint64(size) + (size & 1);
  }
  return f;
}

void TWaveOut::WritePcmHeader(TACSInput* in) {
  const qint64 size = in->Size;
  const int ch = in->GetChannels(), bits = in->GetBitsPerSample(), rate = in->GetSampleRate();
  const int align = bits * ch / 8;
  char h[44];
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, Field32(size + 36));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, 1);
  PutLe16(h + 22, quint16(ch));
  PutLe32(h + 24, quint32(rate));
  PutLe32(h + 28, quint32(rate * align));
  PutLe16(h + 32, quint16(align));
  PutLe16(h + 34, quint16(bits));
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, Field32(size));
  WriteBytes(h, 44);
  riffStart_ = 0;
  factPos_ = -1;
  dataSizePos_ = 40;
  dataStart_ = 44;
}

void TWaveOut::WriteAdpcmHeader(TACSInput* in) {
  const qint64 size = in->Size;
  const int ch = in->GetChannels(), bits = in->GetBitsPerSample(), rate = in->GetSampleRate();
  const int spb = ImaAdpcm::SamplesPerBlock(FBlockSize, ch);
  const qint64 samplesPerChannel = (size / (bits / 8)) / ch;
  const qint64 dataLength = qint64(std::nearbyint(double(samplesPerChannel) / spb)) * FBlockSize;
  char h[60];
  std::memcpy(h, "RIFF", 4);
  PutLe32(h + 4, Field32(dataLength + 52));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe32(h + 16, 20);
  PutLe16(h + 20, 17);
  PutLe16(h + 22, quint16(ch));
  PutLe32(h + 24, quint32(rate));
  PutLe32(h + 28, quint32((rate / spb) * FBlockSize));
  PutLe16(h + 32, quint16(FBlockSize));
  PutLe16(h + 34, 4);
  PutLe16(h + 36, 2);
  PutLe16(h + 38, quint16(spb));
  std::memcpy(h + 40, "fact", 4);
  PutLe32(h + 44, 4);
  PutLe32(h + 48, Field32(samplesPerChannel));
  std::memcpy(h + 52, "data", 4);
  PutLe32(h + 56, Field32(dataLength));
  WriteBytes(h, 60);
  riffStart_ = 0;
  factPos_ = 48;
  dataSizePos_ = 56;
  dataStart_ = 60;
}

void TWaveOut::Prepare() {
  EndOfInput = false;
  prepared_ = false;
  TACSInput* in = Input();
  if (!FStreamAssigned) {
    if (FFileName.isEmpty()) throw EACSException(QStringLiteral("File name is not assigned."));
    const bool existing = FFileMode == foAppend && QFile::exists(FFileName);
    auto* file = new QFile(FFileName);
    if (!file->open(existing ? QIODevice::ReadWrite : QIODevice::ReadWrite | QIODevice::Truncate)) {
      QString why = file->errorString();
      delete file;
      throw EACSException(QStringLiteral("Cannot %1 file \"%2\": %3")
                              .arg(existing ? QStringLiteral("open") : QStringLiteral("create"), FFileName, why));
    }
    ownFile_ = file;
    FStream = file;
  } else if (!FStream || !FStream->isOpen() || !FStream->isWritable() || FStream->isSequential()) {
    throw EACSException(QStringLiteral("The output stream cannot be written and rewound."));
  }
  try {
    in->Init();
  } catch (...) {
    CloseOwnFile();
    throw;
  }
  const bool appending = FFileMode == foAppend && FStream->size() > 0;
  FileFacts facts;
  if (appending) {
    facts = ReadFileFacts();
    if (facts.type != wtPCM && facts.type != wtDVIADPCM) FailPrepare(QStringLiteral("Cannot append data to this .wav file."));
    FWavType = facts.type;
  }
  const int bits = in->GetBitsPerSample(), ch = in->GetChannels(), rate = in->GetSampleRate();
  channels_ = ch;
  if (FWavType == wtDVIADPCM) {
    if (bits != 16) FailPrepare(QStringLiteral("Cannot encode 8 bit sound into ADPCM."));
    if (appending && (facts.sampleRate != rate || facts.channels != ch))
      FailPrepare(QStringLiteral("Cannot append data in different audio format."));
  } else if (appending && (facts.sampleRate != rate || facts.bitsPerSample != bits || facts.channels != ch)) {
    FailPrepare(QStringLiteral("Cannot append data in different audio format."));
  }
  // Appending to ADPCM continues in the file's own block size.
  const int blockSize = appending && FWavType == wtDVIADPCM ? facts.blockAlign : FBlockSize;
  if (FWavType == wtDVIADPCM) {
    // Stereo blocks interleave 8-sample groups: after the two headers the block must hold
    // whole groups of both channels.
    const bool fits = (ch == 1 && blockSize >= 4 && blockSize % 4 == 0) || (ch == 2 && blockSize >= 8 && blockSize % 8 == 0);
    if (!fits) {
      if (appending) FailPrepare(QStringLiteral("Cannot append data to this .wav file."));
      FailPrepare(QStringLiteral("Cannot encode %1-channel sound into ADPCM blocks of %2 bytes.").arg(ch).arg(blockSize));
    }
    FBlockSize = blockSize;
  }
  try {
    if (appending) {
      // Sound goes right after the existing sound. A data chunk that is not the file's last
      // one, or that ends inside a frame or block, would be damaged: refused.
      const qint64 fileSize = FStream->size();
      qint64 dataEnd = facts.dataStart + qint64(facts.dataSize);
      if (facts.dataSize == 0xFFFFFFFFu || dataEnd > fileSize) dataEnd = fileSize;
      const qint64 dataLen = dataEnd - facts.dataStart;
      const qint64 pad = (dataLen & 1) && dataEnd < fileSize ? 1 : 0;
      const int unit = FWavType == wtPCM ? (facts.blockAlign > 0 ? facts.blockAlign : bits * ch / 8) : FBlockSize;
      if (dataEnd + pad < fileSize || unit <= 0 || dataLen % unit != 0)
        FailPrepare(QStringLiteral("Cannot append data to this .wav file."));
      riffStart_ = facts.riffStart;
      factPos_ = FWavType == wtDVIADPCM ? facts.factPos : -1;
      dataSizePos_ = facts.dataSizePos;
      dataStart_ = facts.dataStart;
      if (!FStream->seek(dataEnd)) FailWrite();
    } else {
      if (!FStream->seek(0)) FailWrite();
      if (FWavType == wtPCM) {
        WritePcmHeader(in);
      } else {
        WriteAdpcmHeader(in);
        left_.index = 0;
        right_.index = 0;
      }
    }
  } catch (const EACSException& e) {
    FailPrepare(e.Message());
  }
  dataEnd_ = FStream->pos();
  if (FWavType == wtDVIADPCM) {
    const int bytesPerBlock = (FBlockSize - 4 * ch) * 4 + ch * 2;
    adpcmIn_.assign(size_t(bytesPerBlock), 0);
    adpcmSamples_.assign(size_t(bytesPerBlock / 2), 0);
    adpcmBlock_.assign(size_t(FBlockSize), 0);
  }
  prepared_ = true;
}

int TWaveOut::ReadInput(TACSInput* in, char* buffer, int size) {
  TACSLockGuard g(InputLock);
  return in->GetData(buffer, size);
}

bool TWaveOut::OutputAdpcmBlock(TACSInput* in) {
  const int bytesPerBlock = int(adpcmIn_.size());
  std::memset(adpcmIn_.data(), 0, adpcmIn_.size());
  int filled = 0;
  try {
    while (filled < bytesPerBlock) {
      int n = ReadInput(in, adpcmIn_.data() + filled, bytesPerBlock - filled);
      if (n <= 0) {
        EndOfInput = true;
        break;
      }
      filled += n;
    }
  } catch (...) {
    // The input failed half-way through a block: what it did deliver is kept.
    if (filled > 0) EncodeAndWriteBlock();
    throw;
  }
  // Nothing came: no block of pure padding.
  if (filled == 0) return false;
  EncodeAndWriteBlock();
  return true;
}

void TWaveOut::EncodeAndWriteBlock() {
  for (size_t i = 0; i < adpcmSamples_.size(); ++i)
    adpcmSamples_[i] = int16_t(GetLe16(adpcmIn_.data() + 2 * i));
  if (channels_ == 1)
    ImaAdpcm::EncodeMonoBlock(adpcmSamples_.data(), FBlockSize, left_, adpcmBlock_.data());
  else
    ImaAdpcm::EncodeStereoBlock(adpcmSamples_.data(), FBlockSize, left_, right_, adpcmBlock_.data());
  WriteBytes(adpcmBlock_.data(), FBlockSize);
  dataEnd_ = FStream->pos();
}

bool TWaveOut::DoOutput(bool Abort) {
  if (!FActive) return true;
  int progress = GetProgress();
  if (progress != FLastProgress) {
    FLastProgress = progress;
    if (OnProgress) OnProgress(this, progress);
  }
  if (Abort || EndOfInput) return false;
  TACSInput* in = Input();
  if (!in) throw EACSException(QStringLiteral("Input is not assigned"));
  if (FWavType == wtDVIADPCM) return OutputAdpcmBlock(in);
  int n = ReadInput(in, buffer_, kBufferSize);
  if (n <= 0) return false;
  WriteBytes(buffer_, n);
  dataEnd_ = FStream->pos();
  return true;
}

void TWaveOut::Done() {
  if (!prepared_) return;
  prepared_ = false;
  std::exception_ptr failure;
  if (FStream) {
    // The header always tells what was really written, however the run ended.
    try {
      const qint64 dataLen = dataEnd_ - dataStart_;
      qint64 fileEnd = dataEnd_;
      if (FWavType == wtPCM && (dataLen & 1)) {
        if (!FStream->seek(dataEnd_)) FailWrite();
        WriteBytes("\0", 1);  // RIFF chunks are word aligned
        ++fileEnd;
      }
      if (auto* fd = qobject_cast<QFileDevice*>(FStream)) {
        if (fd->size() > fileEnd && !fd->resize(fileEnd)) FailWrite();
      } else if (auto* buf = qobject_cast<QBuffer*>(FStream)) {
        if (buf->size() > fileEnd) buf->buffer().truncate(fileEnd);
      }
      WriteLe32At(dataSizePos_, Field32(dataLen));
      if (FWavType == wtDVIADPCM && factPos_ >= 0 && FBlockSize > 0)
        WriteLe32At(factPos_, Field32(qint64(ImaAdpcm::SamplesPerBlock(FBlockSize, channels_)) * (dataLen / FBlockSize)));
      WriteLe32At(riffStart_ + 4, Field32(fileEnd - riffStart_ - 8));
      FStream->seek(fileEnd);
      // Buffered bytes reach the disk here; a full disk must not pass for success.
      if (auto* fd = qobject_cast<QFileDevice*>(FStream); fd && !fd->flush()) FailWrite();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  // Some file systems report a failed write only when the file is closed.
  if (!CloseOwnFile() && !failure)
    failure = std::make_exception_ptr(
        EACSException(QStringLiteral("Cannot write to %1: %2").arg(FFileName, closeError_)));
  if (TACSInput* in = Input()) {
    try {
      in->Flush();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}
