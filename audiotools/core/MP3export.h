// Converts a 16-bit PCM wave file into an MP3 file, reporting its progress as the text of the
// calling window's label; and a job that runs the conversion off the interface thread.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

// The format record of a wave file's "fmt " chunk (its first 18 bytes).
struct TWaveFormatEx {
  quint16 wFormatTag = 0;
  quint16 nChannels = 0;
  quint32 nSamplesPerSec = 0;
  quint32 nAvgBytesPerSec = 0;
  quint16 nBlockAlign = 0;
  quint16 wBitsPerSample = 0;
  quint16 cbSize = 0;
};

// A failed conversion; the text is one of the five below.
class EMp3Export : public std::runtime_error {
 public:
  explicit EMp3Export(const QString& message);
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

namespace mp3texts {
inline const char* const kReadError = "Erreur de lecture";
inline const char* const kEncodeError = "Echec de l'encodage";
inline const char* const kWriteError = "Erreur d'criture";
inline const char* const kFlushError = "Echec  la sortie";
inline const char* const kLastWriteError = "Erreur  la dernire criture";
}  // namespace mp3texts

// Zeroes the record, then fills it from the file's "fmt " chunk; true when the chunk holds at
// least the 16 bytes every wave format has.
bool ReadWaveFormat(const QString& path, TWaveFormatEx& format);

// The progress text of a mode: 1 the recorder's label ("50 %"), 2 the speech studio's group
// caption; empty for any other mode.
QString Mp3ProgressText(int mode, int percent);

using TMp3Progress = std::function<void(const QString& text)>;

// Encodes the sound of source's "data" chunk into destination (overwritten) at the source's
// rate and channels. After every 64th chunk the percentage done goes to progress as the text
// of the mode. Raises EMp3Export; the destination stays as far as it was written. A set
// cancel flag ends the conversion after the current chunk, as a write failure.
void ConvertWavToMp3(const QString& source, const QString& destination, int mode,
                     const TMp3Progress& progress = {}, const std::atomic<bool>* cancel = nullptr);

// One conversion on a worker thread. Progress and Finished are emitted from the worker, so a
// receiver on the interface thread gets them queued. Destroying the job cancels and waits.
class TMp3Conversion : public QObject {
  Q_OBJECT
 public:
  TMp3Conversion(QString source, QString destination, int mode, QObject* parent = nullptr);
  ~TMp3Conversion() override;

  void Start();
  bool Running() const { return running_.load(); }
  // Waits for the worker; false when timeoutMs passed first (tests and shutdown).
  bool Wait(int timeoutMs);

 signals:
  void Progress(const QString& text);
  // error is empty on success.
  void Finished(const QString& error);

 private:
  QString source_, destination_;
  int mode_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
  std::thread worker_;
};
