// The skinned menu bar, the drop-downs it opens, the skinned system menu and the painting of
// owner-drawn menu items.
//
// A skinned window's QMenuBar is taken out of the window and drawn by the form skinner in the
// frame above the client as a row of TMenuBtn objects; a click drops the item's menu down
// below it, and while it is open the keyboard and the mouse move between the bar's items.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <vector>

#include "platform/wm/menus.h"
#include "skin/FormSkinner.h"

#include <QMenu>
#include <QMenuBar>

namespace orvane::skin {

class TWinSkinMenu;

// The system menu popup's Tag.
inline constexpr int SystemMenuTag = 33333;
// The skin's menu glyphs: restore, maximise, minimise, close.
enum { mgRestore = 0, mgMaximize = 1, mgMinimize = 2, mgClose = 3 };

// One item of the skinned menu bar.
class TMenuBtn : public TNCObject {
 public:
  TMenuBtn(TFormSkinner* form, TWinSkinMenu* bar, int index);
  bool IsMenuItem() const override { return true; }
  // Inside the frame's paint pass: the bar's picture of the item, its state frame and its
  // caption; outside one: a repaint of the bounds.
  void Paint() override;
  void Draw(QPainter& painter) const;

  QPointer<QAction> Item;  // the menu bar's action
  int Index = 0;
  QString Caption;
  bool Enabled = true;
  QPointer<QMenu> DropDown;  // null when the item has no menu
  quint32 Command = 0;

 private:
  TWinSkinMenu* bar_;
};

class TWinSkinMenu : public QObject {
 public:
  TWinSkinMenu(TFormSkinner* form, TSXSkin* skin);
  ~TWinSkinMenu() override;

  // Items from the window's menu bar, which then leaves the window.
  void BuildItems();
  void LayoutItems();
  // The bar into the painter at its rectangle (window coordinates).
  void Paint(QPainter& dc, const QRect& bar);
  // (left border, top border, width - right border, top border + bar height).
  QRect BarRect() const;
  // The first item whose bounds hold the point (window coordinates) and whose caption is not empty.
  TMenuBtn* ItemAt(QPoint windowPt) const;
  // The item whose caption has the key as its "&" mnemonic (visible and enabled).
  TMenuBtn* ItemForKey(QChar key) const;
  const std::vector<TMenuBtn*>& Items() const { return items_; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  QMenuBar* Menu() const { return menu_; }
  QMenuBar* WindowMenu() const { return windowMenu_; }
  const QImage& ItemBitmap() const { return itemBitmap_; }
  bool RightToLeft() const;
  static QFont MenuFont();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FreeItems();
  void Rebuild();

  std::vector<TMenuBtn*> items_;
  QPointer<QMenuBar> menu_;
  QPointer<TSXSkin> skin_;
  TFormSkinner* form_;
  QImage itemBitmap_;  // the bar as last painted, at the bar's size
  QRect paintedBar_;
  int painting_ = 0;
  QPointer<QMenuBar> windowMenu_;
  bool rebuildQueued_ = false;
};

// The drop-down opened from a menu bar, if any (one at a time in the program).
QMenu* OpenDropDown();
int OpenDropDownIndex();

// The owner-drawn item painters and measurers the menus name (registered with the message
// layer by RegisterMenuPainters).
void ItemPainter(QWidget* owner, wm::DrawItemStruct& item);
void PlainPainter(QWidget* owner, wm::DrawItemStruct& item);
void MainMenuMeasurer(QWidget* owner, wm::MeasureItemStruct& item);
void PopupMeasurer(QWidget* owner, wm::MeasureItemStruct& item);
// The measure of an entry from its text alone.
void TextMeasure(wm::MeasureItemStruct& item, int leftMargin);
void RegisterMenuPainters();

}  // namespace orvane::skin
