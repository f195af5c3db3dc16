// The toolbar's player and speech studio buttons: a new window each, non-modal, refused during
// a trial.
#include <gtest/gtest.h>

#include <QPointer>
#include <QToolButton>

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

}  // namespace
