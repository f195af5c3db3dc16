// Image and colour routines on small asymmetric images, the colour mixes and the gradient.
#include <gtest/gtest.h>

#include <QPainter>

#include "skin/imgutil.h"
#include "tests/skin/skintestdata.h"

using namespace orvane::skin;
using namespace skin_testing;

namespace {

// A 3 x 2 image whose six pixels all differ.
QImage asymmetric() {
  QImage image(3, 2, QImage::Format_RGB32);
  const QRgb colours[2][3] = {{qRgb(1, 0, 0), qRgb(2, 0, 0), qRgb(3, 0, 0)}, {qRgb(4, 0, 0), qRgb(5, 0, 0), qRgb(6, 0, 0)}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) image.setPixel(x, y, colours[y][x]);
  return ToSkinImage(image);
}

int red(const QImage& image, int x, int y) { return qRed(image.pixel(x, y)); }

}  // namespace

// One row of pixels.
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
  // A bitmap in another format is converted first.
  QImage plain = solid(2, 2, kMagenta);
  ReplaceKeyColour(plain, RGBColor(1, 2, 3));
  EXPECT_EQ(plain.format(), SkinImageFormat);
  EXPECT_EQ(plain.pixel(1, 1), qRgb(1, 2, 3));
}

TEST(ImgUtil, MirrorFlipAndQuarterTurns) {
  // Each image as its rows of red values.
  auto reds = [](const QImage& image) {
    std::vector<int> out;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) out.push_back(red(image, x, y));
    return out;
  };
  QImage m = asymmetric();
  MirrorHorz(m);
  EXPECT_EQ(reds(m), std::vector<int>({3, 2, 1, 6, 5, 4}));

  // Frame by frame: 1 2 3 | 4 5 6 as two frames of three becomes 3 2 1 | 6 5 4.
  QImage frames(6, 1, QImage::Format_RGB32);
  for (int x = 0; x < 6; ++x) frames.setPixel(x, 0, qRgb(x + 1, 0, 0));
  MirrorFramesHorz(frames, 2);
  EXPECT_EQ(reds(frames), std::vector<int>({3, 2, 1, 6, 5, 4}));
  QImage f = asymmetric();
  FlipVert(f);
  EXPECT_EQ(reds(f), std::vector<int>({4, 5, 6, 1, 2, 3}));
  // Anticlockwise: the top row 1 2 3 becomes the left column read upwards.
  QImage l = asymmetric();
  RotateLeft(l);
  ASSERT_EQ(l.size(), QSize(2, 3));
  EXPECT_EQ(reds(l), std::vector<int>({3, 6, 2, 5, 1, 4}));
  // Clockwise: the left column 1 4 becomes the top row read right to left.
  QImage r = asymmetric();
  RotateRight(r);
  ASSERT_EQ(r.size(), QSize(2, 3));
  EXPECT_EQ(reds(r), std::vector<int>({4, 1, 5, 2, 6, 3}));

  RotateLeft(r);
  EXPECT_EQ(r, asymmetric());
  QImage empty;
  MirrorHorz(empty);
  RotateLeft(empty);
  EXPECT_TRUE(empty.isNull());
}

TEST(ImgUtil, BlendAndSaturation) {
  const TColor c = RGBColor(0, 100, 200);
  // 15 % grey and 85 % c, per mille.
  EXPECT_EQ(BlendColor(0x808080, c, 150), RGBColor(19, 104, 189));
  // 60 % c and 40 % white, per cent.
  EXPECT_EQ(BlendColor(c, clWhite, 60), RGBColor(102, 162, 222));
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
  ASSERT_EQ(one.size(), 1);
  EXPECT_EQ(one[0], RGBColor(128, 128, 128));
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

  // Sixteen other tables push the first one out.
  for (int n = 100; n < 116; ++n) GradientColourTable(n, clWhite, clBlack);
  GradientColourTable(40, clWhite, clBlack, &cached);
  EXPECT_FALSE(cached);
}

TEST(ImgUtil, GradientFillPaintsBandsInsideTheVisibleArea) {
  QImage image(10, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    GradientFill(p, QRect(0, 0, 10, 40), clWhite, 1, clBlack);
  }
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(9, 39), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(5, 20), image.pixel(0, 20));

  QImage columns(8, 2, QImage::Format_ARGB32_Premultiplied);
  columns.fill(Qt::transparent);
  {
    QPainter p(&columns);
    p.setClipRect(QRect(2, 0, 3, 2));
    GradientFill(p, QRect(0, 0, 8, 2), RGBColor(0, 0, 0), 0, RGBColor(70, 0, 0));
  }
  // Only the clip box (x 2..4) is painted.
  EXPECT_EQ(PixelsOf(columns), (std::vector<QRgb>{0, 0, qRgb(20, 0, 0), qRgb(30, 0, 0), qRgb(40, 0, 0), 0, 0, 0}));

  // Nothing visible, nothing painted; a zero-height rectangle is ignored.
  QImage untouched(4, 4, QImage::Format_ARGB32_Premultiplied);
  untouched.fill(Qt::transparent);
  {
    QPainter p(&untouched);
    GradientFill(p, QRect(10, 10, 4, 4), clWhite, 1, clBlack);
    GradientFill(p, QRect(0, 0, 4, 0), clWhite, 1, clBlack);
  }
  EXPECT_EQ(untouched.pixel(0, 0), 0u);
}
