// Sound recorder for the audible tests.
#include "tests/broadcast/soundrecorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cmath>
#include <cstdlib>

SoundRecorder::SoundRecorder() = default;

SoundRecorder::~SoundRecorder() { stop(); }

bool SoundRecorder::start() {
  const QStringList format{QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"), QStringLiteral("--channels=1")};
  keepAlive_.setStandardInputFile(QStringLiteral("/dev/zero"));
  keepAlive_.start(QStringLiteral("pacat"), QStringList{QStringLiteral("--playback"), QStringLiteral("-d"),
                                                        QStringLiteral("testsink"), QStringLiteral("--latency-msec=20")} +
                                                format);
  recorder_.start(QStringLiteral("parec"), QStringList{QStringLiteral("-d"), QStringLiteral("testsink.monitor"),
                                                       QStringLiteral("--latency-msec=10")} +
                                               format);
  if (!keepAlive_.waitForStarted(5000) || !recorder_.waitForStarted(5000)) return false;
  QObject::connect(&recorder_, &QProcess::readyReadStandardOutput, [this] { read(); });
  return true;
}

void SoundRecorder::stop() {
  for (QProcess* p : {&recorder_, &keepAlive_}) {
    if (p->state() == QProcess::NotRunning) continue;
    p->terminate();
    if (!p->waitForFinished(2000)) p->kill();
    p->waitForFinished(2000);
  }
}

void SoundRecorder::read() {
  const double arrival = double(QDateTime::currentMSecsSinceEpoch());
  const QByteArray chunk = recorder_.readAllStandardOutput();
  if (chunk.isEmpty()) return;
  if (firstMs_ < 0) firstMs_ = arrival - double(chunk.size() / 2) * 1000.0 / kRate;
  pending_ += chunk;
  const qsizetype whole = pending_.size() / 2 * 2;
  const auto* s = reinterpret_cast<const qint16*>(pending_.constData());
  samples_.append(QList<qint16>(s, s + whole / 2));
  pending_.remove(0, whole);
}

bool SoundRecorder::waitForSamples(int timeoutMs) {
  const qint64 until = QDateTime::currentMSecsSinceEpoch() + timeoutMs;
  while (firstMs_ < 0 && QDateTime::currentMSecsSinceEpoch() < until) recordUntil(QDateTime::currentMSecsSinceEpoch() + 20);
  // Let the stream settle into its steady pace before anything is timed.
  if (firstMs_ >= 0) recordUntil(QDateTime::currentMSecsSinceEpoch() + 300);
  return firstMs_ >= 0;
}

void SoundRecorder::recordUntil(qint64 wallMs) {
  while (QDateTime::currentMSecsSinceEpoch() < wallMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
  QCoreApplication::processEvents();
}

qint64 SoundRecorder::indexOf(double wallMs) const {
  if (firstMs_ < 0) return 0;
  return qBound<qint64>(0, qint64(std::floor((wallMs - firstMs_) * kRate / 1000.0)), samples_.size());
}

double SoundRecorder::onsetAfter(double wallMs, int threshold) const {
  for (qint64 i = indexOf(wallMs); i < samples_.size(); ++i)
    if (std::abs(int(samples_[i])) > threshold) return wallOf(i);
  return -1;
}

int SoundRecorder::peakBetween(double fromMs, double toMs) const {
  const qint64 a = indexOf(fromMs), b = indexOf(toMs);
  if (b <= a) return -1;
  int peak = 0;
  for (qint64 i = a; i < b; ++i) peak = std::max(peak, std::abs(int(samples_[i])));
  return peak;
}
