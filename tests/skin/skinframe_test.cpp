// The skinned frame: margins and client through on, off, on; hit codes and the caption.
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>

#include "platform/forms/form.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin; namespace wm = orvane::wm;

struct SkinFrameTest : FormSkinFixture {
  TFormSkinner* On(QWidget* w, bool on = true) {
    SkinManager->SetCurrentSkin(skin.get()), SkinManager->PostAction(on ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 0);
    SkinManager->TimerAction();
    auto f = [w] { return dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w)); };
    EXPECT_TRUE(testing_support::waitUntil([&] { return !on || (f() && f()->Activated()); }));
    return f();
  }
};

TEST_F(SkinFrameTest, MarginsAndClientThroughOnOffOn) {
  struct { orvane::BorderStyle border; bool menu, max; QMargins margins; } cases[] = {
      {orvane::bsSizeable, false, false, {4, 30, 4, 4}}, {orvane::bsSizeable, true, false, {4, 50, 4, 4}},
      {orvane::bsNone, false, false, {}}, {orvane::bsSizeable, false, true, {4, 30, 4, 4}}};
  for (const auto& c : cases) {
    orvane::Form form;
    form.setBorderStyle(c.border), form.setClientSize(300, 200), form.setMenuBar(c.menu ? new QMenuBar : nullptr);
    (c.max ? form.showMaximized() : form.show()), QCoreApplication::processEvents();
    const QSize client = wm::GetClientRect(&form).size();  // kept through on, off, on
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(On(&form));
      EXPECT_TRUE(wm::HasOwnNonClient(&form) && form.mask().isEmpty() == (c.border == orvane::bsNone));
      EXPECT_EQ(form.contentsMargins(), c.margins);
      EXPECT_TRUE(c.max || wm::GetClientRect(&form).size() == client);
      On(&form, false);
      EXPECT_TRUE(!wm::HasOwnNonClient(&form) && form.mask().isEmpty() && form.isMaximized() == c.max);
      EXPECT_EQ(wm::GetClientRect(&form).size(), client);
    }
  }
}

TEST_F(SkinFrameTest, HitCodesCaptionDragAndDoubleClick) {
  orvane::Form form, single;
  single.setBorderStyle(orvane::bsSingle), single.setMenuBar(new QMenuBar);
  for (orvane::Form* w : {&form, &single}) w->setGeometry(100, 100, 300, 200), w->show(), On(w);
  const int W = form.width(), H = form.height();
  struct { orvane::Form* w; QPoint at; qint32 code; } cases[] = {
      {&form, {1, 1}, wm::HTTOPLEFT}, {&form, {150, 2}, wm::HTTOP}, {&form, {150, 10}, wm::HTCAPTION},
      {&form, {2, 100}, wm::HTLEFT}, {&form, {150, 100}, wm::HTCLIENT}, {&form, {150, H - 2}, wm::HTBOTTOM},
      {&form, {W - 2, H - 2}, wm::HTBOTTOMRIGHT}, {&single, {150, 2}, wm::HTCAPTION},
      {&single, {2, 100}, wm::HTBORDER}, {&single, {150, 40}, wm::HTMENU}};
  for (const auto& c : cases)
    EXPECT_EQ(wm::SendMessage(c.w, wm::WM_NCHITTEST, 0, wm::MakePoint(c.w->mapToGlobal(c.at))), c.code) << c.at.y();
  const QPoint start = form.pos();  // a caption drag moves the window, a double click maximises and restores
  for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, QPoint(60, 10)}, {QEvent::MouseMove, {90, 30}},
                          {QEvent::MouseButtonRelease, {90, 30}}, {QEvent::MouseButtonDblClick, {60, 10}}}) {
    QMouseEvent e(type, at, form.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &e);
    EXPECT_TRUE(type != QEvent::MouseButtonRelease || form.pos() == start + QPoint(30, 20));
  }
  EXPECT_TRUE(testing_support::waitUntil([&] { return form.isMaximized(); }));
  wm::SendMessage(&form, wm::WM_NCLBUTTONDBLCLK, wm::HTCAPTION, wm::MakePoint(form.mapToGlobal(QPoint(60, 10))));
  EXPECT_TRUE(testing_support::waitUntil([&] { return !form.isMaximized(); }));
}
