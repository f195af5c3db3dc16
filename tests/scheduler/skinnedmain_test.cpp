// The main window as the program runs it: the skin manager's activation makes the skin style the
// application's style, and the grid, the lists, the memo and the slider are painted from the
// skin (with real rows to scroll), not by Fusion.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "platform/forms/dbgrid.h"
#include "skin/FormSkinner.h"
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
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  for (int i = 0; i < 60; ++i) {  // a full day's programme: more rows than the grid shows
    const QString at = QTime(8, 0).addSecs(i * 600).toString(QStringLiteral("HH:mm:ss"));
    addEntry({QStringLiteral("bell%1").arg(i), at, QTime::fromString(at).addSecs(60).toString(QStringLiteral("HH:mm:ss"))});
  }
  openMainWindow();
  window->show();
  ASSERT_TRUE(testing_support::waitUntil(
      [&] {
        auto* f = SkinManager ? dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(window.get())) : nullptr;
        return f && f->Activated();
      }));
  ASSERT_TRUE(testing_support::waitUntil([&] { return InstalledSkinStyle() != nullptr; }));
  ASSERT_EQ(QApplication::style(), InstalledSkinStyle());
  window->Memo1->show();  // as while a text is read
  for (int i = 0; i < 200; ++i) {
    window->ListBox5->addItem(QString::number(i));
    window->Memo1->appendPlainText(QString::number(i));
  }
  const std::vector<std::pair<QWidget*, QWidget*>> painted = {
      {window->ListBox5, window->ListBox5->verticalScrollBar()},
      {window->Memo1, window->Memo1->verticalScrollBar()},
      {window->DBGrid1, window->DBGrid1->verticalScrollBar()},
      {window->TrackBar2, window->TrackBar2}};
  for (const auto& [control, part] : painted) {
    SCOPED_TRACE(control->objectName().toStdString());
    TSkinControl* s = TSkinRegistry::Find(control);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(TSkinRegistry::SkinnerFor(part), s);
    if (part != control) {
      ASSERT_TRUE(testing_support::waitUntil([&] { return static_cast<QScrollBar*>(part)->maximum() > 0; }, 2000));
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
