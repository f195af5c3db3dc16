// Private sound server for benchmarks.
#include "bench/soundserver.h"

#include <QThread>

namespace bench {

namespace {
bool pactl(const QStringList& args, QByteArray* out = nullptr) {
  QProcess p;
  p.start(QStringLiteral("pactl"), args);
  const bool ok = p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (out) *out = p.readAllStandardOutput().trimmed();
  return ok;
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
  QByteArray module;
  if (pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=benchsink"),
             QStringLiteral("rate=48000")},
            &module))
    module_ = QString::fromUtf8(module);
  ok_ = pactl({QStringLiteral("set-default-sink"), sink()});
  qputenv("PULSE_SINK", sink().toUtf8());
}

SoundServer::~SoundServer() {
  // A server that was there before keeps running, without our sink.
  if (!module_.isEmpty()) pactl({QStringLiteral("unload-module"), module_});
  if (server_.state() != QProcess::NotRunning) {
    server_.terminate();
    if (!server_.waitForFinished(3000)) server_.kill();
  }
}

}  // namespace bench
