// The main window as the program runs it: the skin manager's activation makes the skin style the
// application's style, and the grid, the lists, the memo and the slider are painted from the
// skin (with real rows to scroll), not by Fusion.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "platform/forms/dbgrid.h"
#include "skin/SkinStyle.h"
#include "skin/TSkinControl.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/SkinRegistry.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

using namespace orvane::skin;

class SkinnedMainTest : public SettingsFixture {};

TEST_F(SkinnedMainTest, ActivationInstallsTheSkinStyleAndTheMainControlsPaintSkinned) {
  services.skinPackage = QStringLiteral(":/skin/default.skn");
  openMainWindow();
  window->show();
  QTRY_VERIFY_WITH_TIMEOUT(window->SXSkin1->IsLoaded() && SkinManager->FindSkinForm(window.get()), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(InstalledSkinStyle() != nullptr, 3000);
  ASSERT_EQ(QApplication::style(), InstalledSkinStyle());
  for (int i = 0; i < 200; ++i) {
    window->ListBox5->addItem(QString::number(i));
    window->Memo1->appendPlainText(QString::number(i));
  }
  QWidget* grid = window->DBGrid1;
  QScrollBar* gridBar = window->DBGrid1->verticalScrollBar();
  gridBar->setRange(0, 500);  // the grid's rows, as a full day's programme gives them
  const std::vector<std::pair<QWidget*, QWidget*>> painted = {
      {window->ListBox5, window->ListBox5->verticalScrollBar()},
      {window->Memo1, window->Memo1->verticalScrollBar()},
      {grid, gridBar},
      {window->TrackBar2, window->TrackBar2}};
  for (const auto& [control, part] : painted) {
    SCOPED_TRACE(control->objectName().toStdString());
    TSkinControl* s = TSkinRegistry::Find(control);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(TSkinRegistry::SkinnerFor(part), s);
    if (part != control) {
      QTRY_VERIFY_WITH_TIMEOUT(static_cast<QScrollBar*>(part)->maximum() > 0, 2000);
    }
    const QImage skinned = part->grab().toImage();
    Perform(control, WM_SKINCONTROLSWITCH, 0);
    const QImage fusion = part->grab().toImage();
    Perform(control, WM_SKINCONTROLSWITCH, 1);
    EXPECT_NE(skinned, fusion);
    EXPECT_EQ(part->grab().toImage(), skinned);
  }
}

}  // namespace
