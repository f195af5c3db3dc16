// The form skinner's life on real windows: attaching, the deferred activation, the skinned
// query, colours, menus switched to skin painting, the size kept under the skin frame, and
// taking it all off again.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

class FormSkinTest : public FormSkinFixture {};

QColor FaceColour(const TSXSkin& s) { return ToQColor(s.Data()->Colour(scButtonFace)); }

// Shows the window; the manager's hook gives it its skinner.
TFormSkinner* ShowSkinned(QWidget* w) {
  w->show();
  return dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w));
}

}  // namespace

TEST_F(FormSkinTest, AttachActivateAndUnskin) {
  orvane::Form form;
  form.resize(300, 200);
  const QColor before = form.palette().color(QPalette::Window);
  QList<quint32> seen;  // what reaches the window's own procedure below the skin
  wm::Link below = wm::Subclass(&form, [&](wm::Message& m) {
    seen << m.msg;
    wm::CallPrevious(below, m);
  });
  QStringList events;
  skin->OnBeforeSkinForm = [&](TSXSkin*, QWidget* w, const QString& n) {
    events << "before " + n;
    EXPECT_EQ(w, &form);
  };
  skin->OnAfterSkinForm = [&](TSXSkin*, QWidget*, const QString& n) { events << "after " + n; };
  auto* f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsCreated);
  EXPECT_EQ(wm::SendMessage(&form, wm::WM_NCACTIVATE, 1), 0);  // nothing painted before activation
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  EXPECT_EQ(form.palette().color(QPalette::Window), FaceColour(*skin));
  const TSkinData& d = *skin->Data();
  EXPECT_EQ(f->Borders(), QMargins(d.Border(bsLeft).Bitmap.width() / d.Border(bsLeft).FrameCount(),
                                   d.Border(bsTop).Bitmap.height() / d.Border(bsTop).FrameCount(),
                                   d.Border(bsRight).Bitmap.width() / d.Border(bsRight).FrameCount(),
                                   d.Border(bsBottom).Bitmap.height() / d.Border(bsBottom).FrameCount()));
  EXPECT_EQ(f->SysButtons().size(), d.SysButtons.size());
  ASSERT_TRUE(testing_support::waitUntil([&] { return f->Activated(); }));
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsAttached);
  EXPECT_TRUE(f->HoverTimerObject().isActive());
  EXPECT_EQ(events, QStringList({"before TForm", "after TForm"}).replaceInStrings("TForm", wm::GetClassName(&form)));
  EXPECT_TRUE(seen.contains(WM_SKINNOTIFY));
  const auto queries = seen.count(WM_SKINQUERY);
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  EXPECT_EQ(seen.count(WM_SKINQUERY), queries);  // answered by the skin
  // The skin changes: colours again, the size kept, life back to attached.
  f->ApplySkinColors();
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsAttached);
  EXPECT_EQ(wm::GetClientRect(&form).size(), QSize(300, 200));
  f->Unskin();
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 0);
  EXPECT_EQ(form.palette().color(QPalette::Window), before);
  EXPECT_FALSE(f->HoverTimerObject().isActive());
  EXPECT_FALSE(f->Subclassed());
}

TEST_F(FormSkinTest, FrameKindAndButtonBitsFromTheStyle) {
  using namespace wm;
  const quint32 caption = WS_CAPTION | WS_SYSMENU;
  struct Case {
    quint32 style, ex;
    const char* cls;
    int frameKind, bits;
    bool dialog;
  } cases[] = {
      {caption | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0, "TForm_a", 0, 11, false},
      {caption, 0, "TForm_a", 1, 8, false},
      {caption, WS_EX_DLGMODALFRAME, "TForm_a", 3, 8, false},
      {caption | DS_MODALFRAME, WS_EX_CONTEXTHELP, "TForm_a", 3, 12, false},
      {WS_POPUP, 0, "TForm_a", 2, 0, false},
      {WS_POPUP | WS_BORDER, 0, "TForm_a", 2, 0, false},
      {caption | WS_THICKFRAME, 0, "TMessageForm", 3, 8, true},
      {WS_POPUP, 0, "#32770", 3, 0, true},
  };
  for (const Case& c : cases) {
    QWidget w;
    w.setProperty("wmStyle", c.style);
    w.setProperty("wmExStyle", c.ex);
    TFormSkinner f(&w, nullptr, QString::fromLatin1(c.cls));
    f.InitWindow(skin.get());
    EXPECT_EQ(f.FrameKind(), c.frameKind) << c.cls << ' ' << std::hex << c.style;
    EXPECT_EQ(f.ButtonBits(), c.bits) << c.cls << ' ' << std::hex << c.style;
    EXPECT_EQ(f.IsDialog(), c.dialog) << c.cls;
    if (c.frameKind == 2) {
      EXPECT_EQ(f.Borders(), QMargins());
    }
    f.Detach();
  }
}

