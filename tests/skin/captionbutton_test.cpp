// Caption buttons on a skinned window: which show by the skin's rules, where they sit, their
// states under the mouse, what each click does (seen by a recording procedure under the
// skin), and when the hint shows and hides.
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMenu>

#include "platform/wm/wm.h"
#include "tests/skin/skinfixture.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

constexpr quint32 kFull = wm::WS_CAPTION | wm::WS_SYSMENU | wm::WS_THICKFRAME | wm::WS_MINIMIZEBOX | wm::WS_MAXIMIZEBOX;

// A top-level window with the given style, a recording procedure, and its form skinner.
struct Skinned {
  Skinned(TSXSkin* skin, quint32 style, quint32 ex = 0, const char* cls = "TForm_x") {
    w.setProperty("wmStyle", style);
    w.setProperty("wmExStyle", ex);
    w.setGeometry(100, 100, 300, 200);
    below = wm::Subclass(&w, [this](wm::Message& m) {
      if (m.msg == WM_SKINACTIONQUERY) m.result = m.wParam == 1500;
      if (m.msg == wm::WM_SYSCOMMAND || m.msg == WM_SKINBUTTONACTION)
        log << QStringLiteral("%1 %2").arg(m.msg, 0, 16).arg(m.wParam, 0, 16);
      else
        wm::CallPrevious(below, m);
    });
    f = new TFormSkinner(&w, nullptr, QString::fromLatin1(cls));
    f->InitWindow(skin);
  }
  ~Skinned() { delete f; }
  // The screen point of a window point.
  QPoint Screen(QPoint windowPt) {
    return windowPt - QPoint(f->Borders().left(), f->Borders().top()) - wm::ScreenToClient(&w, QPoint(0, 0));
  }
  qintptr At(QPoint windowPt) { return wm::MakePoint(Screen(windowPt)); }
  QWidget w;
  wm::Link below;
  TFormSkinner* f;
  QStringList log;
};

class CaptionButtonTest : public FormSkinFixture {};

}  // namespace

