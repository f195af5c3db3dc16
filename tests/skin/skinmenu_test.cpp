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

QColor Slot(TSXSkin* s, SkinColourSlot slot) { return ToQColor(s->Data()->Colour(slot)); }

// The darkest pixel of a rectangle of the image.
QColor Darkest(const QImage& img, const QRect& r) {
  QColor best = Qt::white;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(img.pixel(x, y)) < qGray(best.rgb())) best = img.pixelColor(x, y);
  return best;
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

TEST_F(SkinMenuTest, SystemMenuFollowsTheWindowAndTwoClicksClose) {
  using namespace wm;
  const quint32 full = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  // style, maximised -> enabled restore, move, size, minimise, maximise, close.
  struct Case {
    quint32 style;
    bool maximized;
    const char* enabled;
  } cases[] = {{full, false, "011111"}, {full, true, "100101"}, {WS_CAPTION | WS_SYSMENU, false, "010001"}};
  const quint32 order[] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE};
  for (const Case& c : cases) {
    MenuWindow m(skin.get(), 0, c.style);
    if (c.maximized) {
      m.form->setWindowState(Qt::WindowMaximized);
      m.f->SetShowState(TFormSkinner::ssMaximized);
    }
    m.f->BuildSystemMenu();
    QMenu* sys = m.f->SystemMenuPopup();
    ASSERT_TRUE(sys);
    EXPECT_EQ(sys->property("Tag").toInt(), SystemMenuTag);
    EXPECT_TRUE(sys->property("OwnerDraw").toBool());
    QString got;
    for (quint32 command : order)
      for (QAction* a : sys->actions())
        if (a->property("Tag").toUInt() == command) got += a->isEnabled() ? u'1' : u'0';
    EXPECT_EQ(got, QLatin1String(c.enabled)) << c.style << c.maximized;
    for (QAction* a : sys->actions()) {
      const int glyph = a->property("ImageIndex").isValid() ? a->property("ImageIndex").toInt() : -1;
      const quint32 tag = a->property("Tag").toUInt();
      EXPECT_EQ(glyph, tag == SC_RESTORE ? 0 : tag == SC_MAXIMIZE ? 1 : tag == SC_MINIMIZE ? 2 : tag == SC_CLOSE ? 3 : -1);
    }
  }
  // The system-menu button clicked twice within the double-click time closes the window.
  MenuWindow m(skin.get());
  m.f->LayoutSysButtons();
  TWinSysButton* button = nullptr;
  for (TWinSysButton* b : m.f->SysButtons())
    if (b->Record()->Action == 3) button = b;
  ASSERT_TRUE(button);
  const qintptr at = MakePoint(m.Screen(button->Bounds.center()));
  for (int i = 0; i < 2; ++i) {
    SendMessage(m.form, WM_NCLBUTTONDOWN, HTSYSMENU, at);
    SendMessage(m.form, WM_NCLBUTTONUP, HTSYSMENU, at);
    if (i == 0) {
      ASSERT_TRUE(m.f->SystemMenuPopup() && m.f->SystemMenuPopup()->isVisible());
      EXPECT_EQ(SkinManager->MenuKind(), TSkinManage::mkSystem);  // opened as the system menu
      QMouseEvent out(QEvent::MouseButtonPress, QPointF(-20, -20), QPointF(0, 0), Qt::LeftButton, Qt::LeftButton, {});
      QCoreApplication::sendEvent(m.f->SystemMenuPopup(), &out);  // a press outside closes it
      EXPECT_FALSE(m.f->SystemMenuPopup() && m.f->SystemMenuPopup()->isVisible());
    }
  }
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(m.log, QList<quint32>({WM_CLOSE, 0}));
  // Where the press that closes the open menu is not passed on, it closes the window itself.
  MenuWindow n(skin.get());
  n.f->LayoutSysButtons(), SendMessage(n.form, WM_NCLBUTTONDOWN, HTSYSMENU, at), SendMessage(n.form, WM_NCLBUTTONUP, HTSYSMENU, at);
  QMenu* sys = n.f->SystemMenuPopup();
  ASSERT_TRUE(sys);
  const QPointF g(n.Screen(button->Bounds.center()));
  QMouseEvent second(QEvent::MouseButtonDblClick, sys->mapFromGlobal(g), g, Qt::LeftButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(sys, &second), QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(!sys->isVisible() && n.log == QList<quint32>({WM_CLOSE, 0}));
}

