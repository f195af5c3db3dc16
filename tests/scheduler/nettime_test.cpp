#include <time.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "platform/system/clockcontrol.h"
#include "scheduler/core/Unit_threadnettime.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_nettime.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {

QString httpDate(const QDateTime& t) {
  return QLocale::c().toString(t.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
}

// Answers every request with fixed bytes (headers and perhaps a body that never ends), or
// takes connections and says nothing.
class HeaderServer : public QTcpServer {
 public:
  HeaderServer() {
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
          request += s->readAll();
          if (!request.contains("\r\n\r\n") || reply.isEmpty()) return;
          s->write(reply);
          if (endless) s->write(QByteArray(1 << 20, 'x'));  // of a declared gigabyte
        });
      }
    });
  }
  QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(serverPort())); }
  void answer(const QByteArray& status, const QByteArray& headers, bool endlessBody = false) {
    reply = "HTTP/1.1 " + status + "\r\n" + headers + (endlessBody ? "Content-Length: 1000000000\r\n" : "Content-Length: 0\r\n") + "\r\n";
    endless = endlessBody;
  }
  QByteArray reply, request;
  bool endless = false;
};

QByteArray dateHeader(const QDateTime& t) { return "Date: " + httpDate(t).toLatin1() + "\r\n"; }

const QString kOk = QStringLiteral("时间同步成功!");
const QString kFail = QStringLiteral("时间同步失败!");

}  // namespace

TEST(NetTimeRules, DateFormsZonesAndShift) {
  const QDateTime seven(QDate(2026, 12, 5), QTime(7, 0), Qt::UTC);
  const struct {
    const char* text;
    QDateTime expected;  // invalid: refused
  } dates[] = {
      {"Sat, 05 Dec 2026 07:00:00 GMT", seven}, {"Saturday, 05-Dec-26 07:00:00 GMT", seven},
      {"Sat Dec  5 07:00:00 2026", seven}, {"Sat, 05 Dec 2026 16:30:00 GMT", seven.addSecs(34200)},
      {"", {}}, {"0.0", {}}, {"Sat, 05 Dec 2026 07:00:00 UTC", {}}, {"Sat, 05 Dec 2026 07:00:00 +0800", {}},
      {"Fri, 05 Dec 2026 07:00:00 GMT", {}}, {"Sat, 5 Dec 2026 07:00:00 GMT", {}}, {"Sat, 05 Dec 2026 07:00 GMT", {}},
      {"Sat, 05 Dek 2026 07:00:00 GMT", {}}, {"Tue, 31 Feb 2026 07:00:00 GMT", {}}, {"Sat, 05 Dec 2026 24:00:00 GMT", {}},
      {"Sat, 05 Dec 2026 07:00:00 GMT, Sat, 05 Dec 2026 07:00:00 GMT", {}}, {"Sat,  05 Dec 2026 07:00:00 GMT", {}},
  };
  for (const auto& c : dates) EXPECT_EQ(ParseHttpDate(QString::fromLatin1(c.text)), c.expected) << c.text;
  EXPECT_FALSE(PlausibleNetTime(ParseHttpDate(QStringLiteral("Thu, 01 Jan 1970 00:00:00 GMT"))));
  EXPECT_TRUE(PlausibleNetTime(QDateTime::currentDateTimeUtc()));
  const struct {
    const char* zone;
    const char* time;
    const char* shown;
  } zones[] = {{"Asia/Shanghai", "07:00:00", "2026-12-05  15:00:00"},
               {"America/New_York", "07:00:00", "2026-12-05  02:00:00"},
               {"Asia/Shanghai", "16:30:00", "2026-12-06  00:30:00"}};
  for (const auto& z : zones) {
    testing_support::ScopedEnv tz("TZ", QByteArray(z.zone));
    tzset();
    const QDateTime d = ParseHttpDate(QStringLiteral("Sat, 05 Dec 2026 %1 GMT").arg(QLatin1String(z.time)));
    EXPECT_EQ(NetTimeText(d), QLatin1String(z.shown)) << z.zone << " " << z.time;
  }
  tzset();
  // T − D and R in ms; the shift in µs, or none when the clock shows the server's second.
  const struct {
    qint64 late, roundTrip;
    std::optional<qint64> shift;
  } rules[] = {{0, 0, {}},         {1000, 0, {}},          {1200, 400, {}},         {1001, 0, -501000},
               {-1, 0, 501000},    {1401, 400, -701000},   {3600000, 0, -3599500000LL},
               {-3600000, 100, 3600550000LL}};
  for (const auto& r : rules)
    EXPECT_EQ(ClockShiftUsec(seven, seven.addMSecs(r.late), r.roundTrip), r.shift) << r.late << " " << r.roundTrip;
}

