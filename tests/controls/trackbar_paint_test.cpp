// What the bar paints: ticks the fast way against one line per value, the track and its frame,
// the background, the thumb through its mask, transparency and the focus rectangle.
#include <QPainter>
#include <QTest>
#include <climits>

#include "controls/flatGrafx.h"
#include "controlstest.h"

namespace controls_test {
namespace {

struct TickCase {
  QSize size;
  int min, max, step;
  TThumbStyle style;
  TPointerType pointer;
};

void Configure(TFlatTrackBar& bar, const TickCase& c) {
  bar.SetThemeAware(false);
  bar.SetThumbStyle(c.style);
  bar.SetPointerType(c.pointer);
  bar.resize(c.size);
  bar.SetOrientation(c.size.height() > c.size.width() ? orVertical : orHorizontal);
  bar.SetMin(INT_MIN);
  bar.SetMax(c.max);
  bar.SetMin(c.min);
  bar.SetTickStep(c.step);
  bar.SetPosition(c.min + (qint64(c.max) - c.min) / 3);
}

// One line per tick value, as the ticks were drawn before the fast way.
void NaiveTicks(TFlatTrackBar& bar) {
  bar.SetTickStyle(tkOwnerDraw);
  bar.OnDrawTick = [](TFlatTrackBar* tb, QPainter& canvas, const QPoint& at, int) {
    const bool horizontal = tb->Orientation() == orHorizontal;
    const bool pointer = tb->ThumbStyle() == tsPointer || tb->ThumbStyle() == tsXPPointer;
    bool near = true, far = true;
    if (horizontal) {
      near = !(tb->ThumbStyle() == tsPointer && tb->PointerType() == ptWin95);
      far = !((tb->ThumbStyle() == tsPointer && tb->PointerType() == ptStandard) || tb->ThumbStyle() == tsXPPointer);
    } else {
      far = !pointer;
    }
    // Qt's lines include their end point: 4..9 is the line from 4 to 10.
    if (horizontal) {
      if (near) canvas.drawLine(at.x(), 4, at.x(), 9);
      if (far) canvas.drawLine(at.x(), tb->height() - 10, at.x(), tb->height() - 5);
    } else {
      if (near) canvas.drawLine(4, at.y(), 9, at.y());
      if (far) canvas.drawLine(tb->width() - 10, at.y(), tb->width() - 5, at.y());
    }
  };
}

TEST(TrackBarTicks, FastTicksEqualNaiveTicks) {
  const std::vector<TickCase> cases = {
      {{300, 35}, 0, 3600000, 1, tsBox, ptStandard},      // the player's position bar: one band
      {{300, 35}, 0, 3600000, 36000, tsBox, ptStandard},  // separate ticks
      {{300, 35}, 0, 600, 1, tsBox, ptStandard},          // 0.47 pixel apart
      {{300, 35}, 0, 562, 1, tsMixer, ptStandard},        // half a pixel apart
      {{300, 35}, 0, 600, 2, tsFlat, ptStandard},         // 0.94 pixel apart: runs and gaps
      {{300, 35}, -37, 1234, 7, tsPointer, ptStandard},   // top ticks only
      {{200, 35}, 0, 10, 1, tsPointer, ptWin95},          // bottom ticks only
      {{10, 35}, 0, 10, 1, tsBox, ptStandard},            // too small: the track runs backwards
      {{300, 35}, -5, 5, 4, tsBox, ptStandard},           // multiples around zero
      {{300, 35}, INT_MIN, INT_MAX, 1000000000, tsBox, ptStandard},
      {{35, 300}, 0, 1000, 3, tsBox, ptStandard},        // vertical, both sides
      {{35, 300}, 0, 100000, 1, tsPointer, ptStandard},  // vertical pointer: left only
      {{35, 300}, -20, 20, 3, tsMixer, ptStandard},
  };
  for (const TickCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size.width() << "x" << c.size.height() << " " << c.min << ".." << c.max
                                      << " step " << c.step);
    ProbeBar fast, naive, none;
    for (ProbeBar* b : {&fast, &naive, &none}) Configure(*b, c);
    NaiveTicks(naive);
    none.SetShowTicks(false);
    const QImage a = Render(fast);
    EXPECT_EQ(a, Render(naive));
    EXPECT_NE(a, Render(none));  // and the ticks are really there
  }
}

TEST(TrackBarTicks, OwnerDrawnTicksGetPointAndValue) {
  ProbeBar bar(tsBox);
  bar.SetMin(-5);
  bar.SetMax(5);
  bar.SetTickStep(4);
  bar.SetTickStyle(tkOwnerDraw);
  bar.SetTickColor(TColor::FromRGB(9, 8, 7));
  std::vector<std::pair<QPoint, int>> calls;
  bar.OnDrawTick = [&calls](TFlatTrackBar*, QPainter& canvas, const QPoint& at, int index) {
    EXPECT_EQ(canvas.pen().color(), QColor(9, 8, 7));
    calls.push_back({at, index});
  };
  Render(bar);
  // len = 200 - 11 - 8 = 181, factor 18.1; x = 5 + 4 + Trunc((v + 5) * 18.1).
  EXPECT_EQ(calls, (std::vector<std::pair<QPoint, int>>{{QPoint(9 + 18, 0), -4}, {QPoint(9 + 90, 0), 0},
                                                        {QPoint(9 + 162, 0), 4}}));
}

TEST(TrackBarTicks, PointersTickOnlyTheSideTheyPointAt) {
  TestPalette palette;
  const QRgb tick = Colours::shadow().rgb(), back = Colours::window().rgb();
  // Max 10 on 200 pixels: the tick of 5 is at x = 9 + Trunc(5 * 18.1) = 99; lines leave out
  // their end points (top 4..9, bottom 25..30).
  const struct {
    TThumbStyle style;
    TPointerType pointer;
    bool top, bottom;
  } rows[] = {{tsPointer, ptStandard, true, false}, {tsPointer, ptWin95, false, true}, {tsBox, ptStandard, true, true},
              {tsMixer, ptWin95, true, true}};
  for (const auto& c : rows) {
    SCOPED_TRACE(::testing::Message() << int(c.style) << " " << int(c.pointer));
    ProbeBar bar(c.style);
    bar.SetPointerType(c.pointer);
    const QImage image = Render(bar);
    const std::vector<QRgb> got = {image.pixel(99, 4), image.pixel(99, 9), image.pixel(99, 10), image.pixel(99, 30),
                                   image.pixel(99, 31), image.pixel(100, 4)};
    const QRgb t = c.top ? tick : back, b = c.bottom ? tick : back;
    EXPECT_EQ(got, (std::vector<QRgb>{t, t, back, b, back, back}));
  }
  // Vertically a pointer ticks on the left only; Min sits at the bottom.
  ProbeBar bar(tsPointer);
  bar.resize(35, 200);
  bar.SetOrientation(orVertical);
  const QImage image = Render(bar);
  const int y = 5 + (200 - 11 - 90 - 4);  // the tick of 5
  EXPECT_EQ(image.pixel(4, y), tick);
  EXPECT_EQ(image.pixel(29, y), back);
  EXPECT_EQ(image.pixel(4, 5 + (200 - 11 - 0 - 4)), tick);  // the tick of Min
}

TEST(TrackBarPaint, TrackFrameFillBackgroundAndOwnerDrawnTrack) {
  TestPalette palette;
  ProbeBar bar(tsBox);
  bar.SetShowTicks(false);
  bar.SetTrackColor(TColor::FromRGB(255, 0, 0));
  auto pixels = [&bar] {
    const QImage image = Render(bar);
    return std::vector<QRgb>{image.pixel(100, 20), image.pixel(190, 24), image.pixel(100, 27),
                             image.pixel(100, 24), image.pixel(100, 28), image.pixel(1, 1)};
  };
  // fsStatus: shadow on the top and left, highlight on the right (x 190) and bottom; the
  // background is the parent's colour.
  const QRgb shadow = Colours::shadow().rgb(), light = Colours::highlight().rgb(), window = Colours::window().rgb();
  EXPECT_EQ(pixels(), (std::vector<QRgb>{shadow, light, light, qRgb(255, 0, 0), window, window}));
  bar.SetTrackFrame(fsFlat);
  bar.SetTrackFrameColor(TColor::FromRGB(0, 0, 255));
  bar.SetColor(TColor::FromRGB(1, 2, 3));
  const QRgb blue = qRgb(0, 0, 255);
  EXPECT_EQ(pixels(), (std::vector<QRgb>{blue, blue, blue, qRgb(255, 0, 0), qRgb(1, 2, 3), qRgb(1, 2, 3)}));
  // Disabled: the track takes the button face, the thumb its disabled image.
  bar.setEnabled(false);
  QImage image = Render(bar);
  EXPECT_EQ(image.pixel(100, 24), Colours::face().rgb());
  EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 5, bar.ThumbRect.y() + 10), bar.Thumbs.Disabled.pixel(5, 10));
  // An owner-drawn track gets the track's rectangle and no frame of the bar's own.
  QRect bounds;
  bar.OnDrawTrack = [&bounds](TFlatTrackBar*, QPainter& canvas, const QRect& b) {
    bounds = b;
    canvas.fillRect(b, QColor(0, 200, 0));
  };
  bar.setEnabled(true);
  image = Render(bar);
  EXPECT_EQ(bounds, bar.TrackRect);
  EXPECT_EQ(image.pixel(100, 20), qRgb(0, 200, 0));
  EXPECT_EQ(image.pixel(190, 21), qRgb(0, 200, 0));
}

