// Progress bars from the skin's "Progress" element: an empty and a filled frame, or (Style 1)
// a trough with "Progress.Chunk" pieces. Vertical bars are drawn across and turned. Qt's
// optional text stays the plain style's.
#pragma once

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TSkinProgress : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinProgress(QWidget* control) : TSkinControl(control) {}

  bool CanSkin() const override;
  bool ChangesGeometry() const override { return false; }
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
  // The whole bar, empty part and filled part, for a range and a position.
  void DrawBar(QPainter* p, const QRect& rect, bool vertical, int minimum, int maximum, int value) const;
};

}  // namespace orvane::skin