// The skin frames each kind of menu by its own switch: the menu bar's drop-downs by the main
// menu's, the system menu by its own, neither by the popup menus'.
TEST_F(SkinMenuTest, DropDownsAndTheSystemMenuFollowTheirOwnSwitches) {
  const quint32 all = skin->SkinControls;
  const struct {
    quint32 off;
    bool dropDown, system;  // framed by the skin
  } rows[] = {{0, true, true}, {SetBit(xcSystemMenu), true, false}, {SetBit(xcPopupMenu), true, true}};
  for (const auto& r : rows) {
    skin->SkinControls = all & ~r.off;
    MenuWindow m(skin.get());
    m.Click(0);
    ASSERT_TRUE(OpenDropDown()) << r.off;
    EXPECT_EQ(PopupSkinnerOf(OpenDropDown()) != nullptr, r.dropDown) << r.off;
    CloseDropDown();
    Key(m.edit, Qt::Key_Space, Qt::AltModifier, QStringLiteral(" "));
    QMenu* sys = m.f->SystemMenuPopup();
    ASSERT_TRUE(sys && sys->isVisible()) << r.off;
    EXPECT_EQ(PopupSkinnerOf(sys) != nullptr, r.system) << r.off;
    sys->hide();
  }
}

TEST_F(SkinMenuTest, OwnerDrawnItemsArePaintedFromTheSkin) {
  MenuWindow m(skin.get());
  m.Click(0);
  QMenu* file = m.file;
  ASSERT_EQ(file->activeAction(), m.open);
  QImage img(file->size(), QImage::Format_ARGB32_Premultiplied);
  for (int pass = 0; pass < 2; ++pass) file->render(&img);  // the second with the menu's frame image
  const TDataSkinObject& e = *skin->Data()->MenuItem;
  const QImage* frame = PopupSkinnerOf(file) ? PopupSkinnerOf(file)->FrameBitmap() : nullptr;
  // What the rules give for an item: the menu's background, then the element's frame.
  auto expected = [&](QRect g, int elementFrame) {
    QImage b(g.size(), QImage::Format_ARGB32_Premultiplied);
    b.fill(Slot(skin.get(), scMenu));
    QPainter p(&b);
    if (frame) p.drawImage(QPoint(0, 0), *frame, g);
    if (elementFrame != 2)
      DrawSkinImage(p, QRect(QPoint(0, 0), g.size()), e.Bitmap, false, e.Tile != 0, e.Trans != 0, 5, elementFrame,
                    e.Margins());
    else
      p.drawImage(QRect(QPoint(0, 0), g.size()).adjusted(e.LeftWidth, 0, -e.RightWidth, 0), e.Bitmap,
                  QRect(FrameRect(e.Bitmap, false, 5, 2).left() + e.LeftWidth, 0, 1, e.Bitmap.height()));
    return b;
  };
  // action, element frame, colour the glyph column shows (none: -1), caption colour slot.
  struct Case {
    QAction* a;
    int elementFrame, glyph, caption;
  } cases[] = {{m.open, 4, -1, scHilightText},
               {file->actions().at(1), 2, -1, -1},
               {m.checked, 1, scMenuText, scMenuText},
               {m.disabled, 1, -1, scButtonShadow}};
  for (const Case& c : cases) {
    const QRect g = file->actionGeometry(c.a);
    const QImage want = expected(g, c.elementFrame);
    const int x = c.elementFrame == 2 ? g.width() / 2 : g.width() - 2;  // clear of glyphs and text
    for (int y = 0; y < g.height(); ++y)
      ASSERT_EQ(img.pixel(g.left() + x, g.top() + y), want.pixel(x, y)) << c.a->text().toStdString() << " y " << y;
    if (c.caption < 0) continue;
    const QColor glyph = Darkest(img, QRect(g.left(), g.top(), 22, g.height()));
    if (c.glyph >= 0) {
      EXPECT_EQ(glyph, Slot(skin.get(), SkinColourSlot(c.glyph))) << c.a->text().toStdString();
    }
    if (c.caption != scHilightText) {
      const QColor text = Darkest(img, QRect(g.left() + 24, g.top(), g.width() / 2, g.height()));
      EXPECT_LE(qAbs(qGray(text.rgb()) - qGray(Slot(skin.get(), SkinColourSlot(c.caption)).rgb())), 8)
          << c.a->text().toStdString();
    }
  }
}

