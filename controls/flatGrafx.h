// Colour arithmetic (hue/saturation/luminance on a 0..240 scale, darker, lighter, blended and
// contrasting colours) and one-pixel frame drawing for the flat controls.
#pragma once

#include <QRect>
#include <cstdint>

#include "controls/flatCommon.h"

class QPainter;
class QWidget;

namespace orvane::controls {

// Hue, saturation and luminance bytes of a colour (0..240 each; the hue byte can reach 240).
void ColorToHSL(TColor c, std::uint8_t& H, std::uint8_t& S, std::uint8_t& L);
std::uint8_t ColorHue(TColor c);
// Plain RGB of hue, saturation and luminance bytes (luminance above 240 clips to white).
TColor HSLToColor(std::uint8_t H, std::uint8_t S, std::uint8_t L);
TColor DarkerColor(TColor c, std::uint8_t n);
TColor LighterColor(TColor c, std::uint8_t n);
// Weight is colour 1's share, 0..255.
TColor BlendColors(TColor c1, TColor c2, std::uint8_t w);
// The colour of opposite hue, full saturation, the given luminance.
TColor ContrastColor(TColor c, std::uint8_t L);

// The frame routines draw in the Windows manner: lines leave out their end point, and clNone
// draws nothing in that colour. Sides: 1 left, 2 top, 4 right, 8 bottom.
// R' (inner) is R shrunk by one on every side present.
void DrawSides(QPainter& canvas, const QRect& R, TColor c1, QRect& inner, int sides, TColor c2);
// Width nested DrawSides; inner is R itself when Width <= 0.
void DrawBevel(QPainter& canvas, const QRect& R, TColor c1, QRect& inner, int sides, int width, TColor c2);
// One of the eleven frame styles; fsNone or sides 0 draw nothing and return R. A value past
// fsFlatBold is refused with a log line and draws nothing.
void DrawFrameStyle(QPainter& canvas, const QRect& R, TFrameStyle style, QRect& inner, int sides);
void DrawFrameStyleAll(QPainter& canvas, const QRect& R, TFrameStyle style, QRect& inner);

// Paints what the control's parent shows behind the control into the painter (the painter's
// origin at the control's top-left): the parent's background, then the parent's own painting,
// without the parent's other children. Nothing without a parent.
void PaintParentImage(QWidget* control, QPainter& painter);

}  // namespace orvane::controls
