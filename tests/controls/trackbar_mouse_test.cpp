// Mouse control of the bar: click paging with its cadence on a manual timer, paging turning
// into a drag, dragging with halves rounded to even, veto, hot tracking and cursors.
#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

#include "controlstest.h"

namespace controls_test {
namespace {

// A shown 200 x 35 box-thumb bar, Max 100: the track runs from x 9 to 191, y 20 to 28, and
// the thumb's left edge is 4 + 181 * Position / 100.
class MouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.SetThemeAware(false);
    bar.SetThumbStyle(tsBox);
    bar.SetMax(100);
    bar.SetPosition(50);
    bar.SetPageSize(10);
    timer = InstallManualTimer(bar);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    Render(bar);
    ASSERT_EQ(bar.ThumbRect, RectLTRB(94, 14, 105, 35));
  }
  void Move(int x, int y) { QTest::mouseMove(&bar, QPoint(x, y)); }

  ProbeBar bar;
  ManualPageTimer* timer = nullptr;
};

TEST_F(MouseTest, PagingCadenceThenTheThumbReachesThePointerAndDrags) {
  QSignalSpy ups(&bar, &TFlatTrackBar::OnMouseUp);
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(30, 24));
  EXPECT_EQ(bar.Position(), 40);  // at once
  EXPECT_TRUE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);  // first repeat after 200 ms
  EXPECT_TRUE(bar.Paging);
  timer->Fire();
  EXPECT_EQ(timer->interval, 100);  // then every 100 ms
  EXPECT_EQ(bar.Position(), 30);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 20);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(bar.ThumbRect, RectLTRB(22, 14, 33, 35));  // now under the pointer
  EXPECT_EQ(ups.count(), 0);
  timer->Fire();
  // The sequence ended (with a mouse-up of its own) and became a drag.
  EXPECT_EQ(bar.Position(), 10);
  EXPECT_EQ(ups.count(), 1);
  EXPECT_FALSE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);
  EXPECT_FALSE(bar.Paging);
  EXPECT_TRUE(bar.Dragging);
  Move(60, 24);  // (60 - 9 - 3) / 182 * 100 = 26.4
  EXPECT_EQ(bar.Position(), 26);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 26);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(60, 24));
  EXPECT_FALSE(bar.Dragging);
  EXPECT_FALSE(bar.ThumbHot);
  EXPECT_EQ(ups.count(), 2);
  Move(120, 24);
  EXPECT_EQ(bar.Position(), 26);
}

TEST_F(MouseTest, ReleaseStopsPagingUpward) {
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(150, 24));
  EXPECT_EQ(bar.Position(), 60);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 70);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 24));
  EXPECT_FALSE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);
  EXPECT_FALSE(bar.Paging);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 70);
}

TEST_F(MouseTest, PagingEndsWhenTheThumbPassesThePointer) {
  bar.SetPageSize(30);
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(80, 24));
  EXPECT_EQ(bar.Position(), 20);  // thumb now 40..51, left of the pointer
  timer->Fire();
  EXPECT_EQ(bar.Position(), 20);
  EXPECT_FALSE(timer->enabled);
  EXPECT_FALSE(bar.Paging);
  EXPECT_FALSE(bar.Dragging);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(80, 24));
}

TEST_F(MouseTest, OnlyTheLeftButtonOnTheTrackPages) {
  QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(150, 24));
  QTest::mouseRelease(&bar, Qt::RightButton, {}, QPoint(150, 24));
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(150, 5));  // beside the track
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 5));
  EXPECT_EQ(bar.Position(), 50);
  EXPECT_FALSE(timer->enabled);
}

TEST_F(MouseTest, VetoStopsPagingAndDragging) {
  bar.OnChanging = [](TFlatTrackBar*, int, bool& allow) { allow = false; };
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(150, 24));
  timer->Fire();
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 24));
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(99, 24));
  Move(20, 24);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(20, 24));
  EXPECT_EQ(bar.Position(), 50);
}

