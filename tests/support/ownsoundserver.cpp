// A PulseAudio server of the test's own.
#include "tests/support/ownsoundserver.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QThread>

namespace testing_support {

bool OwnSoundServer::pactl(const QStringList& args) const {
  QProcess p;
  p.start(QStringLiteral("pactl"), QStringList{QStringLiteral("-s"), QString::fromUtf8(testAddress())} + args);
  return p.waitForFinished(5000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool OwnSoundServer::start() {
  if (!dir_.isValid()) return false;
  kill();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir_.path());
  env.insert(QStringLiteral("PULSE_STATE_PATH"), dir_.filePath(QStringLiteral("state")));
  server_.setProcessEnvironment(env);
  server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  server_.start(QStringLiteral("pulseaudio"),
                {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                 QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                 QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + QString::fromUtf8(socket(QStringLiteral("test"))),
                 QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=%1 rate=48000").arg(sink())});
  if (!server_.waitForStarted(5000)) return false;
  const QDeadlineTimer deadline(5000);
  while (!pactl({QStringLiteral("info")})) {
    if (deadline.hasExpired() || server_.state() == QProcess::NotRunning) return false;
    QThread::msleep(20);
  }
  return pactl({QStringLiteral("set-default-sink"), sink()});
}

bool OwnSoundServer::open() {
  return pactl({QStringLiteral("load-module"), QStringLiteral("module-native-protocol-unix"), QStringLiteral("auth-anonymous=1"),
                QStringLiteral("socket=") + QString::fromUtf8(socket(QStringLiteral("native")))});
}

void OwnSoundServer::kill() {
  if (server_.state() == QProcess::NotRunning) return;
  server_.kill();
  server_.waitForFinished(5000);
}

}  // namespace testing_support
