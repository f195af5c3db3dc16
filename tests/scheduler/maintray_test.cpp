// The main window's notification-area icon: its hint, menu and click, showing the window
// again, closing from the menu, and hiding to the tray only where there is one.
#include <QAction>
#include <QMenu>

#include "controls/ExtCtrlsX.h"
#include "controls/faketraybackend.h"
#include "tests/scheduler/settingsfixture.h"

TEST_F(SettingsFixture, TrayIconCarriesTheCaptionAndTheMenu) {
  set("softtitle", QStringLiteral("钟声"));
  openMainWindow();
  TTrayIcon* tray = window->TrayIcon1;
  EXPECT_EQ(tray->Hint(), QStringLiteral("钟声 V5.11"));
  EXPECT_TRUE(tray->Visible());
  EXPECT_EQ(tray->PopupMenu(), window->PopupMenu1);
  EXPECT_EQ(window->PopupMenu1->actions(), (QList<QAction*>{window->N1, window->N2}));
  EXPECT_EQ(window->N1->text() + window->N2->text(), QStringLiteral("显示主窗口退出"));
  // Offscreen there is no tray: the icon says it could not be shown.
  EXPECT_FALSE(tray->Shown());
  auto fake = std::make_unique<orvane::FakeTrayBackend>();
  orvane::FakeTrayBackend* area = fake.get();
  tray->setBackend(std::move(fake));
  EXPECT_TRUE(tray->Shown());
  EXPECT_EQ(area->last.tip, QStringLiteral("钟声 V5.11"));
  EXPECT_EQ(area->menu, window->PopupMenu1);

  // "退出" closes the main window through the close question.
  window->show();
  boxes.queueAnswer(orvane::mb::IDYES);
  window->N2->trigger();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(lastBox(), QStringLiteral("是否要关闭软件?|提示|292"));
}

TEST_F(SettingsFixture, HidingGoesToTheTrayOnlyWhereThereIsOneAndAClickBringsTheWindowBack) {
  openMainWindow();
  auto fake = std::make_unique<orvane::FakeTrayBackend>();
  orvane::FakeTrayBackend* area = fake.get();
  window->TrayIcon1->setBackend(std::move(fake));
  window->show();
  window->HideToTray();
  EXPECT_FALSE(window->isVisible());
  area->click(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(window->isVisible() && !window->isMinimized());
  window->showMinimized();  // minimising hides to the tray as well
  EXPECT_TRUE(testing_support::waitUntil([&] { return !window->isVisible(); }));
  window->N1->trigger();
  EXPECT_TRUE(window->isVisible());

  // No tray: the window is minimised, never hidden, and the icon comes when a tray does.
  auto none = std::make_unique<orvane::FakeTrayBackend>();
  orvane::FakeTrayBackend* missing = none.get();
  missing->trayAvailable = false;
  window->TrayIcon1->setBackend(std::move(none));
  window->HideToTray();
  EXPECT_TRUE(window->isVisible() && window->isMinimized());
  missing->appear();
  EXPECT_TRUE(window->TrayIcon1->Shown());
  missing->click(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(window->isMinimized());
}
