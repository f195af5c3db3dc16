// timedated clock shifts.
#include "platform/system/clockcontrol.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDebug>
#include <QTimer>

#include "platform/system/dryrun.h"

namespace orvane {

namespace {
const QString kService = QStringLiteral("org.freedesktop.timedate1");
const QString kPath = QStringLiteral("/org/freedesktop/timedate1");
const QString kInterface = QStringLiteral("org.freedesktop.timedate1");
const QString kSyncEnabled = QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled");

QString errorText(const QDBusError& e) { return e.name() + QStringLiteral(": ") + e.message(); }
}  // namespace

TimedatedClock::TimedatedClock(QDBusConnection bus, bool dryRun) : bus_(std::move(bus)), dryRun_(dryRun) {}

TimedatedClock TimedatedClock::fromEnvironment() { return TimedatedClock(QDBusConnection::systemBus(), systemDryRun()); }

void TimedatedClock::ShiftClock(qint64 usec, bool interactive, Done done) {
  if (dryRun_) {
    qInfo().noquote() << "clock: dry run, not asking timedated to shift the clock by" << usec << "us";
    // Answered from the event loop, like a real reply, so callers see one order of events.
    QTimer::singleShot(0, [done] {
      if (done) done({ClockAnswer::Ok, {}});
    });
    return;
  }
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("SetTime"));
  m << qlonglong(usec) << true << interactive;
  auto* watcher =
      new QDBusPendingCallWatcher(bus_.asyncCall(m, interactive ? kInteractiveTimeoutMs : kTimeoutMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [bus = bus_, usec, done](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<> reply = *w;
    if (!reply.isError()) {
      qInfo().noquote() << "clock: timedated shifted the clock by" << usec << "us";
      if (done) done({ClockAnswer::Ok, {}});
      return;
    }
    const QString error = errorText(reply.error());
    if (reply.error().name() == kSyncEnabled) {
      askNtp(bus, error, done);
      return;
    }
    qWarning().noquote() << "clock: timedated refused to shift the clock -" << error;
    if (done) done({ClockAnswer::Failed, error});
  });
}

void TimedatedClock::askNtp(QDBusConnection bus, const QString& error, Done done) {
  QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
  m << kInterface << QStringLiteral("NTP");
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(m, kTimeoutMs));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [error, done](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *w;
    // The system keeps its own time only when its NTP switch is on; the program never
    // switches it off.
    const bool ntp = !reply.isError() && reply.value().variant().toBool();
    if (ntp) {
      qInfo().noquote() << "clock: the system sets its clock by network time itself; nothing shifted";
      if (done) done({ClockAnswer::SyncEnabled, error});
    } else {
      qWarning().noquote() << "clock: timedated refused to shift the clock -" << error;
      if (done) done({ClockAnswer::Failed, error});
    }
  });
}

}  // namespace orvane
