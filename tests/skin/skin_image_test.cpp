// Image routines, drawing primitives, the description parser on small skins built at test time,
// and our default skin packed, parsed, drawn and traced.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QPainter>
#include <functional>

#include "skin/SkinRead.h"
#include "skin/WinSkinIni.h"
#include "skin/derivedimages.h"
#include "skin/imgutil.h"
#include "skin/skinpaint.h"
#include "skin/skinparser.h"
#include "tests/skin/skinbuilder.h"
#include "tests/skin/skinfixture.h"
#include "tools/skinpack/skinfolder.h"

using namespace orvane::skin;
using namespace skin_testing;

namespace {

constexpr QRgb kBack = 0xFF102030u;

QImage canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(kBack);
  return image;
}

// A 3 x 2 image whose six pixels all differ: red 1 2 3 over 4 5 6.
QImage asymmetric() {
  QImage image(3, 2, QImage::Format_RGB32);
  for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, qRgb(i + 1, 0, 0));
  return ToSkinImage(image);
}

// Each image as its rows of red values.
std::vector<int> reds(const QImage& image) {
  std::vector<int> out;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) out.push_back(qRed(image.pixel(x, y)));
  return out;
}

QImage Row(std::initializer_list<QRgb> pixels) {
  QImage image(int(pixels.size()), 1, QImage::Format_RGB32);
  int x = 0;
  for (QRgb p : pixels) image.setPixel(x++, 0, p);
  return image;
}

std::vector<QRgb> PixelsOf(const QImage& image) {
  std::vector<QRgb> out;
  for (int x = 0; x < image.width(); ++x) out.push_back(image.pixel(x, 0));
  return out;
}

// A 6 x 6 nine-slice cell with 2-pixel margins: each of the nine parts its own colour.
QRgb part(int col, int row) { return qRgb(10 + col * 10, 10 + row * 10, 5); }
QImage nineCell() {
  QImage cell(6, 6, QImage::Format_RGB32);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) cell.setPixel(x, y, part(x / 2, y / 2));
  return ToSkinImage(cell);
}

std::vector<QRgb> At(const QImage& image, std::initializer_list<QPoint> points) {
  std::vector<QRgb> out;
  for (const QPoint& p : points) out.push_back(image.pixel(p));
  return out;
}

}  // namespace

TEST(ImgUtil, SkinImagesMakeOnlyTheExactKeySeeThroughAndReplaceItsStoredBytes) {
  const QImage skin = LoadSkinBitmap(bmp24(Row({kMagenta, qRgb(255, 1, 255), qRgb(10, 20, 30)})));
  ASSERT_EQ(skin.format(), SkinImageFormat);
  EXPECT_EQ(PixelsOf(skin), (std::vector<QRgb>{0u, qRgb(255, 1, 255), qRgb(10, 20, 30)}));
  EXPECT_TRUE(IsKeyPixel(skin.pixel(0, 0)));
  EXPECT_FALSE(IsKeyPixel(skin.pixel(1, 0)));
  EXPECT_TRUE(LoadSkinBitmap("not a bitmap").isNull());
  EXPECT_TRUE(LoadSkinBitmap(QByteArray()).isNull());
  const QImage partial = LoadSkinBitmap(bmp24(solid(20, 20, qRgb(1, 2, 3))).left(100));  // refused or partial
  EXPECT_TRUE(partial.isNull() || partial.format() == SkinImageFormat);
  QImage keyed = ToSkinImage(Row({kMagenta, qRgb(255, 1, 255), kMagenta}));
  ReplaceKeyColour(keyed, RGBColor(10, 20, 30));
  EXPECT_EQ(PixelsOf(keyed), (std::vector<QRgb>{qRgb(10, 20, 30), qRgb(255, 1, 255), qRgb(10, 20, 30)}));
  QImage plain = solid(2, 2, kMagenta);  // another format is converted first
  ReplaceKeyColour(plain, RGBColor(1, 2, 3));
  EXPECT_EQ(plain.format(), SkinImageFormat);
  EXPECT_EQ(plain.pixel(1, 1), qRgb(1, 2, 3));
}

TEST(ImgUtil, MirrorFlipAndQuarterTurns) {
  // Anticlockwise the top row 1 2 3 becomes the left column read upwards; clockwise the left
  // column 1 4 becomes the top row read right to left.
  const std::pair<void (*)(QImage&), std::vector<int>> rows[] = {{MirrorHorz, {3, 2, 1, 6, 5, 4}},
                                                                 {FlipVert, {4, 5, 6, 1, 2, 3}},
                                                                 {RotateLeft, {3, 6, 2, 5, 1, 4}},
                                                                 {RotateRight, {4, 1, 5, 2, 6, 3}}};
  for (const auto& [turn, want] : rows) {
    QImage m = asymmetric();
    turn(m);
    EXPECT_EQ(reds(m), want);
  }
  QImage r = asymmetric();
  RotateRight(r);
  EXPECT_EQ(r.size(), QSize(2, 3));
  RotateLeft(r);
  EXPECT_EQ(r, asymmetric());
  // Frame by frame: 1 2 3 | 4 5 6 as two frames of three becomes 3 2 1 | 6 5 4.
  QImage frames(6, 1, QImage::Format_RGB32);
  for (int x = 0; x < 6; ++x) frames.setPixel(x, 0, qRgb(x + 1, 0, 0));
  MirrorFramesHorz(frames, 2);
  EXPECT_EQ(reds(frames), std::vector<int>({3, 2, 1, 6, 5, 4}));
  QImage empty;
  MirrorHorz(empty);
  RotateLeft(empty);
  EXPECT_TRUE(empty.isNull());
}

