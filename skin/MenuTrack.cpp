// The form skinner's menus: the drop-down of a bar item and the watch over it while it is
// open, the keyboard's way into the bar, the skinned system menu, and the menu messages of
// the skinned window procedure.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTimer>

#include "platform/forms/form.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

// The one drop-down open from a menu bar (a drop-down is modal to the program).
class DropDownWatch : public QObject {
 public:
  QPointer<TFormSkinner> form;
  QPointer<QMenu> dropDown;
  QList<QPointer<QMenu>> watched;  // the drop-down and its submenus
  int openIndex = -1;
  QPointer<QAction> selected;  // the item under the menu selection
  QPoint lastMouse;
  bool switching = false, firstKeySent = false, itemChanged = false;

  // Watched from the application's filter: a menu without mouse tracking gets no plain moves.
  void Watch(QMenu* menu) {
    QSet<QMenu*> seen;
    std::function<void(QMenu*)> add = [&](QMenu* m) {
      if (!m || seen.contains(m)) return;
      seen.insert(m);
      watched << m;
      for (QAction* a : m->actions()) add(a->menu());
    };
    add(menu);
    qApp->installEventFilter(this);
  }

  void Unwatch() {
    watched.clear();
    qApp->removeEventFilter(this);
  }

  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void Choose(TMenuBtn* item);
  TMenuBtn* Neighbour(int step) const;
};

DropDownWatch& Tracking() {
  static auto* watch = new DropDownWatch;  // lives as long as the program
  return *watch;
}

TMenuBtn* DropDownWatch::Neighbour(int step) const {
  if (!form || !form->MenuBar()) return nullptr;
  const auto& items = form->MenuBar()->Items();
  const int n = static_cast<int>(items.size());
  if (n == 0) return nullptr;
  int i = openIndex;
  for (int tries = 0; tries < n; ++tries) {
    i = ((i + step) % n + n) % n;
    TMenuBtn* b = items[static_cast<size_t>(i)];
    if (b->Visible && !b->Caption.isEmpty()) return b;
  }
  return nullptr;
}

// Another bar item chosen while the drop-down is open: it closes, and a click posted on the
// other item opens that one.
void DropDownWatch::Choose(TMenuBtn* item) {
  if (!item || !form || item->Index == openIndex) return;
  switching = true;
  wm::PostMessage(form->Handle(), wm::WM_NCLBUTTONDOWN, 1,
                  wm::MakePoint(form->WindowToScreen(item->Bounds.topLeft() + QPoint(1, 1))));
  itemChanged = true;
  for (qsizetype i = watched.size() - 1; i >= 0; --i)
    if (watched[i] && watched[i]->isVisible()) watched[i]->hide();
}

bool DropDownWatch::eventFilter(QObject* o, QEvent* e) {
  const QEvent::Type type = e->type();
  if (type != QEvent::Show && type != QEvent::KeyPress && type != QEvent::MouseMove) return false;
  auto* menu = qobject_cast<QMenu*>(o);
  if (!menu || !form || !dropDown || !watched.contains(menu)) return false;
  switch (type) {
    case QEvent::Show:
      if (menu == dropDown && !firstKeySent) {
        // The first item is made active as a Down key would.
        firstKeySent = true;
        QCoreApplication::postEvent(menu, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
      }
      return false;
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(e);
      int key = k->key();
      if (form->MenuBar() && form->MenuBar()->RightToLeft()) {
        if (key == Qt::Key_Left) key = Qt::Key_Right;
        else if (key == Qt::Key_Right) key = Qt::Key_Left;
      }
      QAction* active = menu->activeAction();
      switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
          switching = false;
          return false;
        case Qt::Key_Right:
          if (!active || !active->menu()) {
            Choose(Neighbour(1));
            return true;
          }
          return false;
        case Qt::Key_Left:
          if (!active || menu == dropDown) {
            Choose(Neighbour(-1));
            return true;
          }
          return false;
        case Qt::Key_Alt:
          form->SetMenuTracking(false);
          return false;
        default:
          return false;
      }
    }
    case QEvent::MouseMove: {
      // The drop-down holds the mouse: moves over the bar arrive here.
      const QPoint at = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
      if (at == lastMouse) return false;
      lastMouse = at;
      if (TWinSkinMenu* bar = form->MenuBar())
        if (TMenuBtn* b = bar->ItemAt(form->WindowPoint(at)); b && b->Index != openIndex) Choose(b);
      return false;
    }
    default:
      return false;
  }
}

