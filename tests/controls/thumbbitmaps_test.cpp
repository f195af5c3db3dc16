// The thumb resources (names, sizes, mask convention, key colours) and their recolouring.
#include <QSet>

#include "controls/flatGrafx.h"
#include "controls/thumbbitmaps.h"
#include "controlstest.h"

namespace controls_test {
namespace {

const QList<QRgb> kKeyColours = {qRgb(192, 192, 192), qRgb(128, 128, 128), qRgb(128, 128, 0), qRgb(255, 255, 0),
                                 qRgb(0, 128, 0),     qRgb(0, 0, 255),     qRgb(0, 0, 128),   qRgb(0, 255, 255),
                                 qRgb(255, 0, 0),     qRgb(128, 0, 0),     qRgb(255, 0, 255), qRgb(0, 128, 128),
                                 qRgb(128, 0, 128),   qRgb(0, 255, 0)};

QImage Raw(const QString& name) { return QImage(QStringLiteral(":/controls/%1.xpm").arg(name)); }

struct Kind {
  TThumbStyle style;
  TPointerType pointer;
  QSize horizontal;
  bool keyed;
};

TEST(ThumbResources, EveryImageExistsWithItsSizeAndMaskConvention) {
  const std::vector<Kind> kinds = {
      {tsBox, ptStandard, QSize(11, 21), true},      {tsMixer, ptStandard, QSize(21, 16), true},
      {tsFlat, ptStandard, QSize(10, 20), true},     {tsPointer, ptStandard, QSize(11, 21), true},
      {tsPointer, ptWin95, QSize(11, 21), true},     {tsXPPointer, ptStandard, QSize(11, 21), false},
      {tsXPBox, ptStandard, QSize(11, 21), false},
  };
  QSet<QString> names;
  for (const Kind& k : kinds) {
    for (TOrientation o : {orHorizontal, orVertical}) {
      const QSize size = o == orHorizontal ? k.horizontal : k.horizontal.transposed();
      const QString maskName = ThumbBitmaps::ResourceName(k.style, k.pointer, o, ThumbBitmaps::stMask);
      const QImage mask = Raw(maskName);
      ASSERT_FALSE(mask.isNull()) << maskName.toStdString();
      EXPECT_EQ(mask.size(), size) << maskName.toStdString();
      names.insert(maskName);
      for (QRgb c : mask.colorTable()) EXPECT_TRUE(c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255));
      for (auto state : {ThumbBitmaps::stNormal, ThumbBitmaps::stHot, ThumbBitmaps::stDisabled}) {
        const QString name = ThumbBitmaps::ResourceName(k.style, k.pointer, o, state);
        names.insert(name);
        const QImage image = Raw(name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.size(), size) << name.toStdString();
        if (k.keyed) {
          for (QRgb c : image.colorTable())
            EXPECT_TRUE(kKeyColours.contains(c) || c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255))
                << name.toStdString() << " " << QColor(c).name().toStdString();
        }
        // Black outside the thumb, so OR leaves the background alone there.
        for (int y = 0; y < size.height(); ++y)
          for (int x = 0; x < size.width(); ++x)
            if (mask.pixel(x, y) == qRgb(255, 255, 255)) {
              ASSERT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << name.toStdString() << " " << x << "," << y;
            }
      }
    }
  }
  // The vertical Windows 95 pointer is the vertical pointer: 7 kinds, 13 image sets, 52 names.
  EXPECT_EQ(names.size(), 52);
  EXPECT_EQ(ThumbBitmaps::ResourceName(tsPointer, ptWin95, orHorizontal, ThumbBitmaps::stHot), "QXTRKBAR_WIN95_HOT");
  EXPECT_EQ(ThumbBitmaps::ResourceName(tsPointer, ptWin95, orVertical, ThumbBitmaps::stNormal), "QXTRKBAR_V_PTR");
  EXPECT_EQ(ThumbBitmaps::ResourceName(tsBox, ptStandard, orVertical, ThumbBitmaps::stMask), "QXTRKBAR_V_BOX_MASK");
  EXPECT_TRUE(ThumbBitmaps::ResourceName(tsCustom, ptStandard, orHorizontal, ThumbBitmaps::stNormal).isEmpty());
  EXPECT_FALSE(Raw("QXTRKBAR_H_CURSOR").isNull());
  EXPECT_FALSE(Raw("QXTRKBAR_V_CURSOR").isNull());
}

