// Colour routines (rows worked out from the rules), system colours, every frame style's
// pixels, the parent image, and the thumb resources and their recolouring.
#include <gtest/gtest.h>

#include <QPainter>
#include <QSet>
#include <array>
#include <cstdlib>
#include <functional>
#include <utility>

#include "controls/flatGrafx.h"
#include "controls/thumbbitmaps.h"
#include "controlstest.h"

using namespace orvane::controls;

namespace controls_test {
namespace {

struct HSL {
  int h, s, l;
};
HSL Hsl(TColor c) {
  std::uint8_t h, s, l;
  ColorToHSL(c, h, s, l);
  return {h, s, l};
}
TColor Rgb3(int r, int g, int b) { return TColor::FromRGB(r, g, b); }

TEST(ColourArithmetic, HslEdgesBothWays) {
  // Greys have hue and saturation 0 and luminance v * 240 / 255.
  const struct {
    TColor c;
    int h, s, l;
  } rows[] = {{Rgb3(255, 0, 0), 0, 240, 120},   {clWhite, 0, 0, 240},           {Rgb3(0, 0, 0), 0, 0, 0},
              {Rgb3(1, 1, 1), 0, 0, 1},          {Rgb3(127, 127, 127), 0, 0, 120}, {Rgb3(128, 128, 128), 0, 0, 120},
              {Rgb3(200, 200, 200), 0, 0, 188},  {Rgb3(254, 254, 254), 0, 0, 239}, {Rgb3(0, 255, 0), 80, 240, 120},
              {Rgb3(0, 0, 255), 160, 240, 120},  {Rgb3(0, 255, 128), 100, 240, 120}, {Rgb3(0, 255, 255), 120, 240, 120},
              {Rgb3(255, 0, 1), 240, 240, 120}};  // just short of a full turn rounds up to 240
  for (const auto& row : rows) {
    const HSL x = Hsl(row.c);
    EXPECT_EQ(std::vector<int>({x.h, x.s, x.l, ColorHue(row.c)}), std::vector<int>({row.h, row.s, row.l, row.h}))
        << std::hex << row.c.Value();
  }
  EXPECT_EQ(HSLToColor(0, 0, 0), clBlack);
  for (int h = 0; h <= 255; h += 17) EXPECT_EQ(HSLToColor(h, 0, 240), clWhite) << h;
  for (int s : {60, 240})
    for (int l : {60, 120, 200}) EXPECT_EQ(HSLToColor(239, s, l), HSLToColor(0, s, l)) << s << " " << l;
  EXPECT_EQ(HSLToColor(0, 240, 120), Rgb3(255, 0, 0));
  EXPECT_EQ(HSLToColor(80, 240, 120), Rgb3(0, 255, 2));  // the hue divides by 239: a little past green
  EXPECT_EQ(HSLToColor(30, 200, 255), clWhite);          // luminance above 240 clips to white
}

TEST(ColourArithmetic, BlendAndContrast) {
  TestPalette palette;
  const TColor face = TColor::FromQColor(Colours::face());
  EXPECT_EQ(BlendColors(clBtnFace, Rgb3(1, 2, 3), 255), face);
  EXPECT_EQ(BlendColors(Rgb3(1, 2, 3), clBtnFace, 0), face);
  // The hot colour's pale variant: weight 190/255 held in single precision.
  EXPECT_EQ(BlendColors(clWhite, TColor(0x00149BF0), 190), Rgb3(251, 230, 195));
  // Hue 100 takes hue 220; hue 120 takes hue 0.
  EXPECT_EQ(ContrastColor(Rgb3(0, 255, 128), 140), HSLToColor(220, 240, 140));
  EXPECT_EQ(ContrastColor(Rgb3(0, 255, 255), 120), Rgb3(255, 0, 0));
}

// ---- frames, drawn on an 8 x 7 image round the rectangle (1, 1, 7, 6) ----

const QColor kBack(1, 2, 3);

QImage DrawOn(const std::function<void(QPainter&)>& draw) {
  QImage image(8, 7, QImage::Format_RGB32);
  image.fill(kBack);
  QPainter p(&image);
  draw(p);
  return image;
}

std::map<char, QColor> Letters() {
  return {{'.', kBack},           {'S', Colours::shadow()}, {'H', Colours::highlight()}, {'D', Colours::dkShadow()},
          {'L', Colours::light()}, {'K', Colours::text()},   {'r', QColor(255, 0, 0)},     {'b', QColor(0, 0, 255)}};
}

// The image against a picture of letters, its rows separated by '|'.
std::string Compare(const QImage& image, const std::string& picture) {
  std::vector<std::string> rows;
  for (size_t at = 0, bar; at <= picture.size(); at = bar + 1) {
    bar = std::min(picture.find('|', at), picture.size());
    rows.push_back(picture.substr(at, bar - at));
  }
  return ComparePicture(image, rows, Letters());
}

const QRect kR = RectLTRB(1, 1, 7, 6);

struct FrameCase {
  TFrameStyle style;
  int sides;
  std::string picture;
  QRect inner;
};

TEST(Frames, EveryStyleDrawsItsPixels) {
  TestPalette palette;
  const std::vector<FrameCase> cases = {
      {fsNone, 15, "........|........|........|........|........|........|........", kR},
      {fsFlat, 15, "........|.DDDDDD.|.D....D.|.D....D.|.D....D.|.DDDDDD.|........", RectLTRB(2, 2, 6, 5)},
      {fsStatus, 15, "........|.SSSSSH.|.S....H.|.S....H.|.S....H.|.HHHHHH.|........", RectLTRB(2, 2, 6, 5)},
      {fsPopup, 15, "........|.HHHHHS.|.H....S.|.H....S.|.H....S.|.SSSSSS.|........", RectLTRB(2, 2, 6, 5)},
      {fsLowered, 15, "........|.SSSSSH.|.SDDDLH.|.SD..LH.|.SLLLLH.|.HHHHHH.|........", RectLTRB(3, 3, 5, 4)},
      {fsRaised, 15, "........|.LLLLLD.|.LHHHSD.|.LH..SD.|.LSSSSD.|.DDDDDD.|........", RectLTRB(3, 3, 5, 4)},
      {fsButtonDown, 15, "........|.KKKKKK.|.KSSSSK.|.KS..SK.|.KSSSSK.|.KKKKKK.|........", RectLTRB(3, 3, 5, 4)},
      {fsButtonUp, 15, "........|.HHHHHD.|.HLLLSD.|.HL..SD.|.HSSSSD.|.DDDDDD.|........", RectLTRB(3, 3, 5, 4)},
      {fsFlatBold, 15, "........|.SSSSSS.|.SSSSSS.|.SS..SS.|.SSSSSS.|.SSSSSS.|........", RectLTRB(3, 3, 5, 4)},
      {fsGroove, 15, "........|.SSSSSH.|.SHHHSH.|.SH..SH.|.SSSSSH.|.HHHHHH.|........", RectLTRB(3, 3, 5, 4)},
      {fsBump, 15, "........|.HHHHHS.|.HSSSHS.|.HS..HS.|.HHHHHS.|.SSSSSS.|........", RectLTRB(3, 3, 5, 4)},
      // Grooves with missing sides: the corner pixels close the open ends.
      {fsGroove, 1 | 2, "........|.SSSSSS.|.SHHHHH.|.SH.....|.SH.....|.SH.....|........", RectLTRB(3, 3, 7, 6)},
      {fsGroove, 4 | 8, "........|.....SH.|.....SH.|.....SH.|.SSSSSH.|.HHHHHH.|........", RectLTRB(1, 1, 5, 4)},
      {fsGroove, 2, "........|.SSSSSS.|.HHHHHH.|........|........|........|........", RectLTRB(1, 3, 7, 6)},
      {fsStatus, 0, "........|........|........|........|........|........|........", kR},
      {fsGroove, 0, "........|........|........|........|........|........|........", kR},
  };
  for (const FrameCase& c : cases) {
    QRect inner;
    const QImage image = DrawOn([&](QPainter& p) { DrawFrameStyle(p, kR, c.style, inner, c.sides); });
    EXPECT_EQ(Compare(image, c.picture), "") << "style " << int(c.style) << " sides " << c.sides;
    EXPECT_EQ(inner, c.inner) << "style " << int(c.style) << " sides " << c.sides;
  }
  QRect inner;
  const QImage all = DrawOn([&](QPainter& p) { DrawFrameStyleAll(p, kR, fsFlat, inner); });
  EXPECT_EQ(Compare(all, cases[1].picture), "");
  // The extended member is not a frame style: nothing drawn, R returned.
  const QImage rounded = DrawOn([&](QPainter& p) { DrawFrameStyle(p, kR, fsFlatRounded, inner, 15); });
  EXPECT_EQ(Compare(rounded, cases[0].picture), "");
  EXPECT_EQ(inner, kR);
}

TEST(Frames, SidesAndBevelsLeaveOutEndPointsAndClNone) {
  QRect inner;
  // Only the bottom-right colour: clNone draws nothing.
  QImage image = DrawOn([&](QPainter& p) { DrawSides(p, kR, clNone, inner, 15, TColor(0xFF0000)); });
  EXPECT_EQ(Compare(image, "........|......b.|......b.|......b.|......b.|.bbbbbb.|........"), "");
  EXPECT_EQ(inner, RectLTRB(2, 2, 6, 5));
  // Left and top only: the lines stop one short of their end points; sides shrink R even
  // when their colour draws nothing.
  image = DrawOn([&](QPainter& p) { DrawSides(p, kR, TColor(0x0000FF), inner, 1 | 2 | 8, clNone); });
  EXPECT_EQ(Compare(image, "........|.rrrrrr.|.r......|.r......|.r......|.r......|........"), "");
  EXPECT_EQ(inner, RectLTRB(2, 2, 7, 5));
  image = DrawOn([&](QPainter& p) { DrawBevel(p, kR, TColor(0x0000FF), inner, 15, 0, TColor(0xFF0000)); });
  EXPECT_EQ(inner, kR);
  image = DrawOn([&](QPainter& p) { DrawBevel(p, kR, TColor(0x0000FF), inner, 15, 2, TColor(0xFF0000)); });
  EXPECT_EQ(Compare(image, "........|.rrrrrb.|.rrrrbb.|.rr..bb.|.rbbbbb.|.bbbbbb.|........"), "");
  EXPECT_EQ(inner, RectLTRB(3, 3, 5, 4));
}

// ---- the parent's image behind a control ----

}  // namespace
}  // namespace controls_test

