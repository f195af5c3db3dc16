// What has fired, per day: entry starts and ends, power actions and day changes. Shared by the
// dispatcher and the catch-up start, so that nothing fires twice however the clock and the
// ticks behave.
#pragma once

#include <QDate>
#include <QJsonArray>
#include <QString>
#include <map>
#include <set>
#include <tuple>
#include <vector>

enum class FiredKind { Start, End, Shutdown, Reboot, EndShutdown };

class FiredSet {
 public:
  bool has(const QDate& day, FiredKind kind, qint64 id, const QString& time) const;
  // Records the event; false when it had already fired.
  bool mark(const QDate& day, FiredKind kind, qint64 id, const QString& time);
  std::size_t size(const QDate& day) const;
  // Everything recorded, as data, and the same taken back (added to what is recorded).
  QJsonArray Saved() const;
  void Restore(const QJsonArray& events);

 private:
  // A day holds every start and end of its entries, so what one event costs is what a busy
  // day costs: an event at a time the clock can show, of an entry numbered below 2^44, is one
  // number (time, kind, entry) in a list kept in order, which grows at its end as the day goes
  // on; any other event keeps its text beside.
  struct Day {
    std::vector<quint64> events;
    std::set<std::tuple<int, qint64, QString>> others;
  };
  // Only the few days nearest the one last marked are kept: a clock stepped back across
  // midnight must not repeat yesterday, and days farther away can never be walked again.
  static constexpr int kDaysKept = 3;
  std::map<QDate, Day> days_;
};
