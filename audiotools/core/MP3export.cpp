// The MP3 export over the encoder's stream calls.
#include "audiotools/core/MP3export.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/mp3/lamestream.h"
#include "platform/mp3/riffwalker.h"

using orvane::mp3::EncoderConfig;
using orvane::mp3::LameStream;
using orvane::mp3::RiffChunk;
using orvane::mp3::RiffWalker;

EMp3Export::EMp3Export(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}

namespace {

[[noreturn]] void Fail(const char* text) { throw EMp3Export(QString::fromUtf8(text)); }

bool ParseFormat(const QByteArray& b, TWaveFormatEx& f) {
  if (b.size() < 16) return false;
  const char* p = b.constData();
  f.wFormatTag = qFromLittleEndian<quint16>(p);
  f.nChannels = qFromLittleEndian<quint16>(p + 2);
  f.nSamplesPerSec = qFromLittleEndian<quint32>(p + 4);
  f.nAvgBytesPerSec = qFromLittleEndian<quint32>(p + 8);
  f.nBlockAlign = qFromLittleEndian<quint16>(p + 12);
  f.wBitsPerSample = qFromLittleEndian<quint16>(p + 14);
  f.cbSize = b.size() >= 18 ? qFromLittleEndian<quint16>(p + 16) : 0;
  return true;
}

constexpr quint16 kPcm = 1;
constexpr quint16 kExtensible = 0xFFFE;
// The PCM sub-format's GUID at offset 24 of an extensible "fmt " chunk.
const char kPcmGuid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, char(0x80), 0, 0, char(0xAA), 0, 0x38, char(0x9B), 0x71};

}  // namespace

bool ReadWaveFormat(const QString& path, TWaveFormatEx& format) {
  format = TWaveFormatEx{};
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  RiffWalker w(&f);
  RiffChunk fmt;
  if (!w.Descend("WAVE") || !w.FindChunk("fmt ", &fmt)) return false;
  return ParseFormat(w.Read(fmt, 18), format);
}

QString Mp3ProgressText(int mode, int percent) {
  if (mode == 1) return QString::number(percent) + QStringLiteral(" %");
  if (mode == 2)
    return QStringLiteral("        正在保存为MP3格式，请稍等......") + QString::number(percent) + QStringLiteral(" %");
  return {};
}

void ConvertWavToMp3(const QString& source, const QString& destination, int mode,
                     const TMp3Progress& progress, const std::atomic<bool>* cancel) {
  // Only 16-bit PCM in one or two channels is sound the encoder can take; anything else
  // (8-bit, ADPCM, a broken header) would come out as noise, so it is refused as unreadable.
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) Fail(mp3texts::kReadError);
  RiffWalker w(&in);
  RiffChunk fmtChunk, data;
  TWaveFormatEx fmt;
  if (!w.Descend("WAVE") || !w.FindChunk("fmt ", &fmtChunk)) Fail(mp3texts::kReadError);
  const QByteArray fmtBytes = w.Read(fmtChunk, 40);
  if (!ParseFormat(fmtBytes, fmt)) Fail(mp3texts::kReadError);
  const bool pcm = fmt.wFormatTag == kPcm ||
                   (fmt.wFormatTag == kExtensible && fmtBytes.size() >= 40 &&
                    std::memcmp(fmtBytes.constData() + 24, kPcmGuid, 16) == 0);
  if (!pcm || fmt.wBitsPerSample != 16 || (fmt.nChannels != 1 && fmt.nChannels != 2) ||
      fmt.nSamplesPerSec < 8000 || fmt.nSamplesPerSec > 48000 || !w.FindChunk("data", &data))
    Fail(mp3texts::kReadError);

  EncoderConfig config;
  config.sampleRate = int(fmt.nSamplesPerSec);
  config.mode = fmt.nChannels == 2 ? EncoderConfig::Stereo : EncoderConfig::Mono;
  LameStream lame;
  int samplesPerChunk = 0, outSize = 0;
  if (lame.InitStream(config, &samplesPerChunk, &outSize) != 0) Fail(mp3texts::kEncodeError);

  QFile out(destination);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail(mp3texts::kWriteError);
  std::vector<int16_t> input(static_cast<size_t>(samplesPerChunk));
  std::vector<uint8_t> output(static_cast<size_t>(outSize));
  // Whole frames only: an odd trailing byte is not a sample.
  const qint64 total = data.size - data.size % (2 * fmt.nChannels);
  qint64 done = 0;
  int chunks = 0;
  if (!in.seek(data.offset)) Fail(mp3texts::kReadError);
  while (done < total) {
    const qint64 size = qMin<qint64>(qint64(samplesPerChunk) * 2, total - done);
    if (in.read(reinterpret_cast<char*>(input.data()), size) != size) Fail(mp3texts::kReadError);
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN)
      for (qint64 i = 0; i < size / 2; ++i) input[size_t(i)] = qFromLittleEndian(input[size_t(i)]);
    int bytes = 0;
    if (lame.EncodeChunk(int(size / 2), input.data(), output.data(), &bytes) != 0) {
      lame.CloseStream();
      Fail(mp3texts::kEncodeError);
    }
    if (bytes > 0 && out.write(reinterpret_cast<const char*>(output.data()), bytes) != bytes)
      Fail(mp3texts::kWriteError);
    done += size;
    if (cancel && cancel->load()) Fail(mp3texts::kWriteError);
    if (++chunks % 64 == 0 && progress) {
      const QString text = Mp3ProgressText(mode, int(std::lround(double(done) * 100.0 / double(total))));
      if (!text.isEmpty()) progress(text);
    }
  }
  int bytes = 0;
  if (lame.DeinitStream(output.data(), &bytes) != 0) {
    lame.CloseStream();
    Fail(mp3texts::kFlushError);
  }
  if (bytes > 0 && out.write(reinterpret_cast<const char*>(output.data()), bytes) != bytes)
    Fail(mp3texts::kLastWriteError);
  lame.CloseStream();
  if (!out.flush()) Fail(mp3texts::kLastWriteError);
  out.close();
  if (out.error() != QFileDevice::NoError) Fail(mp3texts::kLastWriteError);
}

TMp3Conversion::TMp3Conversion(QString source, QString destination, int mode, QObject* parent)
    : QObject(parent), source_(std::move(source)), destination_(std::move(destination)), mode_(mode) {}

TMp3Conversion::~TMp3Conversion() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void TMp3Conversion::Start() {
  if (running_.exchange(true)) return;
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
  worker_ = std::thread([this] {
    QString error;
    try {
      ConvertWavToMp3(source_, destination_, mode_, [this](const QString& t) { emit Progress(t); }, &cancel_);
    } catch (const EMp3Export& e) {
      error = e.Message();
    } catch (const std::exception& e) {
      error = QString::fromLocal8Bit(e.what());
    }
    running_ = false;
    emit Finished(error);
  });
}

bool TMp3Conversion::Wait(int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (running_.load()) {
    if (t.elapsed() > timeoutMs) return false;
    QThread::msleep(5);
  }
  if (worker_.joinable()) worker_.join();
  return true;
}
