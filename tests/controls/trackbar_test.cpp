// The flat track bar: its position model, keys and geometry; what it paints (ticks the fast way
// against one line per value, transparency, focus); and
// mouse control (paging cadence on a manual timer, dragging with halves to even, hot tracking).
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <climits>
#include <stdexcept>

#include "controls/flatGrafx.h"
#include "controlstest.h"

namespace controls_test {
namespace {

using Log = std::vector<std::string>;

// Records OnChanging and OnChange in order.
struct EventLog {
  explicit EventLog(TFlatTrackBar& bar) {
    bar.OnChanging = [this](TFlatTrackBar*, int newPos, bool& allow) {
      entries.push_back("changing " + std::to_string(newPos));
      allow = allowChanges;
    };
    QObject::connect(&bar, &TFlatTrackBar::OnChange, [this, &bar](TFlatTrackBar* sender) {
      EXPECT_EQ(sender, &bar);
      entries.push_back("change " + std::to_string(bar.Position()));
    });
  }
  Log Take() { return std::exchange(entries, {}); }
  Log entries;
  bool allowChanges = true;
};

TEST(TrackBarModel, DefaultsOfANewBar) {
  ProbeBar bar;
  EXPECT_EQ(bar.size(), QSize(200, 35));
  EXPECT_EQ(std::vector<int>({bar.Max(), bar.Min(), bar.Position(), bar.TrackWidth(), bar.TrackOffset(), bar.TickStep(),
                              bar.PageSize(), bar.GetPageTimer().Interval(), bar.ThumbStyle(), bar.TrackFrame(),
                              bar.HotTrackColorType(), bar.focusPolicy()}),
            std::vector<int>({10, 0, 0, 8, 20, 1, 1, 200, tsPointer, fsStatus, htctActual, Qt::StrongFocus}));
  EXPECT_EQ(bar.HotTrackColor(), TColor::FromRGB(240, 155, 20));
  EXPECT_EQ(std::vector<bool>({bar.ShowTicks(), bar.ShowFocusRect(), bar.ThemeAware(), bar.BufferDirty, bar.TabOnEnter(),
                               bar.Transparent(), bar.GetPageTimer().Enabled()}),
            std::vector<bool>({true, true, true, true, false, false, false}));
}

TEST(TrackBarModel, PositionClampsAndTheClampedEqualCaseStillFires) {
  ProbeBar bar;
  EventLog log(bar);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(log.Take(), (Log{"changing 0", "change 0"}));  // -5 differs from 0
  bar.SetPosition(99);
  EXPECT_EQ(bar.Position(), 10);
  bar.SetPosition(99);
  EXPECT_EQ(log.Take(), (Log{"changing 10", "change 10", "changing 10", "change 10"}));
  bar.SetPosition(10);  // the same value: nothing
  EXPECT_TRUE(log.entries.empty());
  // Page Up at Max fires (the clamped value differs from the asked one); the arrows do not.
  QTest::keyClick(&bar, Qt::Key_Up);
  QTest::keyClick(&bar, Qt::Key_Right);
  EXPECT_TRUE(log.entries.empty());
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(log.Take(), (Log{"changing 10", "change 10"}));
  // A veto stops the setter and the keys.
  log.allowChanges = false;
  bar.SetPosition(5);
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_PageDown}) QTest::keyClick(&bar, key);
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(log.Take(), (Log{"changing 5", "changing 9", "changing 0", "changing 9"}));
}

TEST(TrackBarModel, WideRangesUse64BitArithmetic) {
  ProbeBar bar(tsBox);
  bar.SetMin(INT_MIN);
  bar.SetMax(INT_MAX);
  bar.SetPosition(INT_MAX);
  Render(bar);
  EXPECT_EQ(bar.ThumbRect.x(), 200 - 4 - 11);
  bar.SetPosition(0);
  Render(bar);
  EXPECT_EQ(bar.ThumbRect.x(), 4 + 181 / 2);  // 181 * 2^31 / (2^32 - 1) truncates to 90
  bar.SetPageSize(65535);
  bar.SetPosition(INT_MAX - 1);
  QTest::keyClick(&bar, Qt::Key_PageUp);
  EXPECT_EQ(bar.Position(), INT_MAX);
  bar.SetPosition(INT_MIN + 1);
  QTest::keyClick(&bar, Qt::Key_PageDown);
  EXPECT_EQ(bar.Position(), INT_MIN);
}

