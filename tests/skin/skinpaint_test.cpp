// Drawing primitives: frame cells, nine-slice building, strips, tiling, keyed drawing and
// region tracing, checked pixel by pixel.
#include <gtest/gtest.h>

#include <QPainter>

#include "skin/imgutil.h"
#include "skin/skinpaint.h"
#include "tests/skin/skintestdata.h"

using namespace orvane::skin;
using namespace skin_testing;

namespace {

constexpr QRgb kBack = 0xFF102030u;

QImage canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(kBack);
  return image;
}

// A 6 x 6 nine-slice cell with 2-pixel margins: each of the nine parts its own colour.
QImage nineCell() {
  QImage cell(6, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const int col = x < 2 ? 0 : x < 4 ? 1 : 2;
      const int row = y < 2 ? 0 : y < 4 ? 1 : 2;
      cell.setPixel(x, y, qRgb(10 + col * 10, 10 + row * 10, 5));
    }
  }
  return ToSkinImage(cell);
}

QRgb part(int col, int row) { return qRgb(10 + col * 10, 10 + row * 10, 5); }

// The pixels at the given points.
std::vector<QRgb> At(const QImage& image, std::initializer_list<QPoint> points) {
  std::vector<QRgb> out;
  for (const QPoint& p : points) out.push_back(image.pixel(p));
  return out;
}

}  // namespace

TEST(SkinPaint, FrameCells) {
  const QImage h = ToSkinImage(stripImage(4, 3, 5));
  // Frame 9 of 4 is clamped to the last; counts below 1 count as 1.
  const struct {
    int count, frame;
    QRect cell;
  } rows[] = {{4, 1, QRect(0, 0, 3, 5)}, {4, 3, QRect(6, 0, 3, 5)}, {4, 9, QRect(9, 0, 3, 5)},
              {0, 1, QRect(0, 0, 12, 5)}, {-3, 2, QRect(0, 0, 12, 5)}};
  for (const auto& r : rows) EXPECT_EQ(FrameRect(h, false, r.count, r.frame), r.cell) << r.count << " " << r.frame;
  EXPECT_EQ(FrameRect(ToSkinImage(solid(4, 10, qRgb(1, 1, 1))), true, 2, 2), QRect(0, 5, 4, 5));
  EXPECT_EQ(ValidFrameCount(0), 1);
  EXPECT_EQ(ValidFrameCount(5), 5);
}

TEST(SkinPaint, NineSliceKeepsCornersAndStretchesTheRest) {
  const QImage built = BuildSkinBitmap(QSize(12, 10), nineCell(), QMargins(2, 2, 2, 2), false, false, 1, 1);
  ASSERT_EQ(built.size(), QSize(12, 10));
  // Corners, then the top, left, right and bottom edges, then the centre.
  EXPECT_EQ(At(built, {{0, 0}, {11, 0}, {0, 9}, {11, 9}, {6, 0}, {1, 5}, {10, 5}, {6, 8}, {2, 2}, {9, 7}}),
            (std::vector<QRgb>{part(0, 0), part(2, 0), part(0, 2), part(2, 2), part(1, 0), part(0, 1), part(2, 1),
                               part(1, 2), part(1, 1), part(1, 1)}));

  // Margins wider than the target drop the fixed edges in that direction only.
  const QImage narrow = BuildSkinBitmap(QSize(3, 10), nineCell(), QMargins(2, 2, 2, 2), false, false, 1, 1);
  EXPECT_EQ(At(narrow, {{0, 0}, {2, 9}, {1, 5}}), (std::vector<QRgb>{part(0, 0), part(2, 2), part(1, 1)}));

  // Tiling repeats the centre; the edges drawn after it cover the overrun.
  QImage cell = nineCell();
  cell.setPixel(2, 2, qRgb(200, 0, 0));
  const QImage tiled = BuildSkinBitmap(QSize(11, 6), cell, QMargins(2, 2, 2, 2), false, true, 1, 1);
  // The marked pixel every 2; the right edge over the last tile.
  EXPECT_EQ(At(tiled, {{2, 2}, {4, 2}, {6, 2}, {3, 3}, {9, 2}}),
            (std::vector<QRgb>{qRgb(200, 0, 0), qRgb(200, 0, 0), qRgb(200, 0, 0), part(1, 1), part(2, 1)}));

  // Frames of a vertical strip.
  QImage two(6, 12, QImage::Format_RGB32);
  two.fill(qRgb(1, 1, 1));
  QPainter(&two).fillRect(QRect(0, 6, 6, 6), QColor(qRgb(2, 2, 2)));
  const QImage second = BuildSkinBitmap(QSize(8, 3), ToSkinImage(two), QMargins(), true, false, 2, 2);
  EXPECT_EQ(second.pixel(7, 2), qRgb(2, 2, 2));
  EXPECT_TRUE(BuildSkinBitmap(QSize(0, 5), two, QMargins(), false, false, 1, 1).isNull());
}

