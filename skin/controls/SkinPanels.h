// The status-bar and group-box skinners. A status bar gets the skin's face with each item's
// bevel, its labels in the skin's text colour and the skin's size grip; a group box the rounded
// frame with the caption cutting it at 8 pixels from its side.
#pragma once

#include <QColor>
#include <QHash>
#include <QPointer>

#include "skin/TSkinControl.h"

class QLabel;

namespace orvane::skin {

class TSkinStatusBar : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void DoneControl() override;
  void UpdateSkin() override;
  bool drawPrimitive(const TSkinStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) override;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;

 private:
  // Labels of the bar take the skin's text colour; each keeps its own palette to go back to.
  void ColourLabels();
  void RestoreLabels();
  QHash<QLabel*, QPair<QPointer<QLabel>, QPalette>> labels_;
};

class TSkinGroupBox : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
  bool subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                      QStyle::SubControl sc, const QWidget* w, QRect& out) override;
};

}  // namespace orvane::skin
