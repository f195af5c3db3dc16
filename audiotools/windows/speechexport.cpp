// The export worker.
#include "audiotools/windows/speechexport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include "audiotools/core/MP3export.h"
#include "platform/files/waveheader.h"
#include "platform/mp3/riffwalker.h"
#include "platform/speech/speechengine.h"

TSpeechExport::TSpeechExport(QStringList pieces, orvane::SpeechParams params, QString target, QObject* parent)
    : QObject(parent), pieces_(std::move(pieces)), params_(std::move(params)), target_(std::move(target)) {}

TSpeechExport::~TSpeechExport() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

void TSpeechExport::Start() {
  worker_ = std::thread([this] {
    const QString error = Run();
    emit Finished(error);
  });
}

QString TSpeechExport::Run() {
  // Private files of their own, removed whatever happens.
  QTemporaryFile whole(QDir::tempPath() + QLatin1String("/orvane-tts-XXXXXX.wav"));
  QTemporaryFile piece(QDir::tempPath() + QLatin1String("/orvane-ttspiece-XXXXXX.wav"));
  if (!whole.open() || !piece.open()) return QStringLiteral("no temporary file");
  piece.close();
  int rate = 0;
  qint64 bytes = 0;
  // The header follows once the length is known.
  if (whole.write(QByteArray(44, '\0')) != 44) return whole.errorString();
  for (const QString& text : pieces_) {
    if (cancel_) return QStringLiteral("cancelled");
    QString error;
    if (!orvane::SpeechEngine::synthesizeToWave(text, params_, piece.fileName(), &error)) return error;
    QFile in(piece.fileName());
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    orvane::mp3::RiffWalker w(&in);
    orvane::mp3::RiffChunk fmt, data;
    if (!w.Descend("WAVE") || !w.FindChunk("fmt ", &fmt) || !w.FindChunk("data", &data))
      return QStringLiteral("the synthesised sound cannot be read");
    const QByteArray f = w.Read(fmt, 16);
    if (f.size() >= 8) rate = int(qFromLittleEndian<quint32>(f.constData() + 4));
    in.seek(data.offset);
    for (qint64 left = data.size; left > 0;) {
      const QByteArray block = in.read(qMin<qint64>(left, 1 << 16));
      if (block.isEmpty() || whole.write(block) != block.size()) return whole.errorString();
      left -= block.size();
      bytes += block.size();
    }
  }
  // Every byte is checked: the seek writes out what is buffered, and a full disk shows there.
  const QByteArray header = orvane::pcmWaveHeader(rate > 0 ? rate : 22050, 1, 16, bytes);
  if (!whole.seek(0) || whole.write(header) != header.size() || !whole.flush()) return whole.errorString();
  emit Converting();
  try {
    ConvertWavToMp3(whole.fileName(), target_, 2, [this](const QString& t) { emit Progress(t); }, &cancel_);
  } catch (const EMp3Export& e) {
    return e.Message();
  }
  return {};
}
