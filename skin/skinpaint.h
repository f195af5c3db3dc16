// The drawing primitives every skinner uses: frames of image strips, nine-slice images,
// three-part strips, tiling, colour-keyed drawing and region tracing.
//
// Images are skin images (imgutil.h): key-colour pixels are see-through. "Transparent"
// drawing leaves them out; opaque drawing paints them in the key colour, exactly as a
// plain copy of the original bitmap would. Nearest-neighbour scaling throughout.
#pragma once

#include <QImage>
#include <QMargins>
#include <QPainter>
#include <QRect>
#include <QRegion>

#include "skin/skincolors.h"

class QWidget;

namespace orvane::skin {

// A frame count as divisions use it: below 1 counts as 1.
constexpr int ValidFrameCount(int frames) { return frames < 1 ? 1 : frames; }

// The cell of frame `frame` (1-based, clamped to the strip) of a strip of `frames` equal
// frames side by side, or one above another when `vertical`.
QRect FrameRect(const QImage& image, bool vertical, int frames, int frame);

// Qt's raster engine hands a fill or a draw of more than about 96 rows to its thread pool,
// which for a narrow, tall part (a frame's side, a scroll bar) costs many times the work.
// These draw such a part band by band (a draw clipped to each band of one and the same draw),
// so every pixel comes out as from a single call.
void DrawImageBanded(QPainter& painter, const QRect& dst, const QImage& image, const QRect& src);
void FillRectBanded(QPainter& painter, const QRect& rect, const QColor& colour);

// Nine-slice bitmap of `size` from a frame: fixed corners, stretched edges, the centre
// stretched or tiled. A margin pair wider than the target is dropped in that direction.
// With a `part` (within the size), only that part of it, pixel for pixel as in the whole:
// a huge target (a tab as wide as a caption of thousands of characters) costs what shows.
QImage BuildSkinBitmap(const QSize& size, const QImage& image, const QMargins& margins, bool vertical, bool tile,
                       int frames, int frame, const QRect& part = QRect());
// The nine-slice image drawn at `rect`, with or without its see-through pixels; with a `part`
// (in rect's own coordinates), only that part, where it lies in the whole.
void DrawSkinImage(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, bool tile,
                   bool transparent, int frames, int frame, const QMargins& margins, const QRect& part = QRect());
// Frame of a horizontal strip stretched to `rect`.
void DrawStripFrame(QPainter& painter, const QRect& rect, const QImage& image, bool transparent, int frames, int frame);
// Frame of a horizontal strip unscaled, centred in `rect` (offsets rounded toward zero).
void DrawStripFrameCentered(QPainter& painter, const QRect& rect, const QImage& image, bool transparent, int frames,
                            int frame);
// Opaque: left cap, stretched middle and right cap over the full height when the cell is
// no wider than `rect`; otherwise the whole cell stretched.
void DrawStripFrameThreePart(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, int frames,
                             int frame, const QMargins& margins);
// Left cap, the middle repeated, right cap, each stretched to the height; drawn keyed or opaque.
void DrawTiledThreePart(QPainter& painter, const QRect& rect, const QImage& image, bool vertical, bool transparent,
                        int frames, int frame, const QMargins& margins);
// Tiles `source` of `image` over `dest` from its top-left corner; the last tiles run past
// `dest` (callers paint over the overrun or clip). Uses the painter's composition mode.
void TileBitmap(QPainter& painter, const QRect& dest, const QImage& image, const QRect& source);
// The image's top-left part of `rect`'s size at `rect`, leaving out pixels of `key`.
void DrawTransparentBitmap(QPainter& painter, const QRect& rect, const QImage& image, TColor key);
// The region of pixels that do not match `key` within the tolerances (each component
// between the key's and the key's plus its tolerance), moved by the offsets. A pixel
// matches by its original colour, so see-through pixels match the key colour 0xFF00FF.
QRegion CreateRegionFromBitmap(const QImage& image, int xOffset, int yOffset, int toleranceBlue, int toleranceGreen,
                               int toleranceRed, TColor key);

// The control's parent, background and own painting but none of its children, as it lies
// under the control, drawn into the painter at the control's origin.
void PaintParentBackground(QWidget* control, QPainter& painter);

}  // namespace orvane::skin
