// Colour arithmetic and frame drawing of the flat controls.
#include "controls/flatGrafx.h"

#include <QDebug>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvane::controls {

namespace {

// Round to nearest, halves to even (the default rounding mode).
int roundEven(long double v) { return int(std::nearbyint(v)); }

// num / den (den > 0) rounded to the nearest integer, an exact half to the even one.
std::int64_t roundRatio(std::int64_t num, std::int64_t den) {
  std::int64_t q = num / den, rem = num % den;
  if (rem < 0) {
    --q;
    rem += den;
  }
  if (2 * rem > den || (2 * rem == den && (q & 1))) ++q;
  return q;
}

void setPixel(QPainter& canvas, int x, int y, TColor c) { canvas.fillRect(QRect(x, y, 1, 1), ToQColor(c)); }

// A line from (x1, y1) to (x2, y2) that leaves out its end point, as the Windows line routine
// does; the frame routines draw only horizontal and vertical lines.
void gdiLine(QPainter& canvas, int x1, int y1, int x2, int y2, const QColor& colour) {
  if (y1 == y2) {
    if (x2 == x1) return;
    const int from = x2 > x1 ? x1 : x2 + 1;
    const int to = x2 > x1 ? x2 - 1 : x1;
    canvas.fillRect(QRect(from, y1, to - from + 1, 1), colour);
  } else if (x1 == x2) {
    const int from = y2 > y1 ? y1 : y2 + 1;
    const int to = y2 > y1 ? y2 - 1 : y1;
    canvas.fillRect(QRect(x1, from, 1, to - from + 1), colour);
  }
}

QRect insetBySides(const QRect& R, int sides, int n) {
  int l = R.x(), t = R.y(), r = RectRight(R), b = RectBottom(R);
  if (sides & 1) l += n;
  if (sides & 2) t += n;
  if (sides & 4) r -= n;
  if (sides & 8) b -= n;
  return RectLTRB(l, t, r, b);
}

void drawGroove(QPainter& canvas, const QRect& R, TColor A, TColor B, int sides, QRect& inner) {
  const int L = R.x(), T = R.y(), Rt = RectRight(R), Bm = RectBottom(R);
  const bool left = sides & 1, top = sides & 2, right = sides & 4, bottom = sides & 8;
  // The corners first, so the two nested frames meet cleanly where a side is missing.
  if (right) setPixel(canvas, Rt - 1, T, B);
  else if (top) setPixel(canvas, Rt - 1, T, A);
  if (bottom) setPixel(canvas, L, Bm - 1, B);
  else if (left) setPixel(canvas, L, Bm - 1, A);
  if (top && !left) setPixel(canvas, L, T + 1, B);
  if (left && !top) setPixel(canvas, L + 1, T, B);
  if (bottom && !right) setPixel(canvas, Rt - 1, Bm - 2, A);
  if (right && !bottom) setPixel(canvas, Rt - 2, Bm - 1, A);
  QRect unused;
  const QRect shifted = RectLTRB(L + 1, T + 1, Rt, Bm);
  DrawSides(canvas, shifted, B, unused, sides, B);
  DrawSides(canvas, shifted.translated(-1, -1), A, unused, sides, A);
  inner = insetBySides(R, sides, 2);
}

// Two nested one-pixel bevels: the outer pair, then the inner pair inside it.
void drawTwoPairs(QPainter& canvas, const QRect& R, TColor outerA, TColor outerB, TColor innerA, TColor innerB,
                  int sides, QRect& inner) {
  QRect mid;
  DrawBevel(canvas, R, outerA, mid, sides, 1, outerB);
  DrawBevel(canvas, mid, innerA, inner, sides, 1, innerB);
}

}  // namespace

