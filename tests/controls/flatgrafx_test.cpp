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
  const HSL red = Hsl(Rgb3(255, 0, 0));
  EXPECT_EQ(red.h, 0);
  EXPECT_EQ(red.s, 240);
  EXPECT_EQ(red.l, 120);
  const HSL white = Hsl(clWhite);
  EXPECT_EQ(white.h, 0);
  EXPECT_EQ(white.s, 0);
  EXPECT_EQ(white.l, 240);
  for (int v : {0, 1, 127, 128, 200, 254}) {
    const HSL grey = Hsl(Rgb3(v, v, v));
    EXPECT_EQ(grey.h, 0) << v;
    EXPECT_EQ(grey.s, 0) << v;
  }
  EXPECT_EQ(Hsl(Rgb3(128, 128, 128)).l, 120);  // 120.47 rounds down
  EXPECT_EQ(Hsl(Rgb3(0, 255, 0)).h, 80);
  EXPECT_EQ(Hsl(Rgb3(0, 0, 255)).h, 160);
  EXPECT_EQ(ColorHue(Rgb3(255, 0, 1)), 240);  // just short of a full turn rounds up to 240
  EXPECT_EQ(ColorHue(Rgb3(0, 255, 128)), 100);
  EXPECT_EQ(ColorHue(Rgb3(0, 255, 255)), 120);
}

