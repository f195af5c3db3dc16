// Menus in the message layer (see menus.h).
#include "platform/wm/menus.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSet>

#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

const char* const kOwnerDraw = "OwnerDraw";        // the program's switch on a menu or a menu bar
const char* const kTypeOwnerDraw = "wmOwnerDraw";  // the items' type made owner-drawn
const char* const kOwner = "wmMenuOwner";
const char* const kWatched = "wmMenuWatched";

QHash<QString, MenuDrawer>& drawers() {
  static QHash<QString, MenuDrawer> map;
  return map;
}
QHash<QString, MenuMeasurer>& measurers() {
  static QHash<QString, MenuMeasurer> map;
  return map;
}

// The menus and menu bars that open a menu (the widgets its menu action sits in).
QList<QWidget*> OpenersOf(const QWidget* menu) {
  QList<QWidget*> list;
  if (auto* m = qobject_cast<const QMenu*>(menu))
    for (QObject* o : m->menuAction()->associatedObjects())
      if (auto* w = qobject_cast<QWidget*>(o); w && w != menu) list << w;
  return list;
}

QAction* FindByCommand(HMENU menu, quint32 id, QSet<const QWidget*>& seen) {
  if (!menu || seen.contains(menu)) return nullptr;
  seen.insert(menu);
  for (QAction* a : menu->actions()) {
    if (CommandId(a) == id) return a;
    if (QAction* found = FindByCommand(a->menu(), id, seen)) return found;
  }
  return nullptr;
}

quint32 MenuSelectFlags(const QAction* a) {
  quint32 flags = 0;
  if (a->menu()) flags |= MF_POPUP;
  if (!a->isEnabled()) flags |= MFS_GRAYED;
  if (a->isChecked()) flags |= MFS_CHECKED;
  return flags;
}

}  // namespace

QMenuBar* GetMenu(HWND hwnd) {
  if (!hwnd || !hwnd->layout()) return nullptr;
  return qobject_cast<QMenuBar*>(hwnd->layout()->menuBar());
}

void SetMenu(HWND hwnd, QMenuBar* bar) {
  if (!hwnd || !hwnd->layout()) return;
  QMenuBar* current = GetMenu(hwnd);
  if (current == bar) return;
  if (current) current->hide();
  hwnd->layout()->setMenuBar(bar);
  if (bar) bar->show();
}

int GetMenuItemCount(HMENU menu) { return menu ? static_cast<int>(menu->actions().size()) : -1; }

QString MenuItemText(const QAction* action) {
  if (!action) return {};
  QString text = action->text();
  const QKeySequence key = action->shortcut();
  if (!key.isEmpty() && action->isShortcutVisibleInContextMenu()) text += QLatin1Char('\t') + key.toString(QKeySequence::NativeText);
  return text;
}

bool GetMenuItemInfo(HMENU menu, quint32 item, bool byPosition, MenuItemInfo* info) {
  if (!menu || !info) return false;
  QAction* a = nullptr;
  if (byPosition) {
    const QList<QAction*> actions = menu->actions();
    if (item >= static_cast<quint32>(actions.size())) return false;
    a = actions.at(static_cast<qsizetype>(item));
  } else {
    QSet<const QWidget*> seen;
    a = FindByCommand(menu, item, seen);
  }
  if (!a) return false;
  info->action = a;
  info->id = CommandId(a);
  info->subMenu = a->menu();
  info->type = a->isSeparator() ? MFT_SEPARATOR : MFT_STRING;
  if (IsMenuOwnerDrawn(menu)) info->type |= MFT_OWNERDRAW;
  if (menu->layoutDirection() == Qt::RightToLeft) info->type |= MFT_RIGHTORDER;
  info->state = 0;
  if (!a->isEnabled()) info->state |= MFS_GRAYED | MFS_DISABLED;
  if (a->isChecked()) info->state |= MFS_CHECKED;
  if (auto* m = qobject_cast<QMenu*>(menu); m && m->defaultAction() == a) info->state |= MFS_DEFAULT;
  if (auto* m = qobject_cast<QMenu*>(menu); m && m->activeAction() == a) info->state |= MFS_HILITE;
  info->text = a->isSeparator() ? QString() : MenuItemText(a);
  return true;
}

QString GetMenuString(HMENU menu, quint32 item, bool byPosition) {
  MenuItemInfo info;
  return GetMenuItemInfo(menu, item, byPosition, &info) ? info.text : QString();
}

void SetMenuOwnerDraw(QMenu* menu, bool on, bool recursive) {
  QSet<QMenu*> seen;
  std::function<void(QMenu*)> mark = [&](QMenu* m) {
    if (!m || seen.contains(m)) return;  // a menu may hold itself
    seen.insert(m);
    if (m->property(kTypeOwnerDraw).toBool() != on) {
      m->setProperty(kTypeOwnerDraw, on ? QVariant(true) : QVariant());
      QEvent e(QEvent::StyleChange);  // the items are measured again
      QCoreApplication::sendEvent(m, &e);
    }
    if (recursive)
      for (QAction* a : m->actions()) mark(a->menu());
  };
  mark(menu);
}

