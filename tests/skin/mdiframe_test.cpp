// A skinned MDI child: its frame's margins and region, caption drag and buttons, maximised and minimised, off.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include "platform/forms/form.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"
using namespace orvane::skin; namespace wm = orvane::wm; using testing_support::waitUntil;

TEST_F(FormSkinFixture, MdiChildDrawsItsOwnFrameInsideTheArea) {
  orvane::Form frame; frame.setMenuBar(new QMenuBar), frame.menuBar()->addMenu("&File"); auto* area = new QMdiArea(frame.client()); area->resize(600, 450), frame.resize(640, 500), frame.show();
  auto child = [&] { return reinterpret_cast<QMdiSubWindow*>(wm::SendMessage(area, wm::WM_MDICREATE, 0, reinterpret_cast<qintptr>(new orvane::Form))); };
  QMdiSubWindow *sub = child(), *first = sub; auto c = [&] { return dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(sub)); };
  auto on = [&](bool s) { SkinManager->SetCurrentSkin(skin.get()), SkinManager->PostAction(s ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 0), SkinManager->TimerAction(); return waitUntil([&] { return !s || (c() && c()->Activated()); }); };
  auto skinned = [&] { return (sub->windowFlags() & Qt::FramelessWindowHint) && sub->contentsMargins() == QMargins(4, 30, 4, 4) && !sub->mask().contains(QPoint(0, 0)) && sub->mask().contains(sub->contentsRect()); };
  auto send = [&](QEvent::Type t, QPoint at, QPoint g) { QMouseEvent e(t, at, g, t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {}); QApplication::sendEvent(sub, &e); };
  auto click = [&](int action) { sub->grab(); for (TWinSysButton* b : c()->SysButtons()) if (b->Visible && b->Record()->Action == action && b->Record()->Visibility != 100)
    for (quint32 msg : {wm::WM_NCLBUTTONDOWN, wm::WM_NCLBUTTONUP}) wm::SendMessage(sub, msg, wm::HTCAPTION, wm::MakePoint(sub->mapToGlobal(b->Bounds.center()))); };
  sub->setGeometry(20, 20, 300, 200); ASSERT_TRUE(on(true)); EXPECT_TRUE(wm::HasOwnNonClient(sub) && skinned());
  const QPoint start = sub->pos(), g = sub->mapToGlobal(QPoint(60, 10));  // a caption drag moves it inside the area
  send(QEvent::MouseButtonPress, {60, 10}, g), send(QEvent::MouseMove, {90, 30}, g + QPoint(30, 20)), send(QEvent::MouseButtonRelease, {90, 30}, g + QPoint(30, 20)); EXPECT_EQ(sub->pos(), start + QPoint(30, 20));
  click(2); ASSERT_TRUE(waitUntil([&] { return sub->isMinimized(); })); EXPECT_TRUE(!(sub->windowFlags() & Qt::FramelessWindowHint) && sub->mask().isEmpty() && sub->height() > 0);  // minimised: the system's small bar, no region
  wm::SendMessage(sub, wm::WM_SYSCOMMAND, wm::SC_RESTORE), click(1); ASSERT_TRUE(waitUntil([&] { return sub->isMaximized(); }));  // maximised: no frame, the buttons in the frame's bar
  auto* f = (frame.grab(), dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(&frame)));
  EXPECT_TRUE(sub->contentsMargins().isNull() && sub->mask().isEmpty() && std::count_if(f->SysButtons().begin(), f->SysButtons().end(), [](TWinSysButton* b) { return b->Visible && b->Record()->Visibility == 100; }) == 3);
  wm::SendMessage(sub, wm::WM_SYSCOMMAND, wm::SC_RESTORE); ASSERT_TRUE(waitUntil([&] { return !sub->isMaximized() && skinned(); }));
  QPointer<QMdiSubWindow> gone(sub = child());  // the close button closes it
  ASSERT_TRUE(waitUntil([&] { return c() && c()->Activated(); })); click(0); EXPECT_TRUE(waitUntil([&] { return !gone; }));
  const QSize client = wm::GetClientRect(sub = first).size();  // off: Qt's frame around the same client
  // The client's scroll bars are off under the skin and as they were after it.
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  wm::SendMessage(area, wm::WM_NCCALCSIZE);
  EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  on(false); EXPECT_EQ(area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  EXPECT_TRUE(!wm::HasOwnNonClient(sub) && !(sub->windowFlags() & Qt::FramelessWindowHint) && sub->contentsMargins().top() > 0 && sub->mask().isEmpty() && wm::GetClientRect(sub).size() == client);
  // On again: the open child is skinned once it is activated inside its frame.
  on(true), area->setActiveSubWindow(nullptr), area->setActiveSubWindow(sub); EXPECT_TRUE(waitUntil([&] { return c() && c()->Activated() && skinned(); }));
}
