// Two parts of platform/forms seen as a user meets them: the message box's close box (there
// only where the box has a dismiss answer, and answering as Escape) and the up-down
// control's halves under the mouse, with its repeat while a half is held.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>

#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "platform/forms/updown.h"
#include "platform/msgbox/messagebox.h"
#include "platform/wm/wm.h"

using namespace orvane;

namespace {
TMessageForm* visibleBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* f = qobject_cast<TMessageForm*>(w); f && f->isVisible()) return f;
  return nullptr;
}
}  // namespace

TEST(MessageBoxCloseBox, ShownOnlyWhereTheBoxCanBeDismissedAndAnsweringAsEscape) {
  // Flags and the answer of the close box (0: the box has none and cannot be dismissed).
  const std::pair<int, int> cases[] = {
      {0, mb::IDOK}, {16, mb::IDOK}, {64, mb::IDOK}, {33, mb::IDCANCEL}, {292, 0}};
  installMessageFormHandler();
  Form owner;
  owner.setCaption(QStringLiteral("节目表编辑"));
  owner.setClientSize(400, 300);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  for (const auto& [flags, dismiss] : cases) {
    SCOPED_TRACE(flags);
    bool closeHint = false, sysMenuIcon = false, sysMenuStyle = false, stayed = false;
    QTimer::singleShot(0, [&] {
      TMessageForm* box = visibleBox();
      ASSERT_TRUE(box);
      closeHint = box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
      sysMenuIcon = box->borderIcons().testFlag(biSystemMenu);
      sysMenuStyle = wm::GetWindowLong(box, wm::GWL_STYLE) & wm::WS_SYSMENU;
      // The close box: the window is asked to close, as the window manager does.
      box->close();
      QApplication::processEvents();
      stayed = box->isVisible();
      if (stayed) box->findChildren<QPushButton*>().value(0)->click();
    });
    const int answer = MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), flags);
    EXPECT_EQ(closeHint, dismiss != 0);
    EXPECT_EQ(sysMenuIcon, dismiss != 0);
    EXPECT_EQ(sysMenuStyle, dismiss != 0);
    EXPECT_EQ(stayed, dismiss == 0) << "a box without a dismiss answer must not close without one";
    // Otherwise the box's first button answered.
    EXPECT_EQ(answer, dismiss != 0 ? dismiss : int(mb::IDYES));
  }
  setMessageBoxHandler({});
}

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
