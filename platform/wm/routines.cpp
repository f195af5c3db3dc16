// The window routines the engine calls: placement, regions, rectangles, styles, texts, class
// names, the system menu and the system's metrics.
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>
#include <QWidget>
#include <chrono>

#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

bool IsFrameless(const QWidget* w) {
  if (const WindowData* d = FindData(const_cast<QWidget*>(w)); d && d->ownNonClient) return true;
  const Qt::WindowType type = w->windowType();
  return (w->windowFlags() & Qt::FramelessWindowHint) || type == Qt::Popup || type == Qt::ToolTip ||
         type == Qt::SplashScreen;
}

// A window, or an MDI child: a frame (its own or the system's) around a client.
bool Framed(const QWidget* w) { return w->isWindow() || qobject_cast<const QMdiSubWindow*>(w); }

// The client's top-left corner in widget coordinates.
QPoint ClientOrigin(const QWidget* w) { return Framed(w) ? w->contentsRect().topLeft() : QPoint(); }

void ApplyOverride(quint32& value, quint32 mask, quint32 overrideValue) {
  value = (value & ~mask) | (overrideValue & mask);
}

}  // namespace

quint32 BaseStyle(const WindowData* d, QWidget* w, bool extended) {
  const Qt::WindowFlags f = d && d->ownNonClient ? d->nativeFlags : w->windowFlags();
  const Qt::WindowType type = static_cast<Qt::WindowType>(int(f & Qt::WindowType_Mask));
  const bool fixed = (f & Qt::MSWindowsFixedSizeDialogHint) || w->minimumSize() == w->maximumSize();
  // A window that states its own style bits (the forms do, from their border style) keeps them.
  const QVariant own = w->property(extended ? "wmExStyle" : "wmStyle");
  quint32 s = 0;
  if (qobject_cast<QMdiSubWindow*>(w) && !own.isValid()) {
    // An MDI child: a captioned child window inside its frame's client.
    if (extended) return WS_EX_MDICHILD;
    s = WS_CHILD | WS_CAPTION | WS_THICKFRAME;
    if (f & Qt::WindowSystemMenuHint) s |= WS_SYSMENU;
    if (f & Qt::WindowMinimizeButtonHint) s |= WS_MINIMIZEBOX;
    if (f & Qt::WindowMaximizeButtonHint) s |= WS_MAXIMIZEBOX;
  } else if (own.isValid()) {
    s = own.toUInt();
    // Staying on top is no part of a border style: it is the window's flag.
    if (extended && (f & Qt::WindowStaysOnTopHint)) s |= WS_EX_TOPMOST;
  } else if (extended) {
    if (type == Qt::Tool) s |= WS_EX_TOOLWINDOW;
    if (f & Qt::WindowContextHelpButtonHint) s |= WS_EX_CONTEXTHELP;
    if (f & Qt::WindowStaysOnTopHint) s |= WS_EX_TOPMOST;
    if (type == Qt::Dialog && fixed) s |= WS_EX_DLGMODALFRAME;
  } else if (!w->isWindow()) {
    s = WS_CHILD;
  } else if ((f & Qt::FramelessWindowHint) || type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen) {
    s = WS_POPUP;
  } else {
    s = (f & Qt::WindowTitleHint) ? WS_CAPTION : WS_POPUP | WS_BORDER;
    if (f & Qt::WindowSystemMenuHint) s |= WS_SYSMENU;
    if (f & Qt::WindowMinimizeButtonHint) s |= WS_MINIMIZEBOX;
    if (f & Qt::WindowMaximizeButtonHint) s |= WS_MAXIMIZEBOX;
    if (!fixed) s |= WS_THICKFRAME;
  }
  if (!extended) {
    if (w->isVisible()) s |= WS_VISIBLE;
    if (!w->isEnabled()) s |= WS_DISABLED;
    const bool framed = w->isWindow() || qobject_cast<QMdiSubWindow*>(w);
    if (framed && w->isMinimized()) s |= WS_MINIMIZE;
    if (framed && w->isMaximized()) s |= WS_MAXIMIZE;
  }
  return s;
}

quint32 GetWindowLong(HWND hwnd, qint32 index) {
  if (!hwnd || (index != GWL_STYLE && index != GWL_EXSTYLE)) return 0;
  const WindowData* d = FindData(hwnd);
  quint32 v = BaseStyle(d, hwnd, index == GWL_EXSTYLE);
  if (d && index == GWL_STYLE) ApplyOverride(v, d->styleMask, d->styleValue);
  if (d && index == GWL_EXSTYLE) ApplyOverride(v, d->exMask, d->exValue);
  return v;
}