TEST(ImgUtil, BlendAndSaturation) {
  const TColor c = RGBColor(0, 100, 200);
  EXPECT_EQ(BlendColor(0x808080, c, 150), RGBColor(19, 104, 189));  // 15 % grey, 85 % c, per mille
  EXPECT_EQ(BlendColor(c, clWhite, 60), RGBColor(102, 162, 222));   // 60 % c, 40 % white, per cent
  EXPECT_EQ(BlendColor(c, clBlack, 100), RGBColor(0, 10, 20));
  // System colours resolve before mixing.
  EXPECT_EQ(BlendColor(SystemColour(COLOR_BTNFACE), clWhite, 0), clWhite);
  EXPECT_EQ(BlendColor(SystemColour(COLOR_BTNFACE), clWhite, 1000), SysColor(COLOR_BTNFACE));
  // Dark colours count 200; else (max - min) * 255 / max, 127.5 going to the even number.
  for (auto [c, want] : {std::pair{RGBColor(255, 0, 0), 255}, {RGBColor(100, 20, 20), 200}, {clWhite, 0},
                         {RGBColor(200, 150, 150), 64}, {RGBColor(200, 100, 100), 128}})
    EXPECT_EQ(ColorSaturation(c), want) << std::hex << c;
}

TEST(ImgUtil, GradientTablesRoundSymmetricallyAndAreCached) {
  bool cached = true;
  const QVector<TColor> one = GradientColourTable(1, clWhite, clBlack, &cached);
  EXPECT_EQ(one, QVector<TColor>{RGBColor(128, 128, 128)});
  EXPECT_FALSE(cached);
  const QVector<TColor> fall = GradientColourTable(40, clWhite, clBlack, &cached);
  EXPECT_FALSE(cached);
  EXPECT_EQ(fall.first(), clWhite);
  EXPECT_EQ(fall.last(), clBlack);
  EXPECT_EQ(GradientColourTable(40, clWhite, clBlack, &cached), fall);
  EXPECT_TRUE(cached);
  // Rising and falling gradients are mirror images of each other.
  const QVector<TColor> rise = GradientColourTable(40, clBlack, clWhite);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(RedOf(rise[i]) + RedOf(fall[i]), 255) << i;
  EXPECT_EQ(GradientColourTable(3, clBlack, clWhite)[1], RGBColor(128, 128, 128));
  for (int n = 100; n < 116; ++n) GradientColourTable(n, clWhite, clBlack);  // sixteen others push it out
  GradientColourTable(40, clWhite, clBlack, &cached);
  EXPECT_FALSE(cached);
}

TEST(ImgUtil, GradientFillPaintsBandsInsideTheVisibleArea) {
  QImage image = canvas(10, 40), columns = canvas(8, 2), untouched = canvas(4, 4);
  {
    QPainter p(&image);
    GradientFill(p, QRect(0, 0, 10, 40), clWhite, 1, clBlack);
    QPainter q(&columns);
    q.setClipRect(QRect(2, 0, 3, 2));
    GradientFill(q, QRect(0, 0, 8, 2), RGBColor(0, 0, 0), 0, RGBColor(70, 0, 0));
    QPainter u(&untouched);  // nothing visible, or no height: nothing painted
    GradientFill(u, QRect(10, 10, 4, 4), clWhite, 1, clBlack);
    GradientFill(u, QRect(0, 0, 4, 0), clWhite, 1, clBlack);
  }
  EXPECT_EQ(At(image, {{0, 0}, {9, 39}}), (std::vector<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)}));
  EXPECT_EQ(image.pixel(5, 20), image.pixel(0, 20));
  // Only the clip box (x 2..4) is painted.
  EXPECT_EQ(PixelsOf(columns), (std::vector<QRgb>{kBack, kBack, qRgb(20, 0, 0), qRgb(30, 0, 0), qRgb(40, 0, 0), kBack, kBack, kBack}));
  EXPECT_EQ(untouched.pixel(0, 0), kBack);
}

TEST(SkinPaint, FrameCellsAndNineSlices) {
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
  // Corners kept, then the top, left, right and bottom edges, then the centre stretched.
  const QImage built = BuildSkinBitmap(QSize(12, 10), nineCell(), QMargins(2, 2, 2, 2), false, false, 1, 1);
  ASSERT_EQ(built.size(), QSize(12, 10));
  EXPECT_EQ(At(built, {{0, 0}, {11, 0}, {0, 9}, {11, 9}, {6, 0}, {1, 5}, {10, 5}, {6, 8}, {2, 2}, {9, 7}}),
            (std::vector<QRgb>{part(0, 0), part(2, 0), part(0, 2), part(2, 2), part(1, 0), part(0, 1), part(2, 1),
                               part(1, 2), part(1, 1), part(1, 1)}));
  // Margins wider than the target drop the fixed edges in that direction only.
  const QImage narrow = BuildSkinBitmap(QSize(3, 10), nineCell(), QMargins(2, 2, 2, 2), false, false, 1, 1);
  EXPECT_EQ(At(narrow, {{0, 0}, {2, 9}, {1, 5}}), (std::vector<QRgb>{part(0, 0), part(2, 2), part(1, 1)}));
  // Tiling repeats the centre (the marked pixel every 2); the right edge covers the last tile.
  QImage cell = nineCell();
  cell.setPixel(2, 2, qRgb(200, 0, 0));
  const QImage tiled = BuildSkinBitmap(QSize(11, 6), cell, QMargins(2, 2, 2, 2), false, true, 1, 1);
  EXPECT_EQ(At(tiled, {{2, 2}, {4, 2}, {6, 2}, {3, 3}, {9, 2}}),
            (std::vector<QRgb>{qRgb(200, 0, 0), qRgb(200, 0, 0), qRgb(200, 0, 0), part(1, 1), part(2, 1)}));
  // Frames of a vertical strip.
  QImage two = solid(6, 12, qRgb(1, 1, 1));
  QPainter(&two).fillRect(QRect(0, 6, 6, 6), QColor(qRgb(2, 2, 2)));
  EXPECT_EQ(BuildSkinBitmap(QSize(8, 3), ToSkinImage(two), QMargins(), true, false, 2, 2).pixel(7, 2), qRgb(2, 2, 2));
  EXPECT_TRUE(BuildSkinBitmap(QSize(0, 5), two, QMargins(), false, false, 1, 1).isNull());
}

