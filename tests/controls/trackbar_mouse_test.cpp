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

TEST_F(MouseTest, ReleaseOrPassingThePointerStopsPaging) {
  Press(150);
  EXPECT_EQ(bar.Position(), 60);
  timer->Fire();
  EXPECT_EQ(bar.Position(), 70);
  Release(150);
  ExpectTimerReset();
  timer->Fire();
  EXPECT_EQ(bar.Position(), 70);
  // A page that carries the thumb past the pointer ends paging without a drag.
  bar.SetPageSize(30);
  bar.SetPosition(50);
  Press(80);
  EXPECT_EQ(bar.Position(), 20);  // thumb now 40..51, left of the pointer
  timer->Fire();
  EXPECT_EQ(bar.Position(), 20);
  ExpectTimerReset();
  EXPECT_FALSE(bar.Dragging);
  Release(80);
}

TEST_F(MouseTest, OnlyTheLeftButtonOnTheTrackPagesAndAVetoStopsAll) {
  QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(150, 24));
  QTest::mouseRelease(&bar, Qt::RightButton, {}, QPoint(150, 24));
  Press(150, 5);  // beside the track
  Release(150, 5);
  EXPECT_EQ(bar.Position(), 50);
  EXPECT_FALSE(timer->enabled);
  bar.OnChanging = [](TFlatTrackBar*, int, bool& allow) { allow = false; };
  Press(150);
  timer->Fire();
  Release(150);
  Press(99);
  Move(20);
  Release(20);
  EXPECT_EQ(bar.Position(), 50);
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

TEST_F(MouseTest, HotTrackingAndCursor) {
  QSignalSpy enters(&bar, &TFlatTrackBar::OnMouseEnter);
  QSignalSpy leaves(&bar, &TFlatTrackBar::OnMouseLeave);
  Move(99);
  EXPECT_TRUE(bar.ThumbHot);
  EXPECT_EQ(bar.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(bar.cursor().pixmap().size(), QSize(32, 32));
  Move(150);
  EXPECT_FALSE(bar.ThumbHot);
  EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);
  Move(99);
  const int entered = enters.count(), left = leaves.count();
  QEnterEvent enter(QPointF(99, 24), QPointF(99, 24), bar.mapToGlobal(QPointF(99, 24)));
  QApplication::sendEvent(&bar, &enter);
  EXPECT_EQ(enters.count(), entered + 1);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&bar, &leave);
  EXPECT_EQ(leaves.count(), left + 1);
  EXPECT_FALSE(bar.ThumbHot);
  // While dragging, leaving keeps the thumb lit.
  Move(100);
  EXPECT_TRUE(bar.ThumbHot);
  Press(100);
  QApplication::sendEvent(&bar, &leave);
  EXPECT_TRUE(bar.ThumbHot);
  Release(100);
  EXPECT_FALSE(bar.ThumbHot);
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
