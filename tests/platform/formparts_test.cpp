// The up-down control of platform/forms as a user meets it: its halves under the mouse, with
// its repeat while a half is held.
#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <memory>

#include "platform/forms/updown.h"

using namespace orvane;

TEST(UpDownHalves, EachHalfStepsItsWayAndRepeatsWhileHeld) {
  for (const char* styleName : {"Fusion", "Windows"}) {
    std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(styleName)));
    ASSERT_TRUE(style) << styleName;
    for (bool horizontal : {false, true}) {
      SCOPED_TRACE(testing::Message() << styleName << (horizontal ? " horizontal" : " vertical"));
      TUpDown u;
      u.setStyle(style.get());
      u.SetHorizontal(horizontal);
      u.SetMin(0);
      u.SetMax(100);
      u.SetPosition(50);
      u.resize(horizontal ? QSize(34, 17) : QSize(17, 34));
      u.show();
      // A quarter in from each end of the pair: the up half is above (right of) the middle.
      const QPoint upAt = horizontal ? QPoint(26, 8) : QPoint(8, 8);
      const QPoint downAt = horizontal ? QPoint(8, 8) : QPoint(8, 26);
      EXPECT_EQ(u.HitTest(upAt), QStyle::SC_SpinBoxUp);
      EXPECT_EQ(u.HitTest(downAt), QStyle::SC_SpinBoxDown);
      EXPECT_EQ(u.HitTest(QPoint(-5, -5)), QStyle::SC_None);
      QSignalSpy changed(&u, &TUpDown::Changed);
      for (const auto& [at, expected] : {std::pair{downAt, 49}, {upAt, 50}, {upAt, 51}, {downAt, 50}}) {
        QTest::mousePress(&u, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&u, Qt::LeftButton, {}, at);
        EXPECT_EQ(u.Position(), expected);
      }
      EXPECT_EQ(changed.count(), 4);
      // At the bottom the lower half steps no further.
      u.SetPosition(0);
      QTest::mousePress(&u, Qt::LeftButton, {}, downAt);
      QTest::mouseRelease(&u, Qt::LeftButton, {}, downAt);
      EXPECT_EQ(u.Position(), 0);
      u.SetPosition(50);
      if (horizontal || styleName != std::string("Fusion")) continue;
      // The half held down is drawn pressed: held on the lower half the pair looks otherwise
      // than held on the upper one, in each half.
      auto heldLook = [&u](const QPoint& at) {
        QTest::mousePress(&u, Qt::LeftButton, {}, at);
        QImage img(u.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        u.render(&img);
        QTest::mouseRelease(&u, Qt::LeftButton, {}, at);
        return img;
      };
      const QImage downHeld = heldLook(downAt), upHeld = heldLook(upAt);
      const int half = u.height() / 2;
      EXPECT_NE(downHeld.copy(0, half, u.width(), half), upHeld.copy(0, half, u.width(), half));
      EXPECT_NE(downHeld.copy(0, 0, u.width(), half), upHeld.copy(0, 0, u.width(), half));
      // Held down on the lower half: the first step at once, then the repeat steps on, and
      // stops with the release.
      QTest::mousePress(&u, Qt::LeftButton, {}, downAt);
      EXPECT_EQ(u.Position(), 49);
      EXPECT_TRUE(QTest::qWaitFor([&] { return u.Position() <= 47; }, TUpDown::RepeatDelay + 10 * TUpDown::RepeatInterval))
          << u.Position();
      QTest::mouseRelease(&u, Qt::LeftButton, {}, downAt);
      const int released = u.Position();
      QTest::qWait(2 * TUpDown::RepeatInterval);
      EXPECT_EQ(u.Position(), released) << "the repeat went on after the release";
    }
  }
}