// Step after the drop-down has closed.
void EndTracking(TFormSkinner* form) {
  DropDownWatch& t = Tracking();
  if (t.form != form) return;
  t.Unwatch();
  t.openIndex = -1;
  t.selected = nullptr;
  t.switching = t.firstKeySent = t.itemChanged = false;
  t.dropDown = nullptr;
  t.form = nullptr;
  if (form) form->SetMenuTracking(false);
}

QAction* FindByCommand(QWidget* menu, quint32 id, QSet<QWidget*>& seen) {
  if (!menu || seen.contains(menu)) return nullptr;
  seen.insert(menu);
  for (QAction* a : menu->actions()) {
    if (wm::CommandId(a) == id) return a;
    if (QAction* found = FindByCommand(a->menu(), id, seen)) return found;
  }
  return nullptr;
}

// Whether the action sits in the menu or in one of the menus it opens: walked up from the action.
bool InMenuTree(QWidget* menu, QAction* action) {
  if (!menu || !action) return false;
  QSet<QAction*> seen;
  std::function<bool(QAction*)> up = [&](QAction* a) {
    if (seen.contains(a)) return false;
    seen.insert(a);
    for (QObject* o : a->associatedObjects()) {
      if (o == menu) return true;
      if (auto* m = qobject_cast<QMenu*>(o); m && up(m->menuAction())) return true;
    }
    return false;
  };
  return up(action);
}

constexpr qintptr kAltKeyData = 0x20000000;  // the key data's context bit: Alt is down

// Hands a watched object's events to a function (true: the event is eaten).
class FilterFunction : public QObject {
 public:
  FilterFunction(QObject* watched, std::function<bool(QEvent*)> f) : QObject(watched), f_(std::move(f)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override { return f_(e); }

 private:
  std::function<bool(QEvent*)> f_;
};

// Alt with Space opens the skinned system menu of a window that has no menu bar (the bar's
// own filter does it where there is one): the key reaches the window as SC_KEYMENU.
class SystemMenuKey : public QObject {
 public:
  explicit SystemMenuKey(TFormSkinner* form) : QObject(form), form_(form) {
    setObjectName(QStringLiteral("skinSystemMenuKey"));
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type t = event->type();
    if (t != QEvent::ShortcutOverride && t != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space || key->modifiers() != Qt::AltModifier) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    QWidget* w = form_->Handle();
    if (!w || !target || target->window() != w || qobject_cast<QMenu*>(target) || form_->HasMenuBar()) return false;
    if (t == QEvent::ShortcutOverride) {
      event->accept();  // ours, not a shortcut's
      return true;
    }
    wm::SendMessage(w, wm::WM_SYSCOMMAND, wm::SC_KEYMENU, ' ');
    return true;
  }

 private:
  TFormSkinner* form_;
};

}  // namespace

QMenu* OpenDropDown() { return Tracking().dropDown; }
int OpenDropDownIndex() { return Tracking().openIndex; }

// ---- the form skinner's menu bar ----------------------------------------------------------

bool TFormSkinner::HasMenuBar() const { return !menuBar_.isNull(); }
TWinSkinMenu* TFormSkinner::MenuBar() const { return menuBar_; }
QMenu* TFormSkinner::SystemMenuPopup() const { return sysPopup_; }

void TFormSkinner::CreateMenuBar() {
  QWidget* w = hwnd_;
  if (w && !findChild<QObject*>(QStringLiteral("skinSystemMenuKey"), Qt::FindDirectChildrenOnly)) new SystemMenuKey(this);
  if (!w || menuBar_ || windowKind_ == wkMDIChild || !wm::GetMenu(w)) return;
  menuBar_ = new TWinSkinMenu(this, skin_);
  menuBarHeight_ = wm::GetSystemMetrics(wm::SM_CYMENU);
  menuBar_->BuildItems();
}