quint32 SetWindowLong(HWND hwnd, qint32 index, quint32 value) {
  auto d = Data(hwnd);
  if (!d || (index != GWL_STYLE && index != GWL_EXSTYLE)) return 0;
  const quint32 previous = GetWindowLong(hwnd, index);
  // The engine's changes are remembered over what the window itself says.
  quint32& mask = index == GWL_STYLE ? d->styleMask : d->exMask;
  quint32& stored = index == GWL_STYLE ? d->styleValue : d->exValue;
  mask |= previous ^ value;
  stored = value;
  return previous;
}

QRect GetWindowRect(HWND hwnd) {
  if (!hwnd) return {};
  if (!hwnd->isWindow()) return QRect(hwnd->mapToGlobal(QPoint()), hwnd->size());
  return IsFrameless(hwnd) ? hwnd->geometry() : hwnd->frameGeometry();
}

QRect GetClientRect(HWND hwnd) {
  if (!hwnd) return {};
  return QRect(QPoint(), Framed(hwnd) ? hwnd->contentsRect().size() : hwnd->size());
}

QPoint ScreenToClient(HWND hwnd, QPoint screen) {
  return hwnd ? hwnd->mapFromGlobal(screen) - ClientOrigin(hwnd) : screen;
}

bool SetWindowPos(HWND hwnd, quintptr insertAfter, int x, int y, int cx, int cy, quint32 flags) {
  auto d = Data(hwnd);
  if (!d) return false;
  QWidget* w = hwnd;
  const QRect g = w->geometry();
  // Windows place their outer rectangle; a native frame lies outside geometry().
  const bool outerIsGeometry = !w->isWindow() || IsFrameless(w);
  const QRect frame = outerIsGeometry ? g : w->frameGeometry();
  QPoint pos = g.topLeft();
  QSize size = g.size();
  if (!(flags & SWP_NOMOVE)) pos = QPoint(x, y) + (g.topLeft() - frame.topLeft());
  if (!(flags & SWP_NOSIZE)) size = QSize(cx, cy) - (frame.size() - g.size());
  if (QRect(pos, size.expandedTo(QSize(0, 0))) != g) w->setGeometry(QRect(pos, size.expandedTo(QSize(0, 0))));
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOP) w->raise();
    else if (insertAfter == HWND_BOTTOM) w->lower();
  }
  if (flags & SWP_FRAMECHANGED) {
    if (d->ownNonClient) RecalcNonClient(*d);
    d->framePending = true;
    if (!(flags & SWP_NOREDRAW)) w->update();
  }
  if (flags & SWP_SHOWWINDOW) w->show();
  if (flags & SWP_HIDEWINDOW) w->hide();
  return true;
}

void SetWindowRgn(HWND hwnd, const QRegion& region, bool redraw) {
  if (!hwnd) return;
  if (region.isEmpty()) hwnd->clearMask();
  else hwnd->setMask(region);
  if (redraw) hwnd->update();
}

void InvalidateRect(HWND hwnd, const QRect* rect, bool) {
  if (!hwnd) return;
  if (rect) hwnd->update(rect->translated(ClientOrigin(hwnd)));
  else hwnd->update();
}

void RedrawWindow(HWND hwnd, const QRect* rect, quint32 flags) {
  auto d = Data(hwnd);
  if (!d) return;
  if (flags & RDW_FRAME) {
    d->framePending = true;
    hwnd->update();
  }
  if (flags & RDW_INVALIDATE) InvalidateRect(hwnd, rect, flags & RDW_ERASE);
  if (flags & RDW_ALLCHILDREN)
    for (QWidget* child : hwnd->findChildren<QWidget*>()) child->update();
  if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) && hwnd->isVisible()) hwnd->repaint();
}

WindowPlacement GetWindowPlacement(HWND hwnd) {
  WindowPlacement p;
  if (!hwnd) return p;
  p.showCmd = hwnd->isMinimized() ? SW_SHOWMINIMIZED : hwnd->isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  p.normalPosition = hwnd->isWindow() ? hwnd->normalGeometry() : hwnd->geometry();
  if (p.normalPosition.isEmpty()) p.normalPosition = hwnd->geometry();
  return p;
}