TEST_F(CaptionButtonTest, VisibilityTable) {
  using namespace wm;
  const quint32 cap = WS_CAPTION | WS_SYSMENU;
  // Visibility, Visibility1, Action, style, ex-style, maximised, active -> visible, enabled (-1 not checked).
  struct Case {
    int vis, vis1, action;
    quint32 style, ex;
    bool maximized, active, visible;
    int enabled;
    const char* cls = "TForm_x";
  } cases[] = {
      {0, 0, 0, kFull, 0, 0, 1, 1, -1}, {-1, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, -1, 5, kFull, 0, 0, 1, 0, -1}, {1, 0, 5, kFull, 0, 0, 1, 0, -1},
      {1, 1, 5, kFull, 0, 1, 1, 1, -1}, {2, 0, 5, kFull, 0, 1, 1, 0, -1},
      {3, 0, 5, kFull, 0, 0, 0, 0, -1}, {4, 4, 5, kFull, 0, 0, 0, 1, -1},
      {5, 0, 5, kFull, 0, 0, 1, 0, -1}, {6, 0, 5, cap, 0, 0, 1, 0, -1},
      {6, 8, 5, kFull, 0, 0, 1, 1, -1}, {8, 0, 5, WS_CAPTION | WS_MINIMIZEBOX, 0, 0, 1, 0, -1},
      {0, 8, 5, WS_CAPTION | WS_MINIMIZEBOX, 0, 0, 1, 1, -1}, {7, 0, 5, kFull, 0, 0, 1, 0, -1},
      {7, 7, 5, cap | WS_MINIMIZEBOX, 0, 0, 1, 1, -1}, {9, 9, 5, cap | WS_MAXIMIZEBOX, 0, 0, 1, 1, -1},
      {10, 10, 5, cap, WS_EX_CONTEXTHELP, 0, 1, 1, -1}, {10, 0, 5, kFull, WS_EX_CONTEXTHELP, 0, 1, 0, -1},
      {0, 10, 5, kFull, WS_EX_CONTEXTHELP, 0, 1, 1, -1}, {50, 0, 5, kFull, 0, 0, 1, 0, -1},
      {100, 100, 5, kFull, 0, 0, 1, 0, -1}, {150, 0, 5, kFull, 0, 0, 1, 0, -1},
      {500, 999, 5, kFull, 0, 0, 1, 1, -1}, {2500, 0, 5, kFull, 0, 0, 1, 0, -1},
      {1500, 1600, 5, kFull, 0, 0, 1, 1, -1}, {1600, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, 200, 5, cap, WS_EX_DLGMODALFRAME, 0, 1, 1, -1}, {200, 0, 5, kFull, 0, 0, 1, 0, -1},
      {0, 200, 5, cap, WS_EX_DLGMODALFRAME, 0, 1, 0, -1, "TMessageForm"}, {0, 0, 0, WS_CAPTION, 0, 0, 1, 0, -1},
      {0, 0, 1, kFull, 0, 0, 1, 1, 1}, {0, 0, 1, cap | WS_MINIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 2, WS_CAPTION | WS_MAXIMIZEBOX | WS_MINIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 2, cap | WS_MAXIMIZEBOX, 0, 0, 1, 1, 0},
      {0, 0, 3, cap, WS_EX_DLGMODALFRAME, 0, 1, 0, -1}, {0, 0, 11, cap, 0, 0, 1, 1, -1},
  };
  TDataSkinSysButton& r = Record(0);
  int row = 0;
  for (const Case& c : cases) {
    r.Visibility = c.vis, r.Visibility1 = c.vis1, r.Action = c.action;
    Skinned s(skin.get(), c.style, c.ex, c.cls);
    s.f->SetShowState(c.maximized ? TFormSkinner::ssMaximized : TFormSkinner::ssNormal);
    s.f->SetActive(c.active);
    EXPECT_EQ(s.f->IsSysButtonVisible(0), c.visible) << "row " << row;
    EXPECT_EQ(s.f->SysButtons()[0]->Visible, c.visible) << "row " << row;
    if (c.enabled >= 0) {
      EXPECT_EQ(s.f->SysButtons()[0]->Enabled, c.enabled == 1) << "row " << row;
    }
    ++row;
  }
}

TEST_F(CaptionButtonTest, LayoutByAlign) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Action = 5, r.Xcoord = 5, r.Ycoord = 3;
  const QRect caption(40, 2, 100, 18);
  for (int align : {0, 1, 2, 3, 7, 8, 9, 100}) {
    r.Align = align;
    Skinned s(skin.get(), kFull);
    s.f->SetCaptionRect(caption);
    s.f->LayoutSysButtons();
    const TWinSysButton& b = *s.f->SysButtons()[0];
    const int w = r.Bitmap.width() / r.FrameCount(), h = r.Bitmap.height(), W = wm::GetWindowRect(&s.w).width();
    const QMargins m = s.f->Borders();
    const int menuLeft = skin->Data()->MenuBar ? skin->Data()->MenuBar->LeftWidth : 0;
    const QPoint expected = align == 0                  ? QPoint(5, 3)
                            : align == 1                ? QPoint(W - 5, 3)
                            : align == 2 || align == 8  ? QPoint(40 - w - 5, 3)
                            : align == 3 || align == 9  ? QPoint(140 + 5, 3)
                            : align == 100              ? QPoint(W - 5 - m.right() - menuLeft, m.top() + (0 - h) / 2)
                                                        : QPoint(0, 0);
    EXPECT_EQ(b.Bounds, QRect(expected, QSize(w, h))) << "Align " << align;
  }
  // A button without an image, or with zero frames, takes no place and no click.
  r.Bitmap = QImage(), r.Frame = 0, r.Align = 0;
  Skinned s(skin.get(), kFull);
  s.f->LayoutSysButtons();
  EXPECT_TRUE(s.f->SysButtons()[0]->Bounds.isEmpty());
  EXPECT_EQ(s.f->FindObject(QPoint(5, 3)), nullptr);
}