TEST(ThumbRemap, FourteenRowsWithHighlightPlusOneAndHotColours) {
  TestPalette palette;
  const TColor hot(0x00149BF0), highlight = TColor::FromRGB(10, 20, 30);
  auto rgb = [](TColor c) {
    const TColor r = ColorToRGB(c);
    return qRgb(r.R(), r.G(), r.B());
  };
  auto t = ThumbBitmaps::MakeRemapTable(highlight, hot, htctActual);
  // System colours come through the palette; the highlight is its value plus one; shades 30
  // lighter or darker; white blended with the hot colour.
  const QRgb rows[14] = {Colours::face().rgb(),           Colours::shadow().rgb(),
                         Colours::dkShadow().rgb(),       Colours::light().rgb(),
                         rgb(LighterColor(clBtnShadow, 30)), qRgb(11, 20, 30),
                         rgb(DarkerColor(highlight, 30)), rgb(LighterColor(highlight, 30)),
                         qRgb(240, 155, 20),              qRgb(240, 155, 20),
                         qRgb(251, 230, 195),             Colours::shadow().rgb(),
                         rgb(DarkerColor(clBtnShadow, 30)), rgb(LighterColor(clBtnShadow, 30))};
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(t[i].OldColour, kKeyColours[i]) << i;
    EXPECT_EQ(t[i].NewColour, rows[i]) << i;
  }
  // The "+1" carries: a red channel of 255 into green, white out of the colour altogether;
  // the system highlight is resolved first.
  for (auto [h, want] : {std::pair{TColor::FromRGB(255, 7, 128), qRgb(0, 8, 128)}, {clWhite, qRgb(0, 0, 0)},
                                 {clHighlight, qRgb(41, 90, 200)}})
    EXPECT_EQ(ThumbBitmaps::MakeRemapTable(h, hot, htctActual)[5].NewColour, want);
  // The complement at luminance 140, and its shades 15 and 30 darker.
  t = ThumbBitmaps::MakeRemapTable(highlight, hot, htctComplement);
  const TColor c = ContrastColor(hot, 140);
  EXPECT_EQ(t[8].NewColour, rgb(DarkerColor(c, 15)));
  EXPECT_EQ(t[9].NewColour, rgb(DarkerColor(c, 30)));
  EXPECT_EQ(t[10].NewColour, rgb(c));
}

TEST(ThumbRemap, ReplacesKeyEntriesOnlyAndLoadRecoloursButNotMasksOrXpImages) {
  TestPalette palette;
  const auto table = ThumbBitmaps::MakeRemapTable(TColor::FromRGB(10, 20, 30), TColor(0x00149BF0), htctActual);
  QImage indexed(17, 1, QImage::Format_Indexed8);
  QList<QRgb> colours = kKeyColours;
  colours << qRgb(0, 0, 0) << qRgb(255, 255, 255) << qRgb(1, 2, 3);
  indexed.setColorTable(colours);
  for (int i = 0; i < 17; ++i) indexed.setPixel(i, 0, uint(i));
  QImage rgb32 = indexed.convertToFormat(QImage::Format_RGB32);
  ThumbBitmaps::Remap(indexed, table);
  ThumbBitmaps::Remap(rgb32, table);
  for (int i = 0; i < 17; ++i) {
    const QRgb want = i < 14 ? table[i].NewColour : colours[i];
    EXPECT_EQ(indexed.color(i), want) << i;
    EXPECT_EQ(rgb32.pixel(i, 0), want) << i;
  }

  const ThumbBitmaps mixer = ThumbBitmaps::Load(tsMixer, ptStandard, orHorizontal, table);
  EXPECT_EQ(mixer.Normal.format(), QImage::Format_RGB32);
  QSet<QRgb> normal, hot;
  for (int y = 0; y < mixer.Normal.height(); ++y)
    for (int x = 0; x < mixer.Normal.width(); ++x) {
      normal.insert(mixer.Normal.pixel(x, y));
      hot.insert(mixer.Hot.pixel(x, y));
      EXPECT_TRUE(mixer.Mask.pixel(x, y) == qRgb(0, 0, 0) || mixer.Mask.pixel(x, y) == qRgb(255, 255, 255));
    }
  EXPECT_TRUE(normal.contains(qRgb(11, 20, 30)));  // the grip in the highlight
  EXPECT_TRUE(normal.contains(Colours::face().rgb()));
  EXPECT_FALSE(normal.contains(qRgb(192, 192, 192)));
  EXPECT_TRUE(hot.contains(qRgb(240, 155, 20)));
  const ThumbBitmaps xp = ThumbBitmaps::Load(tsXPPointer, ptStandard, orVertical, table);
  EXPECT_EQ(xp.Normal, Raw("QXTRKBAR_V_XPPTR").convertToFormat(QImage::Format_RGB32));
}

TEST(ThumbRemap, CustomThumbIsThreeFrames) {
  QImage custom(30, 7, QImage::Format_RGB32);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 30; ++x) custom.setPixel(x, y, qRgb(x / 10 * 100, y, x % 10));
  const ThumbBitmaps t = ThumbBitmaps::FromCustom(custom);
  EXPECT_EQ(t.Normal.size(), QSize(10, 7));
  EXPECT_EQ(t.Normal, t.Hot);
  EXPECT_EQ(t.Normal.pixel(3, 2), qRgb(0, 2, 3));
  EXPECT_EQ(t.Mask.pixel(3, 2), qRgb(100, 2, 3));
  EXPECT_EQ(t.Disabled.pixel(3, 2), qRgb(200, 2, 3));
  EXPECT_TRUE(ThumbBitmaps::FromCustom(QImage(2, 5, QImage::Format_RGB32)).Normal.isNull());
  // On the bar: a 30-pixel custom thumb is a 10-pixel thumb, and the style switches to custom.
  ProbeBar bar(tsMixer);
  bar.SetCustomThumb(custom);
  EXPECT_EQ(bar.ThumbStyle(), tsCustom);
  EXPECT_EQ(std::vector<int>({bar.ThumbLength, bar.ThumbBreadth, bar.TrackWidth()}),
            std::vector<int>({10, 7, 6}));  // no track-width rule for the custom image
  EXPECT_EQ(bar.Thumbs.Hot, bar.Thumbs.Normal);
}

}  // namespace
}  // namespace controls_test
