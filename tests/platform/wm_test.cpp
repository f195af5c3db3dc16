// The window-message layer: procedure chains, sending and posting (also to dead windows), the
// hooks, event translation, own non-client mode and the default host procedure; border styles and
// icons (set and read from the flags), the form list, tags, the menu bar; the message box as a
// dialog (its keys, its close box, owner and place) and Qt's own texts in Chinese.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "platform/forms/qttranslations.h"
#include "platform/msgbox/messagebox.h"
#include "platform/wm/windowdata.h"
#include "platform/wm/wm.h"

using namespace orvane;
using namespace orvane::wm;

namespace {

// Records the numbers of the messages it sees and passes them down.
struct Recorder {
  QStringList seen;
  Link link;
  void attach(QWidget* w) {
    link = Subclass(w, [this](Message& m) {
      seen << QString::number(m.msg, 16);
      CallPrevious(link, m);
    });
  }
};

// A host with a 4/30/4/4 frame of its own that paints it red.
struct FramedForm {
  Form form;
  Link link;
  int top = 30;
  QList<quintptr> paints;  // WM_NCPAINT's wParam: 1 for a frame change, else the region
  FramedForm() {
    form.setClientSize(200, 100);
    form.move(50, 60);
    form.show();
    link = Subclass(&form, [this](Message& m) {
      if (m.msg == WM_NCCALCSIZE) {
        reinterpret_cast<QRect*>(m.lParam)->adjust(4, top, -4, -4);
      } else if (m.msg == WM_NCPAINT) {
        paints << (m.wParam == 1 ? 1 : reinterpret_cast<const QRegion*>(m.wParam)->boundingRect().width());
        if (QPainter* p = GetWindowDC(&form)) {
          p->setClipRegion(QRegion(form.rect()) - form.contentsRect());
          p->fillRect(form.rect(), Qt::red);
        }
      } else {
        CallPrevious(link, m);
      }
    });
    SetOwnNonClient(&form, true);
  }
  void mouse(QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint global = form.mapToGlobal(local);
    QMouseEvent e(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(&form, &e);
  }
  qintptr hit(QPoint local) { return SendMessage(&form, WM_NCHITTEST, 0, MakePoint(form.mapToGlobal(local))); }
};

}  // namespace

TEST(WmChain, OrderOutOfOrderUnsubclassAndSwallowing) {
  QWidget w;
  QStringList log;
  std::vector<Link> links(4);
  auto add = [&](int i, bool swallow = false) {
    links[i] = Subclass(&w, [&, i, swallow](Message& m) {
      log << QString::number(i);
      if (swallow) m.result = 7;
      else CallPrevious(links[i], m);
    });
  };
  auto run = [&](qintptr result = 0) {
    log.clear();
    EXPECT_EQ(SendMessage(&w, 0x400), result);
    return log.join("");
  };
  add(0), add(1), add(2);
  EXPECT_EQ(run(), "210");
  Unsubclass(links[1]);  // restored out of order: the others keep their places
  EXPECT_EQ(run(), "20");
  add(3);
  EXPECT_EQ(run(), "320");
  Unsubclass(links[2]);
  EXPECT_EQ(run(), "30");
  add(1, true);
  EXPECT_EQ(run(7), "1");
  links[1] = Link();  // a dropped link leaves the chain
  EXPECT_EQ(run(), "30");
}

TEST(WmChain, SendAndPostToDeadWindowsAndDestruction) {
  auto* w = new QWidget;
  Recorder r;
  r.attach(w);
  PostMessage(w, 0x401);
  PostMessage(w, 0x402);
  PostMessage(w, 0x403);
  QApplication::processEvents();
  EXPECT_EQ(r.seen, (QStringList{"401", "402", "403"}));
  PostMessage(w, 0x404);
  r.seen.clear();
  delete w;  // the queued message dies with it; the chain hears of the destruction
  QApplication::processEvents();
  EXPECT_EQ(r.seen, (QStringList{"2", "82"}));
  EXPECT_EQ(SendMessage(w, 0x405), 0);
  EXPECT_EQ(SendMessage(nullptr, 0x405), 0);
  PostMessage(w, 0x406);
  Message m{0x407};
  CallPrevious(r.link, m);  // a dead link is harmless
  Unsubclass(r.link);
  QApplication::processEvents();
  EXPECT_EQ(r.seen.size(), 2);
  // A plain control with no procedure of its own is answered without a record of it; a window
  // without one is answered by its host procedure; either, made later, can still be subclassed.
  QWidget top;
  top.resize(100, 80);
  auto* plain = new QWidget(&top);
  top.show();
  EXPECT_EQ(SendMessage(plain, 0x408), 0);
  EXPECT_EQ(FindData(plain), nullptr);
  EXPECT_EQ(SendMessage(&top, WM_NCHITTEST, 0, MakePoint(top.mapToGlobal(QPoint(50, 40)))), HTCLIENT);
  Recorder late;
  late.attach(plain);
  SendMessage(plain, 0x409);
  EXPECT_EQ(late.seen, QStringList{"409"});
}

TEST(WmHooks, CreateActivateAndDestroy) {
  QStringList log;
  SetHookProc([&](Hook h, QWidget* w) {
    static const char* names[] = {"create", "activate", "destroy"};
    log << QString("%1 %2").arg(names[int(h)], qobject_cast<QMenu*>(w) ? "menu" : "form");
  });
  auto* form = new Form;
  form->show();
  form->hide();
  form->show();  // only the first show creates
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(form, &activate);
  QMenu menu;
  menu.addAction("x");
  menu.popup(QPoint(10, 10));
  menu.hide();
  menu.popup(QPoint(10, 10));
  menu.hide();
  delete form;
  SetHookProc({});
  EXPECT_EQ(log, (QStringList{"create form", "activate form", "activate form", "create menu", "destroy menu",
                              "create menu", "destroy menu", "destroy form"}));
}

TEST(WmTranslation, ActivationSizeAndTitleBecomeMessages) {
  Form form;
  form.show();
  QList<Message> seen;
  Link link = Subclass(&form, [&](Message& m) { seen << m; CallPrevious(link, m); });
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&form, &activate);
  form.resize(321, 123);
  form.setWindowTitle("标题");
  QStringList names;
  for (const Message& m : seen) names << QString::number(m.msg, 16);
  EXPECT_EQ(names, (QStringList{"86", "6", "47", "5", "c"}));
  ASSERT_EQ(seen.size(), 5);
  EXPECT_EQ(seen[1].wParam, WA_ACTIVE);
  EXPECT_EQ(PointFromParam(seen[3].lParam), QPoint(321, 123));
}

