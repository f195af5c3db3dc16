// Sliders from the skin: the groove of the plain style's geometry painted as the skin's channel
// ("Track", or "TRACKVERT" upright), the handle as frame 2 of the thumb strip; ticks plain.
#pragma once

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TSkinTrackBar : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinTrackBar(QWidget* control) : TSkinControl(control) {}

  // Only repaints: the new skin shows at the next paint, and the focus stays where it is.
  void UpdateSkin() override;
  bool ChangesGeometry() const override { return false; }
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  // The channel centred across the groove in three parts (caps kept, middle stretched).
  void DrawChannel(QPainter* p, const QRect& groove, bool vertical) const;
  // Frame 2 of the thumb strip stretched over the handle, or a plain outlined box.
  void DrawThumb(QPainter* p, const QRect& handle, bool vertical) const;
};

}  // namespace orvane::skin
