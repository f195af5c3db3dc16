// Date pickers with a calendar popup. Qt draws and hit-tests such a date edit as an editable combo
// box, opening its calendar from the combo's arrow; the skin gives that arrow its place (17 px
// wide, the height less 4, against the right edge inside the border, or 2 px in from the left
// edge for a right-to-left picker) and its look (the face colour under the "ComboxArrow" strip,
// frame 4 while the mouse is over an enabled picker's arrow, else frame 1), and frames the
// picker in the skin's shadow colour with a white line inside when it has a frame.
#pragma once

#include "skin/TSkinControl.h"

class QStyleOptionComboBox;

namespace orvane::skin {

class TSkinDateTime : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;

  // The arrow button's rectangle in the picker (the system's arrow width).
  static QRect ArrowButtonRect(const QRect& picker, bool framed, bool rightToLeft);
  // The text field: what the border and the arrow leave.
  static QRect EditFieldRect(const QRect& picker, bool framed, bool rightToLeft);
  // The arrow's strip frame for a state.
  static int ArrowFrame(const QStyleOptionComboBox& option);
};

}  // namespace orvane::skin
