// Up-down arrows from the skin's "UpDown.Vert" and "UpDown.Horz" strips: the stand-alone
// up-down, the arrows of spin and time edits (for the edit skinner), the scroll buttons of tab
// bars and the scroller of tab sets. The halves come from one routine, which both painting and
// Qt's hit tests reach through the style.
#pragma once

#include <QStyleOption>

#include "skin/TSkinControl.h"
#include "skin/controls/SkinRegistry.h"

namespace orvane::skin {

class TSkinUpDown : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinUpDown(QWidget* control, const TSkinKindArgs& args = {});

  // The pair sits inside an edit: it keeps 3 pixels from the edit's top, bottom and right.
  bool InEdit = false;
  // Laid out side by side (left and right arrows) whatever the control says.
  bool ForceHorizontal = false;

  // ---- entry points for the skinners that host arrows (edits, tabs) ----
  // An edit's arrows: the edit skinner makes this object with TSkinKindArgs::OfEdit (InEdit),
  // hands it the skin with SetHostSkin instead of attaching it (the edit keeps the control's
  // registry entry), and calls ArrowRect from its subControlRect and DrawArrows from its
  // CC_SpinBox painting.
  // Where the half of a spin box option lies (SC_SpinBoxUp or SC_SpinBoxDown; a null rectangle
  // for anything else). Horizontal pairs step up with the right half.
  QRect ArrowRect(const TSkinStyle* style, const QStyleOptionSpinBox* opt, QStyle::SubControl sc,
                  const QWidget* w) const;
  // Paints both halves of a spin box option in their states.
  void DrawArrows(const TSkinStyle* style, const QStyleOptionSpinBox* opt, QPainter* p, const QWidget* w) const;
  // Paints a whole scroll button (a tab bar's) as one arrow half in the option's state, on the
  // face colour, from the given skin.
  static void DrawScrollButton(const TSkinData* data, const QColor& face, const QStyleOption* opt, QPainter* p,
                               int arrow);
  // One half: the skin's button and glyph when the element has an image, else a plain one.
  static void DrawHalf(const TSkinData* data, const QColor& face, QPainter* p, const QRect& rect, int arrow,
                       int state);
  static void DrawArrowButton(const TSkinData* data, QPainter* p, const QRect& rect, int arrow, int state);
  static void DrawPlainArrow(const TSkinData* data, const QColor& face, QPainter* p, const QRect& rect, int arrow,
                             int state);

  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;

 private:
  bool Horizontal(const QStyleOption* opt) const;
  // The rectangle the pair is drawn in.
  QRect PairRect(const TSkinStyle* style, const QStyleOptionSpinBox* opt, const QWidget* w) const;
};

}  // namespace orvane::skin
