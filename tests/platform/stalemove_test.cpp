// Under Xvfb with openbox: a caption drag whose button is already up when its first move is
// handled hands the window manager no move (it would hold the pointer until the next click).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <xcb/xcb.h>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"

TEST(StaleMove, AFinishedDragStartsNoWindowManagerMove) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  orvane::Form form;
  form.setGeometry(100, 100, 300, 200), form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  orvane::wm::Link link = orvane::wm::Subclass(&form, [&link](orvane::wm::Message& m) { orvane::wm::CallPrevious(link, m); });
  orvane::wm::SetOwnNonClient(&form, true);
  const QPoint at(150, 5);
  orvane::wm::SendMessage(&form, orvane::wm::WM_NCLBUTTONDOWN, orvane::wm::HTCAPTION, orvane::wm::MakePoint(form.mapToGlobal(at)));
  QMouseEvent move(QEvent::MouseMove, at + QPoint(40, 30), form.mapToGlobal(at + QPoint(40, 30)), Qt::NoButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&form, &move);  // queued before the release the real pointer already had
  QTest::qWait(300);
  xcb_connection_t* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_grab_pointer_reply_t* r = xcb_grab_pointer_reply(c, xcb_grab_pointer(c, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME), nullptr);
  EXPECT_TRUE(r && r->status == XCB_GRAB_STATUS_SUCCESS);  // nobody holds the pointer
  free(r), xcb_ungrab_pointer(c, XCB_CURRENT_TIME), xcb_flush(c);
}