QString GetWindowText(HWND hwnd) {
  if (!hwnd) return {};
  if (!hwnd->isWindow()) {
    const QVariant text = hwnd->property("text");
    if (text.isValid()) return text.toString();
  }
  return hwnd->windowTitle();
}

QString GetClassName(HWND hwnd) {
  if (!hwnd) return {};
  const QString own = hwnd->property("vclClass").toString();
  if (!own.isEmpty()) return own;
  if (qobject_cast<QMenu*>(hwnd)) return QStringLiteral("#32768");
  if (qobject_cast<QMdiArea*>(hwnd)) return QStringLiteral("MDIClient");
  // An MDI child is of its form's class.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(hwnd); sub && sub->widget()) return GetClassName(sub->widget());
  const QString name = QString::fromLatin1(hwnd->metaObject()->className());
  if (hwnd->inherits("orvane::Form")) {
    const qsizetype scope = name.lastIndexOf(QLatin1String("::"));
    return scope < 0 ? name : name.mid(scope + 2);
  }
  if (qobject_cast<QDialog*>(hwnd)) return QStringLiteral("#32770");
  return name;
}

QMenu* GetSystemMenu(HWND hwnd, bool revert) {
  auto d = Data(hwnd);
  if (!d || !d->alive) return nullptr;
  if (revert && d->systemMenu) delete d->systemMenu.data();
  if (!d->systemMenu) {
    auto* menu = new QMenu(hwnd);
    static const struct {
      const char* text;
      quint32 command;
    } items[] = {{"还原(&R)", SC_RESTORE}, {"移动(&M)", SC_MOVE},     {"大小(&S)", SC_SIZE},
                 {"最小化(&N)", SC_MINIMIZE}, {"最大化(&X)", SC_MAXIMIZE}, {nullptr, 0},
                 {"关闭(&C)\tAlt+F4", SC_CLOSE}};
    for (const auto& item : items) {
      if (!item.text) {
        menu->addSeparator();
        continue;
      }
      QAction* a = menu->addAction(QString::fromUtf8(item.text));
      a->setData(item.command);
      a->setProperty("wmCommand", item.command);  // a system command is its own number
      const quint32 command = item.command;
      QObject::connect(a, &QAction::triggered, hwnd, [hwnd, command] { PostMessage(hwnd, WM_SYSCOMMAND, command, 0); });
    }
    QObject::connect(menu, &QMenu::aboutToShow, hwnd, [hwnd] { GetSystemMenu(hwnd); });
    d->systemMenu = menu;
  }
  // Each item is available as the window's state allows.
  const quint32 style = GetWindowLong(hwnd, GWL_STYLE);
  const bool max = hwnd->isMaximized(), min = hwnd->isMinimized();
  for (QAction* a : d->systemMenu->actions()) {
    switch (a->data().toUInt()) {
      case SC_RESTORE: a->setEnabled(max || min); break;
      case SC_MOVE: a->setEnabled(!max); break;
      case SC_SIZE: a->setEnabled((style & WS_THICKFRAME) && !max && !min); break;
      case SC_MINIMIZE: a->setEnabled((style & WS_MINIMIZEBOX) && !min); break;
      case SC_MAXIMIZE: a->setEnabled((style & WS_MAXIMIZEBOX) && !max); break;
      default: break;
    }
  }
  return d->systemMenu;
}

int GetSystemMetrics(qint32 index) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  switch (index) {
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 20;
    case SM_CYCAPTION: return 22;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXMAXIMIZED: return screen ? screen->availableGeometry().width() : 0;
    case SM_CYMAXIMIZED: return screen ? screen->availableGeometry().height() : 0;
    case SM_CXSCREEN: return screen ? screen->geometry().width() : 0;
    case SM_CYSCREEN: return screen ? screen->geometry().height() : 0;
    case SM_CXVSCROLL: return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    default: return 0;
  }
}

quint32 GetDoubleClickTime() { return static_cast<quint32>(QGuiApplication::styleHints()->mouseDoubleClickInterval()); }

QPoint GetCursorPos() { return QCursor::pos(); }

quint32 GetTickCount() {
  using namespace std::chrono;
  return static_cast<quint32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

quint32 CommandId(QAction* action) {
  static quint32 next = 100;
  if (!action) return 0;
  quint32 id = action->property("wmCommand").toUInt();
  if (!id) {
    id = next++;
    if (next > 0xFFFF) next = 100;
    action->setProperty("wmCommand", id);
  }
  return id;
}

}  // namespace orvane::wm