TEST_F(SkinMenuTest, MeasuresAndLongMenusAndACommandThatClosesItsWindow) {
  auto* m = new MenuWindow(skin.get());
  // "&" and "" measure as "& " and " ", for the bar's own items and for entries measured by text.
  const std::pair<const char*, const char*> twins[] = {{"&", "& "}, {"", " "}};
  for (const auto& [a, b] : twins) {
    for (quint32 byText : {0u, 5000u}) {
      int width[2];
      int k = 0;
      for (const char* caption : {a, b}) {
        QAction* x = m->file->addAction(QString::fromLatin1(caption));
        if (byText) x->setProperty("wmCommand", byText + k);
        wm::MeasureItemStruct mi{wm::ODT_MENU, wm::CommandId(x), x, m->file};
        EXPECT_EQ(wm::SendMessage(m->form, wm::WM_MEASUREITEM, 0, reinterpret_cast<qintptr>(&mi)), 1);
        width[k++] = mi.itemWidth;
      }
      EXPECT_EQ(width[0], width[1]) << a << " " << byText;
    }
  }
  // A thousand items, each measured by the owner.
  QMenu* help = m->Item(3)->DropDown;
  for (int i = 0; i < 1000; ++i) help->addAction(QStringLiteral("Bell %1").arg(i));
  m->Click(3);
  ASSERT_TRUE(help->isVisible());
  wm::MeasureItemStruct one{wm::ODT_MENU, wm::CommandId(help->actions().at(500)), help->actions().at(500), help};
  wm::SendMessage(m->form, wm::WM_MEASUREITEM, 0, reinterpret_cast<qintptr>(&one));
  for (QAction* a : help->actions()) ASSERT_EQ(help->actionGeometry(a).height(), one.itemHeight);
  CloseDropDown();
  // A command that closes its window (freed once the command returns) while its drop-down closes.
  QPointer<orvane::Form> form = m->form;
  QObject::connect(m->open, &QAction::triggered, form, [form] {
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->close();
  });
  m->Click(0);
  Key(OpenDropDown(), Qt::Key_Return);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_EQ(OpenDropDown(), nullptr);
  delete m;
}

TEST_F(SkinMenuTest, PaintersComeWithTheManagerAndAltSpaceOpensTheSystemMenuWithoutABar) {
  wm::RegisterMenuMeasurer(QStringLiteral("skinPopupMeasure"), {});  // the manager's birth brings it back
  FreeSkinManager(), CreateSkinManager();
  QAction a(QStringLiteral("&Open"));
  a.setProperty("OnMeasureItem", QStringLiteral("skinPopupMeasure"));
  wm::MeasureItemStruct item{wm::ODT_MENU, 0, &a};
  wm::Message msg{wm::WM_MEASUREITEM, 0, reinterpret_cast<qintptr>(&item)};
  EXPECT_TRUE(wm::DefMenuProc(nullptr, msg) && item.itemWidth >= 35);
  orvane::Form form;
  auto* f = new TFormSkinner(&form, &form, QStringLiteral("TForm_y"));
  f->InitForm(skin.get(), &form), wm::SendMessage(&form, WM_SKINACTIVATE, 0, 1000);
  Key(new QLineEdit(form.client()), Qt::Key_Space, Qt::AltModifier, QStringLiteral(" "));
  ASSERT_TRUE(f->SystemMenuPopup() && f->SystemMenuPopup()->isVisible());
  EXPECT_EQ(f->SystemMenuPopup()->pos(), form.mapToGlobal(form.contentsRect().topLeft()));  // the client's origin
}