void TFormSkinner::FreeMenuBar(bool giveBack) {
  if (Tracking().form == this && Tracking().dropDown) Tracking().dropDown->hide();
  EndTracking(this);
  delete findChild<QObject*>(QStringLiteral("skinSystemMenuKey"), Qt::FindDirectChildrenOnly);
  if (!menuBar_) return;
  QPointer<QMenuBar> menu = menuBar_->Menu() ? menuBar_->Menu() : menuBar_->WindowMenu();
  delete menuBar_.data();
  menuBarHeight_ = 0;
  if (giveBack && hwnd_ && menu) wm::SetMenu(hwnd_, menu);
}

QPoint TFormSkinner::WindowToScreen(QPoint windowPt) const {
  if (!hwnd_) return windowPt;
  const QPoint origin = hwnd_->mapFromGlobal(QPoint(0, 0)) - wm::ScreenToClient(hwnd_, QPoint(0, 0));
  const QPoint client = windowKind_ == wkMDIChild && showState_ == ssMaximized
                            ? windowPt
                            : windowPt - QPoint(borders_.left(), borders_.top() + menuBarHeight_);
  return hwnd_->mapToGlobal(origin + client);
}

void TFormSkinner::TrackMenu(TMenuBtn* item) {
  QWidget* w = hwnd_;
  if (!item || !w) return;
  wm::PostMessage(w, wm::WM_COMMAND, item->Command, 0);
  QMenu* drop = item->DropDown;
  if (!drop) return;
  DropDownWatch& t = Tracking();
  if (t.dropDown) t.dropDown->hide();  // one at a time
  EndTracking(t.form);
  t.openIndex = item->Index;
  t.form = this;
  wm::SetMenuOwnerDraw(drop, true, true);
  menuTracking_ = true;
  const bool rtl = menuBar_ && menuBar_->RightToLeft();
  QPoint at = WindowToScreen(QPoint(rtl ? item->Bounds.right() + 1 : item->Bounds.left(), item->Bounds.bottom() + 1));
  if (SkinManager) SkinManager->SetMenuKind(TSkinManage::mkMenuBar);
  t.dropDown = drop;
  t.lastMouse = wm::GetCursorPos();
  t.switching = t.firstKeySent = t.itemChanged = false;
  wm::WatchMenu(drop, w);
  t.Watch(drop);
  QPointer<TFormSkinner> self(this);
  QObject::connect(drop, &QMenu::aboutToHide, this, [self] { EndTracking(self); }, Qt::SingleShotConnection);
  if (!item->Enabled) {
    EndTracking(this);
    return;
  }
  if (rtl) at.rx() -= drop->sizeHint().width();
  drop->popup(at);
}

// ---- the system menu ----------------------------------------------------------------------

void TFormSkinner::FreeSystemMenu() {
  if (QMenu* m = sysPopup_) {
    m->hide();
    m->deleteLater();
  }
  sysPopup_ = nullptr;
}

