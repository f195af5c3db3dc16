// Menus in the message layer: a window's menu bar and the drop-downs below it read as classic
// menus (items by position with state, command, submenu, type and text), owner-drawn items
// measured and painted through WM_MEASUREITEM and WM_DRAWITEM sent to the menu's owner window,
// and the menu loop's notifications (WM_INITMENUPOPUP, WM_MENUSELECT) sent to that window.
//
// A menu is a QMenu or a QMenuBar (HMENU); an item is one of its QActions, whose command
// number is CommandId(action).
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

#include "platform/wm/wm.h"

class QMenu;
class QMenuBar;
class QPainter;

namespace orvane::wm {

using HMENU = QWidget*;

// Item types and states (GetMenuItemInfo) and the owner-draw records' kinds and states.
enum : quint32 {
  MFT_STRING = 0x0000, MFT_OWNERDRAW = 0x0100, MFT_SEPARATOR = 0x0800, MFT_RIGHTORDER = 0x2000,
  MFS_GRAYED = 0x0001, MFS_DISABLED = 0x0002, MFS_CHECKED = 0x0008, MFS_HILITE = 0x0080, MFS_DEFAULT = 0x1000,
  MF_BYCOMMAND = 0x0000, MF_BYPOSITION = 0x0400, MF_POPUP = 0x0010, MF_SYSMENU = 0x2000,
  ODT_MENU = 1,
  ODS_SELECTED = 0x0001, ODS_GRAYED = 0x0002, ODS_DISABLED = 0x0004, ODS_CHECKED = 0x0008, ODS_DEFAULT = 0x0020,
};

// WM_MEASUREITEM's lParam: the item to measure; the owner fills width and height.
struct MeasureItemStruct {
  quint32 ctlType = ODT_MENU;
  quint32 itemId = 0;
  QAction* action = nullptr;
  HMENU menu = nullptr;
  int itemWidth = 0;
  int itemHeight = 0;
  // The size the menu would give the item without owner draw (empty: none known).
  std::function<QSize()> defaultSize;
  // The menu's own measure of the item's contents (invalid: none).
  QSize contentsSize;
};

// WM_DRAWITEM's lParam: the item to paint into rcItem with the painter.
struct DrawItemStruct {
  quint32 ctlType = ODT_MENU;
  quint32 itemId = 0;
  QAction* action = nullptr;
  HMENU menu = nullptr;
  quint32 itemState = 0;
  QRect rcItem;
  QPainter* painter = nullptr;
  // Paints the item as the menu would without owner draw (empty: nothing).
  std::function<void()> drawDefault;
};

struct MenuItemInfo {
  quint32 type = MFT_STRING;
  quint32 state = 0;
  quint32 id = 0;
  QMenu* subMenu = nullptr;
  QString text;  // whole, the "\t" and shortcut included
  QAction* action = nullptr;
};

// The window's menu bar (null: none), and setting it: null hides the bar and takes it out of
// the window, a bar puts it back and shows it.
QMenuBar* GetMenu(HWND hwnd);
void SetMenu(HWND hwnd, QMenuBar* bar);
int GetMenuItemCount(HMENU menu);
// By position (byPosition) or by command anywhere below the menu; false when there is none.
bool GetMenuItemInfo(HMENU menu, quint32 item, bool byPosition, MenuItemInfo* info);
QString GetMenuString(HMENU menu, quint32 item, bool byPosition);
// The item's text as a menu shows it: the action's text, a tab and its shortcut.
QString MenuItemText(const QAction* action);

// Owner-drawn menus: the menu's items are measured and painted by its owner window.
void SetMenuOwnerDraw(QMenu* menu, bool on, bool recursive);
bool IsMenuOwnerDrawn(const QWidget* menu);
// The window that owns a menu: the one set, else the one its parents or the menu that opens it
// lead to.
void SetMenuOwner(QMenu* menu, HWND owner);
HWND MenuOwner(const QWidget* menu);
// Sends WM_INITMENUPOPUP to the owner when the menu (or a submenu) is about to show, and
// WM_MENUSELECT when an item is hovered and (flags 0xFFFF, no menu) when the menu closes.
void WatchMenu(QMenu* menu, HWND owner);

// The painters and measurers that menu items name in their "OnDrawItem" and "OnMeasureItem"
// properties; the default procedure calls them for WM_DRAWITEM and WM_MEASUREITEM.
using MenuDrawer = std::function<void(HWND owner, DrawItemStruct& item)>;
using MenuMeasurer = std::function<void(HWND owner, MeasureItemStruct& item)>;
void RegisterMenuDrawer(const QString& name, MenuDrawer drawer);
void RegisterMenuMeasurer(const QString& name, MenuMeasurer measurer);
// The item's own painting and size as the application style gives them (no owner draw).
void DefaultDrawItem(DrawItemStruct& item);
void DefaultMeasureItem(MeasureItemStruct& item);
// WM_MEASUREITEM and WM_DRAWITEM at the bottom of a window's chain; false for other messages.
bool DefMenuProc(HWND hwnd, Message& m);

}  // namespace orvane::wm
