// Push buttons, glyph buttons, menu buttons and speed buttons painted from the skin's
// five-frame "Buttons" strip: the frame for the state, the glyph and caption laid out over it.
#pragma once

#include <QPainter>
#include <QStyleOption>

#include "skin/skindata.h"

class QWidget;

namespace orvane::skin::kinds {

enum ButtonKind { bkPush, bkBit, bkBitProperty, bkMenu, bkSpeed };
// Frames of the "Buttons" strip.
enum ButtonFrame { bfNormal = 1, bfPressed = 2, bfDisabled = 3, bfHot = 4, bfFocused = 5 };

// The frame for a state, each later rule overriding the earlier: focused, default, pressed
// or else hot, disabled, and for speed buttons "Down".
int ButtonState(ButtonKind kind, bool focused, bool isDefault, bool pressed, bool hot, bool enabled, bool down);
int ButtonStateOf(ButtonKind kind, const QStyleOption& option, const QWidget* widget);

// Whether the skin can paint buttons at all (a "Buttons" element with a bitmap).
bool HasButtonFace(const TSkinData& data);

// A whole push button of `kind` (bkPush, bkBit, bkBitProperty, bkMenu): background, frame,
// glyph, caption, arrow and focus rectangle. False when the skin has nothing to paint it with.
bool PaintPushButton(QPainter& p, const TSkinData& data, quint16 options, ButtonKind kind,
                     const QStyleOptionButton& option, const QWidget* widget, const QString& glyphProperty = {});
// A speed button; `down` is the button's "Down" (checked), `flat` its "Flat" (auto-raise).
bool PaintSpeedButton(QPainter& p, const TSkinData& data, quint16 options, const QStyleOptionToolButton& option,
                      const QWidget* widget, const QString& glyphProperty = {});

// The caption of a push button centred (or aligned) in `rect`, the first "||" breaking the
// line; with `focused` and no xoNoFocusRect, a focus rectangle 2 pixels round the text.
// Returns the text rectangle.
QRect DrawButtonCaption(QPainter& p, const QRect& rect, quint32 align, const QString& text, bool focused,
                        quint16 options, bool rtl);

// Where a glyph and a caption go inside a button: the glyph's top-left, the text rectangle
// and its format flags.
struct GlyphLayout {
  QPoint glyph;
  QRect text;
  quint32 flags = 0;
};
// Glyph-and-caption layout of bit and speed buttons. `layout` is 0 left, 1 right, 2 top,
// 3 bottom; `centred` is the bit button's "Alignment" taCenter (speed buttons: false).
GlyphLayout LayOutGlyph(QPainter& p, const QRect& client, const QSize& glyph, const QString& text, int layout,
                        int margin, int spacing, bool centred);
// The menu button's layout: glyph, caption and the drop-down arrow's centre x and top y.
struct MenuLayout {
  QPoint glyph;
  QRect text;
  QPoint arrow;
};
MenuLayout LayOutMenuButton(QPainter& p, const QRect& client, const QSize& glyph, const QString& text, int margin,
                            int spacing);

}  // namespace orvane::skin::kinds