void TFormSkinner::BuildSystemMenu() {
  QWidget* w = hwnd_;
  if (!w) return;
  FreeSystemMenu();
  auto* popup = new QMenu(w);
  popup->setProperty("Tag", SystemMenuTag);
  popup->setProperty("OwnerDraw", true);
  popup->setProperty("Images", QStringLiteral("skinMenuGlyphs"));
  wm::SetMenuOwner(popup, w);
  QMenu* sys = wm::GetSystemMenu(w, false);
  const int count = wm::GetMenuItemCount(sys);
  for (int i = 0; i < count; ++i) {
    wm::MenuItemInfo info;
    if (!wm::GetMenuItemInfo(sys, static_cast<quint32>(i), true, &info)) continue;
    QAction* a = nullptr;
    if (info.text.isEmpty()) {
      a = popup->addSeparator();
    } else {
      a = popup->addAction(info.text);  // a shortcut after a tab is drawn at the right
    }
    a->setProperty("Tag", info.id);
    int glyph = -1;
    bool enabled = true;
    switch (info.id) {
      case wm::SC_CLOSE: glyph = mgClose; break;
      case wm::SC_RESTORE: glyph = mgRestore; enabled = showState_ != ssNormal; break;
      case wm::SC_MAXIMIZE:
        glyph = mgMaximize;
        enabled = showState_ != ssMaximized && (buttonBits_ & bbMaximize);
        break;
      case wm::SC_MINIMIZE:
        glyph = mgMinimize;
        enabled = showState_ != ssMinimized && (buttonBits_ & bbMinimize);
        break;
      case wm::SC_SIZE:
      case wm::SC_MOVE: enabled = showState_ != ssMaximized; break;
      default: break;
    }
    if (info.state & (wm::MFS_GRAYED | wm::MFS_DISABLED)) enabled = false;
    a->setEnabled(enabled);
    if (glyph >= 0) a->setProperty("ImageIndex", glyph);
    if (info.state & wm::MFS_CHECKED) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    a->setProperty("OnDrawItem", QStringLiteral("skinMenuItem"));
    a->setProperty("OnMeasureItem", QStringLiteral("skinPopupMeasure"));
    const quint32 command = info.id;
    QObject::connect(a, &QAction::triggered, w, [w, command] { wm::PostMessage(w, wm::WM_SYSCOMMAND, command, 0); });
  }
  wm::WatchMenu(popup, w);
  // The press that closes the menu is never passed on to the window beneath (some systems never
  // do): when it falls on the system-menu button within the double-click time of the opening, it
  // is the second click of a double click there, which closes the window.
  popup->setAttribute(Qt::WA_NoMouseReplay);
  QPointer<TFormSkinner> self(this);
  new FilterFunction(popup, [self, popup](QEvent* e) {
    // The second press of a double click comes as the double click itself.
    if (!self || !self->hwnd_ || (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick))
      return false;
    const auto* press = static_cast<QMouseEvent*>(e);
    if (press->button() != Qt::LeftButton || popup->rect().contains(press->position().toPoint())) return false;
    const TWinSysButton* button = self->sysMenuButton_;
    const int action = button ? button->Record()->Action : -1;
    const qint32 dbl = static_cast<qint32>(self->dblClickTime_);
    if ((action == 3 || action == 11 || action == 12) && dbl >= 0 &&
        button->Bounds.contains(self->WindowPoint(press->globalPosition().toPoint())) &&
        wm::GetTickCount() - self->lastSysMenuClick_ <= static_cast<quint32>(dbl)) {
      self->hoverTimer_.stop();
      wm::PostMessage(self->hwnd_, wm::WM_CLOSE, 0, 0);
    }
    return false;
  });
  sysPopup_ = popup;
}

void TFormSkinner::ShowSystemMenu(QPoint screen) {
  if (!hwnd_ || QApplication::activePopupWidget()) return;
  const qint64 dbl = static_cast<qint32>(dblClickTime_);
  const quint32 now = wm::GetTickCount();
  if (dbl < 0 || now - lastSysMenuClick_ > static_cast<quint32>(dbl) || lastSysMenuClick_ == 0) {
    if (SkinManager) SkinManager->SetMenuKind(TSkinManage::mkSystem);
    lastSysMenuClick_ = now ? now : 1;
    sysMenuButton_ = nullptr;  // the button that clicked, if one did, says so after this
    BuildSystemMenu();
    if (sysPopup_) sysPopup_->popup(screen);
    return;
  }
  if (hot_) {
    hoverTimer_.stop();
    wm::PostMessage(hwnd_, wm::WM_CLOSE, 0, 0);
  }
}

// ---- the menu messages of the skinned procedure -------------------------------------------

bool TFormSkinner::MenuKey(quint32 key) {
  if (OpenDropDown() || QWidget::mouseGrabber()) return false;
  if (key == ' ') {
    ShowSystemMenu(WindowToScreen(QPoint(borders_.left(), borders_.top() + menuBarHeight_)));
    return true;
  }
  if (key == '-' || !menuBar_) return false;
  TMenuBtn* item = nullptr;
  if (key == 0) {
    for (TMenuBtn* b : menuBar_->Items())
      if (b->Visible && !b->Caption.isEmpty()) {
        item = b;
        break;
      }
  } else {
    for (TMenuBtn* b : menuBar_->Items())
      if (b->Visible && !b->Caption.isEmpty() && menuBar_->ItemForKey(QChar(key)) == b) item = b;
  }
  if (!item) return false;
  item->MouseDown();
  TrackMenu(item);
  return true;
}