// Rows worked out by hand from the rules (hue, saturation and luminance in 0..240, halves to the
// even number): every hue sextant, the luminance clip, the black below any luminance, and the
// darker, lighter and contrasting colours at their clamps.
TEST(ColourArithmetic, HslRowsAcrossSextantsAndClamps) {
  using controls_test::Rgb3;
  const struct {
    int r, g, b, h, s, l;
  } toHsl[] = {{10, 200, 30, 84, 217, 99},   {255, 128, 0, 20, 240, 120}, {77, 77, 200, 160, 127, 130},
               {250, 5, 130, 220, 231, 120}, {1, 0, 0, 0, 240, 0},       {128, 64, 0, 20, 240, 60},
               {200, 55, 100, 228, 136, 120}, {3, 2, 1, 20, 120, 2},
               {97, 95, 95, 0, 2, 90}};  // saturation 2.5: the half goes to the even 2
  for (const auto& row : toHsl) {
    const controls_test::HSL x = controls_test::Hsl(Rgb3(row.r, row.g, row.b));
    EXPECT_EQ(std::vector<int>({x.h, x.s, x.l}), std::vector<int>({row.h, row.s, row.l}))
        << row.r << "," << row.g << "," << row.b;
  }
  const struct {
    int h, s, l, r, g, b;
  } toRgb[] = {{20, 240, 120, 255, 128, 0},  {60, 100, 60, 63, 90, 37},    {100, 200, 180, 138, 244, 192},
               {140, 30, 90, 84, 95, 108},   {180, 240, 200, 214, 170, 255}, {220, 120, 30, 48, 16, 31},
               {239, 240, 120, 255, 0, 0},   {255, 240, 120, 255, 102, 0},  {40, 240, 240, 255, 255, 255},
               {0, 0, 1, 1, 1, 1},           {119, 240, 60, 0, 128, 126},   {120, 240, 60, 0, 126, 128}};
  for (const auto& row : toRgb)
    EXPECT_EQ(HSLToColor(row.h, row.s, row.l), Rgb3(row.r, row.g, row.b))
        << row.h << " " << row.s << " " << row.l;
  // A colour and an amount: darker, lighter and contrasting.
  const struct {
    TColor c;
    int n;
    TColor darker, lighter, contrast;
  } shifted[] = {
      {Rgb3(200, 55, 100), 30, Rgb3(150, 41, 71), Rgb3(214, 105, 135), Rgb3(0, 64, 45)},
      {Rgb3(200, 55, 100), 255, Rgb3(0, 0, 0), Rgb3(255, 255, 255), Rgb3(255, 255, 255)},
      {Rgb3(10, 200, 30), 120, Rgb3(0, 0, 0), Rgb3(213, 253, 217), Rgb3(255, 0, 224)},
      {Rgb3(0, 0, 0), 7, Rgb3(0, 0, 0), Rgb3(7, 7, 7), Rgb3(0, 15, 15)},
      {Rgb3(255, 255, 255), 1, Rgb3(254, 254, 254), Rgb3(255, 255, 255), Rgb3(0, 2, 2)},
      {Rgb3(77, 77, 200), 120, Rgb3(5, 5, 16), Rgb3(255, 255, 255), Rgb3(254, 255, 0)}};
  for (const auto& row : shifted) {
    const std::vector<TColor> got = {DarkerColor(row.c, row.n), LighterColor(row.c, row.n),
                                     ContrastColor(row.c, row.n)};
    EXPECT_EQ(got, std::vector<TColor>({row.darker, row.lighter, row.contrast}))
        << std::hex << row.c.Value() << " " << row.n;
  }
}

namespace controls_test {
namespace {

const QList<QRgb> kKeyColours = {qRgb(192, 192, 192), qRgb(128, 128, 128), qRgb(128, 128, 0), qRgb(255, 255, 0),
                                 qRgb(0, 128, 0),     qRgb(0, 0, 255),     qRgb(0, 0, 128),   qRgb(0, 255, 255),
                                 qRgb(255, 0, 0),     qRgb(128, 0, 0),     qRgb(255, 0, 255), qRgb(0, 128, 128),
                                 qRgb(128, 0, 128),   qRgb(0, 255, 0)};

QImage Raw(const QString& name) { return QImage(QStringLiteral(":/controls/%1.xpm").arg(name)); }

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

}  // namespace
}  // namespace controls_test
