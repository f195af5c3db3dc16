// The speech studio's export on a worker thread: the text synthesised piece by piece into one
// private temporary wave (the engine's own format), then converted to MP3.
#pragma once

#include <QObject>
#include <QStringList>
#include <atomic>
#include <thread>

#include "platform/speech/espeaksynth.h"

class TSpeechExport : public QObject {
  Q_OBJECT
 public:
  TSpeechExport(QStringList pieces, orvane::SpeechParams params, QString target, QObject* parent = nullptr);
  // Cancels and waits.
  ~TSpeechExport() override;
  void Start();

 signals:
  // The synthesis is done and the MP3 conversion begins.
  void Converting();
  void Progress(const QString& text);
  // Empty on success, else why it failed.
  void Finished(const QString& error);

 private:
  QString Run();
  QStringList pieces_;
  orvane::SpeechParams params_;
  QString target_;
  std::atomic<bool> cancel_{false};
  std::thread worker_;
};
