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
      {{300, 35}, 0, 3600000, 1, tsBox, ptStandard},        // the player's position bar: one band
      {{300, 35}, 0, 3600000, 36000, tsBox, ptStandard},    // separate ticks
      {{300, 35}, 0, 600, 1, tsBox, ptStandard},            // 0.47 pixel apart
      {{300, 35}, 0, 562, 1, tsMixer, ptStandard},          // half a pixel apart
      {{300, 35}, 0, 600, 2, tsFlat, ptStandard},           // 0.94 pixel apart: runs and gaps
      {{300, 35}, -37, 1234, 7, tsPointer, ptStandard},     // top ticks only
      {{200, 35}, 0, 10, 1, tsPointer, ptWin95},            // bottom ticks only
      {{10, 35}, 0, 10, 1, tsBox, ptStandard},              // too small: the track runs backwards
      {{300, 35}, -5, 5, 4, tsBox, ptStandard},             // multiples around zero
      {{300, 35}, INT_MIN, INT_MAX, 1000000000, tsBox, ptStandard},
      {{300, 35}, INT_MIN, INT_MAX, 1, tsBox, ptStandard},
      {{35, 300}, 0, 1000, 3, tsBox, ptStandard},           // vertical, both sides
      {{35, 300}, 0, 100000, 1, tsPointer, ptStandard},     // vertical pointer: left only
      {{35, 300}, -20, 20, 3, tsMixer, ptStandard},
  };
  for (const TickCase& c : cases) {
    if ((qint64(c.max) - c.min) / c.step > 10000000) continue;  // one line per tick would take minutes
    ProbeBar fast, naive;
    Configure(fast, c);
    Configure(naive, c);
    NaiveTicks(naive);
    const QImage a = Render(fast), b = Render(naive);
    EXPECT_EQ(a, b) << c.size.width() << "x" << c.size.height() << " " << c.min << ".." << c.max << " step "
                    << c.step;
    // And the ticks are really there.
    EXPECT_NE(a, [&] {
      ProbeBar none;
      Configure(none, c);
      none.SetShowTicks(false);
      return Render(none);
    }());
  }
}

TEST(TrackBarTicks, OwnerDrawnTicksGetPointAndValue) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
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
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], std::make_pair(QPoint(9 + 18, 0), -4));
  EXPECT_EQ(calls[1], std::make_pair(QPoint(9 + 90, 0), 0));
  EXPECT_EQ(calls[2], std::make_pair(QPoint(9 + 162, 0), 4));
}

TEST(TrackBarTicks, PointersTickOnlyTheSideTheyPointAt) {
  TestPalette palette;
  const QRgb tick = Colours::shadow().rgb(), back = Colours::window().rgb();
  // Max 10 on 200 pixels: the tick of 5 is at x = 9 + Trunc(5 * 18.1) = 99.
  struct Case {
    TThumbStyle style;
    TPointerType pointer;
    bool top, bottom;
  };
  for (const Case& c : {Case{tsPointer, ptStandard, true, false}, Case{tsPointer, ptWin95, false, true},
                        Case{tsBox, ptStandard, true, true}, Case{tsMixer, ptWin95, true, true}}) {
    ProbeBar bar;
    bar.SetThemeAware(false);
    bar.SetThumbStyle(c.style);
    bar.SetPointerType(c.pointer);
    const QImage image = Render(bar);
    EXPECT_EQ(image.pixel(99, 4), c.top ? tick : back) << int(c.style) << int(c.pointer);
    EXPECT_EQ(image.pixel(99, 9), c.top ? tick : back);
    EXPECT_EQ(image.pixel(99, 10), back);  // the line leaves out its end point
    EXPECT_EQ(image.pixel(99, 30), c.bottom ? tick : back);  // 25..30: from 35 - 10 to 35 - 4
    EXPECT_EQ(image.pixel(99, 31), back);
    EXPECT_EQ(image.pixel(100, 4), back);
  }
  // Vertically a pointer ticks on the left only; Min sits at the bottom.
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.resize(35, 200);
  bar.SetOrientation(orVertical);
  const QImage image = Render(bar);
  const int y = 5 + (200 - 11 - 90 - 4);  // the tick of 5
  EXPECT_EQ(image.pixel(4, y), tick);
  EXPECT_EQ(image.pixel(29, y), back);
  EXPECT_EQ(image.pixel(4, 5 + (200 - 11 - 0 - 4)), tick);  // the tick of Min
}