bool IsMenuOwnerDrawn(const QWidget* menu) {
  // Owner-drawn items themselves, or a menu (bar) switched to owner draw up the opening chain.
  QSet<const QWidget*> seen;
  std::function<bool(const QWidget*, bool)> walk = [&](const QWidget* w, bool self) -> bool {
    if (!w || seen.contains(w)) return false;
    seen.insert(w);
    if (self && w->property(kTypeOwnerDraw).toBool()) return true;
    if (w->property(kOwnerDraw).toBool()) return true;
    for (QWidget* opener : OpenersOf(w))
      if (walk(opener, false)) return true;
    return false;
  };
  return walk(menu, true);
}

void SetMenuOwner(QMenu* menu, HWND owner) {
  if (menu) menu->setProperty(kOwner, QVariant::fromValue(static_cast<QObject*>(owner)));
}

HWND MenuOwner(const QWidget* menu) {
  QSet<const QWidget*> seen;
  const QWidget* w = menu;
  while (w && !seen.contains(w)) {
    seen.insert(w);
    if (auto* owner = qobject_cast<QWidget*>(w->property(kOwner).value<QObject*>())) return owner;
    if (!qobject_cast<const QMenu*>(w)) return w->window();  // a menu bar: its window
    if (QWidget* p = w->parentWidget(); p && !qobject_cast<QMenu*>(p) && !qobject_cast<QMenuBar*>(p))
      return p->window();
    const QList<QWidget*> openers = OpenersOf(w);
    w = !openers.isEmpty() ? openers.first() : w->parentWidget();
  }
  return nullptr;
}

void WatchMenu(QMenu* menu, HWND owner) {
  QSet<QMenu*> seen;
  std::function<void(QMenu*, int)> watch = [&](QMenu* m, int index) {
    if (!m || seen.contains(m)) return;
    seen.insert(m);
    SetMenuOwner(m, owner);
    if (!m->property(kWatched).toBool()) {
      m->setProperty(kWatched, true);
      const bool top = m == menu;
      QObject::connect(m, &QMenu::aboutToShow, m, [m, index] {
        SendMessage(MenuOwner(m), WM_INITMENUPOPUP, reinterpret_cast<quintptr>(m), index);
      });
      QObject::connect(m, &QMenu::hovered, m, [m](QAction* a) {
        SendMessage(MenuOwner(m), WM_MENUSELECT, (CommandId(a) & 0xFFFF) | (MenuSelectFlags(a) << 16),
                    reinterpret_cast<qintptr>(m));
      });
      if (top)
        QObject::connect(m, &QMenu::aboutToHide, m,
                         [m] { SendMessage(MenuOwner(m), WM_MENUSELECT, 0xFFFFu << 16, 0); });
    }
    const QList<QAction*> actions = m->actions();
    for (int i = 0; i < actions.size(); ++i) watch(actions.at(i)->menu(), i);
  };
  watch(menu, 0);
}

void RegisterMenuDrawer(const QString& name, MenuDrawer drawer) { drawers().insert(name, std::move(drawer)); }

void RegisterMenuMeasurer(const QString& name, MenuMeasurer measurer) {
  measurers().insert(name, std::move(measurer));
}

void DefaultDrawItem(DrawItemStruct& item) {
  if (item.drawDefault) item.drawDefault();
}

void DefaultMeasureItem(MeasureItemStruct& item) {
  const QSize size = item.defaultSize ? item.defaultSize() : QSize();
  item.itemWidth = size.width();
  item.itemHeight = size.height();
}

bool DefMenuProc(HWND hwnd, Message& m) {
  if (m.msg == WM_DRAWITEM) {
    auto* item = reinterpret_cast<DrawItemStruct*>(m.lParam);
    if (!item || item->ctlType != ODT_MENU) return true;
    const QString name = item->action ? item->action->property("OnDrawItem").toString() : QString();
    if (auto it = drawers().constFind(name); it != drawers().constEnd() && *it)
      (*it)(hwnd, *item);
    else
      DefaultDrawItem(*item);
    m.result = 1;
    return true;
  }
  if (m.msg == WM_MEASUREITEM) {
    auto* item = reinterpret_cast<MeasureItemStruct*>(m.lParam);
    if (!item || item->ctlType != ODT_MENU) return true;
    const QString name = item->action ? item->action->property("OnMeasureItem").toString() : QString();
    if (auto it = measurers().constFind(name); it != measurers().constEnd() && *it)
      (*it)(hwnd, *item);
    else
      DefaultMeasureItem(*item);
    m.result = 1;
    return true;
  }
  return false;
}

}  // namespace orvane::wm
