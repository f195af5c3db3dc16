// The check-box and radio-button skinners: the box from the skin's strip beside the caption.
// The box, the caption and the part that answers the mouse come from the same placement, so
// what is drawn is what is clicked.
#pragma once

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TSkinCheckBox : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
  bool subElementRect(const TSkinStyle* style, QStyle::SubElement se, const QStyleOption* opt, const QWidget* w,
                      QRect& out) override;
  // Box, caption and click area are asked for at each paint and click; the size is the plain one.
  bool ChangesGeometry() const override { return false; }

 protected:
  virtual bool Radio() const { return false; }
};

class TSkinRadioButton : public TSkinCheckBox {
  Q_OBJECT
 public:
  using TSkinCheckBox::TSkinCheckBox;

 protected:
  bool Radio() const override { return true; }
};

}  // namespace orvane::skin
