// Tab sets from the skin: the tab set lays its tabs out itself (one layout for painting and
// clicks); the skinner paints each tab from the "Tabs" element hanging downwards, labels in the
// element's colours, the background in the skin's face colour, and the scroller's arrows side
// by side.
#pragma once

#include <QImage>

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TSkinTab31 : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinTab31(QWidget* control) : TSkinControl(control) {}

  bool CanSkin() const override;
  // Always with the skin's face colour: the tab set fills its background with it.
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void UpdateSkin() override;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;

 private:
  void LoadImages();
  QImage tabImage_;
};

}  // namespace orvane::skin
