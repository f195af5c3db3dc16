// Colour arithmetic, system colours, every frame style's pixels and the parent image.
#include <QPainter>
#include <cstdlib>
#include <functional>

#include "controls/flatGrafx.h"
#include "controlstest.h"

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

TEST(ColourArithmetic, HslOfEdgeColours) {
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
    SCOPED_TRACE(::testing::Message() << std::hex << row.c.Value());
    const HSL x = Hsl(row.c);
    EXPECT_EQ(x.h, row.h);
    EXPECT_EQ(x.s, row.s);
    EXPECT_EQ(x.l, row.l);
    EXPECT_EQ(ColorHue(row.c), row.h);
  }
}

TEST(ColourArithmetic, HslToColourEdges) {
  EXPECT_EQ(HSLToColor(0, 0, 0), clBlack);
  for (int h = 0; h <= 255; h += 17) EXPECT_EQ(HSLToColor(h, 0, 240), clWhite) << h;
  for (int s : {60, 240})
    for (int l : {60, 120, 200}) EXPECT_EQ(HSLToColor(239, s, l), HSLToColor(0, s, l)) << s << " " << l;
  EXPECT_EQ(HSLToColor(0, 240, 120), Rgb3(255, 0, 0));
  EXPECT_EQ(HSLToColor(80, 240, 120), Rgb3(0, 255, 2));  // the hue divides by 239: a little past green
  EXPECT_EQ(HSLToColor(30, 200, 255), clWhite);          // luminance above 240 clips to white
}

TEST(ColourArithmetic, RoundTripOverAColourGrid) {
  // Luminance keeps 241 levels of 256 and the way back divides the hue by 239, not 240: a
  // colour comes back within 9 per channel, a grey within 1 and still grey.
  int worst = 0;
  for (int r = 0; r <= 255; r += 15)
    for (int g = 0; g <= 255; g += 15)
      for (int b = 0; b <= 255; b += 15) {
        const HSL x = Hsl(Rgb3(r, g, b));
        const TColor back = HSLToColor(x.h, x.s, x.l);
        worst = std::max({worst, std::abs(back.R() - r), std::abs(back.G() - g), std::abs(back.B() - b)});
        if (r == g && g == b) {
          EXPECT_LE(std::abs(back.R() - r), 1) << r;
          EXPECT_TRUE(back.R() == back.G() && back.G() == back.B()) << r;
        }
      }
  EXPECT_LE(worst, 9);
  EXPECT_GT(worst, 0);
}

TEST(ColourArithmetic, DarkerLighterBlendContrast) {
  for (TColor c : {Rgb3(255, 0, 0), Rgb3(12, 200, 99), clWhite, clBlack, Rgb3(128, 128, 128)}) {
    EXPECT_EQ(DarkerColor(c, 255), clBlack);
    EXPECT_EQ(LighterColor(c, 255), clWhite);
  }
  EXPECT_EQ(DarkerColor(Rgb3(255, 0, 0), 30), Rgb3(191, 0, 0));
  EXPECT_EQ(LighterColor(Rgb3(255, 0, 0), 60), Rgb3(255, 128, 128));

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

TEST(ColourValues, SystemColoursLayoutAndDesktopFacts) {
  TestPalette palette;
  const std::pair<TColor, TColor> rows[] = {
      {clBtnFace, TColor::FromQColor(Colours::face())},     {clBtnShadow, TColor::FromQColor(Colours::shadow())},
      {cl3DDkShadow, TColor::FromQColor(Colours::dkShadow())}, {clHighlight, TColor::FromQColor(Colours::select())},
      {clBackground, TColor(0xA56E3A)},  // no role: the classic scheme
      {TColor(0xFF0000FFu), clBlack},    // unknown index
      {clNone, clNone},                  {Rgb3(1, 2, 3), Rgb3(1, 2, 3)}};
  for (const auto& [in, out] : rows) EXPECT_EQ(ColorToRGB(in), out) << std::hex << in.Value();
  EXPECT_EQ(Rgb3(0x12, 0x34, 0x56).Value(), 0x563412u);
  EXPECT_TRUE(clBtnFace.IsSystem());
  EXPECT_FALSE(clNone.IsSystem());
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(IntMax(-3, 2), 2);
  for (const auto& [name, scheme] : {std::pair{"homestead", 1}, {"Metallic", 2}, {"NormalColor", 0}, {"", 0}})
    EXPECT_EQ(XPColorSchemeFromName(name), scheme) << name;
  EXPECT_EQ(GetXPColorScheme(), 0);
  FlatColorsInit();
  EXPECT_EQ(XPColorScheme, 0);
  EXPECT_EQ(HighColorDisplay, IsHighColorDisplay());
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

TEST(ParentImage, CopiesTheParentsPixelsUnderTheControl) {
  PatternParent parent(77);
  parent.resize(60, 40);
  QWidget child(&parent);
  QWidget sibling(&parent);  // siblings are not part of the parent's own image
  sibling.setGeometry(12, 6, 4, 4);
  sibling.setAutoFillBackground(true);
  QWidget orphan;
  orphan.resize(5, 5);
  auto paint = [](QWidget* w) {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    PaintParentImage(w, p);
    return image;
  };
  child.setGeometry(10, 5, 20, 10);
  QImage image = paint(&child);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(image.pixel(x, y), qRgb(10 + x, 5 + y, 77)) << x << "," << y;
  // Hanging over the parent's left edge: only the part over the parent is painted.
  child.setGeometry(-5, 0, 20, 10);
  image = paint(&child);
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(5, 3), qRgb(0, 3, 77));
  EXPECT_EQ(paint(&orphan).pixel(2, 2), qRgb(0, 0, 0));  // no parent: nothing
}

}  // namespace
}  // namespace controls_test
