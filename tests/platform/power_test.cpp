// The power layer speaks to logind on a private bus (python-dbusmock), never to the machine.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusArgument>

#include "platform/system/power.h"
#include "tests/support/testsupport.h"

namespace {
// The method names the mock recorded, via its own GetCalls.
QStringList recordedCalls(QDBusConnection& bus) {
  QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                  QStringLiteral("/org/freedesktop/login1"),
                                                  QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls"));
  const QDBusMessage reply = bus.call(m);
  QStringList names;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return names;
  const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
  calls.beginArray();
  while (!calls.atEnd()) {
    quint64 stamp = 0;
    QString method;
    calls.beginStructure();
    calls >> stamp >> method;
    QVariantList args;
    calls >> args;
    calls.endStructure();
    QString text = method + QLatin1Char('(');
    for (const QVariant& a : args) text += a.value<QDBusVariant>().variant().toString() + a.toString();
    names << text + QLatin1Char(')');
  }
  calls.endArray();
  return names;
}
}  // namespace

TEST(LogindPowerTest, AsksLogindWithoutInteractionAndDoesNothingInDryRun) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
  ASSERT_TRUE(bus.startTemplate(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1")));
  QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-test"));
  ASSERT_TRUE(connection.isConnected());

  orvane::LogindPower dry(connection, true);
  QStringList replies;
  dry.onReply([&](const QString& method, const QString& error) { replies << method + QLatin1Char('=') + error; });
  dry.PowerOff();
  dry.Reboot();
  EXPECT_EQ(replies, (QStringList{QStringLiteral("PowerOff="), QStringLiteral("Reboot=")}));
  EXPECT_TRUE(recordedCalls(connection).isEmpty()) << "the dry run must not reach logind";

  orvane::LogindPower real(connection, false);
  replies.clear();
  real.onReply([&](const QString& method, const QString& error) { replies << method + QLatin1Char('=') + error; });
  real.PowerOff();
  ASSERT_TRUE(testing_support::waitUntil([&] { return replies.size() == 1; }));
  real.Reboot();
  ASSERT_TRUE(testing_support::waitUntil([&] { return replies.size() == 2; }));
  EXPECT_EQ(replies, (QStringList{QStringLiteral("PowerOff="), QStringLiteral("Reboot=")}));
  EXPECT_EQ(recordedCalls(connection), (QStringList{QStringLiteral("PowerOff(false)"), QStringLiteral("Reboot(false)")}));
  QDBusConnection::disconnectFromBus(QStringLiteral("power-test"));
}

TEST(LogindPowerTest, ARefusalIsReportedNotThrown) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok());
  // No logind on this bus at all: the call fails and says so.
  QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-refused"));
  orvane::LogindPower power(connection, false);
  QString error;
  power.onReply([&](const QString&, const QString& e) { error = e; });
  power.PowerOff();
  ASSERT_TRUE(testing_support::waitUntil([&] { return !error.isEmpty(); }));
  EXPECT_TRUE(error.contains(QStringLiteral("ServiceUnknown"))) << qPrintable(error);
  QDBusConnection::disconnectFromBus(QStringLiteral("power-refused"));
}