bool TFormSkinner::MenuDialogChar(wm::Message& m) {
  if (m.result != 0 || !menuBar_) return false;
  const bool altOnly = (m.lParam & kAltKeyData) &&
                       !(QGuiApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
  if (!altOnly) return false;
  TMenuBtn* item = menuBar_->ItemForKey(QChar(static_cast<char16_t>(m.wParam)));
  if (!item) return false;
  wm::PostMessage(hwnd_, wm::WM_NCLBUTTONDOWN, 1, wm::MakePoint(WindowToScreen(item->Bounds.topLeft() + QPoint(1, 1))));
  m.result = 1;
  return true;
}

void TFormSkinner::DialogChar(wm::Message& m, const std::function<void(wm::Message&)>& previous) {
  if (MenuDialogChar(m)) return;
  // Unanswered: the program's main window has its say, or an MDI child's frame.
  QWidget* to = nullptr;
  if (windowKind_ == wkMDIChild) {
    if (QWidget* area = hwnd_ ? hwnd_->parentWidget() : nullptr) to = area->window();
  } else if (!ScreenForms().isEmpty()) {
    Form* main = ScreenForms().first();
    auto* self = qobject_cast<Form*>(object_.data());
    if (main != hwnd_ && !(self && self->isModal())) to = main;
  }
  if (to && to != hwnd_) {
    m.result = wm::SendMessage(to, CM_DIALOGCHAR, m.wParam, m.lParam);
    if (m.result != 0) return;
  }
  if (previous) previous(m);
}

void TFormSkinner::MenuSelect(wm::Message& m) {
  DropDownWatch& t = Tracking();
  if (t.form != this) return;
  if ((m.wParam >> 16) == 0xFFFF && m.lParam == 0) {
    if (!t.switching) menuTracking_ = false;
  } else {
    t.switching = false;
    QSet<QWidget*> seen;
    t.selected = FindByCommand(reinterpret_cast<QWidget*>(m.lParam), m.wParam & 0xFFFF, seen);
  }
}

bool TFormSkinner::OwnerDrawItem(wm::Message& m) {
  const bool measure = m.msg == wm::WM_MEASUREITEM;
  auto* mi = measure ? reinterpret_cast<wm::MeasureItemStruct*>(m.lParam) : nullptr;
  auto* di = measure ? nullptr : reinterpret_cast<wm::DrawItemStruct*>(m.lParam);
  if ((measure && (!mi || mi->ctlType != wm::ODT_MENU)) || (!measure && (!di || di->ctlType != wm::ODT_MENU)))
    return false;
  QAction* action = measure ? mi->action : di->action;
  const quint32 id = measure ? mi->itemId : di->itemId;
  if (!menuBar_) return false;  // a window without a menu leaves it to the previous procedure
  const bool bare = !object_;
  const bool inMain = !bare && InMenuTree(menuBar_->Menu(), action);
  const bool command = id >= 1 && id <= 4095;
  const std::shared_ptr<const TSkinData> data = skin_ ? skin_->Data() : nullptr;
  if (SkinManager) SkinManager->SetOwnerDrawnFlag(true);
  if (measure) {
    if (inMain)
      MainMenuMeasurer(hwnd_, *mi);
    else if (!bare && command)
      return false;
    else
      TextMeasure(*mi, data && data->MenuItem ? data->MenuItem->LeftWidth : 0);
  } else {
    if (SkinManager) {
      SkinManager->SetLastMenuHandle(di->menu);
      SkinManager->MarkMenusOwnerDrawn();
    }
    if (!inMain && command) return false;
    if (data && data->MenuItem && data->MenuItem->HasImage())
      ItemPainter(hwnd_, *di);
    else
      PlainPainter(hwnd_, *di);
  }
  m.result = 1;
  return true;
}

}  // namespace orvane::skin