TEST(SkinPaint, TransparentAndOpaqueDrawing) {
  QImage keyed(4, 4, QImage::Format_RGB32);
  keyed.fill(qRgb(50, 60, 70));
  keyed.setPixel(0, 0, kMagenta);
  const QImage skin = ToSkinImage(keyed);

  QImage out = canvas(8, 8);
  {
    QPainter p(&out);
    DrawSkinImage(p, QRect(0, 0, 4, 4), skin, false, false, true, 1, 1, QMargins(1, 1, 1, 1));
    DrawSkinImage(p, QRect(4, 4, 4, 4), skin, false, false, false, 1, 1, QMargins(1, 1, 1, 1));
    DrawSkinImage(p, QRect(4, 0, -1, 4), skin, false, false, false, 1, 1, QMargins());  // inverted: nothing
  }
  // The key is see-through when drawn transparent; an opaque copy shows it.
  EXPECT_EQ(At(out, {{0, 0}, {1, 1}, {4, 4}, {3, 0}, {7, 0}}),
            (std::vector<QRgb>{kBack, qRgb(50, 60, 70), kMagenta, qRgb(50, 60, 70), kBack}));
}

TEST(SkinPaint, StripFrames) {
  const QImage s = ToSkinImage(stripImage(3, 2, 2));
  QImage out = canvas(10, 10);
  {
    QPainter p(&out);
    DrawStripFrame(p, QRect(0, 0, 5, 5), s, true, 3, 2);
    DrawStripFrameCentered(p, QRect(5, 5, 5, 5), s, true, 3, 3);
  }
  // Stretched, then centred unscaled: (5 - 2) / 2 = 1 pixel in.
  EXPECT_EQ(At(out, {{0, 0}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}),
            (std::vector<QRgb>{qRgb(20, 0, 0), qRgb(20, 0, 0), kBack, qRgb(30, 0, 0), qRgb(30, 0, 0), kBack}));
}

TEST(SkinPaint, ThreePartStrips) {
  // A 5-pixel cell: cap 1 (red 1), middle 3 (red 2), cap 1 (red 3).
  QImage cell(5, 2, QImage::Format_RGB32);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 2; ++y) cell.setPixel(x, y, qRgb(x == 0 ? 1 : x == 4 ? 3 : 2, 0, y == 1 ? 9 : 0));
  const QImage s = ToSkinImage(cell);
  QImage out = canvas(12, 6);
  {
    QPainter p(&out);
    DrawStripFrameThreePart(p, QRect(0, 0, 12, 4), s, false, 1, 1, QMargins(1, 0, 1, 0));
  }
  // Caps and middle, stretched to the full height.
  EXPECT_EQ(At(out, {{0, 0}, {6, 0}, {11, 3}, {0, 4}}), (std::vector<QRgb>{qRgb(1, 0, 0), qRgb(2, 0, 0), qRgb(3, 0, 9), kBack}));

  // Tiled: the middle (a 2-pixel pattern) repeats; a zero-width middle does not loop forever.
  QImage pattern(6, 1, QImage::Format_RGB32);
  const int reds[] = {1, 5, 6, 1, 1, 3};
  for (int x = 0; x < 6; ++x) pattern.setPixel(x, 0, qRgb(reds[x], 0, 0));
  pattern.setPixel(3, 0, kMagenta);
  pattern.setPixel(4, 0, kMagenta);
  QImage tiled = canvas(9, 2);
  {
    QPainter p(&tiled);
    DrawTiledThreePart(p, QRect(0, 0, 9, 2), ToSkinImage(pattern), false, true, 1, 1, QMargins(1, 0, 1, 0));
    DrawTiledThreePart(p, QRect(0, 0, 9, 2), ToSkinImage(pattern), false, true, 1, 1, QMargins(3, 0, 3, 0));
  }
  const int expected[] = {1, 5, 6, -1, -1, 5, 6, -1, 3};  // -1: see-through
  for (int x = 0; x < 9; ++x) {
    if (expected[x] < 0) {
      EXPECT_EQ(tiled.pixel(x, 1), kBack) << x;
    } else {
      EXPECT_EQ(qRed(tiled.pixel(x, 1)), expected[x]) << x;
    }
  }
}

