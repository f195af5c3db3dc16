// Windows keep their place through skin switches: a normal window, a maximised one and the
// normal and maximised children of an MDI frame, switched off and on twenty times through the
// skin component, each keep their client area where it was on the screen (a maximised window
// when it is restored). Runs offscreen and under Xvfb with openbox.
#include <QApplication>
#include <QDebug>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "platform/forms/form.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;
using testing_support::waitUntil;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& r, std::ostream* os) { *os << qPrintable(QDebug::toString(r)); }
QT_END_NAMESPACE

namespace {

// The client area of a window on the screen (a window's geometry is where the window system
// put its client); of an MDI child in its MDI client.
QRect ClientArea(QWidget* w) {
  const QRect c = w->contentsRect();
  return c.translated(w->isWindow() ? w->geometry().topLeft() : w->pos());
}

bool Skinned(QWidget* w) {
  auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w));
  return f && f->Activated();
}

class SkinPlaceTest : public FormSkinFixture {
 protected:
  void SetUp() override {
    FormSkinFixture::SetUp();
    SkinManager->SetOn(false);
    skin->SetActive(false);
  }
  // Switches through the component as the settings window does, without waiting for its delay,
  // and waits until every window has taken the change and the window manager has answered.
  void Switch(bool on, const QList<QWidget*>& windows) {
    skin->SetActive(on);
    SkinManager->TimerAction();
    for (QWidget* w : windows) {
      if (on && qobject_cast<QMdiSubWindow*>(w) && !Skinned(w)) {
        // A child already open is skinned once it is activated inside its frame.
        auto* sub = static_cast<QMdiSubWindow*>(w);
        sub->mdiArea()->setActiveSubWindow(nullptr), sub->mdiArea()->setActiveSubWindow(sub);
      }
      EXPECT_TRUE(waitUntil([&] { return Skinned(w) == on && wm::HasOwnNonClient(w) == on; })) << on;
    }
    Settle();
  }
  static void Settle() {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) QTest::qWait(150);
    QApplication::processEvents();
  }
  // Whether the window's client area comes to lie at `expected` (a window manager answers in
  // its own time, later on a busy machine).
  static bool Lies(QWidget* w, const QRect& expected) {
    return waitUntil([&] { return ClientArea(w) == expected; }, 3000);
  }
  // The client area once it has stopped changing.
  static QRect Steady(QWidget* w) {
    QRect last = ClientArea(w);
    for (int same = 0, polls = 0; same < 3 && polls < 60; ++polls) {
      QTest::qWait(50);
      const QRect now = ClientArea(w);
      same = now == last ? same + 1 : 0;
      last = now;
    }
    return last;
  }
};

}  // namespace

TEST_F(SkinPlaceTest, ClientAreasStayThroughTwentySwitches) {
  orvane::Form plain, maximized, frame;
  plain.setGeometry(120, 140, 320, 200);
  maximized.setGeometry(200, 160, 300, 180);
  auto* area = new QMdiArea(frame.client());
  area->resize(560, 420);
  // Activating a child to have it skinned must not maximise it like the maximised one.
  area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
  frame.setGeometry(60, 80, 600, 460);
  for (QWidget* w : {static_cast<QWidget*>(&plain), static_cast<QWidget*>(&maximized), static_cast<QWidget*>(&frame)}) {
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  }
  auto child = [&](QRect at) {
    auto* sub = reinterpret_cast<QMdiSubWindow*>(wm::SendMessage(area, wm::WM_MDICREATE, 0, reinterpret_cast<qintptr>(new orvane::Form)));
    sub->setGeometry(at);
    return sub;
  };
  QMdiSubWindow* normalChild = child(QRect(20, 20, 240, 160));
  QMdiSubWindow* maximizedChild = child(QRect(80, 90, 220, 150));
  Settle();
  // Where each client lies while normal.
  const QList<QWidget*> all = {&plain, &maximized, &frame, normalChild, maximizedChild};
  QMap<QWidget*, QRect> normal;
  for (QWidget* w : all) normal[w] = Steady(w);
  maximized.showMaximized(), maximizedChild->showMaximized();
  ASSERT_TRUE(waitUntil([&] { return maximized.isMaximized() && maximizedChild->isMaximized(); }));
  const QRect maximizedOff = Steady(&maximized);
  QRect maximizedOn;
  for (int round = 0; round < 20; ++round) {
    for (bool on : {true, false}) {
      Switch(on, all);
      for (QWidget* w : {static_cast<QWidget*>(&plain), static_cast<QWidget*>(&frame), static_cast<QWidget*>(normalChild)})
        EXPECT_TRUE(Lies(w, normal[w])) << "round " << round << (on ? " on " : " off ") << w->metaObject()->className()
                                        << qPrintable(QDebug::toString(ClientArea(w)));
      EXPECT_TRUE(maximized.isMaximized()) << round;
      EXPECT_TRUE(maximizedChild->isMaximized()) << round;
      if (on && round == 0) maximizedOn = Steady(&maximized);
      EXPECT_TRUE(Lies(&maximized, on ? maximizedOn : maximizedOff)) << "round " << round << on;
    }
  }
  // Restored after all of it (skin off), the maximised windows come back where they were;
  // maximised again, switched on and restored under the skin, too, and then switched off.
  auto restored = [&](const char* when) {
    maximized.showNormal(), maximizedChild->showNormal();
    ASSERT_TRUE(waitUntil([&] { return !maximized.isMaximized() && !maximizedChild->isMaximized(); }));
    Settle();
    for (QWidget* w : all)
      EXPECT_TRUE(Lies(w, normal[w])) << when << ' ' << w->metaObject()->className()
                                      << qPrintable(QDebug::toString(ClientArea(w)));
  };
  restored("restored off");
  maximized.showMaximized(), maximizedChild->showMaximized();
  ASSERT_TRUE(waitUntil([&] { return maximized.isMaximized() && maximizedChild->isMaximized(); }));
  Settle();
  Switch(true, all);
  restored("restored on");
  Switch(false, all);
  for (QWidget* w : all) EXPECT_TRUE(Lies(w, normal[w])) << "off at last " << w->metaObject()->className();
}
