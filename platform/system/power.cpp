// logind power requests.
#include "platform/system/power.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

#include "platform/system/dryrun.h"

namespace orvane {

LogindPower::LogindPower(QDBusConnection bus, bool dryRun) : bus_(std::move(bus)), dryRun_(dryRun) {}

LogindPower LogindPower::fromEnvironment() { return LogindPower(QDBusConnection::systemBus(), systemDryRun()); }

void LogindPower::PowerOff() { call(QStringLiteral("PowerOff")); }
void LogindPower::Reboot() { call(QStringLiteral("Reboot")); }

void LogindPower::call(const QString& method) {
  if (dryRun_) {
    qInfo().noquote() << "power: dry run, not calling logind" << method;
    if (onReply_) onReply_(method, QString());
    return;
  }
  QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                  QStringLiteral("/org/freedesktop/login1"),
                                                  QStringLiteral("org.freedesktop.login1.Manager"), method);
  m << false;  // not interactive: never wait for a password prompt
  // Asynchronous: the interface thread never waits for the system's answer.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(m, 10000));
  auto callback = onReply_;
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [method, callback](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<> reply = *w;
    const QString error = reply.isError() ? reply.error().name() + QStringLiteral(": ") + reply.error().message() : QString();
    if (!error.isEmpty()) qWarning().noquote() << "power: logind refused" << method << "-" << error;
    else qInfo().noquote() << "power: logind accepted" << method;
    if (callback) callback(method, error);
    w->deleteLater();
  });
}

}  // namespace orvane