TEST(ColourArithmetic, HslToColourEdges) {
  EXPECT_EQ(HSLToColor(0, 0, 0), clBlack);
  for (int h = 0; h <= 255; h += 17) EXPECT_EQ(HSLToColor(h, 0, 240), clWhite) << h;
  for (int s : {60, 240})
    for (int l : {60, 120, 200}) EXPECT_EQ(HSLToColor(239, s, l), HSLToColor(0, s, l)) << s << " " << l;
  EXPECT_EQ(HSLToColor(0, 240, 120), Rgb3(255, 0, 0));
  // The hue divides by 239: hue 80 lands a little past pure green.
  EXPECT_EQ(HSLToColor(80, 240, 120), Rgb3(0, 255, 2));
  // Luminance above 240 clips to white.
  EXPECT_EQ(HSLToColor(30, 200, 255), clWhite);
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

TEST(ColourValues, SystemColoursAndLayout) {
  TestPalette palette;
  EXPECT_EQ(ColorToRGB(clBtnFace), TColor::FromQColor(Colours::face()));
  EXPECT_EQ(ColorToRGB(clBtnShadow), TColor::FromQColor(Colours::shadow()));
  EXPECT_EQ(ColorToRGB(cl3DDkShadow), TColor::FromQColor(Colours::dkShadow()));
  EXPECT_EQ(ColorToRGB(clHighlight), TColor::FromQColor(Colours::select()));
  EXPECT_EQ(ColorToRGB(clBackground), TColor(0xA56E3A));  // no role: the classic scheme
  EXPECT_EQ(ColorToRGB(TColor(0xFF0000FFu)), clBlack);    // unknown index
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(ColorToRGB(Rgb3(1, 2, 3)), Rgb3(1, 2, 3));
  EXPECT_EQ(Rgb3(0x12, 0x34, 0x56).Value(), 0x563412u);
  EXPECT_TRUE(clBtnFace.IsSystem());
  EXPECT_FALSE(clNone.IsSystem());
  EXPECT_EQ(IntMin(-3, 2), -3);
  EXPECT_EQ(IntMax(-3, 2), 2);
}

TEST(ColourValues, DesktopFacts) {
  EXPECT_EQ(XPColorSchemeFromName("homestead"), 1);
  EXPECT_EQ(XPColorSchemeFromName("Metallic"), 2);
  EXPECT_EQ(XPColorSchemeFromName("NormalColor"), 0);
  EXPECT_EQ(XPColorSchemeFromName(""), 0);
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
  return {{'.', kBack},
          {'S', Colours::shadow()},
          {'H', Colours::highlight()},
          {'D', Colours::dkShadow()},
          {'L', Colours::light()},
          {'K', Colours::text()},
          {'r', QColor(255, 0, 0)},
          {'b', QColor(0, 0, 255)}};
}

const QRect kR = RectLTRB(1, 1, 7, 6);

struct FrameCase {
  TFrameStyle style;
  int sides;
  std::vector<std::string> picture;
  QRect inner;
};

TEST(Frames, EveryStyleDrawsItsPixels) {
  TestPalette palette;
  const std::vector<FrameCase> cases = {
      {fsNone, 15, {"........", "........", "........", "........", "........", "........", "........"}, kR},
      {fsFlat, 15, {"........", ".DDDDDD.", ".D....D.", ".D....D.", ".D....D.", ".DDDDDD.", "........"},
       RectLTRB(2, 2, 6, 5)},
      {fsStatus, 15, {"........", ".SSSSSH.", ".S....H.", ".S....H.", ".S....H.", ".HHHHHH.", "........"},
       RectLTRB(2, 2, 6, 5)},
      {fsPopup, 15, {"........", ".HHHHHS.", ".H....S.", ".H....S.", ".H....S.", ".SSSSSS.", "........"},
       RectLTRB(2, 2, 6, 5)},
      {fsLowered, 15, {"........", ".SSSSSH.", ".SDDDLH.", ".SD..LH.", ".SLLLLH.", ".HHHHHH.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsRaised, 15, {"........", ".LLLLLD.", ".LHHHSD.", ".LH..SD.", ".LSSSSD.", ".DDDDDD.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsButtonDown, 15, {"........", ".KKKKKK.", ".KSSSSK.", ".KS..SK.", ".KSSSSK.", ".KKKKKK.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsButtonUp, 15, {"........", ".HHHHHD.", ".HLLLSD.", ".HL..SD.", ".HSSSSD.", ".DDDDDD.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsFlatBold, 15, {"........", ".SSSSSS.", ".SSSSSS.", ".SS..SS.", ".SSSSSS.", ".SSSSSS.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsGroove, 15, {"........", ".SSSSSH.", ".SHHHSH.", ".SH..SH.", ".SSSSSH.", ".HHHHHH.", "........"},
       RectLTRB(3, 3, 5, 4)},
      {fsBump, 15, {"........", ".HHHHHS.", ".HSSSHS.", ".HS..HS.", ".HHHHHS.", ".SSSSSS.", "........"},
       RectLTRB(3, 3, 5, 4)},
      // Grooves with missing sides: the corner pixels close the open ends.
      {fsGroove, 1 | 2, {"........", ".SSSSSS.", ".SHHHHH.", ".SH.....", ".SH.....", ".SH.....", "........"},
       RectLTRB(3, 3, 7, 6)},
      {fsGroove, 4 | 8, {"........", ".....SH.", ".....SH.", ".....SH.", ".SSSSSH.", ".HHHHHH.", "........"},
       RectLTRB(1, 1, 5, 4)},
      {fsGroove, 2, {"........", ".SSSSSS.", ".HHHHHH.", "........", "........", "........", "........"},
       RectLTRB(1, 3, 7, 6)},
      {fsStatus, 0, {"........", "........", "........", "........", "........", "........", "........"}, kR},
      {fsGroove, 0, {"........", "........", "........", "........", "........", "........", "........"}, kR},
  };
  for (const FrameCase& c : cases) {
    QRect inner;
    const QImage image = DrawOn([&](QPainter& p) { DrawFrameStyle(p, kR, c.style, inner, c.sides); });
    EXPECT_EQ(ComparePicture(image, c.picture, Letters()), "") << "style " << int(c.style) << " sides " << c.sides;
    EXPECT_EQ(inner, c.inner) << "style " << int(c.style) << " sides " << c.sides;
  }
  QRect inner;
  const QImage all = DrawOn([&](QPainter& p) { DrawFrameStyleAll(p, kR, fsFlat, inner); });
  EXPECT_EQ(ComparePicture(all, cases[1].picture, Letters()), "");
  // The extended member is not a frame style: nothing drawn, R returned.
  const QImage rounded = DrawOn([&](QPainter& p) { DrawFrameStyle(p, kR, fsFlatRounded, inner, 15); });
  EXPECT_EQ(ComparePicture(rounded, cases[0].picture, Letters()), "");
  EXPECT_EQ(inner, kR);
}

TEST(Frames, SidesAndBevelsLeaveOutEndPointsAndClNone) {
  QRect inner;
  // Only the bottom-right colour: clNone draws nothing.
  QImage image = DrawOn([&](QPainter& p) { DrawSides(p, kR, clNone, inner, 15, TColor(0xFF0000)); });
  EXPECT_EQ(ComparePicture(image, {"........", "......b.", "......b.", "......b.", "......b.", ".bbbbbb.", "........"},
                           Letters()),
            "");
  EXPECT_EQ(inner, RectLTRB(2, 2, 6, 5));
  // Left and top only: the lines stop one short of their end points; sides shrink R even
  // when their colour draws nothing.
  image = DrawOn([&](QPainter& p) { DrawSides(p, kR, TColor(0x0000FF), inner, 1 | 2 | 8, clNone); });
  EXPECT_EQ(ComparePicture(image, {"........", ".rrrrrr.", ".r......", ".r......", ".r......", ".r......", "........"},
                           Letters()),
            "");
  EXPECT_EQ(inner, RectLTRB(2, 2, 7, 5));
  image = DrawOn([&](QPainter& p) { DrawBevel(p, kR, TColor(0x0000FF), inner, 15, 0, TColor(0xFF0000)); });
  EXPECT_EQ(inner, kR);
  image = DrawOn([&](QPainter& p) { DrawBevel(p, kR, TColor(0x0000FF), inner, 15, 2, TColor(0xFF0000)); });
  EXPECT_EQ(ComparePicture(image, {"........", ".rrrrrb.", ".rrrrbb.", ".rr..bb.", ".rbbbbb.", ".bbbbbb.", "........"},
                           Letters()),
            "");
  EXPECT_EQ(inner, RectLTRB(3, 3, 5, 4));
}

// ---- the parent's image behind a control ----

TEST(ParentImage, CopiesTheParentsPixelsUnderTheControl) {
  PatternParent parent(77);
  parent.resize(60, 40);
  QWidget child(&parent);
  child.setGeometry(10, 5, 20, 10);
  QWidget sibling(&parent);  // siblings are not part of the parent's own image
  sibling.setGeometry(12, 6, 4, 4);
  sibling.setAutoFillBackground(true);

  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    PaintParentImage(&child, p);
  }
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(image.pixel(x, y), qRgb(10 + x, 5 + y, 77)) << x << "," << y;

  // Hanging over the parent's left edge: only the part over the parent is painted, with the
  // parent's background where the parent does not paint.
  child.setGeometry(-5, 0, 20, 10);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    PaintParentImage(&child, p);
  }
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(5, 3), qRgb(0, 3, 77));

  // No parent: nothing.
  QWidget orphan;
  orphan.resize(5, 5);
  image.fill(Qt::black);
  {
    QPainter p(&image);
    PaintParentImage(&orphan, p);
  }
  EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace controls_test