TEST_F(SchedulerFixture, NetTimeWindowAgainstChosenServers) {
  HeaderServer server;
  orvane::RecordingClockControl clock;
  TForm_nettime w(&clock, nullptr, server.url());
  EXPECT_EQ(w.caption(), QStringLiteral("时间校准器"));
  EXPECT_EQ(w.Label3->text() + w.Label4->text() + w.Button1->text() + w.Button2->text(),
            QStringLiteral("网络时间：本机时间：获取时间校对时间"));
  w.show();
  // Fetch only: the server's time in local form; a reply without a date fails.
  const QDateTime hourAhead = QDateTime::currentDateTimeUtc().addSecs(3600);
  server.answer("200 OK", dateHeader(hourAhead));
  w.Button1->click();
  EXPECT_EQ(w.Label1->text(), QStringLiteral("正在获取网络时间..."));
  EXPECT_EQ(w.Label2->text(), QStringLiteral("等待获取网络时间..."));
  EXPECT_FALSE(w.Button1->isEnabled() || w.Button2->isEnabled());
  ASSERT_TRUE(testing_support::waitUntil([&] { return w.Button1->isEnabled(); }));
  EXPECT_EQ(w.Label1->text(), NetTimeText(ParseHttpDate(httpDate(hourAhead))));
  EXPECT_TRUE(server.request.startsWith("POST / HTTP/1.1\r\n")) << server.request.constData();
  EXPECT_EQ(w.Label2->text().size(), 20);
  // Setting the clock, by what the server says and what the system answers.
  using A = orvane::ClockAnswer;
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const struct {
    QByteArray status, headers;
    bool endless;
    A::Outcome answer;
    qint64 shiftSeconds;  // 0: nothing asked
    QString box;
  } cases[] = {
      {"200 OK", dateHeader(now.addSecs(3600)), false, A::Ok, 3600, kOk},
      {"405 Method Not Allowed", dateHeader(now.addSecs(-600)), false, A::Ok, -600, kOk},
      {"302 Found", dateHeader(now.addSecs(120)) + "Location: /elsewhere\r\n", false, A::Ok, 120, kOk},
      {"200 OK", dateHeader(now.addSecs(60)), true, A::Ok, 60, kOk},
      {"200 OK", dateHeader(now.addSecs(3600)), false, A::SyncEnabled, 3600,
       QStringLiteral("系统已开启自动网络校时，无需校对。")},
      {"200 OK", dateHeader(now.addSecs(3600)), false, A::Failed, 3600, kFail},
      {"200 OK", "", false, A::Ok, 0, kFail},
      {"200 OK", "Date: Thu, 01 Jan 1970 00:00:00 GMT\r\n", false, A::Ok, 0, kFail},
      {"200 OK", dateHeader(now) + dateHeader(now), false, A::Ok, 0, kFail},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status.toStdString() + " " + c.headers.toStdString());
    server.answer(c.status, c.headers, c.endless);
    clock.calls.clear();
    clock.answer = {c.answer, c.answer == A::Ok ? QString() : QStringLiteral("refused")};
    clock.deferred = true;
    boxes.clear();
    w.Button2->click();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("正在校对网络时间..."));
    ASSERT_TRUE(testing_support::waitUntil([&] { return !clock.pending.isEmpty() || !boxes.asked().empty(); }));
    if (!clock.pending.isEmpty()) { EXPECT_FALSE(w.Button1->isEnabled() || w.Button2->isEnabled()); }
    clock.answerPending();
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].text, c.box);
    EXPECT_EQ(boxes.asked()[0].caption + QString::number(boxes.asked()[0].flags), QStringLiteral("提示0"));
    EXPECT_TRUE(w.Button1->isEnabled() && w.Button2->isEnabled());
    if (c.shiftSeconds == 0) {
      EXPECT_TRUE(clock.calls.isEmpty());
      EXPECT_EQ(w.Label1->text(), QStringLiteral("校对网络时间失败!"));
      continue;
    }
    ASSERT_EQ(clock.calls.size(), 1);
    EXPECT_TRUE(clock.calls[0].interactive);
    // The header is whole seconds: the shift lands within a second and a bit of the offset.
    EXPECT_NEAR(double(clock.calls[0].usec) / 1e6, double(c.shiftSeconds), 1.6);
  }
  // The clock already shows the server's second: nothing is asked, and that is success.
  clock.calls.clear();
  boxes.clear();
  server.answer("200 OK", dateHeader(QDateTime::currentDateTimeUtc()));
  w.Button2->click();
  ASSERT_TRUE(testing_support::waitUntil([&] { return !boxes.asked().empty(); }));
  EXPECT_EQ(boxes.asked()[0].text, kOk);
  EXPECT_TRUE(clock.calls.isEmpty() || std::abs(clock.calls[0].usec) < 1600000);
  // A silent server: the interface thread runs on (a 10 Hz timer keeps firing) until the
  // limit ends the wait with the failure; closing drops a fetch under way.
  HeaderServer silent;
  TForm_nettime quiet(&clock, nullptr, silent.url());
  quiet.net().setTimeLimit(800);
  int ticks = 0;
  QTimer tenHertz;
  QObject::connect(&tenHertz, &QTimer::timeout, [&] { ++ticks; });
  tenHertz.start(100);
  boxes.clear();
  quiet.Button2->click();
  ASSERT_TRUE(testing_support::waitUntil([&] { return !boxes.asked().empty(); }));
  EXPECT_GE(ticks, 5);
  EXPECT_EQ(boxes.asked()[0].text, kFail);
  HeaderServer closed;
  closed.close();  // nothing listens there any more: refused at once
  TForm_nettime refused(&clock, nullptr, closed.url());
  refused.Button1->click();
  ASSERT_TRUE(testing_support::waitUntil([&] { return refused.Button1->isEnabled(); }));
  EXPECT_EQ(refused.Label1->text(), QStringLiteral("获取网络时间失败!"));
  quiet.show();
  quiet.Button1->click();
  EXPECT_TRUE(quiet.net().pending());
  quiet.close();
  EXPECT_FALSE(quiet.net().pending());
}