TEST(SkinPaint, KeyedStripTiledAndOtherKeyDrawing) {
  QImage keyed = solid(4, 4, qRgb(50, 60, 70));
  keyed.setPixel(0, 0, kMagenta);
  QImage tile = solid(2, 2, qRgb(1, 1, 1));
  tile.setPixel(1, 1, qRgb(7, 7, 7));
  const QImage green = ToSkinImage(Row({qRgb(0, 255, 0), qRgb(9, 9, 9), kMagenta}));
  QImage out = canvas(8, 8), strips = canvas(10, 10), tiles = canvas(5, 5), drawn = canvas(3, 2);
  {
    QPainter p(&out);
    DrawSkinImage(p, QRect(0, 0, 4, 4), ToSkinImage(keyed), false, false, true, 1, 1, QMargins(1, 1, 1, 1));
    DrawSkinImage(p, QRect(4, 4, 4, 4), ToSkinImage(keyed), false, false, false, 1, 1, QMargins(1, 1, 1, 1));
    DrawSkinImage(p, QRect(4, 0, -1, 4), ToSkinImage(keyed), false, false, false, 1, 1, QMargins());  // inverted
    QPainter s(&strips);
    DrawStripFrame(s, QRect(0, 0, 5, 5), ToSkinImage(stripImage(3, 2, 2)), true, 3, 2);
    DrawStripFrameCentered(s, QRect(5, 5, 5, 5), ToSkinImage(stripImage(3, 2, 2)), true, 3, 3);
    QPainter t(&tiles);
    TileBitmap(t, QRect(0, 0, 3, 3), ToSkinImage(tile), QRect(0, 0, 2, 2));
    TileBitmap(t, QRect(0, 0, 3, 3), ToSkinImage(tile), QRect(0, 0, 0, 2));
    QPainter d(&drawn);
    DrawTransparentBitmap(d, QRect(0, 0, 3, 2), green, RGBColor(0, 255, 0));
  }
  // The key is see-through when drawn transparent; an opaque copy shows it.
  EXPECT_EQ(At(out, {{0, 0}, {1, 1}, {4, 4}, {3, 0}, {7, 0}}),
            (std::vector<QRgb>{kBack, qRgb(50, 60, 70), kMagenta, qRgb(50, 60, 70), kBack}));
  // Stretched, then centred unscaled: (5 - 2) / 2 = 1 pixel in.
  EXPECT_EQ(At(strips, {{0, 0}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}),
            (std::vector<QRgb>{qRgb(20, 0, 0), qRgb(20, 0, 0), kBack, qRgb(30, 0, 0), qRgb(30, 0, 0), kBack}));
  // The last tile runs past the destination.
  EXPECT_EQ(At(tiles, {{1, 1}, {3, 3}, {4, 4}}), (std::vector<QRgb>{qRgb(7, 7, 7), qRgb(7, 7, 7), kBack}));
  // With another key, magenta is a colour like any other; only the image's own part is drawn.
  EXPECT_EQ(At(drawn, {{0, 0}, {1, 0}, {2, 0}, {1, 1}}), (std::vector<QRgb>{kBack, qRgb(9, 9, 9), kMagenta, kBack}));
}

TEST(SkinPaint, ThreePartStrips) {
  // A 5-pixel cell: cap 1 (red 1), middle 3 (red 2), cap 1 (red 3).
  QImage cell(5, 2, QImage::Format_RGB32);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 2; ++y) cell.setPixel(x, y, qRgb(x == 0 ? 1 : x == 4 ? 3 : 2, 0, y == 1 ? 9 : 0));
  // Tiled: the middle (a 2-pixel pattern) repeats; a zero-width middle does not loop forever.
  QImage pattern = Row({qRgb(1, 0, 0), qRgb(5, 0, 0), qRgb(6, 0, 0), kMagenta, kMagenta, qRgb(3, 0, 0)});
  QImage out = canvas(12, 6), tiled = canvas(9, 2);
  {
    QPainter p(&out);
    DrawStripFrameThreePart(p, QRect(0, 0, 12, 4), ToSkinImage(cell), false, 1, 1, QMargins(1, 0, 1, 0));
    QPainter t(&tiled);
    DrawTiledThreePart(t, QRect(0, 0, 9, 2), ToSkinImage(pattern), false, true, 1, 1, QMargins(1, 0, 1, 0));
    DrawTiledThreePart(t, QRect(0, 0, 9, 2), ToSkinImage(pattern), false, true, 1, 1, QMargins(3, 0, 3, 0));
  }
  EXPECT_EQ(At(out, {{0, 0}, {6, 0}, {11, 3}, {0, 4}}), (std::vector<QRgb>{qRgb(1, 0, 0), qRgb(2, 0, 0), qRgb(3, 0, 9), kBack}));
  const int expected[] = {1, 5, 6, -1, -1, 5, 6, -1, 3};  // -1: see-through
  for (int x = 0; x < 9; ++x) EXPECT_EQ(tiled.pixel(x, 1), expected[x] < 0 ? kBack : qRgb(expected[x], 0, 0)) << x;
}

