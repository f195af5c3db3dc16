// The button skinners: push buttons, buttons with a glyph, buttons with a drop-down menu and
// speed buttons, all painted from the skin's "Buttons" strip. Input stays the button's own, so
// a button clicks only when the mouse is released over it.
#pragma once

#include "skin/TSkinControl.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/buttonpaint.h"

namespace orvane::skin {

class TSkinButton : public TSkinControl {
  Q_OBJECT
 public:
  using TSkinControl::TSkinControl;
  bool CanSkin() const override;
  bool drawControl(const TSkinStyle* style, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                   const QWidget* w) override;
  // The skin paints a button but leaves its size and layout as they are: a repaint is all it
  // takes (a style change would lay out every window of buttons anew at each switch).
  bool ChangesGeometry() const override { return false; }

 protected:
  virtual kinds::ButtonKind Kind() const { return kinds::bkPush; }
  virtual QString GlyphName() const { return QString(); }
};

// A button with a glyph: the "Glyph" strip with "NumGlyphs" frames, else its icon; or the
// graphic of the property GlyphProperty names.
class TSkinBitButton : public TSkinButton {
  Q_OBJECT
 public:
  explicit TSkinBitButton(QWidget* control, const TSkinKindArgs& args = {})
      : TSkinButton(control), GlyphProperty(args.GlyphProperty) {}
  QString GlyphProperty;

 protected:
  kinds::ButtonKind Kind() const override { return GlyphProperty.isEmpty() ? kinds::bkBit : kinds::bkBitProperty; }
  QString GlyphName() const override { return GlyphProperty; }
};

class TSkinMenuButton : public TSkinButton {
  Q_OBJECT
 public:
  using TSkinButton::TSkinButton;

 protected:
  kinds::ButtonKind Kind() const override { return kinds::bkMenu; }
};

// A tool button outside a tool bar: "Flat" is its auto-raise, "Down" its checked state.
class TSkinSpeedButton : public TSkinBitButton {
  Q_OBJECT
 public:
  using TSkinBitButton::TSkinBitButton;
  bool drawControl(const TSkinStyle*, QStyle::ControlElement, const QStyleOption*, QPainter*,
                   const QWidget*) override {
    return false;
  }
  bool drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                          QPainter* p, const QWidget* w) override;
};

}  // namespace orvane::skin