TEST(TrackBarGeometry, TrackAndThumbInBothOrientations) {
  ProbeBar bar(tsBox);  // 11 x 21
  bar.SetMax(100);
  Render(bar);
  EXPECT_EQ(std::vector<int>({bar.ThumbLength, bar.ThumbBreadth, bar.ThumbHalf}), std::vector<int>({11, 21, 5}));
  EXPECT_EQ(bar.TrackRect, RectLTRB(9, 20, 191, 28));
  // Each row: style, pointer, position, then the thumb; (8 - 21) div 2 = -6; 181 * 50 / 100 = 90.
  // A pointer sits two pixels towards the top ticks; a mixer thumb is 21 x 16 on a 6-pixel track.
  const std::tuple<TThumbStyle, TPointerType, int, QRect> rows[] = {
      {tsBox, ptStandard, 0, RectLTRB(4, 14, 15, 35)},       {tsBox, ptStandard, 50, RectLTRB(94, 14, 105, 35)},
      {tsBox, ptStandard, 100, RectLTRB(185, 14, 196, 35)},  {tsPointer, ptStandard, 100, RectLTRB(185, 12, 196, 33)},
      {tsPointer, ptWin95, 100, RectLTRB(185, 14, 196, 35)}, {tsMixer, ptStandard, 0, RectLTRB(4, 15, 25, 31)}};
  for (const auto& [style, pointer, position, thumb] : rows) {
    bar.SetThumbStyle(style);
    bar.SetPointerType(pointer);
    bar.SetPosition(position);
    Render(bar);
    EXPECT_EQ(bar.ThumbRect, thumb) << int(style) << " " << int(pointer) << " " << position;
  }
  EXPECT_EQ(bar.TrackRect, RectLTRB(14, 20, 186, 26));
  // Vertical: the pointer 21 x 11 shifted towards the left ticks, Min at the bottom.
  ProbeBar tall(tsPointer);
  tall.resize(35, 200);
  ASSERT_TRUE(Shown(tall));
  tall.SetMax(100);
  Render(tall);
  EXPECT_EQ(std::vector<int>({tall.ThumbLength, tall.ThumbBreadth}), std::vector<int>({11, 21}));
  EXPECT_EQ(tall.TrackRect, RectLTRB(20, 9, 28, 191));
  EXPECT_EQ(tall.ThumbRect, RectLTRB(12, 185, 33, 196));
  tall.SetPosition(100);
  EXPECT_EQ(tall.ThumbRect, RectLTRB(12, 4, 33, 15));
  tall.SetPointerType(ptWin95);  // vertically the shift stays
  Render(tall);
  EXPECT_EQ(tall.ThumbRect.x(), 12);
}

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

// A transparent bar shows what its parent paints under it, not only the parent's colour: in
// its background and through the thumb's mask, rendered and once shown alike.
TEST(TrackBarPaint, TransparentBarShowsWhatItsParentPaints) {
  PatternParent parent(99);
  parent.resize(240, 60);
  auto* bar = new ProbeBar(tsPointer, &parent);  // the tip's corners are outside the thumb
  bar->move(10, 5);
  bar->SetTransparent(true);
  const QImage rendered = Render(parent);
  const QRect thumb = bar->ThumbRect;
  ASSERT_TRUE(Shown(parent));
  bar->SetTickColor(clRed);  // the background is built anew for the screen
  QCoreApplication::processEvents();
  const QImage shown = parent.grab().toImage();
  struct { QPoint at; bool parentShows; } points[] = {
      {{1, 1}, true}, {{100, 30}, true}, {thumb.topLeft(), true}, {thumb.topLeft() + QPoint(5, 10), false}};
  for (const QImage& image : {rendered, shown}) {
    for (const auto& p : points) {
      const QPoint at = bar->pos() + p.at;
      EXPECT_EQ(image.pixel(at) == parent.At(at), p.parentShows) << p.at.x() << "," << p.at.y();
    }
  }
}