TEST(SkinPaint, RegionTracingUsesOriginalColoursWithTolerance) {
  // Rounded top corners of key pixels, a near-key pixel inside the tolerance, one just outside.
  QImage image = solid(5, 4, qRgb(40, 40, 40));
  image.setPixel(0, 0, kMagenta);
  image.setPixel(4, 0, kMagenta);
  image.setPixel(2, 2, qRgb(255, 1, 255));
  image.setPixel(2, 3, qRgb(255, 2, 255));
  const QRegion region = CreateRegionFromBitmap(ToSkinImage(image), 10, 20, 1, 1, 1, KeyColour);
  std::vector<bool> inside;
  for (QPoint p : {QPoint(10, 20), QPoint(11, 20), QPoint(14, 20), QPoint(10, 21), QPoint(12, 22), QPoint(12, 23)})
    inside.push_back(region.contains(p));
  EXPECT_EQ(inside, std::vector<bool>({false, true, false, true, false, true}));
  EXPECT_EQ(region.boundingRect(), QRect(10, 20, 5, 4));
  EXPECT_EQ(CreateRegionFromBitmap(image, 10, 20, 1, 1, 1, KeyColour), region);  // the unconverted original
  // Same rows merge into one rectangle.
  const QRegion whole = CreateRegionFromBitmap(ToSkinImage(solid(30, 200, qRgb(1, 2, 3))), 0, 0, 1, 1, 1, KeyColour);
  EXPECT_EQ(whole.rectCount(), 1);
  EXPECT_EQ(whole, QRegion(0, 0, 30, 200));
  EXPECT_TRUE(CreateRegionFromBitmap(ToSkinImage(solid(4, 4, kMagenta)), 0, 0, 1, 1, 1, KeyColour).isEmpty());
}

TEST(ParseColour, Cases) {
  const std::pair<const char*, TColor> rows[] = {
      {"237 242 249", RGBColor(237, 242, 249)}, {"1,2,3", RGBColor(1, 2, 3)}, {"  10;20;30  ", RGBColor(10, 20, 30)},
      {"7", clBlack},                      // a single number is black
      {"7 8", RGBColor(7, 0, 0)},          // two: the first as red
      {"1 2 3 4", RGBColor(1, 2, 3)},      // runs after the third are ignored
      {"-5,-6,-7", RGBColor(5, 6, 7)},     // "-" only separates
      {"256 257 511", RGBColor(0, 1, 255)},  // low bytes
      {"99999999999 5 6", RGBColor(0, 5, 6)},  // too large for 32 bits: 0
      {"rgb(12, 34, 56)", RGBColor(12, 34, 56)}, {"12, 34, 56)", RGBColor(12, 34, 56)}, {"", clBlack}};
  for (const auto& [text, colour] : rows) EXPECT_EQ(ParseColour(text), colour) << text;
}

namespace {
const QImage kGrey = solid(12, 12, qRgb(90, 90, 90));
std::vector<int> FrameTileTrans(const TDataSkinObject& o) { return {o.Frame, o.Tile, o.Trans}; }
}  // namespace

TEST(SkinParser, ReaderQuirks) {
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.data.warning=false"));
  const auto data = SkinBuilder()
                        .ini("[Personality]\r\nLeft=L.bmp\r\nLeftStretch=2\r\nLeftTrans=0\r\nLeftFrame=2\r\n"
                             "LeftTopHeight=29\r\nLeftBotHeight=5\r\nTop=skins\\\\deep/T.bmp\r\nTopTopHeight=32\r\n"
                             "TopBotHeight=39\r\n"
                             "[MenuItem]\r\nImage=g.bmp\r\nFrame=9\r\nTile=2\r\n"
                             "[Headerbar]\r\nImage=g.bmp\r\nFrame=9\r\nTile=1\r\n"
                             "[ExtraImages]\r\nImage=G.BMP\r\n"
                             "[MenuBackground]\r\nImage=missing.bmp\r\n"
                             "[Tab.Pane]\r\nImage=g.bmp\r\nLeftWidth=9\r\nTopHeight=3\r\nRightWidth=5\r\nBottomHeight=40\r\n"
                             "[Progress]\r\nBitmap=g.bmp\r\nStyle=1\r\nTile=7\r\nFrame=6\r\n"
                             "[HorzScrollThumb]\r\nImage=g.bmp\r\nFrameCount=4\r\n"
                             "[VertScrollThumb]\r\nImage=g.bmp\r\n"
                             "[Progress.Chunk]\r\nImage=g.bmp\r\n"
                             "[SunkEdge]\r\nImage=g.bmp\r\nNormalColour=0xFF00\r\nNormalColour2=1 2 3\r\n"
                             "[Track]\r\nImage=g.bmp\r\nFrame=3\r\n")
                        .image("L.bmp", solid(8, 40, qRgb(1, 1, 1)))
                        .image("t.bmp", solid(40, 60, qRgb(200, 100, 50)))
                        .image("g.bmp", kGrey)
                        .parse();
  QLoggingCategory::setFilterRules(QString());
  ASSERT_TRUE(data);
  const TDataSkinBorder& left = data->Border(bsLeft);
  EXPECT_TRUE(left.HasImage());
  EXPECT_EQ(FrameTileTrans(left), std::vector<int>({2, 1, 0}));  // "Stretch" above 1 becomes 1
  EXPECT_EQ(left.Margins(), QMargins(0, 29, 0, 5));
  // A folder path in front of the file name still finds the entry (names ignore case).
  const TDataSkinBorder& top = data->Border(bsTop);
  EXPECT_TRUE(top.HasImage());
  EXPECT_EQ(top.Margins(), QMargins(32, 0, 39, 0));
  EXPECT_EQ(data->Colour(scWindow), RGBColor(200, 100, 50));
  ASSERT_TRUE(data->MenuItem && data->Headerbar && data->ExtraImages && data->MenuBackground && data->TabPane &&
              data->Progress);
  // Menu items: 5 frames whatever the description says, "Tile" above 1 becomes 0; a header
  // bar keeps its given frames and "Tile" 1; a progress bar of Style 1 has one frame and the bitmap-key
  // reader caps "Tile" at 1; scroll thumbs 4 given and 3 by default; a progress chunk keeps
  // the description's none (counted as 1).
  EXPECT_EQ(std::vector<int>({data->MenuItem->Frame, data->MenuItem->Tile, data->Headerbar->Frame, data->Headerbar->Tile,
                              data->Progress->Frame, data->Progress->Tile, data->HorzScrollThumb->Frame,
                              data->VertScrollThumb->Frame, data->ProgressChunk->Frame, data->ProgressChunk->FrameCount()}),
            std::vector<int>({5, 0, 9, 1, 1, 1, 4, 3, 0, 1}));
  // An extension in capitals names no image; a missing entry leaves an element without one.
  EXPECT_FALSE(data->ExtraImages->HasImage() || data->MenuBackground->HasImage());
  EXPECT_EQ(data->TabPane->Margins(), QMargins(4, 3, 4, 4));
  EXPECT_EQ(std::vector<TColor>({data->SunkEdge->NormalColour, data->SunkEdge->MouseOverColour, data->SunkEdge->NormalColour2,
                                  data->SunkEdge->PressedColour2}),
            std::vector<TColor>({0xFF00, -1, RGBColor(1, 2, 3), data->Colour(scButtonText)}));
  EXPECT_EQ(data->Track->Name + QString::number(data->Track->Frame), "Track3");
  EXPECT_FALSE(data->Scrollbar || data->GroupBox);  // absent sections stay absent
}

