// One palette per set of colours (see stylepalettes.h).
#include "skin/stylepalettes.h"

#include <QStyleOption>

namespace orvane::skin {

namespace {

struct Palettes {
  QList<QPalette> distinct;         // one per set of brushes
  QHash<qint64, qsizetype> bySerial;  // palette serials seen -> index in `distinct`
};

Palettes& palettes() {
  static Palettes p;
  return p;
}

}  // namespace

QPalette TStylePalettes::Canonical(const QPalette& palette) {
  Palettes& p = palettes();
  const qint64 serial = palette.cacheKey();
  const auto known = p.bySerial.constFind(serial);
  if (known != p.bySerial.cend()) return p.distinct.at(*known);
  qsizetype index = -1;
  for (qsizetype i = 0; i < p.distinct.size() && index < 0; ++i)
    if (p.distinct.at(i) == palette) index = i;
  if (index < 0) {
    if (p.distinct.size() >= kMaxPalettes) {
      p.distinct.clear();
      p.bySerial.clear();
    }
    p.distinct.append(palette);
    index = p.distinct.size() - 1;
  }
  if (p.bySerial.size() >= kMaxSerials) p.bySerial.clear();
  p.bySerial.insert(serial, index);
  return p.distinct.at(index);
}

TStylePalettes::Scope::Scope(const QStyleOption* option) {
  if (!option) return;
  const QPalette canonical = Canonical(option->palette);
  if (canonical.cacheKey() == option->palette.cacheKey()) return;
  // Style options are made by the caller for this one call and are never const objects.
  option_ = const_cast<QStyleOption*>(option);
  saved_ = option_->palette;
  option_->palette = canonical;
  // The group to draw with (active, inactive, disabled) is not one of the colours: the
  // canonical palette keeps the group of whoever it was first seen with.
  option_->palette.setCurrentColorGroup(saved_.currentColorGroup());
}

TStylePalettes::Scope::~Scope() {
  if (option_) option_->palette = saved_;
}

}  // namespace orvane::skin