TEST(TrackBarPaint, TrackFrameFillAndBackground) {
  TestPalette palette;
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  bar.SetShowTicks(false);
  bar.SetTrackColor(TColor::FromRGB(255, 0, 0));
  QImage image = Render(bar);
  // fsStatus: shadow on the top and left, highlight on the right and bottom (right x = 190).
  EXPECT_EQ(image.pixel(100, 20), Colours::shadow().rgb());
  EXPECT_EQ(image.pixel(190, 24), Colours::highlight().rgb());
  EXPECT_EQ(image.pixel(100, 27), Colours::highlight().rgb());
  EXPECT_EQ(image.pixel(100, 24), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(100, 28), Colours::window().rgb());  // the background: the parent's colour
  EXPECT_EQ(image.pixel(1, 1), Colours::window().rgb());

  bar.SetTrackFrame(fsFlat);
  bar.SetTrackFrameColor(TColor::FromRGB(0, 0, 255));
  bar.SetColor(TColor::FromRGB(1, 2, 3));
  image = Render(bar);
  EXPECT_EQ(image.pixel(100, 20), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(190, 24), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(1, 1), qRgb(1, 2, 3));

  // Disabled: the track takes the button face, the thumb its disabled image.
  bar.setEnabled(false);
  image = Render(bar);
  EXPECT_EQ(image.pixel(100, 24), Colours::face().rgb());
  const QImage& disabled = bar.Thumbs.Disabled;
  EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 5, bar.ThumbRect.y() + 10), disabled.pixel(5, 10));
}

TEST(TrackBarPaint, OwnerDrawnTrack) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  QRect bounds;
  bar.OnDrawTrack = [&bounds](TFlatTrackBar*, QPainter& canvas, const QRect& b) {
    bounds = b;
    canvas.fillRect(b, QColor(0, 200, 0));
  };
  const QImage image = Render(bar);
  EXPECT_EQ(bounds, bar.TrackRect);
  EXPECT_EQ(image.pixel(100, 20), qRgb(0, 200, 0));  // no frame of the bar's own
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

  // Hot and disabled images of a resource thumb.
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  bar.ThumbHot = true;
  image = Render(bar);
  EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 5, bar.ThumbRect.y() + 10), bar.Thumbs.Hot.pixel(5, 10));
  EXPECT_NE(bar.Thumbs.Hot.pixel(1, 1), bar.Thumbs.Normal.pixel(1, 1));
  EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 1, bar.ThumbRect.y() + 1), bar.Thumbs.Hot.pixel(1, 1));
  bar.ThumbHot = false;
  image = Render(bar);
  EXPECT_EQ(image.pixel(bar.ThumbRect.x() + 1, bar.ThumbRect.y() + 1), bar.Thumbs.Normal.pixel(1, 1));
}

TEST(TrackBarPaint, ChangingTheRangeRedrawsTheTicks) {
  ProbeBar bar, fresh;
  for (ProbeBar* b : {&bar, &fresh}) {
    b->SetThemeAware(false);
    b->SetThumbStyle(tsBox);
    b->resize(300, 35);
  }
  Render(bar);
  bar.SetMax(20);
  bar.SetMin(3);
  fresh.SetMax(20);
  fresh.SetMin(3);
  EXPECT_EQ(Render(bar), Render(fresh));
}