namespace {

// Warnings of the skin data category that say values were clamped.
struct ClampLines {
  ClampLines() {
    lines().clear();
    previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& c, const QString& text) {
      if (QByteArray(c.category) == "orvane.skin.data" && text.contains(QStringLiteral("clamped"))) lines() << text;
    });
  }
  ~ClampLines() { qInstallMessageHandler(previous_); }
  static QStringList& lines() {
    static QStringList l;
    return l;
  }
  QtMessageHandler previous_;
};

// A skin with every element the bad values below address: borders 8 x 40 (side) and 40 x 30
// (top, bottom), a combo button 16 x 21 over a sunken edge 24 x 20, header and track strips
// 12 x 12, check and radio strips 26 x 13, a caption button strip 48 x 16. `keys` go first
// into `section` (the first line of a key is the one read).
SkinBuilder HostileBase(const QByteArray& section, const QByteArray& keys) {
  const std::vector<std::pair<QByteArray, QByteArray>> sections = {
      {"Personality", "Left=side.bmp\r\nRight=side.bmp\r\nTop=top.bmp\r\nBottom=top.bmp\r\nLeftFrame=2\r\nTopFrame=2\r\n"},
      {"Buttons", "Bitmap=g.bmp\r\nCheckButton=check.bmp\r\nRadioButton=check.bmp\r\n"},
      {"ComboButton", "Image=combo.bmp\r\n"},
      {"SunkEdge", "Image=sunk.bmp\r\n"},
      {"ExtraImages", "Image=g.bmp\r\n"},
      {"Headerbar", "Image=g.bmp\r\n"},
      {"Track", "Image=g.bmp\r\n"},
      {"HorzScrollThumb", "Image=g.bmp\r\n"},
      {"GroupBox", "Image=g.bmp\r\n"},
      {"BUTTON.CLOSE", "Action=0\r\nAlign=1\r\nXcoord=20\r\nButtonImage=cap.bmp\r\n"},
  };
  QByteArray ini;
  for (const auto& [name, body] : sections) ini += "[" + name + "]\r\n" + (name == section ? keys : QByteArray()) + body;
  return SkinBuilder()
      .ini(ini)
      .image("side.bmp", solid(8, 40, qRgb(1, 1, 1)))
      .image("top.bmp", solid(40, 30, qRgb(2, 2, 2)))
      .image("combo.bmp", solid(16, 21, qRgb(3, 3, 3)))
      .image("sunk.bmp", solid(24, 20, qRgb(4, 4, 4)))
      .image("check.bmp", solid(26, 13, qRgb(5, 5, 5)))
      .image("cap.bmp", solid(48, 16, qRgb(6, 6, 6)))
      .image("g.bmp", kGrey);
}

}  // namespace

