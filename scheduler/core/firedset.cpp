// Fired set.
#include "scheduler/core/firedset.h"

#include <QJsonObject>
#include <algorithm>
#include <optional>

#include "scheduler/core/timetext.h"

namespace {
constexpr int kIdBits = 44;
constexpr int kKindBits = 3;

// Time first, so that the events of a day come in order; the entry id takes the low 44 bits.
std::optional<quint64> Packed(FiredKind kind, qint64 id, const QString& time) {
  const std::optional<int> second = EntryTimeSeconds(time);
  if (!second || *second < 0 || *second >= (1 << 17) || id < 0 || id >= (qint64(1) << kIdBits)) return std::nullopt;
  return (quint64(*second) << (kIdBits + kKindBits)) | (quint64(kind) << kIdBits) | quint64(id);
}
}  // namespace

bool FiredSet::has(const QDate& day, FiredKind kind, qint64 id, const QString& time) const {
  const auto d = days_.find(day);
  if (d == days_.end()) return false;
  if (const std::optional<quint64> key = Packed(kind, id, time))
    return std::binary_search(d->second.events.begin(), d->second.events.end(), *key);
  return d->second.others.count({int(kind), id, time}) > 0;
}

bool FiredSet::mark(const QDate& day, FiredKind kind, qint64 id, const QString& time) {
  Day& marked = days_[day];
  bool added = false;
  if (const std::optional<quint64> key = Packed(kind, id, time)) {
    std::vector<quint64>& events = marked.events;
    const auto at = std::lower_bound(events.begin(), events.end(), *key);
    added = at == events.end() || *at != *key;
    if (added) events.insert(at, *key);
  } else {
    added = marked.others.insert({int(kind), id, time}).second;
  }
  // Forget the day farthest from this one, never this one: after a clock set years back the
  // oldest day is the present one, and forgetting it would let its events fire again.
  while (days_.size() > std::size_t(kDaysKept)) {
    auto farthest = days_.begin();
    for (auto d = days_.begin(); d != days_.end(); ++d)
      if (qAbs(d->first.daysTo(day)) > qAbs(farthest->first.daysTo(day))) farthest = d;
    days_.erase(farthest);
  }
  return added;
}

std::size_t FiredSet::size(const QDate& day) const {
  const auto d = days_.find(day);
  return d == days_.end() ? 0 : d->second.events.size() + d->second.others.size();
}

QJsonArray FiredSet::Saved() const {
  QJsonArray out;
  const auto add = [&out](const QDate& day, int kind, qint64 id, const QString& time) {
    out.append(QJsonObject{{"day", day.toString(Qt::ISODate)}, {"kind", kind}, {"id", QString::number(id)}, {"time", time}});
  };
  for (const auto& [day, events] : days_) {
    for (const quint64 key : events.events)
      add(day, int((key >> kIdBits) & ((1u << kKindBits) - 1)), qint64(key & ((quint64(1) << kIdBits) - 1)),
          SecondsToTime(int(key >> (kIdBits + kKindBits))));
    for (const auto& [kind, id, time] : events.others) add(day, kind, id, time);
  }
  return out;
}

void FiredSet::Restore(const QJsonArray& events) {
  for (const QJsonValue& v : events) {
    const QJsonObject o = v.toObject();
    const QDate day = QDate::fromString(o.value("day").toString(), Qt::ISODate);
    const int kind = o.value("kind").toInt(-1);
    if (!day.isValid() || kind < int(FiredKind::Start) || kind > int(FiredKind::EndShutdown)) continue;
    mark(day, FiredKind(kind), o.value("id").toString().toLongLong(), o.value("time").toString());
  }
}