void ColorToHSL(TColor c, std::uint8_t& H, std::uint8_t& S, std::uint8_t& L) {
  // Channels stay integers and every byte is one exact quotient, so a value that lands on a
  // half rounds to even instead of to whichever side floating point leaves it.
  const TColor rgb = ColorToRGB(c);
  const int r = rgb.R(), g = rgb.G(), b = rgb.B();
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  // L = (mx + mn) / 510 of 240.
  L = std::uint8_t(roundRatio(240 * (mx + mn), 510));
  H = 0;
  S = 0;
  if (mx == mn) return;
  const int d = mx - mn;
  // S = d / (mx + mn) below half luminance, else d / (510 - mx - mn) (the 255s cancel).
  S = std::uint8_t(roundRatio(240 * d, mx + mn < 255 ? mx + mn : 510 - mx - mn));
  // Hue in sixths of a turn, 40 bytes each: red 0, green 2, blue 4, plus the signed share of
  // the other two; a negative hue goes round once (240).
  int num;
  if (r == mx) num = 40 * (g - b);
  else if (g == mx) num = 40 * (2 * d + b - r);
  else num = 40 * (4 * d + r - g);
  if (num < 0) num += 240 * d;
  H = std::uint8_t(roundRatio(num, d));
}

std::uint8_t ColorHue(TColor c) {
  std::uint8_t h, s, l;
  ColorToHSL(c, h, s, l);
  return h;
}

TColor HSLToColor(std::uint8_t H, std::uint8_t S, std::uint8_t L) {
  // Exact rationals: m1 and m2 in units of 1/240^2, the hue in units of 1/239 (239, not 240:
  // hue 239 comes out as red again), channels in units of 1/(240^2 * 239).
  static constexpr std::int64_t kUnit = 240 * 240 * 239;
  const std::int64_t h = H, s = S, l = L;
  const std::int64_t m2 = l < 120 ? l * (240 + s) : 240 * l + 240 * s - l * s;
  if (m2 <= 0) return clBlack;
  const std::int64_t m1 = 480 * l - m2;
  // x = 6h; sextant = Trunc(x); f = x - sextant; v = m2 * sv * f = (m2 - m1) * f.
  const std::int64_t sextant = 6 * h / 239;
  const std::int64_t f = 6 * h - 239 * sextant;
  const std::int64_t v = (m2 - m1) * f;
  const std::int64_t M2 = m2 * 239, M1 = m1 * 239, mid1 = M1 + v, mid2 = M2 - v;
  std::int64_t red, green, blue;
  switch (sextant) {
    case 1: red = mid2; green = M2; blue = M1; break;
    case 2: red = M1; green = M2; blue = mid1; break;
    case 3: red = M1; green = mid2; blue = M2; break;
    case 4: red = mid1; green = M1; blue = M2; break;
    case 5: red = M2; green = M1; blue = mid2; break;
    default: red = M2; green = mid1; blue = M1; break;
  }
  auto byte = [](std::int64_t ch) { return int(roundRatio(std::min(ch, kUnit) * 255, kUnit)); };
  return TColor::FromRGB(byte(red), byte(green), byte(blue));
}

TColor DarkerColor(TColor c, std::uint8_t n) {
  std::uint8_t h, s, l;
  ColorToHSL(c, h, s, l);
  return HSLToColor(h, s, std::uint8_t(IntMax(int(l) - n, 0)));
}

TColor LighterColor(TColor c, std::uint8_t n) {
  std::uint8_t h, s, l;
  ColorToHSL(c, h, s, l);
  return HSLToColor(h, s, std::uint8_t(IntMin(int(l) + n, 255)));
}

TColor BlendColors(TColor c1, TColor c2, std::uint8_t w) {
  const TColor a = ColorToRGB(c1), b = ColorToRGB(c2);
  const float f = w / 255.0f;  // single precision, as the weight is held
  const long double ff = f;
  auto mix = [ff](int x, int y) { return roundEven(x * ff + (1 - ff) * y); };
  return TColor::FromRGB(mix(a.R(), b.R()), mix(a.G(), b.G()), mix(a.B(), b.B()));
}