TEST(SkinPaint, TilingAndOtherKeys) {
  QImage tile(2, 2, QImage::Format_RGB32);
  tile.fill(qRgb(1, 1, 1));
  tile.setPixel(1, 1, qRgb(7, 7, 7));
  QImage out = canvas(5, 5);
  {
    QPainter p(&out);
    TileBitmap(p, QRect(0, 0, 3, 3), ToSkinImage(tile), QRect(0, 0, 2, 2));
    TileBitmap(p, QRect(0, 0, 3, 3), ToSkinImage(tile), QRect(0, 0, 0, 2));
  }
  // The last tile runs past the destination.
  EXPECT_EQ(At(out, {{1, 1}, {3, 3}, {4, 4}}), (std::vector<QRgb>{qRgb(7, 7, 7), qRgb(7, 7, 7), kBack}));

  QImage green(3, 1, QImage::Format_RGB32);
  green.setPixel(0, 0, qRgb(0, 255, 0));
  green.setPixel(1, 0, qRgb(9, 9, 9));
  green.setPixel(2, 0, kMagenta);
  QImage drawn = canvas(3, 2);
  {
    QPainter p(&drawn);
    DrawTransparentBitmap(p, QRect(0, 0, 3, 2), ToSkinImage(green), RGBColor(0, 255, 0));
  }
  // With another key, magenta is a colour like any other; only the image's own part is drawn.
  EXPECT_EQ(At(drawn, {{0, 0}, {1, 0}, {2, 0}, {1, 1}}), (std::vector<QRgb>{kBack, qRgb(9, 9, 9), kMagenta, kBack}));
}

TEST(SkinPaint, RegionTracingUsesOriginalColoursWithTolerance) {
  // 5 x 4: rounded top corners of key pixels, a near-key pixel inside the tolerance and one
  // just outside it.
  QImage image(5, 4, QImage::Format_RGB32);
  image.fill(qRgb(40, 40, 40));
  image.setPixel(0, 0, kMagenta);
  image.setPixel(4, 0, kMagenta);
  image.setPixel(2, 2, qRgb(255, 1, 255));
  image.setPixel(2, 3, qRgb(255, 2, 255));
  const QImage skin = ToSkinImage(image);
  const QRegion region = CreateRegionFromBitmap(skin, 10, 20, 1, 1, 1, KeyColour);
  // The corners out, +1 from the key out, +2 kept.
  std::vector<bool> inside;
  for (QPoint p : {QPoint(10, 20), QPoint(11, 20), QPoint(14, 20), QPoint(10, 21), QPoint(12, 22), QPoint(12, 23)})
    inside.push_back(region.contains(p));
  EXPECT_EQ(inside, std::vector<bool>({false, true, false, true, false, true}));
  EXPECT_EQ(region.boundingRect(), QRect(10, 20, 5, 4));
  // Same rows merge: one rectangle for the two identical middle lines would be a band.
  QImage plain = solid(30, 200, qRgb(1, 2, 3));
  const QRegion whole = CreateRegionFromBitmap(ToSkinImage(plain), 0, 0, 1, 1, 1, KeyColour);
  EXPECT_EQ(whole.rectCount(), 1);
  EXPECT_EQ(whole, QRegion(0, 0, 30, 200));
  EXPECT_TRUE(CreateRegionFromBitmap(ToSkinImage(solid(4, 4, kMagenta)), 0, 0, 1, 1, 1, KeyColour).isEmpty());
  // Tracing the unconverted original gives the same region.
  EXPECT_EQ(CreateRegionFromBitmap(image, 10, 20, 1, 1, 1, KeyColour), region);
}