// A description is input: numbers far outside the images they address (or negative frame
// counts and widths) are clamped to them, said in one log line per skin, and every element
// then draws with what is left. Unchecked, [ComboButton] TopHeight=2147483647 overflowed the
// nine-slice arithmetic and took minutes of bands to build the combo image.
TEST(SkinParser, HostileNumbersAreClampedToWhatTheyAddress) {
  using Data = TSkinData;
  struct Case {
    const char* section;
    const char* keys;
    std::function<std::vector<int>(const Data&)> values;
    std::vector<int> expected;
  };
  const Case cases[] = {
      // The combo button (16 x 21) and sunken edge (24 x 20) that the combo image is built
      // from: four 50 x 21 cells whatever their margins said.
      {"ComboButton", "TopHeight=2147483647\r\nBottomHeight=2147483647\r\nLeftWidth=-2147483648\r\n",
       [](const Data& d) { return std::vector<int>{d.ComboButton->Bitmap.width(), d.ComboButton->Bitmap.height()}; },
       {200, 21}},
      {"SunkEdge", "BottomHeight=2147483647\r\nTopHeight=-2147483648\r\n",
       [](const Data& d) { return std::vector<int>{d.ComboButton->TopHeight, d.ComboButton->BottomHeight}; }, {0, 20}},
      // Borders: frames and the margins along their length (side 8 x 40, top 40 x 30).
      {"Personality", "LeftFrame=-5\r\nTopFrame=2147483647\r\n",
       [](const Data& d) { return std::vector<int>{d.Border(bsLeft).Frame, d.Border(bsTop).Frame}; }, {1, 40}},
      {"Personality", "LeftTopHeight=2147483647\r\nLeftBotHeight=-1\r\nTopTopHeight=99999\r\n",
       [](const Data& d) {
         return std::vector<int>{d.Border(bsLeft).TopHeight, d.Border(bsLeft).BottomHeight, d.Border(bsTop).LeftWidth};
       },
       {40, 0, 40}},
      // Strips whose frame counts the description gives (12 x 12 images).
      {"Headerbar", "Frame=-7\r\n", [](const Data& d) { return std::vector<int>{d.Headerbar->Frame}; }, {1}},
      {"Headerbar", "Frame=2147483647\r\nLeftWidth=2147483647\r\n",
       [](const Data& d) { return std::vector<int>{d.Headerbar->Frame, d.Headerbar->LeftWidth}; }, {12, 12}},
      {"Track", "Frame=2147483647\r\nRightWidth=-1\r\n",
       [](const Data& d) { return std::vector<int>{d.Track->Frame, d.Track->RightWidth}; }, {12, 0}},
      {"HorzScrollThumb", "FrameCount=-2147483648\r\n", [](const Data& d) { return std::vector<int>{d.HorzScrollThumb->Frame}; },
       {1}},
      // Check and radio strips (26 x 13) and the button margins (12 x 12).
      {"Buttons", "RadioButtonFrame=-3\r\nCheckButtonFrame=2147483647\r\nTopHeight=2147483647\r\n",
       [](const Data& d) {
         return std::vector<int>{d.Buttons->RadioButtonFrame, d.Buttons->CheckButtonFrame, d.Buttons->TopHeight};
       },
       {1, 26, 12}},
      // Offsets in the title bar and beside a box label stay within screen coordinates.
      {"Personality", "TextShift=2147483647\r\nTextRightClip=-2147483648\r\n",
       [](const Data& d) { return std::vector<int>{d.Title->TextShift(), d.Title->TextRightClip()}; }, {32767, -32767}},
      {"GroupBox", "BackgroundLeftShift=-2147483648\r\n",
       [](const Data& d) { return std::vector<int>{d.GroupBox->BackgroundLeftShift}; }, {-32767}},
      // A caption button (48 x 16): its frame count and place.
      {"BUTTON.CLOSE", "frame=-1\r\nXcoord=2147483647\r\n",
       [](const Data& d) { return std::vector<int>{d.SysButtons.front()->Frame, d.SysButtons.front()->Xcoord}; }, {1, 32767}},
      {"BUTTON.CLOSE", "frame=2147483647\r\n", [](const Data& d) { return std::vector<int>{d.SysButtons.front()->Frame}; },
       {48}},
  };
  {
    ClampLines none;
    ASSERT_TRUE(HostileBase("", "").parse());
    EXPECT_EQ(ClampLines::lines(), QStringList()) << "values within their images are taken as they are";
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + ": " + c.keys);
    ClampLines log;
    const auto data = HostileBase(c.section, c.keys).parse();
    ASSERT_TRUE(data);
    EXPECT_EQ(c.values(*data), c.expected);
    EXPECT_EQ(ClampLines::lines().size(), 1) << ClampLines::lines().join(QLatin1Char('\n')).toStdString();
    // Every element draws each of its first frames with what is left.
    QImage target = canvas(90, 60);
    QPainter p(&target);
    for (const auto& [section, e] : data->Elements()) {
      for (int frame = 1; frame <= qMin(e->FrameCount(), 4); ++frame)
        DrawSkinImage(p, QRect(1, 1, 88, 58), e->Bitmap, false, e->Tile == 1, e->Trans == 1, e->FrameCount(), frame,
                      e->Margins());
    }
  }
}

TEST(SkinParser, ToolbarGradientOfASaturatedWindowColour) {
  // The window colour is the top border's pixel a third into its first frame (10, 10).
  QImage top(30, 60, QImage::Format_RGB32);
  top.fill(qRgb(1, 2, 3));
  top.setPixel(10, 10, qRgb(40, 80, 200));
  const auto data = SkinBuilder()
                        .ini("[Personality]\r\nTop=t.bmp\r\nTopFrame=2\r\n[Colours]\r\nButtonFace=230 230 230\r\n")
                        .image("t.bmp", top)
                        .parse();
  const TColor c = RGBColor(40, 80, 200);
  EXPECT_EQ(data->Colour(scWindow), c);
  const int s = ColorSaturation(c);
  ASSERT_GT(s, 110);
  EXPECT_EQ(data->Toolbar->Bitmap.pixel(0, 39), ToQRgb(BlendColor(c, clWhite, (225 - s) * 25 / 140 + 50)));
}