TEST_F(SchedulerFixture, NetworkTimeAtStartAndFromTheClockLabel) {
  HeaderServer server;
  server.answer("200 OK", dateHeader(QDateTime::currentDateTimeUtc().addSecs(-3600)));
  testing_support::ScopedEnv url("ORVANE_NETTIME_URL", server.url().toString().toLatin1());
  orvane::RecordingClockControl clock;
  services.clockControl = &clock;
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("volume3"), QStringLiteral("1")));
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, this->clock, services);
  ASSERT_TRUE(w.created());
  Tsetnettime* run = w.findChild<Tsetnettime*>();
  ASSERT_NE(run, nullptr);
  QPointer<Tsetnettime> gone(run);
  ASSERT_TRUE(testing_support::waitUntil([&] { return gone.isNull(); }));
  ASSERT_EQ(clock.calls.size(), 1);
  EXPECT_FALSE(clock.calls[0].interactive);
  EXPECT_NEAR(double(clock.calls[0].usec) / 1e6, -3600.0, 1.6);
  EXPECT_TRUE(boxes.asked().empty()) << "the start-up run shows nothing";
  bool opened = false;
  OnNextModal<TForm_nettime>([&](TForm_nettime* n) {
    opened = n->parentWidget() == &w;
    n->close();
  });
  w.show();
  QTest::mouseClick(w.Label_time, Qt::LeftButton);
  EXPECT_TRUE(opened);
  EXPECT_EQ(w.findChild<TForm_nettime*>(), nullptr) << "freed afterwards";
}
