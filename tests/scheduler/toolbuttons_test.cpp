// The toolbar's player and speech studio buttons: a new window each, non-modal, refused during
// a trial.
#include <gtest/gtest.h>

#include <QPointer>
#include <QToolButton>

#include "scheduler/windows/Unit_testshowtts.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

class ToolButtonsTest : public SettingsFixture {
 protected:
  std::vector<QPointer<orvane::Form>> made;
  TForm_main_tamu::InsertWindowFactory factory() {
    return [this] {
      auto w = std::make_unique<orvane::Form>();
      w->setClientSize(200, 100);
      made.push_back(w.get());
      return w;
    };
  }
};

TEST_F(ToolButtonsTest, EachClickOpensANewWindowUnlessATrialRuns) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  openMainWindow();
  window->setInsertWindows(factory(), factory());
  for (QToolButton* b : {window->ToolButton2, window->ToolButton4, window->ToolButton2}) b->click();
  ASSERT_EQ(made.size(), 3u);
  for (auto& w : made) EXPECT_TRUE(w && w->isVisible() && !w->isModal() && !w->parentWidget());
  EXPECT_EQ(made[1]->caption(), QStringLiteral("语音播报(手动播报)"));
  EXPECT_NE(made[0], made[2]);
  for (auto& w : made) delete w.data();

  window->state().playstate = PlayState::TryPlay;
  made.clear();
  for (QToolButton* b : {window->ToolButton2, window->ToolButton4}) b->click();
  EXPECT_TRUE(made.empty());
  EXPECT_EQ(boxes.count(QStringLiteral("请先退出试播状态再来操作。")), 2);
}

TEST_F(ToolButtonsTest, TheSpeechTipComesBeforeTheStudioWhileItIsOn) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  set("volume2", QStringLiteral("1"));
  openMainWindow();
  window->setInsertWindows(factory(), factory());
  bool tipFirst = false;
  QWidget* tipOwner = nullptr;
  OnNextModal<TForm_testshowtts>([&](TForm_testshowtts* tip) {
    tipFirst = made.empty();
    tipOwner = tip->parentWidget();
    tip->close();
  });
  window->ToolButton4->click();
  EXPECT_TRUE(tipFirst);
  EXPECT_EQ(tipOwner, window.get());
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(made[0]->isVisible());
  delete made[0].data();
}

}  // namespace