// A shown 200 x 35 box-thumb bar, Max 100: the track runs from x 9 to 191, y 20 to 28, and
// the thumb's left edge is 4 + 181 * Position / 100.
class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.SetMax(100);
    bar.SetPosition(50);
    bar.SetPageSize(10);
    timer = InstallManualTimer(bar);
    ASSERT_TRUE(Shown(bar));
    Render(bar);
    ASSERT_EQ(bar.ThumbRect, RectLTRB(94, 14, 105, 35));
  }
  void Move(int x, int y = 24) { QTest::mouseMove(&bar, QPoint(x, y)); }
  void Press(int x, int y = 24) { QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(x, y)); }
  void Release(int x, int y = 24) { QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(x, y)); }
  // The timer is back in its resting state: off, first delay 200 ms.
  void ExpectTimerReset() {
    EXPECT_FALSE(timer->enabled);
    EXPECT_EQ(timer->interval, 200);
    EXPECT_FALSE(bar.Paging);
  }
  ProbeBar bar{tsBox};
  ManualPageTimer* timer = nullptr;
};

TEST_F(MouseTest, PagingCadenceThenTheThumbReachesThePointerAndDrags) {
  QSignalSpy ups(&bar, &TFlatTrackBar::OnMouseUp);
  Press(30);
  EXPECT_EQ(bar.Position(), 40);  // at once
  EXPECT_TRUE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);  // first repeat after 200 ms
  EXPECT_TRUE(bar.Paging);
  for (int want : {30, 20, 10}) {
    timer->Fire();
    EXPECT_EQ(timer->interval, 100);  // then every 100 ms
    EXPECT_EQ(bar.Position(), want);
  }
  EXPECT_EQ(bar.ThumbRect, RectLTRB(22, 14, 33, 35));  // now under the pointer
  EXPECT_EQ(ups.count(), 0);
  timer->Fire();
  // The sequence ended (with a mouse-up of its own) and became a drag.
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(ups.count(), 1);
  ExpectTimerReset();
  EXPECT_TRUE(bar.Dragging);
  Move(60);  // (60 - 9 - 3) / 182 * 100 = 26.4
  EXPECT_EQ(bar.Position(), 26);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 26);
  Release(60);
  EXPECT_FALSE(bar.Dragging);
  EXPECT_FALSE(bar.ThumbHot);
  EXPECT_EQ(ups.count(), 2);
  Move(120);
  EXPECT_EQ(bar.Position(), 26);
}

TEST_F(MouseTest, AnErrorDuringATimedPageStepStopsTheTimer) {
  Press(150);
  bar.OnChanging = [](TFlatTrackBar*, int, bool&) { throw std::runtime_error("refused"); };
  timer->interval = 100;
  timer->Fire();
  EXPECT_FALSE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);
  EXPECT_EQ(bar.Position(), 60);
  bar.OnChanging = nullptr;
  Release(150);
}

TEST(TrackBarDrag, HalvesRoundToEvenInBothOrientations) {
  // Track 128 pixels long (9..137) over 0..64: each pixel is half a step. Vertically the
  // position counts from the bottom.
  for (bool vertical : {false, true}) {
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    ProbeBar bar(tsBox);
    bar.resize(vertical ? QSize(35, 146) : QSize(146, 35));
    bar.SetMax(64);
    ASSERT_TRUE(Shown(bar));
    Render(bar);
    ASSERT_EQ(bar.TrackRect, vertical ? RectLTRB(20, 9, 28, 137) : RectLTRB(9, 20, 137, 28));
    auto at = [vertical](int along) { return vertical ? QPoint(24, 146 - along) : QPoint(along, 24); };
    QTest::mousePress(&bar, Qt::LeftButton, {}, vertical ? QPoint(24, 136) : QPoint(9, 24));
    ASSERT_TRUE(bar.Dragging);
    const std::vector<std::pair<int, int>> moves = {{14, 2}, {16, 4}, {10, 0}, {12, 2}, {300, 64}, {-50, 0}, {73, 32}};
    for (auto [x, want] : moves) {
      QTest::mouseMove(&bar, at(x));
      EXPECT_EQ(bar.Position(), want) << x;
    }
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, at(73));
  }
}

TEST(TrackBarDrag, ATrackTooSmallToMoveInDoesNotDivideByZero) {
  QWidget window;
  window.resize(100, 50);
  auto* bar = new ProbeBar(tsBox, &window);
  bar->resize(18, 17);  // wider than tall, and the track is 0 pixels wide
  ASSERT_TRUE(Shown(window));
  Render(*bar);
  ASSERT_EQ(bar->TrackRect.width(), 0);
  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->ThumbRect.x() + 2, 24));
  ASSERT_TRUE(bar->Dragging);
  QTest::mouseMove(bar, QPoint(15, 24));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(15, 24));
  EXPECT_EQ(bar->Position(), 0);
}

}  // namespace
}  // namespace controls_test
