// Network time.
#include "scheduler/core/nettime.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimeZone>

#include "platform/system/clockcontrol.h"

namespace {
const QStringList kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const QStringList kDays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const QStringList kLongDays = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

// weekday 1..7 (Monday first), or 0 when the name is no weekday of the list.
int dayNumber(const QStringList& names, const QString& name) { return int(names.indexOf(name)) + 1; }

QDateTime build(int weekday, int year, int month, int day, int hour, int minute, int second) {
  const QDate date(year, month, day);
  if (!date.isValid() || weekday == 0 || date.dayOfWeek() != weekday) return {};
  if (hour > 23 || minute > 59 || second > 59) return {};
  return QDateTime(date, QTime(hour, minute, second), Qt::UTC);
}

QDate buildDate() {
  // __DATE__ is "Mmm dd yyyy" (day padded with a blank).
  const QString text = QString::fromLatin1(__DATE__).simplified();
  const QStringList parts = text.split(QLatin1Char(' '));
  if (parts.size() != 3) return {};
  return QDate(parts[2].toInt(), int(kMonths.indexOf(parts[0])) + 1, parts[1].toInt());
}
}  // namespace

QUrl NetTimeUrl() {
  const QString configured = qEnvironmentVariable("ORVANE_NETTIME_URL").trimmed();
  return QUrl(configured.isEmpty() ? QStringLiteral("http://www.baidu.com/") : configured);
}

QDateTime ParseHttpDate(const QString& text) {
  static const QString mon = QStringLiteral("(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)");
  static const QRegularExpression imf(QStringLiteral("^([A-Z][a-z]{2}), (\\d{2}) ") + mon +
                                      QStringLiteral(" (\\d{4}) (\\d{2}):(\\d{2}):(\\d{2}) GMT$"));
  static const QRegularExpression rfc850(QStringLiteral("^([A-Z][a-z]{5,8}), (\\d{2})-") + mon +
                                         QStringLiteral("-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2}) GMT$"));
  static const QRegularExpression asctime(QStringLiteral("^([A-Z][a-z]{2}) ") + mon +
                                          QStringLiteral(" ( \\d|\\d{2}) (\\d{2}):(\\d{2}):(\\d{2}) (\\d{4})$"));
  auto n = [](const QRegularExpressionMatch& m, int i) { return m.captured(i).trimmed().toInt(); };
  auto month = [](const QRegularExpressionMatch& m, int i) { return int(kMonths.indexOf(m.captured(i))) + 1; };
  QRegularExpressionMatch m = imf.match(text);
  if (m.hasMatch())
    return build(dayNumber(kDays, m.captured(1)), n(m, 4), month(m, 3), n(m, 2), n(m, 5), n(m, 6), n(m, 7));
  m = rfc850.match(text);
  if (m.hasMatch()) {
    // A two-digit year more than 50 years ahead is the latest past year with those digits.
    const int now = QDateTime::currentDateTimeUtc().date().year();
    int year = now - now % 100 + n(m, 4);
    if (year > now + 50) year -= 100;
    return build(dayNumber(kLongDays, m.captured(1)), year, month(m, 3), n(m, 2), n(m, 5), n(m, 6), n(m, 7));
  }
  m = asctime.match(text);
  if (m.hasMatch())
    return build(dayNumber(kDays, m.captured(1)), n(m, 7), month(m, 2), n(m, 3), n(m, 4), n(m, 5), n(m, 6));
  return {};
}

bool PlausibleNetTime(const QDateTime& utc) {
  static const QDate built = buildDate();
  return utc.isValid() && (!built.isValid() || utc.date() >= built.addDays(-1));
}

std::optional<qint64> ClockShiftUsec(const QDateTime& d, const QDateTime& t, qint64 roundTripMs) {
  const qint64 late = t.toMSecsSinceEpoch() - d.toMSecsSinceEpoch();  // T − D
  if (late >= 0 && late <= 1000 + roundTripMs) return std::nullopt;
  return (500 + roundTripMs / 2 - late) * 1000;
}

QString NetTimeText(const QDateTime& moment) {
  return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
}

