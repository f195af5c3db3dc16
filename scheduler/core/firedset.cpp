// Fired set.
#include "scheduler/core/firedset.h"

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
