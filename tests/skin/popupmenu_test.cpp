// Popup menus under the skin: the skinned frame, the style's part in it, and switching off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
  const QDir dir(QStringLiteral(ORVANE_SOURCE_DIR "/resources/skin/default"));
  skin_testing::SkinBuilder b;
  for (const QString& name : dir.entryList(QDir::Files)) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly)) continue;
    if (name.endsWith(QLatin1String(".ini")))
      b.description = f.readAll();
    else
      b.files[name] = f.readAll();
  }
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

TEST_F(PopupMenuTest, AShownMenuHasTheSkinFrameUntilTheSkinIsSwitchedOff) {
  QMenu plain;
  for (const char* text : {"Play", "Stop", "Properties"}) plain.addAction(QString::fromLatin1(text));
  QLineEdit edit(QStringLiteral("bell"));
  edit.show();
  const std::pair<const char*, std::function<QMenu*()>> openers[] = {
      {"plain menu", [&] { plain.popup(QPoint(40, 40)); return &plain; }},
      {"line edit's context menu", [&] {
         QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
         QCoreApplication::sendEvent(&edit, &e);
         return qobject_cast<QMenu*>(QApplication::activePopupWidget());
       }},
  };
  for (const auto& [what, open] : openers) {
    SCOPED_TRACE(what);
    QPointer<QMenu> menu = open();
    ASSERT_TRUE(menu);
    const QImage fusion = Render(menu);
    const QPoint firstItem = menu->actionGeometry(menu->actions().first()).topLeft();
    menu->close();
    Start(DefaultPackage());
    menu = open();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(PopupSkinnerOf(menu));
    EXPECT_EQ(wm::SendMessage(menu, WM_SKINQUERY), 1);
    EXPECT_EQ(menu->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu), 3);
    EXPECT_EQ(menu->actionGeometry(menu->actions().first()).topLeft(), firstItem + QPoint(3, 3));
    QImage img = Render(menu);
    ExpectSkinCorners(img);
    // Printed, the frame goes to the target and the inside is left to the window.
    QImage printed(menu->size(), QImage::Format_ARGB32_Premultiplied);
    printed.fill(Qt::transparent);
    QPainter painter(&printed);
    wm::SendMessage(menu, wm::WM_PRINT, reinterpret_cast<quintptr>(&painter));
    painter.end();
    ExpectSkinCorners(printed);
    // Inside the frame: Fusion's menu panel, without its border.
    const QPoint inside(img.width() - 5, img.height() - 5);
    EXPECT_EQ(img.pixel(inside), fusion.pixel(fusion.width() - 5, fusion.height() - 5));
    // With the skin's menu background asked for, it shows behind the items.
    skin->Options |= SetBit(xoMenuBG);
    img = Render(menu);
    ExpectSkinCorners(img);
    const QImage& src = skin->Data()->MenuBackground->Bitmap;
    EXPECT_EQ(img.pixel(inside), src.pixel(src.width() / 2, src.height() / 2));
    Stop();
    EXPECT_FALSE(SkinStyleInstalled());
    EXPECT_TRUE(Render(menu) == fusion);
    menu->close();
    EXPECT_FALSE(PopupSkinnerOf(menu));
    EXPECT_EQ(SkinManager->PopupCount(), 0);
    EXPECT_EQ(wm::SendMessage(menu, WM_SKINQUERY), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FreeSkinManager();
    skin.reset();
  }
}

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
