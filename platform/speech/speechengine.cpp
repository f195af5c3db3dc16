// Speech engine.
#include "platform/speech/speechengine.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>
#include <future>
#include <limits>

#include "platform/files/waveheader.h"
#include "platform/speech/pulsestream.h"

namespace orvane {

SpeechEngine::SpeechEngine(QObject* parent) : QObject(parent), out_(std::make_unique<PulseStream>()) {
  // Word marks are timed against the stream's playing position, looked at this often.
  wordTimer_.setInterval(15);
  connect(&wordTimer_, &QTimer::timeout, this, &SpeechEngine::deliverWords);
}

SpeechEngine::~SpeechEngine() {
  ++generation_;
  cancel_ = true;
  joinWorker();
  out_.reset();  // closes the stream before the object goes: no callback reaches us after this
}

void SpeechEngine::joinWorker() {
  if (worker_.joinable()) worker_.join();
}

bool SpeechEngine::speak(const QString& text, const SpeechParams& params) {
  stop();
  lastError_.clear();
  EspeakSynth& synth = EspeakSynth::instance();
  if (!synth.available()) {
    lastError_ = synth.error();
    return false;
  }
  const quint64 gen = ++generation_;
  out_->onDrained = [this, gen] {
    QMetaObject::invokeMethod(this, [this, gen] { finishReading(gen); }, Qt::QueuedConnection);
  };
  out_->onFailed = [this, gen](const QString& message) {
    QMetaObject::invokeMethod(this, [this, gen, message] { failReading(gen, message); }, Qt::QueuedConnection);
  };
  if (!out_->open(synth.sampleRate(), &lastError_)) return false;
  cancel_ = false;
  speaking_ = true;
  paused_ = false;

  // The worker says whether the voice could be set before it synthesises, so that an
  // unknown voice is refused here rather than reported later.
  auto prepared = std::make_shared<std::promise<QString>>();
  std::future<QString> preparedResult = prepared->get_future();
  PulseStream* out = out_.get();
  worker_ = std::thread([this, out, text, params, prepared, gen] {
    bool announced = false;
    QString message;
    const bool ok = EspeakSynth::instance().synthesize(
        text, params,
        [&](const int16_t* samples, int count, const std::vector<WordMark>& words) {
          if (!announced) {
            announced = true;
            prepared->set_value(QString());
          }
          if (!words.empty()) {
            std::lock_guard<std::mutex> lock(wordsMutex_);
            words_.insert(words_.end(), words.begin(), words.end());
          }
          out->append(samples, count);
          return true;
        },
        &message, &cancel_);
    if (!announced) prepared->set_value(ok ? QString() : message);
    else if (!ok) {
      QMetaObject::invokeMethod(this, [this, gen, message] { failReading(gen, message); }, Qt::QueuedConnection);
      return;
    }
    if (ok && !cancel_) out->finish();
  });

  // Another synthesis in the process (a file export) may hold the engine for a moment.
  if (preparedResult.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    lastError_ = QStringLiteral("the speech engine is busy");
    stop();
    return false;
  }
  const QString refusal = preparedResult.get();
  if (!refusal.isEmpty()) {
    lastError_ = refusal;
    stop();
    return false;
  }
  wordTimer_.start();
  return true;
}

void SpeechEngine::pause() {
  if (!speaking_ || paused_) return;
  paused_ = true;
  out_->setPaused(true);
}

void SpeechEngine::resume() {
  if (!speaking_ || !paused_) return;
  paused_ = false;
  out_->setPaused(false);
}

void SpeechEngine::stop() {
  ++generation_;
  cancel_ = true;
  joinWorker();
  out_->close();
  wordTimer_.stop();
  {
    std::lock_guard<std::mutex> lock(wordsMutex_);
    words_.clear();
  }
  speaking_ = false;
  paused_ = false;
}

void SpeechEngine::deliverWords() { emitWordsUpTo(out_->playedSamples()); }

bool SpeechEngine::emitWordsUpTo(qint64 heard) {
  const quint64 gen = generation_;
  for (;;) {
    WordMark w;
    {
      std::lock_guard<std::mutex> lock(wordsMutex_);
      if (words_.empty() || words_.front().sample > heard) return true;
      w = words_.front();
      words_.pop_front();
    }
    emit word(w.position, w.length);
    if (gen != generation_) return false;  // a handler stopped or restarted the reading
  }
}

void SpeechEngine::finishReading(quint64 generation) {
  if (generation != generation_) return;
  // Words not yet marked when the stream ran out (the last poll came just before the end).
  if (!emitWordsUpTo(std::numeric_limits<qint64>::max())) return;
  joinWorker();
  wordTimer_.stop();
  speaking_ = false;
  paused_ = false;
  emit endStream();
}

void SpeechEngine::failReading(quint64 generation, const QString& message) {
  if (generation != generation_) return;
  qWarning().noquote() << "speech:" << message;
  stop();
  lastError_ = message;
  emit failed(message);
}

bool SpeechEngine::synthesizeToWave(const QString& text, const SpeechParams& params, const QString& path,
                                    QString* error) {
  EspeakSynth& synth = EspeakSynth::instance();
  if (!synth.available()) {
    if (error) *error = synth.error();
    return false;
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
    return false;
  }
  QByteArray pcm;
  const bool ok = synth.synthesize(
      text, params,
      [&](const int16_t* samples, int count, const std::vector<WordMark>&) {
        for (int i = 0; i < count; ++i) {
          char le[2];
          qToLittleEndian<qint16>(samples[i], le);
          pcm.append(le, 2);
        }
        return true;
      },
      error);
  if (!ok) {
    f.close();
    f.remove();
    return false;
  }
  const QByteArray header = pcmWaveHeader(synth.sampleRate(), 1, 16, pcm.size());
  // The close reports what the flush could not (a file system that tells only then).
  bool written = f.write(header) == header.size() && f.write(pcm) == pcm.size() && f.flush();
  if (written) {
    f.close();
    written = f.error() == QFileDevice::NoError;
  }
  if (!written) {
    if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
    f.close();
    f.remove();
    return false;
  }
  return true;
}

}  // namespace orvane
