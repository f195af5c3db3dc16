// What only a window manager shows (run under Xvfb with openbox): an owned window and a
// message box stay above their owner when the owner is activated, and open centred on it
// in their real frames; a window whose owner is hidden still shows.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "tests/support/windowframes.h"

using namespace orvane;

using testing_support::FramedGeometry;
using testing_support::XProperty;

TEST(Stacking, OwnedWindowsStayAboveTheirActivatedOwnerCentredOnIt) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  Form owner;
  owner.setCaption(QStringLiteral("Orvane  V5.11"));
  owner.setClientSize(800, 560);
  owner.move(60, 40);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  Form owned(&owner);
  owned.setCaption(QStringLiteral("节目表编辑"));
  owned.setClientSize(420, 300);
  owned.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owned));
  TMessageForm box(QStringLiteral("确定要删除选中行数据吗?"), QStringLiteral("提示"), 33, &owned);
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  QTest::qWait(300);  // the frames are on
  // The operator brings the owner to the front.
  owner.raise();
  owner.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  QTest::qWait(300);
  const QList<qulonglong> order = XProperty("_NET_CLIENT_LIST_STACKING");  // bottom to top
  ASSERT_TRUE(order.contains(owner.winId()));
  EXPECT_GT(order.indexOf(owned.winId()), order.indexOf(owner.winId()));
  EXPECT_GT(order.indexOf(box.winId()), order.indexOf(owned.winId()));
  ASSERT_EQ(XProperty("_NET_FRAME_EXTENTS", owned.winId()).size(), 4u) << "framed by the window manager";
  const QRect screen = owner.screen()->availableGeometry();
  for (const auto& [window, on] : {std::pair<QWidget*, QWidget*>{&owned, &owner}, {&box, &owned}}) {
    EXPECT_TRUE(screen.contains(FramedGeometry(window)));
    // Within the few pixels of a frame the window manager had not yet told about.
    EXPECT_LE((FramedGeometry(window).center() - FramedGeometry(on).center()).manhattanLength(), 12) << window->windowTitle().toStdString();
  }
  // With the owner hidden in the notification area, a window it owns (the shutdown countdown)
  // still shows, on the screen.
  owner.hide();
  Form countdown(&owner);
  countdown.setCaption(QStringLiteral("关机提示："));
  countdown.setClientSize(300, 110);
  countdown.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&countdown));
  EXPECT_TRUE(screen.contains(FramedGeometry(&countdown)));
}