TEST(TrackBarPaint, TransparentBarShowsItsParent) {
  PatternParent parent(99);
  parent.resize(240, 60);
  auto* bar = new ProbeBar(&parent);
  bar->move(10, 5);
  bar->SetThemeAware(false);
  bar->SetThumbStyle(tsPointer);  // the tip's corners are outside the thumb
  bar->SetTransparent(true);
  const QImage image = Render(parent);
  EXPECT_EQ(image.pixel(10 + 1, 5 + 1), qRgb(11, 6, 99));
  EXPECT_EQ(image.pixel(10 + 100, 5 + 30), qRgb(110, 35, 99));
  // Through the thumb's mask, from the background bitmap.
  const QRect r = bar->ThumbRect;
  EXPECT_EQ(image.pixel(10 + r.x(), 5 + r.y()), qRgb(10 + r.x(), 5 + r.y(), 99));
  EXPECT_NE(image.pixel(10 + r.x() + 5, 5 + r.y() + 10), qRgb(10 + r.x() + 5, 5 + r.y() + 10, 99));

  // Painted on screen through the backing store, the same.
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  bar->SetTickColor(clRed);
  QCoreApplication::processEvents();
  const QImage shown = parent.grab().toImage();
  EXPECT_EQ(shown.pixel(10 + 1, 5 + 1), qRgb(11, 6, 99));
  EXPECT_EQ(shown.pixel(10 + r.x(), 5 + r.y()), qRgb(10 + r.x(), 5 + r.y(), 99));
}

TEST(TrackBarPaint, FocusRectangleInvertsEveryOtherBorderPixel) {
  TestPalette palette;
  QWidget window;
  auto* bar = new ProbeBar(&window);
  window.resize(220, 60);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const QRgb back = Colours::window().rgb();
  const QRgb inverted = back ^ 0x00FFFFFF;
  bar->clearFocus();
  EXPECT_EQ(Render(*bar).pixel(0, 0), back);
  bar->setFocus();
  ASSERT_TRUE(bar->hasFocus());
  QImage image = Render(*bar);
  EXPECT_EQ(image.pixel(0, 0), inverted);
  EXPECT_EQ(image.pixel(1, 0), back);
  EXPECT_EQ(image.pixel(2, 0), inverted);
  EXPECT_EQ(image.pixel(0, 2), inverted);
  EXPECT_EQ(image.pixel(199, 1), inverted);
  EXPECT_EQ(image.pixel(199, 34), back);
  EXPECT_EQ(image.pixel(100, 34), inverted);
  EXPECT_EQ(image.pixel(1, 1), back);
  bar->SetShowFocusRect(false);
  bar->update();
  EXPECT_EQ(Render(*bar).pixel(0, 0), back);
}

TEST(TrackBarPaint, AFocusedBarMovesItsThumbWithoutRedrawingTheTrack) {
  TestPalette palette;
  QWidget window;
  auto* bar = new ProbeBar(&window);
  window.resize(220, 60);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  bar->setFocus();
  ASSERT_TRUE(bar->hasFocus());
  int tracks = 0;
  bar->OnDrawTrack = [&tracks](TFlatTrackBar*, QPainter& canvas, const QRect& b) {
    ++tracks;
    canvas.fillRect(b, QColor(0, 200, 0));
  };
  bar->SetTickColor(clRed);  // the background is rebuilt at the next paint
  Render(*bar);
  const int drawn = tracks;
  EXPECT_GT(drawn, 0);
  for (int position = 1; position <= 5; ++position) {
    bar->SetPosition(position);
    const QImage image = Render(*bar);
    EXPECT_EQ(image.pixel(0, 0), Colours::window().rgb() ^ 0x00FFFFFF);  // still focused
    EXPECT_EQ(image.pixel(180, 21), qRgb(0, 200, 0));  // the track, beside the thumb
  }
  EXPECT_EQ(tracks, drawn);
  // A change of the background draws the focused picture anew.
  bar->SetTickColor(clBlue);
  Render(*bar);
  EXPECT_GT(tracks, drawn);
}

}  // namespace
}  // namespace controls_test