TEST_F(CaptionButtonTest, StatesAndClicksThroughTheTitleBarMouse) {
  using namespace wm;
  const QString sys = QString::number(WM_SYSCOMMAND, 16) + u' ';
  struct Case {
    int action;
    quint32 style;
    int showState;
    const char* posted;  // what the click leaves for the window
  } cases[] = {
      {0, kFull, 0, "f060"}, {1, kFull, 0, "f030"}, {22, kFull, 0, "f030"}, {1, kFull, 1, "f120"},
      {1, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, ""}, {2, kFull, 0, "f020"}, {23, kFull, 2, "f120"},
      {4, kFull, 0, "f180"}, {9, kFull, 0, ""}, {61, kFull, 0, ""}, {3, kFull, 0, ""},
  };
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 2;
  for (const Case& c : cases) {
    r.Action = c.action;
    Skinned s(skin.get(), c.style);
    wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
    s.f->SetShowState(c.showState);
    s.f->LayoutSysButtons();
    TWinSysButton* b = s.f->SysButtons()[0];
    const qintptr at = s.At(b->Bounds.center());
    SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stHot) << c.action;
    EXPECT_EQ(s.f->HotObject(), b);
    SendMessage(&s.w, WM_NCLBUTTONDOWN, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stPressed) << c.action;
    SendMessage(&s.w, WM_NCLBUTTONUP, HTCAPTION, at);
    EXPECT_EQ(b->State, TNCObject::stHot) << c.action;
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(s.log.join(u','), c.posted[0] ? sys + QLatin1String(c.posted) : QString()) << c.action;
    EXPECT_EQ(s.f->SystemMenuPopup() && s.f->SystemMenuPopup()->isVisible(), c.action == 3) << c.action;
    if (s.f->SystemMenuPopup()) s.f->SystemMenuPopup()->close();
    SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, s.At(QPoint(-40, -40)));
    EXPECT_EQ(s.f->HotObject(), nullptr);
    // Maximising lets go of the button without a leave.
    EXPECT_EQ(b->State, QLatin1String(c.posted) == "f030" ? TNCObject::stHot : TNCObject::stNormal) << c.action;
  }
  // Anything other than the window's own actions goes to the window as a button action.
  r.Action = 5;
  Skinned s(skin.get(), kFull);
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  const qintptr on = s.At(s.f->SysButtons()[0]->Bounds.center()), off = s.At(QPoint(-40, -40));
  SendMessage(&s.w, WM_NCLBUTTONDOWN, HTCAPTION, on);
  SendMessage(&s.w, WM_NCLBUTTONUP, HTCAPTION, on);
  // Double clicks: off the buttons maximise, restore when maximised; right click opens the menu.
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, off);
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, off);
  r.Action = 3;
  SendMessage(&s.w, WM_NCLBUTTONDBLCLK, HTCAPTION, on);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(s.log, QStringList({QString::number(WM_SKINBUTTONACTION, 16) + " 5", sys + "f030", sys + "f120", sys + "f060"}));
  SendMessage(&s.w, WM_NCRBUTTONDOWN, HTCAPTION, off);
  ASSERT_TRUE(s.f->SystemMenuPopup());
  EXPECT_TRUE(s.f->SystemMenuPopup()->isVisible());
  s.f->SystemMenuPopup()->close();
  // An inactive window drops title-bar moves.
  s.f->SetActive(false);
  SendMessage(&s.w, WM_NCMOUSEMOVE, HTCAPTION, on);
  EXPECT_EQ(s.f->HotObject(), nullptr);
}

