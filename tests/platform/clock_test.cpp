// The clock layer speaks to timedated on a private bus (python-dbusmock), never to the machine.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>

#include "platform/system/clockcontrol.h"
#include "tests/support/testsupport.h"

namespace {
const QString kName = QStringLiteral("org.freedesktop.timedate1");

QDBusMessage mockCall(const QString& method, const QVariantList& args = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(kName, QStringLiteral("/org/freedesktop/timedate1"),
                                                  QStringLiteral("org.freedesktop.DBus.Mock"), method);
  m.setArguments(args);
  return m;
}

// The SetTime calls the mock saw, as "usec,relative,interactive".
QStringList setTimeCalls(QDBusConnection& bus) {
  const QDBusMessage reply = bus.call(mockCall(QStringLiteral("GetMethodCalls"), {QStringLiteral("SetTime")}));
  QStringList out;
  if (reply.type() != QDBusMessage::ReplyMessage) return out;
  const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
  calls.beginArray();
  while (!calls.atEnd()) {
    quint64 stamp = 0;
    QVariantList args;
    calls.beginStructure();
    calls >> stamp >> args;
    calls.endStructure();
    QStringList parts;
    for (const QVariant& a : args) parts << a.value<QDBusVariant>().variant().toString() + a.toString();
    out << parts.join(QLatin1Char(','));
  }
  calls.endArray();
  return out;
}

orvane::ClockAnswer shift(orvane::TimedatedClock& clock, qint64 usec, bool interactive) {
  std::optional<orvane::ClockAnswer> answer;
  clock.ShiftClock(usec, interactive, [&](const orvane::ClockAnswer& a) { answer = a; });
  EXPECT_TRUE(testing_support::waitUntil([&] { return answer.has_value(); }));
  return answer.value_or(orvane::ClockAnswer{});
}

// Replaces SetTime with one that raises the named D-Bus error.
void refuseWith(QDBusConnection& bus, const QString& error) {
  bus.call(mockCall(QStringLiteral("AddMethod"),
                    {kName, QStringLiteral("SetTime"), QStringLiteral("xbb"), QString(),
                     QStringLiteral("raise dbus.exceptions.DBusException('no', name='%1')").arg(error)}));
}
}  // namespace

TEST(TimedatedClockTest, ShiftsRelativelyRefusesAndDryRunReachesNothing) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok());
  ASSERT_TRUE(bus.startTemplate(QStringLiteral("timedated"), kName));
  QDBusConnection c = QDBusConnection::connectToBus(bus.address(), QStringLiteral("clock-test"));
  ASSERT_TRUE(c.isConnected());
  orvane::TimedatedClock dry(c, true);
  EXPECT_EQ(shift(dry, 5000000, true).outcome, orvane::ClockAnswer::Ok);
  EXPECT_TRUE(setTimeCalls(c).isEmpty()) << "the dry run must not reach timedated";
  orvane::TimedatedClock real(c, false);
  EXPECT_EQ(shift(real, -3600500000LL, true).outcome, orvane::ClockAnswer::Ok);
  EXPECT_EQ(shift(real, 250000, false).outcome, orvane::ClockAnswer::Ok);
  EXPECT_EQ(setTimeCalls(c), (QStringList{QStringLiteral("-3600500000,true,true"), QStringLiteral("250000,true,false")}));
  // Refusals: automatic sync with NTP on is the system's own time keeping; with NTP off, or
  // any other refusal, the shift failed.
  const QString syncEnabled = QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled");
  refuseWith(c, syncEnabled);
  EXPECT_EQ(shift(real, 1000, true).outcome, orvane::ClockAnswer::SyncEnabled);
  c.call(QDBusMessage::createMethodCall(kName, QStringLiteral("/org/freedesktop/timedate1"),
                                        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"))
         << kName << QStringLiteral("NTP") << QVariant::fromValue(QDBusVariant(false)));
  orvane::ClockAnswer a = shift(real, 1000, true);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(syncEnabled)) << qPrintable(a.error);
  refuseWith(c, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
  a = shift(real, 1000, false);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(QStringLiteral("AccessDenied"))) << qPrintable(a.error);
  QDBusConnection::disconnectFromBus(QStringLiteral("clock-test"));
  // No timedated on the bus at all.
  testing_support::PrivateBus empty;
  ASSERT_TRUE(empty.ok());
  QDBusConnection e = QDBusConnection::connectToBus(empty.address(), QStringLiteral("clock-none"));
  orvane::TimedatedClock none(e, false);
  a = shift(none, 1000, false);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(QStringLiteral("ServiceUnknown"))) << qPrintable(a.error);
  QDBusConnection::disconnectFromBus(QStringLiteral("clock-none"));
}
