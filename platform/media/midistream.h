// One MIDI file being rendered, as it plays, into a stream of wave data: a worker thread
// runs the synthesizer and writes into one end of a socket pair, the player reads the other
// end. A paused player stops the worker by not reading; dropping the stream stops it for good.
#pragma once

#include <QString>
#include <atomic>
#include <thread>

namespace orvane {

class MidiStream {
 public:
  // Starts the worker; the soundfont and the file have been checked by the caller.
  MidiStream(QString midiPath, QString soundfont, qint64 lengthMs, int sampleRate);
  ~MidiStream();
  MidiStream(const MidiStream&) = delete;
  MidiStream& operator=(const MidiStream&) = delete;

  bool ok() const { return readFd_ >= 0 || taken_; }
  // The reading end for the player, which from then on closes it; -1 when already taken.
  int takeReadFd();
  // How long the music plays (the last notes ring on a little beyond it).
  qint64 lengthMs() const { return lengthMs_; }

 private:
  void run();
  bool sendAll(const char* data, qsizetype size);

  QString midiPath_;
  QString soundfont_;
  qint64 lengthMs_;
  int sampleRate_;
  int writeFd_ = -1;
  int readFd_ = -1;
  bool taken_ = false;
  std::atomic<bool> cancel_{false};
  std::thread worker_;
};

}  // namespace orvane