TEST(TrackBarPaint, ThumbIsLaidThroughItsMask) {
  TestPalette palette;
  ProbeBar bar;
  bar.SetShowTicks(false);
  // A custom thumb: image red with a black left column, mask black but a white left column.
  QImage custom(30, 21, QImage::Format_RGB32);
  custom.fill(Qt::black);
  for (int y = 0; y < 21; ++y) {
    for (int x = 1; x < 10; ++x) custom.setPixel(x, y, qRgb(255, 0, 0));
    custom.setPixel(10, y, qRgb(255, 255, 255));
    for (int x = 20; x < 30; ++x) custom.setPixel(x, y, qRgb(0, 0, 255));
  }
  bar.SetCustomThumb(custom);
  bar.SetPosition(5);
  QImage image = Render(bar);
  const QRect r = bar.ThumbRect;
  EXPECT_EQ(r.size(), QSize(10, 21));
  EXPECT_EQ(image.pixel(r.x() + 1, r.y() + 3), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(r.x(), r.y() + 3), Colours::window().rgb());  // the background shows through
  // Hot and normal images of a resource thumb.
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  ASSERT_NE(bar.Thumbs.Hot.pixel(1, 1), bar.Thumbs.Normal.pixel(1, 1));
  for (bool hot : {true, false}) {
    bar.ThumbHot = hot;
    image = Render(bar);
    const QImage& thumb = hot ? bar.Thumbs.Hot : bar.Thumbs.Normal;
    EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 5, bar.ThumbRect.y() + 10), thumb.pixel(5, 10)) << hot;
    EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 1, bar.ThumbRect.y() + 1), thumb.pixel(1, 1)) << hot;
  }
  // Changing the range redraws the ticks: the same picture as a bar made with that range.
  ProbeBar fresh(tsBox);
  for (ProbeBar* b : {&bar, &fresh}) {
    b->resize(300, 35);
    b->SetShowTicks(true);
    b->SetPosition(0);
    Render(*b);
    b->SetMax(20);
    b->SetMin(3);
  }
  EXPECT_EQ(Render(bar), Render(fresh));
}

