// The skinned window procedure and the form's own procedure, message by message, seen from a
// procedure beneath the skin; and MDI frames and children on a test-only MDI form.
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinMenu.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TScrollbarSx.h"
#include "skin/controls/TSkinHeader.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

class SkinProcTest : public FormSkinFixture {};

// A window recorded beneath its skin; system commands and closing are kept from acting.
struct Recorded {
  explicit Recorded(QWidget* window) : w(window) {
    below = wm::Subclass(w, [this](wm::Message& m) {
      seen << m.msg;
      if (m.msg == CM_RECREATEWND) during = w->grab().toImage();  // a paint pass while recreated
      if (m.msg == wm::WM_SYSCOMMAND || m.msg == wm::WM_CLOSE) return;
      const qintptr before = m.result;
      wm::CallPrevious(below, m);
      if (m.msg == WM_SKINPRESENT && m.lParam == SkinNotifyKey) answeredBeneath = before == 0 && m.result == SkinNotifyKey;
    });
    w->resize(300, 200);
    w->show();
    f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w));
  }
  QWidget* w;
  wm::Link below;
  TFormSkinner* f = nullptr;
  QList<quint32> seen;
  bool answeredBeneath = false;  // the form's procedure lies beneath
  QImage during;
};

// A test-only MDI form: an MDI client in its client area, children made the classic way.
struct MdiForm : orvane::Form {
  MdiForm() : area(new QMdiArea(client())) { area->resize(400, 300); }
  QMdiSubWindow* NewChild() {
    auto* child = new orvane::Form;
    return reinterpret_cast<QMdiSubWindow*>(wm::SendMessage(area, wm::WM_MDICREATE, 0, reinterpret_cast<qintptr>(child)));
  }
  QMdiArea* area;
};

}  // namespace

