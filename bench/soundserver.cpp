// Private sound server for benchmarks.
#include "bench/soundserver.h"

#include <QThread>

namespace bench {

namespace {
bool pactl(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral("pactl"), args);
  return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
}  // namespace

SoundServer::SoundServer() {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
    const QString runtime = dir_.path();
    qputenv("PULSE_RUNTIME_PATH", runtime.toUtf8());
    qputenv("PULSE_STATE_PATH", (runtime + QStringLiteral("/state")).toUtf8());
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + runtime + QStringLiteral("/native")).toUtf8());
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                   QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                   QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + runtime +
                       QStringLiteral("/native")});
    if (!server_.waitForStarted(5000)) return;
    for (int i = 0; i < 100 && !pactl({QStringLiteral("info")}); ++i) QThread::msleep(50);
  }
  pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=benchsink"),
         QStringLiteral("rate=48000")});
  ok_ = pactl({QStringLiteral("set-default-sink"), sink()});
  qputenv("PULSE_SINK", sink().toUtf8());
}

SoundServer::~SoundServer() {
  if (server_.state() != QProcess::NotRunning) {
    server_.terminate();
    if (!server_.waitForFinished(3000)) server_.kill();
  }
}

}  // namespace bench
