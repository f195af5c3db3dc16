// The skinned menu bar, its drop-downs and the keyboard's way in, on a window skinned by hand
// (no frame of its own under offscreen).
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>

#include "platform/forms/form.h"
#include "platform/wm/menus.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/skinpaint.h"
#include "tests/skin/skinfixture.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

// A form with a menu bar (File, Edit with a submenu first, an invisible View, Help, a Chinese
// caption) and its skinner.
struct MenuWindow {
  explicit MenuWindow(TSXSkin* skin, quint32 ex = 0, quint32 style = 0) : form(new orvane::Form) {
    form->setProperty("wmExStyle", ex);
    if (style) form->setProperty("wmStyle", style);
    form->setGeometry(150, 150, 400, 300);
    edit = new QLineEdit(form->client());
    bar = new QMenuBar;
    file = bar->addMenu(QStringLiteral("&File"));
    open = file->addAction(QStringLiteral("&Open"));
    file->addSeparator();
    checked = file->addAction(QStringLiteral("&Checked"));
    checked->setCheckable(true);
    checked->setChecked(true);
    disabled = file->addAction(QStringLiteral("&Disabled"));
    disabled->setEnabled(false);
    QMenu* editMenu = bar->addMenu(QStringLiteral("&Edit"));
    editMenu->addMenu(QStringLiteral("&More"))->addAction(QStringLiteral("x"));
    editMenu->addAction(QStringLiteral("&Copy"));
    bar->addMenu(QStringLiteral("&View"))->menuAction()->setVisible(false);
    bar->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    bar->addMenu(QStringLiteral("设置(&S)"))->addAction(QStringLiteral("-"));
    form->setMenuBar(bar);
    f = new TFormSkinner(form, form, QStringLiteral("TForm_x"));
    f->InitForm(skin, form);
    wm::SendMessage(form, WM_SKINACTIVATE, 0, 1000);
    below = wm::Subclass(form, [this](wm::Message& m) {
      if (m.msg == wm::WM_CLOSE || m.msg == wm::WM_SYSCOMMAND) log << m.msg << quint32(m.wParam);
      wm::CallPrevious(below, m);
    });
  }
  ~MenuWindow() { delete form.data(); }
  TWinSkinMenu* Bar() const { return f->MenuBar(); }
  TMenuBtn* Item(int i) const { return Bar()->Items().at(static_cast<size_t>(i)); }
  // The screen point of a window point: the client's origin less the frame above and left of it.
  QPoint Screen(QPoint pt) const {
    return pt - QPoint(f->Borders().left(), f->Borders().top() + f->MenuBarHeight()) - wm::ScreenToClient(form, {});
  }
  void Click(int i) const {
    wm::SendMessage(form, wm::WM_NCLBUTTONDOWN, wm::HTMENU, wm::MakePoint(Screen(Item(i)->Bounds.center())));
    QCoreApplication::processEvents();  // the first item made active
  }
  QPointer<orvane::Form> form;
  QLineEdit* edit;
  QMenuBar* bar;
  QMenu* file;
  QAction *open, *checked, *disabled;
  TFormSkinner* f;
  wm::Link below;
  QList<quint32> log;
};

void Key(QObject* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  for (QEvent::Type t : {QEvent::ShortcutOverride, QEvent::KeyPress}) {
    QKeyEvent e(t, key, mods, text);
    QCoreApplication::sendEvent(to, &e);
  }
  QCoreApplication::processEvents();
}

void CloseDropDown() {
  if (QMenu* m = OpenDropDown()) m->hide();
}

class SkinMenuTest : public StyledSkinFixture {
 protected:
  void TearDown() override {
    CloseDropDown();
    StyledSkinFixture::TearDown();
  }
};

}  // namespace

TEST_F(SkinMenuTest, ClickDropsTheMenuBelowTheItemAndKeysAndMouseMoveBetweenItems) {
  MenuWindow m(skin.get());
  m.Click(1);
  QMenu* edit = m.Item(1)->DropDown;
  ASSERT_EQ(OpenDropDown(), edit);
  EXPECT_TRUE(edit->isVisible());
  EXPECT_TRUE(m.f->MenuTracking());
  // At (item left, item bottom) of the window; the item ends a pixel above the bar's bottom.
  EXPECT_EQ(edit->pos(), m.Screen(QPoint(m.Item(1)->Bounds.left(), m.f->Borders().top() + 19)));
  EXPECT_EQ(edit->activeAction(), edit->actions().first());
  CloseDropDown();
  EXPECT_FALSE(m.f->MenuTracking());
  // From an open item, a key -> the item open afterwards (View, index 2, is hidden).
  struct Case {
    int from, key;
    quint32 ex;
    int to;
  } cases[] = {{0, Qt::Key_Right, 0, 1}, {4, Qt::Key_Right, 0, 0}, {0, Qt::Key_Left, 0, 4}, {3, Qt::Key_Right, 0, 4},
               {1, Qt::Key_Left, 0, 0},
               {1, Qt::Key_Right, 0, 1},  // on an entry with a submenu: the submenu opens
               {0, Qt::Key_Left, wm::WS_EX_LEFTSCROLLBAR, 1}};
  for (const Case& c : cases) {
    MenuWindow w(skin.get(), c.ex);
    w.Click(c.from);
    Key(OpenDropDown(), c.key);
    EXPECT_EQ(OpenDropDownIndex(), c.to) << c.from << " " << c.key;
    CloseDropDown();
  }
  // The mouse moving onto another item while a drop-down is open.
  m.Click(0);
  QMouseEvent move(QEvent::MouseMove, QPointF(-5, -5), QPointF(m.Screen(m.Item(3)->Bounds.center())), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(OpenDropDown(), &move);
  QCoreApplication::processEvents();
  EXPECT_EQ(OpenDropDownIndex(), 3);
}

TEST_F(SkinMenuTest, AltWithALetterOrSpaceAndDialogChars) {
  // key, dialog char instead of Alt+key -> the item open (-1 none), or the system menu.
  struct Case {
    int key;
    bool dialogChar;
    int item;
    bool systemMenu;
  } cases[] = {{Qt::Key_E, false, 1, false}, {Qt::Key_H, false, 3, false}, {Qt::Key_S, false, 4, false}, {Qt::Key_Q, false, -1, false},
               {Qt::Key_Space, false, -1, true}, {Qt::Key_F, true, 0, false}, {Qt::Key_V, true, -1, false}};
  for (const Case& c : cases) {
    MenuWindow m(skin.get());
    const QString text = c.key == Qt::Key_Space ? QStringLiteral(" ") : QString(QChar(c.key)).toLower();
    if (c.dialogChar) {
      EXPECT_EQ(wm::SendMessage(m.form, 0xB006, QChar(c.key).unicode(), 0x20000000), c.item >= 0) << c.key;
      QCoreApplication::processEvents();
    } else {
      Key(m.edit, c.key, Qt::AltModifier, text);
    }
    EXPECT_EQ(OpenDropDownIndex(), c.item) << c.key;
    QMenu* sys = m.f->SystemMenuPopup();
    EXPECT_EQ(sys && sys->isVisible(), c.systemMenu) << c.key;
    if (c.systemMenu) {
      EXPECT_EQ(sys->pos(), m.Screen(QPoint(m.f->Borders().left(), m.f->Borders().top() + 20)));
    }
    if (sys) sys->hide();
    CloseDropDown();
  }
}
