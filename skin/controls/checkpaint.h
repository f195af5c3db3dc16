// Check boxes and radio buttons painted from the skin's check and radio strips: the box for
// the state beside the caption, and where box, caption and click area lie.
#pragma once

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOption>

#include "skin/skindata.h"

class QWidget;

namespace orvane::skin::kinds {

enum CheckValue { cvUnchecked = 0, cvChecked = 1, cvGrayed = 2 };

// The strip of a kind, and its frame count as the parser set it.
const QImage* CheckStrip(const TSkinData& data, bool radio, int* frames);
// The strip's frame for a state: 4-frame strips 1 unchecked, 2 checked, 3 and 4 disabled
// (and 4 indeterminate); 12-frame check strips 1/5/9 enabled, 4/8/12 disabled; 8-frame radio
// strips 1/5 enabled, 4/8 disabled.
int CheckFrame(bool radio, int frames, int value, bool enabled);

struct CheckPlacement {
  QRect box;
  QRect text;     // the caption as measured, moved to the middle
  quint32 flags;  // the caption's format flags
  QRect click;    // box and caption: the part that answers the mouse
};
// Box at the left, caption 2 pixels after it; with `leftText` the box at the right (a radio
// circle one pixel inside) and the caption ending 2 pixels before it.
CheckPlacement PlaceCheck(const QFontMetrics& fm, const QRect& rect, const QSize& box, bool radio, bool leftText,
                          bool rtl, const QString& text);
// The placement for a control's option: its strip's frame size and its sides.
bool PlaceCheckOf(const TSkinData& data, bool radio, const QStyleOption& option, const QWidget* widget,
                  const QString& text, CheckPlacement* out);
// Caption on the left: the control asks for it ("Alignment" taLeftJustify) or reads right to left.
bool CheckTextLeft(const QStyleOption& option, const QWidget* widget);

// The whole control. False when the strip is missing or empty.
bool PaintCheck(QPainter& p, const TSkinData& data, quint16 options, bool radio, const QStyleOptionButton& option,
                const QWidget* widget);

}  // namespace orvane::skin::kinds
