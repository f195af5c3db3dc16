// Fired set.
#include "scheduler/core/firedset.h"

#include <algorithm>
#include <optional>

#include "scheduler/core/timetext.h"

namespace {
// Time first, so that the events of a day come in order; an entry id takes its 32 bits.
std::optional<quint64> Packed(FiredKind kind, int id, const QString& time) {
  const std::optional<int> second = EntryTimeSeconds(time);
  if (!second) return std::nullopt;
  return (quint64(*second) << 35) | (quint64(kind) << 32) | quint32(id);
}
}  // namespace

bool FiredSet::has(const QDate& day, FiredKind kind, int id, const QString& time) const {
  const auto d = days_.find(day);
  if (d == days_.end()) return false;
  if (const std::optional<quint64> key = Packed(kind, id, time))
    return std::binary_search(d->second.events.begin(), d->second.events.end(), *key);
  return d->second.others.count({int(kind), id, time}) > 0;
}

bool FiredSet::mark(const QDate& day, FiredKind kind, int id, const QString& time) {
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
