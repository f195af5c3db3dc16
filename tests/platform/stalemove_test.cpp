// Under Xvfb with openbox: a caption drag whose button is already up when its first move is
// handled hands the window manager no move (it would hold the pointer until the next click);
// a window given its own frame keeps its client size.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <xcb/xcb.h>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"

namespace wm = orvane::wm;

TEST(StaleMove, AFinishedDragStartsNoWindowManagerMove) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  orvane::Form form;
  form.setGeometry(100, 100, 300, 200), form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  wm::Link link = wm::Subclass(&form, [&link](wm::Message& m) { wm::CallPrevious(link, m); });
  wm::SetOwnNonClient(&form, true);
  const QPoint at(150, 5), to(190, 35);
  wm::SendMessage(&form, wm::WM_NCLBUTTONDOWN, wm::HTCAPTION, wm::MakePoint(form.mapToGlobal(at)));
  QMouseEvent move(QEvent::MouseMove, to, form.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&form, &move), QTest::qWait(300);  // the real button is up
  xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  auto* r = xcb_grab_pointer_reply(c, xcb_grab_pointer(c, 0, root, 0, 1, 1, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME), nullptr);
  EXPECT_TRUE(r && r->status == XCB_GRAB_STATUS_SUCCESS);  // nobody holds the pointer
  free(r), xcb_ungrab_pointer(c, XCB_CURRENT_TIME), xcb_flush(c);
}

// A fixed-size window given its own frame, at once, after one pass of events or a little later
// than it was shown, keeps its client size under a real window manager.
TEST(StaleMove, TakingTheFrameAwayKeepsTheClientSize) {
  for (int round = 0; round < 3; ++round) {
    orvane::Form form;
    form.move(100 + round * 10, 100), form.setFixedSize(280, 90), form.show();
    if (round == 1) QCoreApplication::processEvents();
    if (round == 2) QTest::qWait(20);
    wm::Link link = wm::Subclass(&form, [&link](wm::Message& m) {
      if (m.msg == wm::WM_NCCALCSIZE) return reinterpret_cast<QRect*>(m.lParam)->adjust(4, 30, -4, -4), void();
      wm::CallPrevious(link, m);
    });
    wm::SetOwnNonClient(&form, true);
    QTest::qWait(500);
    EXPECT_EQ(form.contentsRect().size(), QSize(280, 90)) << round;
    EXPECT_EQ(form.size(), QSize(288, 124)) << round;
  }
}