TEST_F(CaptionButtonTest, HintAfterTwiceThePauseUntilTheHidePause) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 2, r.Action = 0;
  Skinned s(skin.get(), kFull);
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  const QPoint on = s.Screen(s.f->SysButtons()[0]->Bounds.center());
  QCursor::setPos(on);
  if (wm::GetCursorPos() != on) GTEST_SKIP() << "the platform cannot place the cursor";
  wm::SendMessage(&s.w, wm::WM_NCMOUSEMOVE, wm::HTCAPTION, wm::MakePoint(on));
  for (int tick = 1; tick <= 15; ++tick) {
    s.f->HoverTimer();
    const int ms = tick * 250;  // shown from 2 x 500 ms for 2,500 ms
    EXPECT_EQ(skin->CaptionHintShown(), ms >= 1000 && ms < 3500) << ms;
    if (ms == 1000) {
      EXPECT_EQ(qobject_cast<QLabel*>(skin->CaptionHintWindow())->text(), "关闭");
    }
  }
  QCursor::setPos(s.Screen(QPoint(-40, -40)));
  s.f->HoverTimer();
  EXPECT_EQ(s.f->HotObject(), nullptr);
  EXPECT_EQ(TFormSkinner::HintCounter(), 0);
  // Freed buttons are never left hot for the timer.
  wm::SendMessage(&s.w, wm::WM_NCMOUSEMOVE, wm::HTCAPTION, wm::MakePoint(on));
  ASSERT_NE(s.f->HotObject(), nullptr);
  s.f->FreeSysButtons();
  EXPECT_EQ(s.f->HotObject(), nullptr);
  s.f->HoverTimer();
  const int actions[] = {0, 9, 62, 1, 22, 2, 23, 7, 60, 8, 61, 3, 5};
  QStringList hints;
  for (int a : actions) hints << CaptionButtonHint(a);
  EXPECT_EQ(hints.join(u','), "关闭,关闭,关闭,最大化,最大化,最小化,最小化,最小化,最小化,还原,还原,,");
}

TEST_F(CaptionButtonTest, PaintDrawsInsideThePassAndOtherwiseAsksForOne) {
  TDataSkinSysButton& r = Record(0);
  r.Visibility = r.Visibility1 = 0, r.Align = 0, r.Xcoord = r.Ycoord = 0, r.Action = 0;
  Skinned s(skin.get(), kFull);
  wm::SetOwnNonClient(&s.w, true);
  s.w.show();
  wm::SendMessage(&s.w, WM_SKINACTIVATE, 0, 1000);
  s.f->LayoutSysButtons();
  TWinSysButton* b = s.f->SysButtons()[0];
  b->State = TNCObject::stHot;
  bool inPass = false;
  wm::Link top = wm::Subclass(&s.w, [&](wm::Message& m) {
    wm::CallPrevious(top, m);
    if (m.msg != wm::WM_NCPAINT) return;
    inPass = wm::GetWindowDC(&s.w) != nullptr;
    b->Paint();
  });
  b->Paint();  // outside a pass: only a repaint is asked for
  EXPECT_FALSE(inPass);
  s.f->FrameChanged();
  const QImage shot = s.w.grab().toImage();
  ASSERT_TRUE(inPass);
  const QRect cell = FrameRect(b->Image, false, b->Frames, TNCObject::stHot);
  int compared = 0;
  for (int y = 0; y < cell.height(); ++y)
    for (int x = 0; x < cell.width(); ++x) {
      const QColor want = b->Image.pixelColor(cell.topLeft() + QPoint(x, y));
      if (want.alpha() != 255) continue;
      ++compared;
      ASSERT_EQ(shot.pixelColor(b->Bounds.topLeft() + QPoint(x, y)).rgb(), want.rgb()) << x << ',' << y;
    }
  EXPECT_GT(compared, 0);
  wm::Unsubclass(top);
  wm::SetOwnNonClient(&s.w, false);
}
