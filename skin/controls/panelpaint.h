// Status bars and group boxes painted from the skin, and two small drawing routines shared
// with other painters: a caption centred both ways and the up-down arrow glyph.
#pragma once

#include <QPainter>
#include <QStyleOption>

#include "skin/skindata.h"

class QWidget;

namespace orvane::skin::kinds {

// Bevels of a status-bar panel, the frames of the "StatusBarEdges" strip.
enum PanelBevel { pbLowered = 1, pbRaised = 2, pbNone = 3 };
// A control's "Bevel" ("pbRaised", "pbNone", else lowered).
int BevelOf(const QWidget* item);

bool HasStatusEdges(const TSkinData& data);
// The bar's face; with `onePanel` (a message shown, or no items) one lowered panel over it.
bool PaintStatusBar(QPainter& p, const TSkinData& data, const QRect& rect, bool onePanel);
// One panel's bevel round an item.
bool PaintStatusItem(QPainter& p, const TSkinData& data, const QRect& rect, int bevel);
// The size grip: frame 5 of "ExtraImages", one pixel inside the corner.
bool PaintSizeGrip(QPainter& p, const TSkinData& data, const QRect& rect, bool leftCorner);

// Where a group box's parts lie: the caption at 8 pixels from the side it reads from, the
// rounded frame through the middle of the caption line, the contents inside the frame.
struct GroupGeometry {
  QRect frame;
  QRect label;
  QRect check;     // the check box of a checkable group box, else empty
  QRect contents;
};
GroupGeometry GroupLayout(const TSkinData& data, const QFontMetrics& fm, const QRect& rect, const QString& text,
                          bool rightAligned, bool checkable);
bool PaintGroupBox(QPainter& p, const TSkinData& data, const QStyleOptionGroupBox& option);

// Text centred both ways in `rect`; `alignment` 0 left, 1 right, 2 centre picks the flag;
// grey when not enabled.
void DrawCaptionCentered(QPainter& p, const QRect& rect, const QString& text, int alignment, bool enabled);
// A small arrow with the painter's pen, apex at (x, y): 0 up, 1 down, 2 left, 3 right.
// Each line leaves out its end point.
void DrawArrowGlyph(QPainter& p, int x, int y, int direction);

// Captions are drawn in the painter's font without bold, italic, underline or strike-out.
void UsePlainFont(QPainter& p);

}  // namespace orvane::skin::kinds