TEST_F(SkinProcTest, PrivateMessagesAndRows) {
  orvane::Form form;
  QDialog dialog;  // a window without a form: "#32770"
  Recorded r(&form), bare(&dialog);
  ASSERT_TRUE(r.f && bare.f);
  const QColor face = ToQColor(skin->Data()->Colour(scButtonFace));
  QImage dc(20, 20, QImage::Format_ARGB32);
  QPainter painter(&dc);
  const auto dcParam = reinterpret_cast<quintptr>(&painter);
  QMenu* systemMenu = wm::GetSystemMenu(&form);
  struct Row {  // passed: reached the procedure beneath the skin
    const char* what; Recorded* to; quint32 msg; quintptr wParam; qintptr lParam, result; bool passed;
  };
  // Before the deferred activation nothing of the frame is painted.
  const Row early[] = {
      {"nc paint before activation", &r, wm::WM_NCPAINT, 1, 0, 0, false},
      {"nc activate before activation", &r, wm::WM_NCACTIVATE, 1, 0, 0, false},
  };
  // After it (-1: the result is not checked).
  const Row rows[] = {
      {"skinned query", &r, WM_SKINQUERY, 0, 0, 1, false},
      {"presence", &r, WM_SKINPRESENT, 0, SkinNotifyKey, SkinNotifyKey, true},
      {"presence, other", &r, WM_SKINPRESENT, 0, 0, 1, true},
      {"print frame, no painter", &r, WM_SKINPRINTFRAME, 0, SkinNotifyKey, SkinNotifyKey, true},
      {"print frame, not ours", &r, WM_SKINPRINTFRAME, dcParam, 7, 0, true},
      {"caption drawing", &r, wm::WM_NCUAHDRAWCAPTION, 0, 0, 0, false},
      {"repaint frame", &r, WM_SKINPAINTFRAME, 0, 0, 0, false},
      {"menu command close", &r, wm::WM_COMMAND, wm::SC_CLOSE, 0, -1, false},
      {"menu command other", &r, wm::WM_COMMAND, 1234, 0, -1, true},
      {"system menu opens", &r, wm::WM_INITMENUPOPUP, reinterpret_cast<quintptr>(systemMenu), 0, -1, true},
      {"size maximised", &r, wm::WM_SIZE, wm::SIZE_MAXIMIZED, 0, -1, true},
      {"minimise command", &r, wm::WM_SYSCOMMAND, wm::SC_MINIMIZE, 0, -1, true},
      {"recreate", &r, CM_RECREATEWND, 0, 0, -1, true},
      {"bare erase", &bare, wm::WM_ERASEBKGND, dcParam, 0, 1, true},
      {"bare static colour", &bare, wm::WM_CTLCOLORSTATIC, dcParam, 0, -1, true},
  };
  auto run = [](const Row& row) {
    SCOPED_TRACE(row.what);
    row.to->seen.clear();
    const qintptr result = wm::SendMessage(row.to->w, row.msg, row.wParam, row.lParam);
    if (row.result >= 0) { EXPECT_EQ(result, row.result); }
    EXPECT_EQ(row.to->seen.contains(row.msg), row.passed);
    return result;
  };
  for (const Row& row : early) run(row);
  ASSERT_TRUE(testing_support::waitUntil([&] { return r.f->Activated() && bare.f->Activated(); }));
  const QRect title(0, 0, form.width(), r.f->Borders().top());
  for (const Row& row : rows) {
    const qintptr result = run(row);
    QCoreApplication::processEvents();
    if (row.msg == WM_SKINQUERY) { EXPECT_TRUE(r.seen.contains(WM_SKINNOTIFY)); }
    if (row.msg == wm::WM_COMMAND && row.wParam == wm::SC_CLOSE) { EXPECT_TRUE(r.seen.contains(wm::WM_SYSCOMMAND)); }
    if (row.msg == WM_SKINPRESENT) { EXPECT_TRUE(r.answeredBeneath); }  // the form's procedure is beneath
    if (row.msg == wm::WM_INITMENUPOPUP) { EXPECT_EQ(SkinManager->MenuKind(), TSkinManage::mkSystem); }
    if (row.msg == wm::WM_SIZE) { EXPECT_EQ(r.f->ShowState(), TFormSkinner::ssMaximized); }
    if (row.msg == wm::WM_SYSCOMMAND) { EXPECT_EQ(r.f->ShowState(), TFormSkinner::ssMinimized); }
    if (row.msg == CM_RECREATEWND) {  // the title bar was not painted meanwhile
      EXPECT_NE(r.during.copy(title), form.grab().toImage().copy(title));
      EXPECT_TRUE(skin->FramePainting);
    }
    if (row.msg == wm::WM_ERASEBKGND) { EXPECT_EQ(dc.pixelColor(10, 10), face); }
    if (row.msg == wm::WM_CTLCOLORSTATIC) { EXPECT_EQ(reinterpret_cast<const QBrush*>(result)->color(), face); }
  }
  // The frame printed into a painter is the frame on the screen.
  QImage printed(form.size(), QImage::Format_ARGB32_Premultiplied);
  printed.fill(Qt::transparent);
  QPainter printer(&printed);
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINPRINTFRAME, reinterpret_cast<quintptr>(&printer), SkinNotifyKey), SkinNotifyKey);
  printer.end();
  EXPECT_EQ(printed.copy(title), form.grab().toImage().convertToFormat(printed.format()).copy(title));
  // Colours re-applied on request.
  form.setPalette(QPalette(Qt::red));
  wm::SendMessage(&form, WM_SKINAPPLYCOLORS);
  EXPECT_EQ(form.palette().color(QPalette::Window), face);
  // A control's scroll-bar skinner is made anew through the hook.
  QWidget* control = new QWidget(form.client());
  QPointer<TSkinControl> old = new TSkinControl(control);
  r.f->AddSkinControl(old);
  QWidget* rebuilt = nullptr;
  r.f->RebuildScrollbar = [&](QWidget* c, TSkinControl* was) { rebuilt = was == old ? c : nullptr; };
  wm::SendMessage(&form, WM_SKINREBUILDSCROLL, reinterpret_cast<quintptr>(control));
  EXPECT_EQ(rebuilt, control);
  EXPECT_TRUE(!old && r.f->SkinControlList().isEmpty());
  // Without a hook the engine makes a scroll-bar skinner of the same kind again.
  r.f->RebuildScrollbar = nullptr;
  auto* memo = new QPlainTextEdit(form.client());
  for (bool listView : {false, true}) {
    QPointer<TSkinScrollbar> was = listView ? new TSkinListView(memo) : new TSkinScrollbar(memo);
    was->InitScrollbar(memo, skin.get(), r.f);
    wm::SendMessage(&form, WM_SKINREBUILDSCROLL, reinterpret_cast<quintptr>(memo));
    auto* now = qobject_cast<TSkinScrollbar*>(TSkinRegistry::SkinnerFor(memo));
    EXPECT_TRUE(!was && now && (qobject_cast<TSkinListView*>(now) != nullptr) == listView) << listView;
    EXPECT_EQ(r.f->SkinControlList().size(), 1);
    delete now;
  }
}

