// The notification-area icon on the real desktop backend (Qt's QSystemTrayIcon): the popup
// menu is handed to the desktop's icon, which opens it on a right click by itself, and it
// follows the icon to a new backend.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "controls/ExtCtrlsX.h"
#include "controls/faketraybackend.h"
#include "controls/qttraybackend.h"

using orvane::QtTrayBackend;

TEST(TrayIconDesktopMenu, TheRealIconCarriesThePopupMenuAndOpensItItself) {
  QMenu menu, other;
  menu.addAction(QStringLiteral("显示主窗口"));
  menu.addAction(QStringLiteral("退出"));
  other.addAction(QStringLiteral("别的"));
  TTrayIcon icon;  // on the desktop's own backend
  auto* desktop = qobject_cast<QtTrayBackend*>(icon.backend());
  ASSERT_TRUE(desktop);
  EXPECT_EQ(desktop->trayIcon().contextMenu(), nullptr);
  icon.SetPopupMenu(&menu);
  EXPECT_EQ(desktop->trayIcon().contextMenu(), &menu);
  EXPECT_TRUE(desktop->showsMenuItself());
  QStringList log;
  icon.OnMouseUp = [&](QObject*, TMouseButton b, TShiftState, int, int) { log << QStringLiteral("up%1").arg(int(b)); };
  // A right click on the desktop's icon: the component hears it, and leaves the menu to the
  // desktop (opening it a second time would show two menus).
  emit desktop->trayIcon().activated(QSystemTrayIcon::Context);
  EXPECT_EQ(log, QStringList{QStringLiteral("up%1").arg(int(mbRight))});
  EXPECT_FALSE(menu.isVisible());

  // Another menu, then none.
  icon.SetPopupMenu(&other);
  EXPECT_EQ(desktop->trayIcon().contextMenu(), &other);
  icon.SetPopupMenu(nullptr);
  EXPECT_EQ(desktop->trayIcon().contextMenu(), nullptr);
  EXPECT_FALSE(desktop->showsMenuItself());

  // Moved to a new desktop backend, the icon takes its menu along.
  icon.SetPopupMenu(&menu);
  icon.setBackend(std::make_unique<QtTrayBackend>());
  auto* moved = qobject_cast<QtTrayBackend*>(icon.backend());
  ASSERT_TRUE(moved && moved != desktop);
  EXPECT_EQ(moved->trayIcon().contextMenu(), &menu);
}
