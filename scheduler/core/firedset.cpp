// Fired set.
#include "scheduler/core/firedset.h"

#include <QJsonObject>

bool FiredSet::has(const QDate& day, FiredKind kind, qint64 id, const QString& time) const {
  const auto d = days_.find(day);
  return d != days_.end() && d->second.count(Key(int(kind), id, time)) > 0;
}

bool FiredSet::mark(const QDate& day, FiredKind kind, qint64 id, const QString& time) {
  const bool added = days_[day].insert(Key(int(kind), id, time)).second;
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
  return d == days_.end() ? 0 : d->second.size();
}

QJsonArray FiredSet::Saved() const {
  QJsonArray out;
  for (const auto& [day, keys] : days_)
    for (const auto& [kind, id, time] : keys)
      out.append(QJsonObject{{"day", day.toString(Qt::ISODate)}, {"kind", kind}, {"id", QString::number(id)}, {"time", time}});
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