TColor ContrastColor(TColor c, std::uint8_t L) {
  const int h = ColorHue(c);
  const int h2 = h < 120 ? h + 120 : h - 120;
  return HSLToColor(std::uint8_t(h2), 240, L);
}

void DrawSides(QPainter& canvas, const QRect& R, TColor c1, QRect& inner, int sides, TColor c2) {
  const int L = R.x(), T = R.y(), Rt = RectRight(R), B = RectBottom(R);
  if (!(c1 == clNone)) {
    const QColor q = ToQColor(c1);
    if (sides & 1) gdiLine(canvas, L, T, L, B, q);
    if (sides & 2) gdiLine(canvas, L, T, Rt, T, q);
  }
  if (!(c2 == clNone)) {
    const QColor q = ToQColor(c2);
    if (sides & 4) gdiLine(canvas, Rt - 1, T, Rt - 1, B, q);
    if (sides & 8) gdiLine(canvas, L, B - 1, Rt, B - 1, q);
  }
  inner = insetBySides(R, sides, 1);
}

void DrawBevel(QPainter& canvas, const QRect& R, TColor c1, QRect& inner, int sides, int width, TColor c2) {
  QRect r = R;
  for (int i = 0; i < width; ++i) DrawSides(canvas, r, c1, r, sides, c2);
  inner = r;
}

void DrawFrameStyle(QPainter& canvas, const QRect& R, TFrameStyle style, QRect& inner, int sides) {
  inner = R;
  switch (style) {
    case fsNone: break;
    case fsFlat: DrawSides(canvas, R, cl3DDkShadow, inner, sides, cl3DDkShadow); break;
    case fsGroove: drawGroove(canvas, R, clBtnShadow, clBtnHighlight, sides, inner); break;
    case fsBump: drawGroove(canvas, R, clBtnHighlight, clBtnShadow, sides, inner); break;
    case fsLowered:
      drawTwoPairs(canvas, R, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, sides, inner);
      break;
    case fsRaised:
      drawTwoPairs(canvas, R, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, sides, inner);
      break;
    case fsButtonDown:
      drawTwoPairs(canvas, R, clBtnText, clBtnText, clBtnShadow, clBtnShadow, sides, inner);
      break;
    case fsButtonUp:
      drawTwoPairs(canvas, R, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, sides, inner);
      break;
    case fsStatus: DrawSides(canvas, R, clBtnShadow, inner, sides, clBtnHighlight); break;
    case fsPopup: DrawSides(canvas, R, clBtnHighlight, inner, sides, clBtnShadow); break;
    case fsFlatBold: DrawBevel(canvas, R, clBtnShadow, inner, sides, 2, clBtnShadow); break;
    default: qWarning("DrawFrameStyle: frame style %d cannot be drawn; nothing drawn", int(style)); break;
  }
}

void DrawFrameStyleAll(QPainter& canvas, const QRect& R, TFrameStyle style, QRect& inner) {
  DrawFrameStyle(canvas, R, style, inner, 15);
}

void PaintParentImage(QWidget* control, QPainter& painter) {
  QWidget* parent = control ? control->parentWidget() : nullptr;
  if (!parent) return;
  painter.save();
  // The parent's client area in the control's coordinates.
  const QRect parentArea(-control->pos(), parent->size());
  painter.setClipRect(parentArea, Qt::IntersectClip);
  // The parent's erase: its background brush. Then its own painting, without its children
  // (the control itself among them).
  painter.fillRect(parentArea, parent->palette().brush(parent->backgroundRole()));
  const QRect source = control->geometry().intersected(parent->rect());
  if (!source.isEmpty())
    parent->render(&painter, source.topLeft() - control->pos(), QRegion(source), QWidget::DrawWindowBackground);
  painter.restore();
}

}  // namespace orvane::controls