TEST_F(SkinProcTest, MdiFrameAndChildren) {
  MdiForm frame;
  frame.area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  frame.area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* bar = new QMenuBar;
  bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("x"));
  frame.setMenuBar(bar);
  frame.resize(500, 400);
  frame.show();
  auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(&frame));
  ASSERT_TRUE(f && testing_support::waitUntil([&] { return f->Activated(); }));
  EXPECT_EQ(f->WindowKind(), TWinSkinForm::wkMDIFrame);
  EXPECT_EQ(SkinManager->MDIClient(), frame.area);
  EXPECT_TRUE(f->MDIClientSubclassed());
  QMdiSubWindow* a = frame.NewChild();
  EXPECT_FALSE(skin->MenuUpdate);  // a child's menu is being merged
  QMdiSubWindow* b = frame.NewChild();
  for (QMdiSubWindow* sub : {a, b}) {
    auto* c = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(sub));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->WindowKind(), TWinSkinForm::wkMDIChild);
    EXPECT_EQ(c->Object(), sub->widget());
    EXPECT_EQ(wm::GetClassName(sub), wm::GetClassName(sub->widget()));
    EXPECT_EQ(c->IsActive(), sub == b);  // told of its activation inside the frame
  }
  auto maximize = [&](QMdiSubWindow* sub) {
    wm::SendMessage(frame.area, wm::WM_MDIMAXIMIZE, reinterpret_cast<quintptr>(sub));
    frame.grab();  // the frame's menu bar paints the child's buttons
  };
  // The maximised child's restore button sits in the frame's menu bar and acts on the child.
  maximize(b);
  EXPECT_TRUE(SkinManager->MDIMaximized());
  TWinSysButton* restore = nullptr;
  for (TWinSysButton* x : f->SysButtons())
    if (x->Record()->Visibility == 100 && x->Record()->Action == 8) restore = x;
  ASSERT_TRUE(restore && restore->Visible);
  EXPECT_TRUE(restore->Bounds.top() >= f->Borders().top() &&
              restore->Bounds.bottom() < f->Borders().top() + f->MenuBarHeight());
  const qintptr at = wm::MakePoint(frame.mapToGlobal(restore->Bounds.center()));
  wm::SendMessage(&frame, wm::WM_NCLBUTTONDOWN, wm::HTMENU, at);
  wm::SendMessage(&frame, wm::WM_NCLBUTTONUP, wm::HTMENU, at);
  EXPECT_FALSE(b->isMaximized() || b->isMinimized());
  // A point on a menu-bar item drops its menu down.
  const QRect file = f->MenuBar()->Items().front()->Bounds;
  wm::SendMessage(&frame, WM_SKINMENUAT, 0, wm::MakePoint(frame.mapToGlobal(file.center())));
  ASSERT_TRUE(OpenDropDown());
  OpenDropDown()->hide();
  EXPECT_FALSE(SkinManager->MDIMaximized());
  // The MDI client's procedure keeps the manager's state with the children.
  maximize(b);
  wm::SendMessage(frame.area, wm::WM_MDITILE);
  EXPECT_FALSE(SkinManager->MDIMaximized());
  maximize(b);
  wm::SendMessage(frame.area, wm::WM_MDIDESTROY, reinterpret_cast<quintptr>(b));
  EXPECT_FALSE(SkinManager->MDIMaximized());
  EXPECT_EQ(frame.area->subWindowList(), QList<QMdiSubWindow*>{a});
  wm::SendMessage(frame.area, wm::WM_MDIDESTROY, reinterpret_cast<quintptr>(a));
  EXPECT_TRUE(skin->MenuUpdate);  // no child left: the frame's own menu again
  // The client's scroll bars are off under the skin and as they were after it.
  wm::SendMessage(frame.area, wm::WM_NCCALCSIZE);
  EXPECT_EQ(frame.area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  SkinManager->SetCurrentSkin(skin.get());
  SkinManager->PostAction(TSkinManage::ActionDeactivate, 0);
  SkinManager->TimerAction();
  EXPECT_EQ(frame.area->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  EXPECT_EQ(frame.area->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(SkinProcTest, SavedActiveSwitchesOnForItsOwnSkin) {
  TSXSkin saved;  // read with Active set, into a manager that already runs
  saved.SetSkinStream(skin->SkinStream());
  ASSERT_TRUE(saved.LoadSkin());
  saved.SetActive(true);
  SkinManager->SetOn(false);
  int changed = 0;
  saved.OnSkinChanged = [&](TSXSkin*) { ++changed; };
  saved.Loaded();
  EXPECT_TRUE(testing_support::waitUntil([&] { return changed == 1; }, 2000));
  EXPECT_TRUE(SkinManager->On());
}

TEST_F(SkinProcTest, SwitchedBeforeAnyWindowIsActiveTheStyleFollows) {  // no timer runs yet: the switch itself
  SkinManager->SetState(TSkinManage::NotStarted);
  for (const bool on : {true, false, true})
    { SkinManager->PostAction(on ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 250); EXPECT_EQ(SkinStyleInstalled(), on); }
  RemoveSkinStyle();
}