TEST(TrackBarPaint, TransparentBarShowsItsParent) {
  PatternParent parent(99);
  parent.resize(240, 60);
  auto* bar = new ProbeBar(tsPointer, &parent);  // the tip's corners are outside the thumb
  bar->move(10, 5);
  bar->SetTransparent(true);
  const QImage image = Render(parent);
  EXPECT_EQ(image.pixel(10 + 1, 5 + 1), qRgb(11, 6, 99));
  EXPECT_EQ(image.pixel(10 + 100, 5 + 30), qRgb(110, 35, 99));
  // Through the thumb's mask, from the background bitmap.
  const QRect r = bar->ThumbRect;
  EXPECT_EQ(image.pixel(10 + r.x(), 5 + r.y()), qRgb(10 + r.x(), 5 + r.y(), 99));
  EXPECT_NE(image.pixel(10 + r.x() + 5, 5 + r.y() + 10), qRgb(10 + r.x() + 5, 5 + r.y() + 10, 99));
  // Painted on screen through the backing store, the same.
  ASSERT_TRUE(Shown(parent));
  bar->SetTickColor(clRed);
  QCoreApplication::processEvents();
  const QImage shown = parent.grab().toImage();
  EXPECT_EQ(shown.pixel(10 + 1, 5 + 1), qRgb(11, 6, 99));
  EXPECT_EQ(shown.pixel(10 + r.x(), 5 + r.y()), qRgb(10 + r.x(), 5 + r.y(), 99));
}

TEST(TrackBarPaint, FocusRectangleAndAFocusedBarMovingItsThumb) {
  TestPalette palette;
  QWidget window;
  auto* bar = new ProbeBar(&window);
  window.resize(220, 60);
  ASSERT_TRUE(Shown(window, true));
  const QRgb back = Colours::window().rgb(), inverted = back ^ 0x00FFFFFF;
  bar->clearFocus();
  EXPECT_EQ(Render(*bar).pixel(0, 0), back);
  bar->setFocus();
  ASSERT_TRUE(bar->hasFocus());
  // Every other border pixel inverted.
  QImage image = Render(*bar);
  const std::vector<QRgb> border = {image.pixel(0, 0),   image.pixel(1, 0),    image.pixel(2, 0),   image.pixel(0, 2),
                                    image.pixel(199, 1), image.pixel(199, 34), image.pixel(100, 34), image.pixel(1, 1)};
  EXPECT_EQ(border, (std::vector<QRgb>{inverted, back, inverted, inverted, inverted, back, inverted, back}));

  // Moving the thumb of a focused bar keeps the track; a change of the background draws anew.
  int tracks = 0;
  bar->OnDrawTrack = [&tracks](TFlatTrackBar*, QPainter& canvas, const QRect& b) {
    ++tracks;
    canvas.fillRect(b, QColor(0, 200, 0));
  };
  bar->SetTickColor(clRed);
  Render(*bar);
  const int drawn = tracks;
  EXPECT_GT(drawn, 0);
  for (int position = 1; position <= 5; ++position) {
    bar->SetPosition(position);
    image = Render(*bar);
    EXPECT_EQ(image.pixel(0, 0), inverted);             // still focused
    EXPECT_EQ(image.pixel(180, 21), qRgb(0, 200, 0));  // the track, beside the thumb
  }
  EXPECT_EQ(tracks, drawn);
  bar->SetTickColor(clBlue);
  Render(*bar);
  EXPECT_GT(tracks, drawn);
  bar->SetShowFocusRect(false);
  bar->update();
  EXPECT_EQ(Render(*bar).pixel(0, 0), back);
}

}  // namespace
}  // namespace controls_test