TEST_F(FormSkinTest, MenusSwitchedToSkinPaintingAndBack) {
  skin->SkinControls |= SetBit(xcMenuItem);
  orvane::Form form;
  auto* bar = new QMenuBar(&form);
  QMenu* file = bar->addMenu("File");
  QAction* top = file->menuAction();
  QAction* item = file->addAction("Open");
  QMenu* sub = file->addMenu("More");
  QAction* deep = sub->addAction("Deep");
  QAction* own = sub->addAction("Own");
  own->setProperty("OnDrawItem", "mine");
  auto* popup = new QMenu(&form);
  QAction* p1 = popup->addAction("One");
  QMenu* psub = popup->addMenu("Sub");
  QAction* p2 = psub->addAction("Two");
  psub->addMenu(psub);  // a menu holding itself
  auto* off = new QMenu(&form);
  off->setProperty("Tag", skin->DisableTag);
  QAction* o1 = off->addAction("Off");
  TFormSkinner f(&form, &form, "TForm_m");
  f.InitForm(skin.get(), &form);
  f.ApplySkinColors();
  const auto draw = [](QAction* a) { return a->property("OnDrawItem").toString(); };
  const auto measure = [](QAction* a) { return a->property("OnMeasureItem").toString(); };
  EXPECT_TRUE(bar->property("OwnerDraw").toBool());
  EXPECT_EQ(draw(top), "") << "top level of a main menu";
  EXPECT_EQ(draw(item), "skinMenuItem");
  EXPECT_EQ(draw(deep), "skinMenuItem");
  EXPECT_EQ(measure(deep), "skinMainMeasure");
  EXPECT_EQ(draw(own), "mine");
  EXPECT_TRUE(popup->property("OwnerDraw").toBool());
  EXPECT_EQ(measure(p1), "skinPopupMeasure");
  EXPECT_EQ(draw(p2), "skinMenuItem");
  EXPECT_FALSE(off->property("OwnerDraw").toBool());
  EXPECT_EQ(draw(o1), "");
  f.Unskin();
  EXPECT_FALSE(bar->property("OwnerDraw").toBool());
  EXPECT_FALSE(popup->property("OwnerDraw").toBool());
  for (QAction* a : {deep, p1, p2}) EXPECT_EQ(draw(a) + measure(a), "") << a->text().toStdString();
  EXPECT_EQ(draw(own), "mine");
}

TEST_F(FormSkinTest, OwnFrameKeepsTheClientAndUnskinGivesTheSizeBack) {
  orvane::Form form;
  form.resize(300, 200);
  wm::SetOwnNonClient(&form, true);
  const QSize outer = wm::GetWindowRect(&form).size(), client = wm::GetClientRect(&form).size();
  auto* f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  ASSERT_TRUE(testing_support::waitUntil([&] { return f->Activated(); }));
  const QMargins b = f->Borders();
  EXPECT_EQ(wm::GetWindowRect(&form).size(), client + QSize(b.left() + b.right(), b.top() + b.bottom()));
  f->Unskin();
  EXPECT_EQ(wm::GetWindowRect(&form).size(), outer);
  wm::SetOwnNonClient(&form, false);
}

TEST_F(FormSkinTest, WindowGoneWithActivationPendingOrDestroyedWhileSkinned) {
  {
    auto* form = new orvane::Form;
    form->resize(200, 100);
    QPointer<TWinSkinForm> f = ShowSkinned(form);
    ASSERT_TRUE(f);
    delete form;  // 0x3503 still queued
    QApplication::processEvents();
    EXPECT_TRUE(f.isNull());
    EXPECT_TRUE(SkinManager->Forms().isEmpty());
  }
  orvane::Form form;
  form.resize(200, 100);
  QPointer<TWinSkinForm> f = ShowSkinned(&form);
  ASSERT_TRUE(f);
  ASSERT_TRUE(testing_support::waitUntil([&] { return static_cast<TFormSkinner*>(f.data())->Activated(); }));
  wm::NotifyDestroying(&form);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->LifeState(), TWinSkinForm::lsDestroyed);
  EXPECT_FALSE(static_cast<TFormSkinner*>(f.data())->Subclassed());
  SkinManager->SetCurrentSkin(skin.get());
  SkinManager->PostAction(TSkinManage::ActionPurge, 0);
  SkinManager->TimerAction();
  EXPECT_TRUE(f.isNull());
}

TEST_F(FormSkinTest, WithoutFrameSkinningOnlyControlsAreSkinnedAndTheBareUnskinRestores) {
  skin->SkinControls &= ~SetBit(xcMainMenu);
  orvane::Form form;
  const QColor before = form.palette().color(QPalette::Window);
  TFormSkinner f(&form, &form, "TForm_b");
  f.InitForm(skin.get(), &form);
  EXPECT_FALSE(f.FrameSkinned());
  EXPECT_EQ(f.LifeState(), TWinSkinForm::lsAttached);
  EXPECT_TRUE(f.SysButtons().empty());
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 1);
  f.Unskin();
  EXPECT_EQ(wm::SendMessage(&form, WM_SKINQUERY), 0);
  EXPECT_EQ(form.palette().color(QPalette::Window), before);
}
