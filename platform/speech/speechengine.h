// Reading a text aloud: espeak-ng synthesises on a worker, our own libpulse stream plays it;
// word and end events arrive on the interface thread in step with what is heard.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/speech/espeaksynth.h"

namespace orvane {

class PulseStream;

class SpeechEngine : public QObject {
  Q_OBJECT
 public:
  explicit SpeechEngine(QObject* parent = nullptr);
  ~SpeechEngine() override;

  // Speaks the text asynchronously, dropping whatever was being spoken. False, with the
  // reason in lastError() and no event to follow, when the voice is unknown or there is no
  // sound server; on true, exactly one endStream() or failed() follows unless stopped.
  // Virtual so that tests of the code that reads texts can stand in a scripted engine.
  virtual bool speak(const QString& text, const SpeechParams& params);
  // Holds the reading where it is (the stream is corked) and carries on from there.
  virtual void pause();
  virtual void resume();
  // Silence at once; no further event for the reading that was going on.
  virtual void stop();

  bool isSpeaking() const { return speaking_; }
  bool isPaused() const { return paused_; }
  QString lastError() const { return lastError_; }

  // Synthesises the text into a 16-bit mono wave file at the engine's rate, on the calling
  // thread (the engine is far faster than real time). False with the reason on failure.
  static bool synthesizeToWave(const QString& text, const SpeechParams& params, const QString& path, QString* error);

 protected:
  void setLastError(const QString& message) { lastError_ = message; }

 signals:
  // The word at this position (QString units of the spoken text) and length is being heard.
  void word(int position, int length);
  // The whole text has been heard.
  void endStream();
  // The reading broke off (the sound server went away or the engine failed).
  void failed(const QString& message);

 private:
  void joinWorker();
  void deliverWords();
  // Marks the words that begin at or before the sample heard; false when a handler of the
  // word signal stopped or restarted the reading.
  bool emitWordsUpTo(qint64 heard);
  void finishReading(quint64 generation);
  void failReading(quint64 generation, const QString& message);

  std::unique_ptr<PulseStream> out_;
  std::thread worker_;
  std::atomic_bool cancel_{false};
  quint64 generation_ = 0;  // bumped by every speak and stop; late events of older readings are dropped
  bool speaking_ = false;
  bool paused_ = false;
  QString lastError_;
  QTimer wordTimer_;
  std::mutex wordsMutex_;
  std::deque<WordMark> words_;  // words synthesised but not yet heard
};

}  // namespace orvane