TEST_F(MouseTest, AnErrorDuringATimedPageStepStopsTheTimer) {
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(150, 24));
  bar.OnChanging = [](TFlatTrackBar*, int, bool&) { throw std::runtime_error("refused"); };
  timer->interval = 100;
  timer->Fire();
  EXPECT_FALSE(timer->enabled);
  EXPECT_EQ(timer->interval, 200);
  EXPECT_EQ(bar.Position(), 60);
  bar.OnChanging = nullptr;
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(150, 24));
}

TEST_F(MouseTest, HotTrackingAndCursor) {
  QSignalSpy enters(&bar, &TFlatTrackBar::OnMouseEnter);
  QSignalSpy leaves(&bar, &TFlatTrackBar::OnMouseLeave);
  Move(99, 24);
  EXPECT_TRUE(bar.ThumbHot);
  EXPECT_EQ(bar.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(bar.cursor().pixmap().size(), QSize(32, 32));
  Move(150, 24);
  EXPECT_FALSE(bar.ThumbHot);
  EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);
  Move(99, 24);
  const int entered = enters.count(), left = leaves.count();
  QEnterEvent enter(QPointF(99, 24), QPointF(99, 24), bar.mapToGlobal(QPointF(99, 24)));
  QApplication::sendEvent(&bar, &enter);
  EXPECT_EQ(enters.count(), entered + 1);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&bar, &leave);
  EXPECT_EQ(leaves.count(), left + 1);
  EXPECT_FALSE(bar.ThumbHot);

  // While dragging, leaving keeps the thumb lit.
  Move(100, 24);
  EXPECT_TRUE(bar.ThumbHot);
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 24));
  QApplication::sendEvent(&bar, &leave);
  EXPECT_TRUE(bar.ThumbHot);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(100, 24));
  EXPECT_FALSE(bar.ThumbHot);
}

TEST(TrackBarDrag, HalvesRoundToEven) {
  // Track 128 pixels wide (x 9..137) over 0..64: each pixel is half a step.
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  bar.resize(146, 35);
  bar.SetMax(64);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  Render(bar);
  ASSERT_EQ(bar.TrackRect.width(), 128);
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(9, 24));  // the thumb's centre: no offset
  ASSERT_TRUE(bar.Dragging);
  const std::vector<std::pair<int, int>> moves = {{14, 2}, {16, 4}, {10, 0}, {12, 2}, {300, 64}, {-50, 0}, {73, 32}};
  for (auto [x, want] : moves) {
    QTest::mouseMove(&bar, QPoint(x, 24));
    EXPECT_EQ(bar.Position(), want) << x;
  }
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(73, 24));
}

TEST(TrackBarDrag, VerticalDragCountsFromTheBottom) {
  ProbeBar bar;
  bar.SetThemeAware(false);
  bar.SetThumbStyle(tsBox);
  bar.resize(35, 146);
  bar.SetMax(64);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  Render(bar);
  ASSERT_EQ(bar.Orientation(), orVertical);
  ASSERT_EQ(bar.TrackRect, RectLTRB(20, 9, 28, 137));
  ASSERT_EQ(bar.ThumbRect, RectLTRB(14, 131, 35, 142));
  QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(24, 136));
  ASSERT_TRUE(bar.Dragging);
  QTest::mouseMove(&bar, QPoint(24, 132));  // (137 - 132) / 2 = 2.5
  EXPECT_EQ(bar.Position(), 2);
  QTest::mouseMove(&bar, QPoint(24, 130));  // 3.5
  EXPECT_EQ(bar.Position(), 4);
  QTest::mouseMove(&bar, QPoint(24, 0));
  EXPECT_EQ(bar.Position(), 64);
  QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(24, 0));
}

TEST(TrackBarDrag, ATrackTooSmallToMoveInDoesNotDivideByZero) {
  QWidget window;
  window.resize(100, 50);
  auto* bar = new ProbeBar(&window);
  bar->SetThemeAware(false);
  bar->SetThumbStyle(tsBox);
  bar->resize(18, 17);  // wider than tall, and the track is 0 pixels wide
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
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
