// Skinned popup menus open at the same time (a submenu over its menu) and one after another:
// each window keeps its own skinner, its own menu and its own frame bitmap.
#include <gtest/gtest.h>

#include <QMenu>

#include "skin/WinSkinPopMenu.h"
#include "tests/skin/skinfixture.h"

using namespace orvane::skin;

namespace {
class PopupFramesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skin = LoadedDefaultSkin();
    ASSERT_TRUE(skin);
    skin->SetActive(true);
    SkinManager->TimerAction();
  }
  void TearDown() override { FreeSkinManager(), skin.reset(); }
  // The menu is painted (its frame bitmap is drawn at its size) and its items are drawn, which
  // tells the manager which menu the newest popup without one shows.
  static void Paint(QMenu* m, QObject* handle) {
    QImage img(m->size(), QImage::Format_ARGB32_Premultiplied);
    m->render(&img);
    SkinManager->SetLastMenuHandle(handle);
  }
  static const QImage* Frame(QMenu* m) {
    TPopupMenuSkinner* p = PopupSkinnerOf(m);
    return p ? p->FrameBitmap() : nullptr;
  }
  // The size of the frame the manager gives for a menu (none: an empty size).
  static QSize SizeFor(QObject* menu) {
    const QImage* frame = SkinManager->GetMenuBitmapByHandle(menu);
    return frame ? frame->size() : QSize();
  }
  std::unique_ptr<TSXSkin> skin;
};
}  // namespace

TEST_F(PopupFramesTest, NestedAndSuccessivePopupsEachCarryTheirOwnFrame) {
  QMenu outer;
  outer.addAction(QStringLiteral("播放"));
  QMenu* sub = outer.addMenu(QStringLiteral("更多"));
  sub->addAction(QStringLiteral("第一首很长很长的歌曲名字"));
  sub->addAction(QStringLiteral("第二首"));
  sub->addAction(QStringLiteral("第三首"));
  QObject outerMenu, subMenu, nextMenu, unknown;
  outer.popup(QPoint(40, 40));
  ASSERT_TRUE(testing_support::waitUntil([&] { return outer.isVisible() && PopupSkinnerOf(&outer); }));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(nullptr), nullptr) << "no menu, no frame";
  Paint(&outer, &outerMenu);
  ASSERT_TRUE(Frame(&outer));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&outerMenu), Frame(&outer));

  // The submenu opens over it: a second skinner with a frame of its own size.
  outer.setActiveAction(sub->menuAction());
  ASSERT_TRUE(testing_support::waitUntil([&] { return sub->isVisible() && PopupSkinnerOf(sub); }));
  EXPECT_EQ(SkinManager->PopupCount(), 2);
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&subMenu), nullptr) << "a menu not shown yet has no frame";
  Paint(sub, &subMenu);
  // The outer menu's items are drawn again (the mouse went over it): it keeps its menu.
  Paint(&outer, &outerMenu);
  ASSERT_TRUE(Frame(sub));
  ASSERT_NE(Frame(sub), Frame(&outer));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&outerMenu), Frame(&outer));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&subMenu), Frame(sub));
  EXPECT_EQ(SizeFor(&outerMenu), outer.size());
  EXPECT_EQ(SizeFor(&subMenu), sub->size());
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&unknown), nullptr);

  // The submenu closes; the menu under it stays as it was.
  sub->hide();
  EXPECT_TRUE(testing_support::waitUntil([&] { return SkinManager->PopupCount() == 1; }));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&subMenu), nullptr);
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&outerMenu), Frame(&outer));
  outer.close();
  EXPECT_TRUE(testing_support::waitUntil([&] { return SkinManager->PopupCount() == 0; }));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&outerMenu), nullptr);

  // The next popup menu, alone, gets the next menu and a frame of its own.
  QMenu next;
  next.addAction(QStringLiteral("显示主窗口"));
  next.addAction(QStringLiteral("退出"));
  next.popup(QPoint(300, 60));
  ASSERT_TRUE(testing_support::waitUntil([&] { return next.isVisible() && PopupSkinnerOf(&next); }));
  Paint(&next, &nextMenu);
  ASSERT_TRUE(Frame(&next));
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&nextMenu), Frame(&next));
  EXPECT_EQ(SizeFor(&nextMenu), next.size());
  EXPECT_EQ(SkinManager->GetMenuBitmapByHandle(&outerMenu), nullptr);
  next.close();
}
