// A private PulseAudio server for a benchmark run, with one null sink made the default for the
// process (PULSE_SERVER, PULSE_SINK); an already running private server (test.sh) is reused.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace bench {

class SoundServer {
 public:
  SoundServer();
  ~SoundServer();
  bool ok() const { return ok_; }
  // The sink every stream of this process (and of the programs it starts) plays into.
  QString sink() const { return QStringLiteral("benchsink"); }
  // The server process when this object started one, else 0.
  qint64 pid() const { return server_.processId(); }

 private:
  QTemporaryDir dir_;
  QProcess server_;
  QString module_;  // the sink's module on the server
  bool ok_ = false;
};

}  // namespace bench
