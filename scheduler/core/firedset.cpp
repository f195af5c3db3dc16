// Fired set.
#include "scheduler/core/firedset.h"

bool FiredSet::has(const QDate& day, FiredKind kind, int id, const QString& time) const {
  const auto d = days_.find(day);
  return d != days_.end() && d->second.count(Key(int(kind), id, time)) > 0;
}

bool FiredSet::mark(const QDate& day, FiredKind kind, int id, const QString& time) {
  const bool added = days_[day].insert(Key(int(kind), id, time)).second;
  while (days_.size() > std::size_t(kDaysKept)) days_.erase(days_.begin());
  return added;
}

std::size_t FiredSet::size(const QDate& day) const {
  const auto d = days_.find(day);
  return d == days_.end() ? 0 : d->second.size();
}