NetTime::NetTime(QUrl url, QObject* parent) : QObject(parent), url_(std::move(url)), nam_(new QNetworkAccessManager(this)) {
  limit_.setSingleShot(true);
  connect(&limit_, &QTimer::timeout, this, [this] { failed(QStringLiteral("no answer within the time limit")); });
}

NetTime::~NetTime() { dropReply(); }

bool NetTime::GetHttpDate() {
  if (pending_) return false;
  clock_ = nullptr;
  return start();
}

bool NetTime::SyncClock(orvane::ClockControl& clock, bool interactive) {
  if (pending_) return false;
  clock_ = &clock;
  interactive_ = interactive;
  return start();
}

bool NetTime::start() {
  pending_ = true;
  QNetworkRequest request(url_);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
  roundTrip_.start();
  QNetworkReply* reply = nam_->post(request, QByteArray());
  reply_ = reply;
  // The headers are all we need: the body (which may never end) is never read.
  connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] { headersIn(reply); });
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) headersIn(reply);
    else failed(reply->errorString());
  });
  limit_.start(timeLimitMs_);
  return true;
}

void NetTime::headersIn(QNetworkReply* reply) {
  if (reply != reply_) return;
  const qint64 roundTrip = roundTrip_.elapsed();
  const QDateTime arrived = QDateTime::currentDateTimeUtc();
  const QString header = QString::fromLatin1(reply->rawHeader(QByteArrayLiteral("Date")));
  dropReply();
  limit_.stop();
  const QDateTime d = ParseHttpDate(header);
  if (!d.isValid() || !PlausibleNetTime(d)) {
    failed(QStringLiteral("the server's date \"%1\" is no usable time").arg(header));
    return;
  }
  if (!clock_) {
    pending_ = false;
    emit fetched(d);
    return;
  }
  QPointer<NetTime> self(this);
  emit fetched(d);
  if (self && pending_) shift(d, arrived, roundTrip);
}

void NetTime::shift(const QDateTime& d, const QDateTime& t, qint64 roundTripMs) {
  const std::optional<qint64> usec = ClockShiftUsec(d, t, roundTripMs);
  if (!usec) {
    qInfo().noquote() << "network time: the clock is right (server" << d.toString(Qt::ISODate) << ")";
    finish(NetTimeOutcome::AlreadyRight);
    return;
  }
  qInfo().noquote() << "network time: shifting the clock by" << *usec << "us (server" << d.toString(Qt::ISODate)
                    << ", round trip" << roundTripMs << "ms)";
  QPointer<NetTime> self(this);
  clock_->ShiftClock(*usec, interactive_, [self](const orvane::ClockAnswer& answer) {
    if (!self || !self->pending_) return;
    switch (answer.outcome) {
      case orvane::ClockAnswer::Ok: self->finish(NetTimeOutcome::Shifted); break;
      case orvane::ClockAnswer::SyncEnabled: self->finish(NetTimeOutcome::SyncEnabled); break;
      default:
        qWarning().noquote() << "network time: the clock was not set -" << answer.error;
        self->finish(NetTimeOutcome::Refused);
        break;
    }
  });
}

void NetTime::failed(const QString& why) {
  if (!pending_) return;
  dropReply();
  limit_.stop();
  qWarning().noquote() << "network time: no date from" << url_.toString() << "-" << why;
  const bool syncing = clock_ != nullptr;
  pending_ = false;
  clock_ = nullptr;
  QPointer<NetTime> self(this);
  emit fetched(QDateTime());
  if (self && syncing) emit synced(NetTimeOutcome::NoDate);
}

void NetTime::finish(NetTimeOutcome outcome) {
  pending_ = false;
  clock_ = nullptr;
  emit synced(outcome);
}

void NetTime::Cancel() {
  dropReply();
  limit_.stop();
  pending_ = false;
  clock_ = nullptr;
}

void NetTime::dropReply() {
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->disconnect(this);
  // Not from inside the reply's own signal: it is aborted once control is back in the loop.
  QMetaObject::invokeMethod(
      reply,
      [reply] {
        reply->abort();
        reply->deleteLater();
      },
      Qt::QueuedConnection);
}