TEST(CaptionButtons, RecordsFromTheButtonSections) {
  const auto data =
      SkinBuilder()
          .ini("[Buttons]\r\n[Button.Radio]\r\n[BUTTON.CHECKBOX]\r\n[Button]\r\n[NotAButton]\r\nAction=0\r\n"
               "[Button.Close]\r\nAction=0\r\nAlign=1\r\nXcoord=25\r\nYcoord=5\r\nButtonImage=six.bmp\r\n"
               "[Button.Help]\r\nAction=4\r\nXcoord=1\r\nYcoord=1\r\nButtonImage=three.bmp\r\n"
               "[Button.Max]\r\nAction=1\r\nAlign=1\r\nXcoord=49\r\nYcoord=5\r\nVisibility=2\r\nVisibility1=6\r\n"
               "ButtonImage=six.bmp\r\nCombineOp=2\r\n"
               "[Button.Help2]\r\nAction=4\r\nXcoord=1\r\nYcoord=1\r\n"
               "[Button.Gone]\r\nAction=-1\r\nVisibility=3\r\n"
               "[Button.Kept]\r\nAction=-1\r\nVisibility=0\r\nButtonImage=three.bmp\r\n"
               "[Button.Sys]\r\nAction=3\r\nXcoord=8\r\nYcoord=7\r\nButtonImage=three.bmp\r\n"
               "[Button.Given]\r\nAction=2\r\nframe=2\r\nButtonImage=six.bmp\r\n"
               "[MDICONTROLS]\r\nImage=mdi.bmp\r\n")
          .image("six.bmp", stripImage(6, 18, 18))
          .image("three.bmp", stripImage(3, 18, 18))
          .image("mdi.bmp", stripImage(12, 13, 13))
          .parse();
  ASSERT_TRUE(data);
  const auto& r = data->SysButtons;
  ASSERT_EQ(r.size(), 7u + 3u);
  QStringList names;
  for (const auto& b : r) names << b->Name;
  EXPECT_EQ(names.mid(0, 7), QStringList({"BUTTON.CLOSE", "BUTTON.HELP", "BUTTON.MAX", "BUTTON.HELP2", "BUTTON.KEPT",
                                          "BUTTON.SYS", "BUTTON.GIVEN"}));
  // Per record: Action, Align, Xcoord, Ycoord, Visibility1, CombineOp, Frame. Frames: 108 x 18
  // is wider than 3.8 : 1 (6), 54 x 18 exactly 3 : 1 (3), no image 6, given 2. A help button
  // before any maximise button keeps its own place; after one, it moves there. Action -1
  // stays only with Visibility 0 and gets Visibility1 -1. The system-menu button shows the
  // window icon: its image is dropped.
  const std::vector<std::vector<int>> want = {{0, 1, 25, 5, 0, -1, 6}, {4, 0, 1, 1, 0, -1, 3},  {1, 1, 49, 5, 6, 2, 6},
                                              {4, 0, 49, 5, 0, -1, 6}, {-1, 0, 0, 0, -1, -1, 6}, {3, 0, 8, 7, 0, -1, 3},
                                              {2, 0, 0, 0, 0, -1, 2}};
  for (int i = 0; i < 7; ++i) {
    const TDataSkinSysButton& b = *r[i];
    EXPECT_EQ(std::vector<int>({b.Action, b.Align, b.Xcoord, b.Ycoord, b.Visibility1, b.CombineOp, b.Frame}), want[i])
        << b.Name.toStdString();
  }
  EXPECT_TRUE(r[4]->HasImage());
  EXPECT_FALSE(r[5]->HasImage());
  // MDI records: 156 / 12 = 13 wide frames, four per record.
  for (int j = 0; j < 3; ++j) {
    const TDataSkinSysButton& m = *r[7 + j];
    EXPECT_EQ(m.Action, 7 + j);
    EXPECT_EQ(m.Bitmap.size(), QSize(52, 13));
    EXPECT_EQ(m.Xcoord, (3 - j) * 17);
    EXPECT_EQ(qRed(m.Bitmap.pixel(0, 0)), (4 * j + 1) * 10);
    EXPECT_EQ(m.Frame, 4);
  }
}

TEST(SkinComponent, LoadsReplacesWholeAndKeepsTheOldSkinOnFailure) {
  TSXSkin skin;
  EXPECT_TRUE(skin.SkinLoading());
  EXPECT_FALSE(skin.Data());
  EXPECT_FALSE(skin.LoadSkin());  // no package
  EXPECT_TRUE(skin.SkinLoading());
  skin.SetSkinStream(SkinBuilder().ini("[TitlebarSkin]\r\nSkinName=First\r\n").package());
  ASSERT_TRUE(skin.LoadSkin());
  EXPECT_FALSE(skin.SkinLoading());
  const std::shared_ptr<const TSkinData> first = skin.Data();
  EXPECT_EQ(first->SkinName, "First");
  QByteArray broken = SkinBuilder().ini("[TitlebarSkin]\r\nSkinName=Second\r\n").package();
  broken.truncate(broken.size() / 2);
  skin.SetSkinStream(broken);
  QLoggingCategory::setFilterRules(QStringLiteral("orvane.skin.*.warning=false"));
  EXPECT_FALSE(skin.LoadSkin());
  QLoggingCategory::setFilterRules(QString());
  EXPECT_FALSE(skin.SkinLoading());  // a complete skin is still held
  EXPECT_EQ(skin.Data(), first);  // the previous skin stays
  skin.SetSkinStream(SkinBuilder().ini("[TitlebarSkin]\r\nSkinName=Third\r\n").package());
  ASSERT_TRUE(skin.LoadSkin());
  EXPECT_EQ(skin.Data()->SkinName, "Third");
  EXPECT_EQ(first->SkinName, "First");  // a painter holding the old data still has all of it
}

