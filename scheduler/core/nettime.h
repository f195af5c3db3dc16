// Network time: a web server's "Date" reply header sets the computer's clock. The window and
// the start-up task share this; neither ever waits on the interface thread.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
namespace orvane {
class ClockControl;
}

// The server asked: a large public one that answers plain HTTP, or ORVANE_NETTIME_URL.
QUrl NetTimeUrl();
// A date in one of the three forms HTTP recipients accept ("Sun, 06 Nov 1994 08:49:37 GMT",
// "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"), every field present and
// valid, the weekday the date's own: the moment in UTC; invalid for anything else.
QDateTime ParseHttpDate(const QString& text);
// False for a moment before this program was built: no server that tells it is right.
bool PlausibleNetTime(const QDateTime& utc);
// The clock shift that brings local time T to the server's time D, given the round trip R
// (ms); nothing when the clock already shows D's second (T within [D, D + 1 s + R]). The
// server truncates to the second and answered about R/2 before T: D + 500 ms + R/2 − T.
std::optional<qint64> ClockShiftUsec(const QDateTime& d, const QDateTime& t, qint64 roundTripMs);
// A moment in local time as the network-time window shows it: "yyyy-MM-dd  HH:mm:ss".
QString NetTimeText(const QDateTime& moment);

// How a network-time run ended.
enum class NetTimeOutcome {
  NoDate,        // no reply, no "Date", or one that does not parse or is implausible
  AlreadyRight,  // the clock shows the server's second: nothing sent
  Shifted,       // the system shifted the clock
  SyncEnabled,   // the system keeps its clock by network time itself
  Refused,       // the system refused the shift
};

// One fetch of a server's date, optionally followed by a clock shift. One run at a time.
class NetTime : public QObject {
  Q_OBJECT
 public:
  explicit NetTime(QUrl url = NetTimeUrl(), QObject* parent = nullptr);
  ~NetTime() override;

  // Fetches the date: method "POST" with an empty body, redirects not followed, the first
  // reply's "Date" whatever its status, the reply dropped once its headers are in; emits
  // fetched() with the moment (invalid when it failed). False while a run is pending.
  bool GetHttpDate();
  // Fetches and, when the clock is off, shifts it: emits fetched(), then synced().
  bool SyncClock(orvane::ClockControl& clock, bool interactive);
  // Drops a pending fetch; a shift already asked for is answered into the void.
  void Cancel();
  bool pending() const { return pending_; }

  static constexpr int kTimeLimitMs = 10000;
  void setTimeLimit(int ms) { timeLimitMs_ = ms; }

 signals:
  void fetched(const QDateTime& date);
  void synced(NetTimeOutcome outcome);

 private:
  bool start();
  void headersIn(QNetworkReply* reply);
  void failed(const QString& why);
  void dropReply();
  void shift(const QDateTime& d, const QDateTime& t, qint64 roundTripMs);
  void finish(NetTimeOutcome outcome);

  QUrl url_;
  QNetworkAccessManager* nam_;
  QPointer<QNetworkReply> reply_;
  QTimer limit_;
  QElapsedTimer roundTrip_;
  int timeLimitMs_ = kTimeLimitMs;
  bool pending_ = false;
  orvane::ClockControl* clock_ = nullptr;  // set while a SyncClock run is under way
  bool interactive_ = false;
};
