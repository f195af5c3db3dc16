// What the control kinds share when they paint: skin colours, element frames (cached by skin,
// element, frame and size), text measured and drawn the way the skin's layouts expect, the
// dotted focus rectangle, and strip glyphs.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include "skin/TSkinControl.h"
#include "skin/skindata.h"

class QWidget;
class QStyleOption;

namespace orvane::skin::kinds {

QColor SkinColour(const TSkinData& data, SkinColourSlot slot);
// The classic scheme's button-shadow colour: disabled captions.
QColor DisabledTextColour();

// Frame `frame` of `element` nine-sliced over `rect` with the element's margins, tiling and
// see-through key. Nothing for an inverted or empty rectangle.
void DrawElement(QPainter& p, const QRect& rect, const TDataSkinObject& element, int frames, int frame);
// The same from any bitmap with explicit margins (elements with a second image).
void DrawElementImage(QPainter& p, const QRect& rect, const QImage& image, const QMargins& margins, bool tile,
                      bool transparent, int frames, int frame);
// Frame `frame` of a strip stretched to `rect`, key colour see-through.
void DrawStripFrameKeyed(QPainter& p, const QRect& rect, const QImage& strip, int frames, int frame);
// Size of one frame of a strip.
QSize StripFrameSize(const QImage& strip, int frames);

// Measures text the way the window system does: with DT_WORDBREAK lines wrap at the
// rectangle's width, and one line keeps only its own width; without it the text is as wide
// as its longest line. The result keeps `rect`'s top-left.
QRect MeasureText(const QFontMetrics& fm, const QString& text, const QRect& rect, quint32 format);
inline QRect MeasureText(QPainter& p, const QString& text, const QRect& rect, quint32 format) {
  return MeasureText(p.fontMetrics(), text, rect, format);
}
// Draws text in `rect` with the painter's pen and font (DT_RTLREADING reads right to left).
void DrawText(QPainter& p, const QString& text, const QRect& rect, quint32 format);
// The dotted rectangle that inverts what is beneath every other pixel.
void DrawFocusRect(QPainter& p, const QRect& rect);
// The focus rectangle round a caption measured in `rect` (centred or right-aligned by the
// flags), 2 pixels wider and 1 higher on each side, clipped to `rect`.
QRect TextFocusRect(const QFontMetrics& fm, const QString& text, const QRect& rect, quint32 format);

// Push-button captions: the first "||" breaks the line.
QString ReplaceFirstBar(const QString& text);

// A glyph strip of `count` equal frames (a count below 1 counts as 1); frame `number` above
// the count is frame 1. Asked for frame 2 of a one-frame strip, the embossed disabled form.
// Drawn with the strip's bottom-left colour see-through.
void DrawGlyphFrame(QPainter& p, const QPoint& at, int count, int number, const QImage& strip);
// The embossed grey form of a glyph (highlight one pixel down-right, shadow over it). The
// glyph's shape is what is neither white nor its bottom-left colour, or, for a glyph whose
// see-through part is already transparent (`keyed`), what is not transparent.
QImage CreateDisabledGlyph(const QImage& glyph, bool keyed = false);

// The control's dynamic property as text ("" when missing), as int (-1 when missing or not a
// number), and as true/false by its text.
QString PropText(const QWidget* w, const char* name);
int PropInt(const QWidget* w, const char* name);
bool PropTrue(const QWidget* w, const char* name);
// The "Glyph" image of a control (QImage or QPixmap property), null when it has none.
QImage PropImage(const QWidget* w, const char* name);

// Fills `rect` with the skin's ButtonFace unless the control is transparent (Tag 5555 or the
// skin's option), in which case the parent shows through.
bool IsTransparentControl(const QWidget* w, quint16 options);

}  // namespace orvane::skin::kinds