TEST(DefaultSkin, TheBuildPackedTheSourcesDeterministically) {
  orvane::skinpack::SkinFolder folder;
  ASSERT_TRUE(folder.Read(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default")));
  ASSERT_TRUE(folder.Pack()) << folder.errors().join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(folder.warnings().isEmpty()) << folder.warnings().join(QLatin1Char('\n')).toStdString();
  const QByteArray embedded = DefaultSkinPackage();
  ASSERT_FALSE(embedded.isEmpty());
  EXPECT_TRUE(folder.package() == embedded);
  TSkinReader reader;
  ASSERT_TRUE(reader.Load(embedded));
  EXPECT_EQ(reader.version(), 70000u);
  EXPECT_EQ(reader.count(), folder.entries().size());
  QByteArray bytes;
  EXPECT_EQ(reader.FindEntry(QStringLiteral(".ini"), bytes), QStringLiteral("slate.ini"));
}

TEST(DefaultSkin, EveryElementIsPresentAndWellFormed) {
  const auto skin = LoadedDefaultSkin();
  ASSERT_TRUE(skin);
  const auto data = skin->Data();
  EXPECT_EQ(data->SkinName, "Slate");
  for (const auto& [section, e] : data->Elements()) {
    EXPECT_TRUE(e->HasImage()) << section.toStdString();
    EXPECT_GE(e->Frame, 1) << section.toStdString();
  }
  EXPECT_EQ(data->Elements().size(), 38u);  // all of them: none of the optional ones is missing
  for (size_t slot = 0; slot < data->Colours.size(); ++slot) {
    if (slot == 9 || slot == 10 || slot == scWindow) continue;
    EXPECT_TRUE(data->ColourGiven[slot]) << slot;
  }
  // The frame: 4-pixel sides and bottom, a 30-pixel title bar; rounded top corners.
  const TDataSkinBorder& left = data->Border(bsLeft);
  const TDataSkinBorder& top = data->Border(bsTop);
  const TDataSkinBorder& bottom = data->Border(bsBottom);
  EXPECT_EQ(std::vector<int>({left.Bitmap.width() / left.FrameCount(), top.Bitmap.height() / top.FrameCount(),
                              bottom.Bitmap.height() / bottom.FrameCount(), data->Border(bsRight).Bitmap.width() / 2,
                              left.Trans, bottom.Trans}),
            std::vector<int>({4, 30, 4, 4, 1, 0}));
  EXPECT_TRUE(IsKeyPixel(left.Bitmap.pixel(0, 0)));
  // The window colour is the title bar's, saturated: the tool-bar gradient turns light blue.
  const TColor window = data->Colour(scWindow);
  EXPECT_GT(BlueOf(window), RedOf(window) + 50);
  EXPECT_EQ(data->Toolbar->Bitmap.size(), QSize(10, 40));
  // Buttons, check boxes and radio buttons.
  EXPECT_EQ(std::vector<int>({data->Buttons->Bitmap.width() % 5, data->Buttons->CheckButtonFrame,
                              data->Buttons->RadioButtonFrame, data->Buttons->CheckBitmap.width(), data->Title->TXTBackleft}),
            std::vector<int>({0, 12, 8, 12 * 13, 8}));
  EXPECT_EQ(data->Title->ActiveText, RGBColor(255, 255, 255));
  // Caption buttons: close, maximise, restore, minimise, help, system menu, then MDI.
  const auto& r = data->SysButtons;
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(r[0]->Name, "BUTTON.CLOSE");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r[i]->Frame, 6) << i;
    EXPECT_EQ(r[i]->Bitmap.size(), QSize(126, 18)) << i;
  }
  EXPECT_EQ(std::vector<int>({r[4]->Action, r[4]->Xcoord, r[5]->Action}),
            std::vector<int>({4, 50, 3}));  // the help button takes the maximise button's place
  EXPECT_FALSE(r[5]->HasImage());
  for (int j = 0; j < 3; ++j) {
    EXPECT_EQ(r[6 + j]->Bitmap.size(), QSize(64, 14));
    EXPECT_EQ(r[6 + j]->Xcoord, (3 - j) * 20);
  }
  // Derived: the combo image and its arrow strip; the tracks come from the description.
  EXPECT_EQ(data->ComboButton->Style, 2);
  EXPECT_EQ(std::pair(data->ComboButton->Bitmap.size(), data->ComboxArrow->Bitmap.size()), std::pair(QSize(200, 21), QSize(68, 17)));
  EXPECT_EQ(data->Track->Name + data->TrackVert->Name, "TrackTRACKVERT");
  EXPECT_EQ(data->Scrollbar->Bitmap.width(), 23 * data->Scrollbar->Bitmap.height());
  EXPECT_EQ(data->UpDownVert->Bitmap2.width() % 8, 0);
  EXPECT_EQ(data->ExtraColours.size(), 2);
  // Elements drawn opaque would show the key colour: their images must not hold any.
  auto keyPixels = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += IsKeyPixel(image.pixel(x, y));
    return n;
  };
  for (const auto& [section, e] : data->Elements()) {
    if (e->Trans != 0 || section == QLatin1String("Personality/TextBack") || section == QLatin1String("ComboxArrow") ||
        section == QLatin1String("Toolbar")) {
      continue;
    }
    EXPECT_EQ(keyPixels(e->Bitmap), 0) << section.toStdString();
  }
  EXPECT_EQ(keyPixels(data->Tabs->Bitmap2), 0);  // the page frame is drawn opaque
  EXPECT_EQ(keyPixels(data->Track->Bitmap), 0);
}
