// Popup menus under the skin: the skinned frame, the style's part in it, and switching off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <memory>

#include "platform/wm/wm.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/WinSkinStore.h"
#include "tests/skin/skinbuilder.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

QImage Render(QWidget* w) {
  QImage img(w->size(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  w->render(&img);
  return img;
}

// The default skin's sources, with its description changed by `edit`.
QByteArray DefaultPackage(const std::function<void(QByteArray&)>& edit = {}) {
  auto b = skin_testing::SkinBuilder::FromFolder(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default"));
  if (edit) edit(b.description);
  return b.package();
}

class PopupMenuTest : public ::testing::Test {
 protected:
  void Start(const QByteArray& package) {
    skin = std::make_unique<TSXSkin>();
    skin->SetSkinStream(package);
    ASSERT_TRUE(skin->LoadSkin());
    skin->Loaded();
    skin->SetActive(true);
    SkinManager->TimerAction();
    ASSERT_TRUE(SkinStyleInstalled());
  }
  void Stop() { skin->SetActive(false), SkinManager->TimerAction(); }
  void TearDown() override { FreeSkinManager(), skin.reset(); }
  // The skin's menu background at the menu's corners: 3 x 3 pixels copied unscaled.
  void ExpectSkinCorners(const QImage& img) {
    const QImage& src = skin->Data()->MenuBackground->Bitmap;
    auto opaque = [](QRgb p) { return qAlpha(p) == 0 ? qRgb(255, 0, 255) : p; };
    const int W = img.width(), H = img.height(), w = src.width(), h = src.height();
    for (int i = 0; i < 36; ++i) {
      const int x = i % 3 + (i / 9 % 2) * 3, y = i / 3 % 3 + (i / 18) * 3;  // 0..2 near, 3..5 far side
      auto at = [](int v, int size) { return v < 3 ? v : size - 6 + v; };
      EXPECT_EQ(img.pixel(at(x, W), at(y, H)), opaque(src.pixel(at(x, w), at(y, h)))) << x << "," << y;
    }
  }
  std::unique_ptr<TSXSkin> skin;
};

}  // namespace

TEST_F(PopupMenuTest, WithoutAMenuBackgroundImageTheMenuKeepsFusionsFrame) {
  QMenu menu;
  menu.addAction(QStringLiteral("Play"));
  menu.popup(QPoint(40, 40));
  const QImage fusion = Render(&menu);
  menu.close();
  Start(DefaultPackage([](QByteArray& ini) { ini.replace("Image=menu_background.bmp", "Image=missing.bmp"); }));
  menu.popup(QPoint(40, 40));
  EXPECT_TRUE(PopupSkinnerOf(&menu));
  EXPECT_TRUE(Render(&menu) == fusion);
}

TEST_F(PopupMenuTest, AMenuHoldingItselfAsSubmenuIsSkinnedOnce) {
  Start(DefaultPackage());
  QMenu menu;
  menu.addAction(QStringLiteral("Play"));
  menu.addMenu(&menu);
  menu.popup(QPoint(40, 40));
  menu.setActiveAction(menu.menuAction());
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QCoreApplication::processEvents();
  ASSERT_TRUE(menu.isVisible());
  EXPECT_EQ(SkinManager->PopupCount(), 1);
  ExpectSkinCorners(Render(&menu));
  menu.close();
  EXPECT_EQ(SkinManager->PopupCount(), 0);
}
