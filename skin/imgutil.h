// Image and colour routines used when skin images are prepared: the skin image format,
// flips and quarter turns, key-colour replacement, colour mixing and saturation, and
// gradients with a small cache of colour tables.
//
// Skin images are held as premultiplied ARGB. Bitmaps arrive as 24-bit BMP files; when one
// is loaded, every pixel of the key colour 0xFF00FF becomes fully transparent (all bits 0)
// and every other pixel is opaque, so alpha is always 0 or 255 and drawing needs no masks.
// A transparent pixel still stands for the key colour wherever original colours matter
// (key replacement, region tracing, the window colour).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QVector>

#include "skin/skincolors.h"

namespace orvane::skin {

// The format every skin image has after loading.
constexpr QImage::Format SkinImageFormat = QImage::Format_ARGB32_Premultiplied;

// The original colour of a skin image pixel (0xFF00FF for a see-through one) as QRgb.
inline QRgb OriginalColour(QRgb pixel) { return qAlpha(pixel) == 0 ? qRgb(255, 0, 255) : (pixel | 0xFF000000u); }
inline bool IsKeyPixel(QRgb pixel) { return (OriginalColour(pixel) & 0xFFFFFFu) == 0xFF00FFu; }

// Converts any image to the skin image format with the key colour see-through.
QImage ToSkinImage(const QImage& image);
// The image itself when it already is a skin image (never keyed a second time), else
// ToSkinImage of it.
QImage AsSkinImage(const QImage& image);
// Loads a BMP file's bytes as a skin image; a null image when they are not a bitmap.
QImage LoadSkinBitmap(const QByteArray& bytes);
// A new skin image of the given size, every pixel the key colour (see-through).
QImage NewKeyImage(int width, int height);

// Sets every key-colour pixel to `colour`'s three bytes as stored (no system colour
// translation; callers pass plain RGB values).
void ReplaceKeyColour(QImage& bitmap, TColor colour);
// Left to right.
void MirrorHorz(QImage& bitmap);
// Each of `frames` equal frames side by side mirrored left to right where it stands, so that
// frame k stays frame k (a whole-strip mirror would reverse the order of the states).
void MirrorFramesHorz(QImage& bitmap, int frames);
// Upside down.
void FlipVert(QImage& bitmap);
// Quarter turn anticlockwise: the top edge becomes the left edge.
void RotateLeft(QImage& bitmap);
// Quarter turn clockwise: the left edge becomes the top edge.
void RotateRight(QImage& bitmap);

// Per channel, w is the share of `a`: per cent below 100, per mille from 100 on.
TColor BlendColor(TColor a, TColor b, int w);
// 0..255; 200 for colours whose channels are all below 160.
int ColorSaturation(TColor c);

// The colours of an n-band gradient (n >= 1) from `start` to `end`, rounded symmetrically
// so that the last band is `end`. The last 16 tables are cached; `fromCache` tells whether
// this one was.
QVector<TColor> GradientColourTable(int n, TColor start, TColor end, bool* fromCache = nullptr);
// Fills `rect` with one-pixel bands from `start` to `end`: direction 1 rows top to bottom,
// 0 columns left to right. Only the bands inside the painter's visible area are painted.
void GradientFill(QPainter& painter, const QRect& rect, TColor start, int direction, TColor end);

}  // namespace orvane::skin