TEST(WmOwnNonClient, MarginsSizesPaintMaskAndSwitchingBack) {
  FramedForm f;
  const QRect before = f.form.geometry();
  EXPECT_EQ(f.form.contentsMargins(), QMargins(4, 30, 4, 4));
  EXPECT_EQ(f.form.client()->size(), QSize(200, 100));
  EXPECT_EQ(f.form.geometry().size(), QSize(208, 134));
  EXPECT_EQ(GetClientRect(&f.form), QRect(0, 0, 200, 100));
  EXPECT_EQ(GetWindowRect(&f.form), f.form.geometry());
  EXPECT_EQ(ScreenToClient(&f.form, f.form.mapToGlobal(QPoint(4, 30))), QPoint(0, 0));
  QImage image(f.form.size(), QImage::Format_ARGB32_Premultiplied);
  f.form.render(&image);  // the frame is painted after the widget: still red
  EXPECT_EQ(image.pixel(2, 15), qRgb(255, 0, 0));
  EXPECT_NE(image.pixel(100, 60), qRgb(255, 0, 0));
  f.form.render(&image);
  EXPECT_EQ(f.paints, (QList<quintptr>{1, 208}));  // the switch changed the frame; then a plain region
  EXPECT_EQ(GetWindowDC(&f.form), nullptr);        // outside a paint pass
  f.top = 40;
  SetWindowPos(&f.form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_EQ(f.form.contentsMargins(), QMargins(4, 40, 4, 4));
  f.top = 30;
  SetWindowPos(&f.form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  SetWindowRgn(&f.form, QRegion(0, 0, 100, 50), false);
  EXPECT_EQ(f.form.mask(), QRegion(0, 0, 100, 50));
  f.form.resize(300, 200);  // margins follow every resize
  EXPECT_EQ(f.form.client()->size(), QSize(292, 166));
  f.form.resize(before.size());
  const QRect client(f.form.client()->mapToGlobal(QPoint()), f.form.client()->size());
  SetOwnNonClient(&f.form, false);
  EXPECT_EQ(f.form.contentsMargins(), QMargins());
  EXPECT_TRUE(f.form.mask().isEmpty());
  EXPECT_EQ(f.form.geometry(), client);
  EXPECT_FALSE(f.form.windowFlags() & Qt::FramelessWindowHint);
}

TEST(WmOwnNonClient, HitCodesOverAGrid) {
  FramedForm f;
  const struct {
    QPoint at;
    qintptr code;
  } cases[] = {{{100, 60}, HTCLIENT},      {{100, 2}, HTTOP},          {{100, 15}, HTCAPTION},
               {{1, 60}, HTLEFT},          {{206, 60}, HTRIGHT},       {{100, 132}, HTBOTTOM},
               {{1, 10}, HTTOPLEFT},       {{10, 2}, HTTOPLEFT},       {{206, 2}, HTTOPRIGHT},
               {{1, 125}, HTBOTTOMLEFT},   {{200, 132}, HTBOTTOMRIGHT}, {{206, 130}, HTBOTTOMRIGHT},
               {{1, 20}, HTLEFT},          {{300, 300}, HTNOWHERE}};
  for (const auto& c : cases) EXPECT_EQ(f.hit(c.at), c.code) << c.at.x() << "," << c.at.y();
  f.form.setFixedSize(f.form.size());  // no sizing borders on a fixed window
  EXPECT_EQ(f.hit({1, 60}), HTBORDER);
  EXPECT_EQ(f.hit({100, 2}), HTCAPTION);
}

TEST(WmOwnNonClient, MoveAndSizeByTheFallbackWithinLimits) {
  FramedForm f;
  f.form.setMinimumSize(150, 100);
  const QRect start = f.form.geometry();
  f.mouse(QEvent::MouseButtonPress, {100, 15});
  f.mouse(QEvent::MouseMove, {130, 35});
  f.mouse(QEvent::MouseButtonRelease, {130, 35});
  EXPECT_EQ(f.form.geometry(), start.translated(30, 20));
  const QRect moved = f.form.geometry();
  f.mouse(QEvent::MouseButtonPress, {206, 132});  // bottom-right corner
  f.mouse(QEvent::MouseMove, {226, 142});
  EXPECT_EQ(f.form.geometry(), QRect(moved.topLeft(), moved.size() + QSize(20, 10)));
  f.mouse(QEvent::MouseMove, {0, 0});  // far past the minimum
  f.mouse(QEvent::MouseButtonRelease, {0, 0});
  EXPECT_EQ(f.form.geometry(), QRect(moved.topLeft(), QSize(150, 100)));
  for (bool maximised : {true, false}) {  // a caption double click maximises and restores
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
      f.mouse(type, {100, 15});
    EXPECT_EQ(f.form.isMaximized(), maximised);
  }
}

TEST(WmOwnNonClient, SwitchedInsideAModalLoop) {
  QDialog dialog;
  dialog.resize(200, 100);
  QTimer::singleShot(0, &dialog, [&] {
    SetOwnNonClient(&dialog, true);
    EXPECT_TRUE(dialog.isVisible());
    SetOwnNonClient(&dialog, false);
    EXPECT_TRUE(dialog.isVisible());
    dialog.accept();
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

TEST(FormList, CreationOrderDestructionAndWmDestroy) {
  Form a;
  auto* b = new TMessageForm(QStringLiteral("t"), QStringLiteral("c"), 0, &a);
  Form c;
  EXPECT_EQ(ScreenForms().mid(ScreenForms().indexOf(&a)), (QList<Form*>{&a, b, &c}));
  QStringList seen;
  Link link = Subclass(b, [&](Message& m) {
    if (m.msg == WM_DESTROY || m.msg == WM_NCDESTROY)
      seen << QString::number(m.msg) + (ScreenForms().contains(b) ? GetWindowText(b) : QString());
    CallPrevious(link, m);
  });
  delete b;
  EXPECT_EQ(seen, (QStringList{QStringLiteral("2c"), QStringLiteral("130c")}));
  EXPECT_EQ(ScreenForms().mid(ScreenForms().indexOf(&a)), (QList<Form*>{&a, &c}));
}

TEST(WmHost, SystemCommandsTextCommandsAndNames) {
  FramedForm f;
  const struct {
    quint32 command;
    bool maximised, minimised;
  } steps[] = {{SC_MAXIMIZE, true, false}, {SC_RESTORE, false, false}, {SC_MINIMIZE, false, true},
               {SC_RESTORE, false, false}};
  for (const auto& s : steps) {
    SendMessage(&f.form, WM_SYSCOMMAND, s.command);
    EXPECT_EQ(f.form.isMaximized(), s.maximised);
    EXPECT_EQ(f.form.isMinimized(), s.minimised);
  }
  const QRect start = f.form.geometry();  // keyboard move: arrows, Escape undoes, Enter keeps
  for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Escape, Qt::Key_Left, Qt::Key_Return}) {
    if (key == Qt::Key_Right || key == Qt::Key_Left) SendMessage(&f.form, WM_SYSCOMMAND, SC_MOVE);
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&f.form, &e);
  }
  EXPECT_EQ(f.form.geometry(), start.translated(-8, 0));
  const QString title("窗口");
  SendMessage(&f.form, WM_SETTEXT, 0, reinterpret_cast<qintptr>(&title));
  QString text;
  EXPECT_EQ(SendMessage(&f.form, WM_GETTEXT, 2, reinterpret_cast<qintptr>(&text)), 1);
  EXPECT_EQ(text, "窗");
  EXPECT_EQ(GetWindowText(&f.form), "窗口");
  int fired = 0;
  auto* on = new QAction(&f.form);
  auto* off = new QAction(&f.form);
  off->setEnabled(false);
  QObject::connect(on, &QAction::triggered, [&] { ++fired; });
  QObject::connect(off, &QAction::triggered, [&] { fired += 10; });
  SendMessage(&f.form, WM_COMMAND, CommandId(on));
  SendMessage(&f.form, WM_COMMAND, CommandId(off));
  EXPECT_EQ(fired, 1);
  QStringList items;
  for (QAction* a : GetSystemMenu(&f.form)->actions()) items << (a->isSeparator() ? "-" : a->text() + (a->isEnabled() ? "" : "~"));
  EXPECT_EQ(items, (QStringList{"还原(&R)~", "移动(&M)", "大小(&S)", "最小化(&N)", "最大化(&X)", "-", "关闭(&C)\tAlt+F4"}));
  f.form.showMaximized();
  EXPECT_TRUE(GetSystemMenu(&f.form)->actions()[0]->isEnabled());
  EXPECT_FALSE(GetSystemMenu(&f.form)->actions()[4]->isEnabled());
  SendMessage(&f.form, WM_CLOSE);
  EXPECT_FALSE(f.form.isVisible());
  QMenu menu;
  QDialog dialog;
  QWidget plain, named;
  named.setProperty("vclClass", "TButton");
  EXPECT_EQ(GetClassName(&menu), "#32768");
  EXPECT_EQ(GetClassName(&dialog), "#32770");
  EXPECT_EQ(GetClassName(&f.form), "Form");
  EXPECT_EQ(GetClassName(&plain), "QWidget");
  EXPECT_EQ(GetClassName(&named), "TButton");
  EXPECT_EQ(GetWindowLong(&dialog, GWL_STYLE) & (WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_CAPTION);
  SetWindowLong(&dialog, GWL_STYLE, GetWindowLong(&dialog, GWL_STYLE) | WS_MAXIMIZEBOX);
  EXPECT_TRUE(GetWindowLong(&dialog, GWL_STYLE) & WS_MAXIMIZEBOX);  // the engine's change is kept
}

namespace {
constexpr auto kHints = ~Qt::WindowFlags(Qt::WindowStaysOnTopHint);
constexpr BorderIcons kAll = biSystemMenu | biMinimize | biMaximize | biHelp, kSys = biSystemMenu;
constexpr Qt::WindowFlags kTitle = Qt::CustomizeWindowHint | Qt::WindowTitleHint,
                          kMenu = Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint,
                          kFixed = Qt::MSWindowsFixedSizeDialogHint;
}  // namespace

namespace {
TMessageForm* shownBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* f = qobject_cast<TMessageForm*>(w); f && f->isVisible()) return f;
  return nullptr;
}
}  // namespace

TEST(MessageBoxKeys, EachFlagValueAnswersEnterSpaceAndEscapeAsItsButtonsSay) {
  // A flag value, what Enter, keypad Enter and Space answer (the default button has the focus)
  // and what Escape answers (0: the box stays open).
  const std::tuple<int, int, int> flagCases[] = {
      {0, mb::IDOK, mb::IDOK}, {16, mb::IDOK, mb::IDOK}, {64, mb::IDOK, mb::IDOK}, {33, mb::IDOK, mb::IDCANCEL}, {292, mb::IDNO, 0}};
  const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
      {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Space, Qt::NoModifier},
      {Qt::Key_Escape, Qt::NoModifier}};
  struct KeyCase {
    int flags;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int answer;
  };
  std::vector<KeyCase> cases;
  for (const auto& [flags, enter, escape] : flagCases)
    for (auto [key, modifiers] : keys) cases.push_back({flags, key, modifiers, key == Qt::Key_Escape ? escape : enter});
  installMessageFormHandler();
  Form owner;
  owner.setCaption(QStringLiteral("节目表编辑"));
  owner.setClientSize(500, 400);
  owner.move(60, 40);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " key " << std::hex << c.key);
    bool stayed = false;
    QTimer::singleShot(0, [&] {
      TMessageForm* box = shownBox();
      ASSERT_TRUE(box);
      ASSERT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }));
      // A dialog over the window that raised it, modal to it, centred on it.
      EXPECT_EQ(box->parentWidget(), &owner);
      EXPECT_EQ(std::pair(box->windowType(), box->windowModality()), std::pair(Qt::Dialog, Qt::WindowModal));
      EXPECT_EQ(box->windowHandle()->transientParent(), owner.windowHandle());
      EXPECT_LE((box->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
      // The default button has the focus; the key goes where the keyboard sends it.
      QWidget* focused = QApplication::focusWidget();
      ASSERT_EQ(focused, box->button(mb::defaultResultOf(c.flags)));
      QTest::keyClick(focused, c.key, c.modifiers);
      if (c.answer == 0) {
        QApplication::processEvents();
        stayed = box->isVisible();
        box->button(mb::IDYES)->click();
      }
    });
    const int answer = MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), c.flags);
    if (c.answer == 0) {
      EXPECT_TRUE(stayed) << "a Yes/No box is not closed by Escape";
      EXPECT_EQ(answer, mb::IDYES);
    } else {
      EXPECT_EQ(answer, c.answer);
    }
  }
  setMessageBoxHandler({});
}

