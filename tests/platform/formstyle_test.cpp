// Border styles and icons (set and read from the flags), the form list, tags, the menu bar.
#include <gtest/gtest.h>

#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

#include "platform/forms/messageform.h"
#include "platform/wm/wm.h"

using namespace orvane;
using namespace orvane::wm;

namespace {
constexpr auto kHints = ~Qt::WindowFlags(Qt::WindowStaysOnTopHint);
constexpr BorderIcons kAll = biSystemMenu | biMinimize | biMaximize | biHelp, kSys = biSystemMenu;
constexpr Qt::WindowFlags kTitle = Qt::CustomizeWindowHint | Qt::WindowTitleHint,
                          kMenu = Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint,
                          kFixed = Qt::MSWindowsFixedSizeDialogHint;
}  // namespace

TEST(FormBorder, EachStyleGivesItsFlagsAndStyleBits) {
  const struct {
    BorderStyle style;
    BorderIcons icons;
    bool owned;
    Qt::WindowFlags flags;
    quint32 bits, exBits;
  } rows[] = {
      {bsNone, kAll, true, Qt::Dialog | Qt::CustomizeWindowHint | Qt::FramelessWindowHint, WS_POPUP, 0},
      {bsSingle, kAll, false,
       Qt::Window | kTitle | kMenu | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | kFixed,
       WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0},
      {bsSingle, kSys | biHelp, false, Qt::Window | kTitle | kMenu | Qt::WindowContextHelpButtonHint | kFixed,
       WS_CAPTION | WS_SYSMENU, WS_EX_CONTEXTHELP},
      {bsSizeable, kSys | biMinimize, true, Qt::Dialog | kTitle | kMenu | Qt::WindowMinimizeButtonHint,
       WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX, 0},
      {bsDialog, kAll, false, Qt::Dialog | kTitle | kMenu | Qt::WindowContextHelpButtonHint | kFixed,
       WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP},
      {bsDialog, biMinimize | biMaximize, true, Qt::Dialog | kTitle | kFixed, WS_POPUP | WS_CAPTION,
       WS_EX_DLGMODALFRAME},
      {bsToolWindow, kAll, false, Qt::Tool | kTitle | kMenu | kFixed, WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW},
      {bsSizeToolWin, kSys, true, Qt::Tool | kTitle | kMenu, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU, WS_EX_TOOLWINDOW},
  };
  Form owner;
  owner.show();
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.style << " " << r.icons.toInt() << " owned " << r.owned);
    Form form(r.owned ? &owner : nullptr);
    form.setWindowFlag(Qt::WindowStaysOnTopHint);
    form.setBorderIcons(r.icons);
    form.setBorderStyle(r.style);
    EXPECT_EQ(form.borderStyle(), r.style);
    EXPECT_EQ(form.borderIcons(), r.icons);
    EXPECT_EQ(form.windowFlags() & kHints, r.flags);
    EXPECT_EQ(GetWindowLong(&form, GWL_STYLE), r.bits);
    EXPECT_EQ(GetWindowLong(&form, GWL_EXSTYLE), r.exBits | WS_EX_TOPMOST);
    // Shown and changed again: it stays shown and an owned window stays its owner's.
    form.show();
    form.setBorderStyle(r.style == bsSizeable ? bsSingle : bsSizeable);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(bool(GetWindowLong(&form, GWL_STYLE) & WS_THICKFRAME), r.style != bsSizeable);
    EXPECT_EQ(form.windowHandle()->transientParent(), r.owned ? owner.windowHandle() : nullptr);
  }
}

TEST(FormBorder, UnsetStyleAndIconsComeFromTheFlagsAndFixedSize) {
  Form owner;
  const struct {
    Qt::WindowFlags flags;  // 0: as the form makes them
    bool owned, fixed;
    BorderStyle style;
    BorderIcons icons;
  } rows[] = {
      {{}, false, false, bsSizeable, biSystemMenu | biMinimize | biMaximize},
      {{}, false, true, bsSingle, biSystemMenu | biMinimize | biMaximize},
      {{}, true, false, bsSizeable, biSystemMenu | biMaximize},
      {{}, true, true, bsDialog, biSystemMenu | biMaximize},
      {Qt::Tool, false, false, bsSizeToolWin, biSystemMenu},
      {Qt::Tool | kTitle | Qt::WindowSystemMenuHint, true, true, bsToolWindow, biSystemMenu},
      {Qt::Window | Qt::FramelessWindowHint, false, false, bsNone, {}},
      {Qt::Window | Qt::CustomizeWindowHint, false, false, bsNone, {}},
  };
  for (const auto& r : rows) {
    Form form(r.owned ? &owner : nullptr);
    if (r.flags) form.setWindowFlags(r.flags);
    if (r.fixed) form.setFixedSize(200, 100);
    EXPECT_EQ(form.borderStyle(), r.style) << &r - rows;
    EXPECT_EQ(form.borderIcons(), r.icons) << &r - rows;
    EXPECT_FALSE(form.property("wmStyle").isValid());
  }
  // Drawing its own frame does not make a framed window frameless.
  Form form;
  form.show();
  SetOwnNonClient(&form, true);
  EXPECT_EQ(form.borderStyle(), bsSizeable);
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

TEST(FormBorder, MessageFormTagsAndMenuBar) {
  TMessageForm ok(QStringLiteral("t"), QStringLiteral("c"), 0), yesNo(QStringLiteral("t"), QStringLiteral("c"), 292);
  EXPECT_EQ(ok.borderStyle(), bsDialog);
  EXPECT_EQ(GetWindowLong(&ok, GWL_STYLE), WS_POPUP | WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(GetWindowLong(&yesNo, GWL_STYLE), WS_POPUP | WS_CAPTION);
  EXPECT_EQ(GetWindowLong(&yesNo, GWL_EXSTYLE), WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(yesNo.windowFlags() & Qt::WindowCloseButtonHint);
  Form form;
  QMenu menu;
  EXPECT_EQ(GetTag(&menu), 0);
  SetTag(&menu, 33333);
  EXPECT_EQ(menu.property("Tag").toInt(), 33333);
  auto* bar = new QMenuBar;
  bar->addMenu(QStringLiteral("File"));
  form.setClientSize(300, 200);
  form.setMenuBar(bar);
  form.show();
  form.layout()->activate();
  EXPECT_EQ(form.menuBar(), bar);
  EXPECT_EQ(bar->parentWidget(), &form);
  EXPECT_EQ(form.client()->y(), bar->height());
  form.setMenuBar(nullptr);
  form.layout()->activate();
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(form.client()->y(), 0);
}