TEST(MessageBoxCloseBox, ShownOnlyWhereTheBoxCanBeDismissedAndAnsweringAsEscape) {
  // Flags and the answer of the close box (0: the box has none and cannot be dismissed).
  const std::pair<int, int> cases[] = {
      {0, mb::IDOK}, {16, mb::IDOK}, {64, mb::IDOK}, {33, mb::IDCANCEL}, {292, 0}};
  installMessageFormHandler();
  Form owner;
  owner.setCaption(QStringLiteral("节目表编辑"));
  owner.setClientSize(400, 300);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  for (const auto& [flags, dismiss] : cases) {
    SCOPED_TRACE(flags);
    bool closeHint = false, sysMenuIcon = false, sysMenuStyle = false, stayed = false;
    QTimer::singleShot(0, [&] {
      TMessageForm* box = shownBox();
      ASSERT_TRUE(box);
      closeHint = box->windowFlags().testFlag(Qt::WindowCloseButtonHint);
      sysMenuIcon = box->borderIcons().testFlag(biSystemMenu);
      sysMenuStyle = wm::GetWindowLong(box, wm::GWL_STYLE) & wm::WS_SYSMENU;
      // The close box: the window is asked to close, as the window manager does.
      box->close();
      QApplication::processEvents();
      stayed = box->isVisible();
      if (stayed) box->findChildren<QPushButton*>().value(0)->click();
    });
    const int answer = MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), flags);
    EXPECT_EQ(closeHint, dismiss != 0);
    EXPECT_EQ(sysMenuIcon, dismiss != 0);
    EXPECT_EQ(sysMenuStyle, dismiss != 0);
    EXPECT_EQ(stayed, dismiss == 0) << "a box without a dismiss answer must not close without one";
    // Otherwise the box's first button answered.
    EXPECT_EQ(answer, dismiss != 0 ? dismiss : int(mb::IDYES));
  }
  setMessageBoxHandler({});
}

TEST(MessageBoxSize, ShortBoxHoldsItsCaptionAndLongTextWrapsWide) {
  TMessageForm shortBox(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16);
  shortBox.show();
  QFont bold = shortBox.font();
  bold.setBold(true);
  EXPECT_GE(shortBox.width(), QFontMetrics(bold).horizontalAdvance(QStringLiteral("错误")) + 120);
  const QString text(200, QChar(0x97F3));  // two hundred "音"
  TMessageForm longBox(text, QStringLiteral("提示"), 0);
  longBox.show();
  const int widest = QGuiApplication::primaryScreen()->availableGeometry().width() * 3 / 5;
  EXPECT_EQ(longBox.textLabel()->width(), qMax(320, widest));
  EXPECT_GE(longBox.textLabel()->height(), longBox.textLabel()->heightForWidth(longBox.textLabel()->width()));
}

TEST(QtTranslations, QtsOwnDialogTextsAreChinese) {
  ASSERT_TRUE(installQtTranslations());
  QFileDialog picker(nullptr, QStringLiteral("请选择音视频文件"));
  picker.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = picker.findChild<QDialogButtonBox*>();
  ASSERT_TRUE(buttons);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
  EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("打开(&O)"));
}
