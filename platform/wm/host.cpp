// Top-level hosts: own non-client mode and the default procedure at the bottom of their chain.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QWhatsThis>
#include <QWidget>
#include <QWindow>
#include <vector>
#include <xcb/xcb.h>

#include "platform/wm/menus.h"
#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

// Margins WM_NCCALCSIZE leaves around the client of a window placed at win.
QMargins CalcMargins(const std::shared_ptr<WindowData>& d, const QRect& win) {
  QRect client = win;
  Message m{WM_NCCALCSIZE, 0, reinterpret_cast<qintptr>(&client), 0};
  bool bottom = false;
  SendTo(d, m, &bottom);
  return QMargins(qMax(0, client.left() - win.left()), qMax(0, client.top() - win.top()),
                  qMax(0, win.right() - client.right()), qMax(0, win.bottom() - client.bottom()));
}

constexpr int kSizingBorder = 4;   // the top strip that sizes instead of moving
constexpr int kCorner = 16;        // how far along an edge a corner reaches
constexpr int kKeyStep = 8;        // pixels per arrow key while moving or sizing by keyboard

qint32 HitTest(WindowData& d, QPoint screen) {
  QWidget* w = d.hwnd;
  const QPoint p = w->mapFromGlobal(screen);
  if (!w->rect().contains(p)) return HTNOWHERE;
  if (w->contentsRect().contains(p)) return HTCLIENT;
  const QMargins m = w->contentsMargins();
  const int W = w->width(), H = w->height();
  const bool left = p.x() < m.left(), right = p.x() >= W - m.right();
  const bool top = p.y() < kSizingBorder, bottom = p.y() >= H - m.bottom();
  // The style is asked only on a border: most points are on the caption.
  if ((left || right || top || bottom) && (GetWindowLong(w, GWL_STYLE) & WS_THICKFRAME) && !w->isMaximized() &&
      !w->isMinimized()) {
    const bool nearTop = p.y() < kCorner, nearBottom = p.y() >= H - kCorner;
    const bool nearLeft = p.x() < kCorner, nearRight = p.x() >= W - kCorner;
    if ((left && nearTop) || (top && nearLeft)) return HTTOPLEFT;
    if ((right && nearTop) || (top && nearRight)) return HTTOPRIGHT;
    if ((left && nearBottom) || (bottom && nearLeft)) return HTBOTTOMLEFT;
    if ((right && nearBottom) || (bottom && nearRight)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    return HTBOTTOM;
  }
  return p.y() < m.top() ? HTCAPTION : HTBORDER;
}

Qt::Edges EdgesOfHit(qint32 code) {
  switch (code) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

Qt::Edges EdgesOfSizeDetail(quint32 detail) {
  static const qint32 hits[] = {0, HTLEFT, HTRIGHT, HTTOP, HTTOPLEFT, HTTOPRIGHT, HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT};
  return detail < 9 ? EdgesOfHit(hits[detail]) : Qt::Edges();
}

// The window system moves or sizes the window when it can; otherwise we do, with the mouse grabbed.
void MoveByMouse(WindowData& d, QPoint from) {
  // An MDI child moves inside its client: never the window system's move.
  QWindow* h = d.hwnd->isWindow() ? d.hwnd->windowHandle() : nullptr;
  if (h && h->startSystemMove()) return;
  StartTracking(d, Tracking::Kind::Move, {}, false);
  d.tracking.startCursor = from;
}

void SizeByMouse(WindowData& d, Qt::Edges edges, QPoint from) {
  QWindow* h = d.hwnd->isWindow() ? d.hwnd->windowHandle() : nullptr;
  if (h && h->startSystemResize(edges)) return;
  StartTracking(d, Tracking::Kind::Size, edges, false);
  d.tracking.startCursor = from;
}

void EndTracking(WindowData& d) {
  d.hwnd->releaseMouse();
  if (d.tracking.keyboard) d.hwnd->releaseKeyboard();
  d.tracking = Tracking();
}

// Places the window for the tracking's offset from where it started.
void ApplyTracking(WindowData& d, QPoint offset) {
  const Tracking& t = d.tracking;
  QWidget* w = d.hwnd;
  QRect g = t.startGeometry;
  if (t.kind == Tracking::Kind::Move) {
    w->setGeometry(g.translated(offset));
    return;
  }
  const QMargins m = w->contentsMargins();
  const int minW = qMax(w->minimumWidth(), m.left() + m.right()), maxW = w->maximumWidth();
  const int minH = qMax(w->minimumHeight(), m.top() + m.bottom()), maxH = w->maximumHeight();
  int left = g.left(), right = g.left() + g.width(), top = g.top(), bottom = g.top() + g.height();
  if (t.edges & Qt::LeftEdge) left = qBound(right - maxW, left + offset.x(), right - minW);
  if (t.edges & Qt::RightEdge) right = qBound(left + minW, right + offset.x(), left + maxW);
  if (t.edges & Qt::TopEdge) top = qBound(bottom - maxH, top + offset.y(), bottom - minH);
  if (t.edges & Qt::BottomEdge) bottom = qBound(top + minH, bottom + offset.y(), top + maxH);
  w->setGeometry(left, top, right - left, bottom - top);
}

void SysCommand(WindowData& d, quintptr wParam) {
  QWidget* w = d.hwnd;
  const quint32 detail = wParam & 0xF;
  switch (wParam & 0xFFF0) {
    case SC_CLOSE: w->close(); break;
    case SC_MINIMIZE: w->showMinimized(); break;
    case SC_MAXIMIZE: w->showMaximized(); break;
    case SC_RESTORE: w->showNormal(); break;
    case SC_MOVE:
      if (w->isMaximized() || w->isMinimized()) break;
      if (detail) MoveByMouse(d, QCursor::pos());
      else StartTracking(d, Tracking::Kind::Move, {}, true);
      break;
    case SC_SIZE:
      if (w->isMaximized() || w->isMinimized()) break;
      if (const Qt::Edges edges = EdgesOfSizeDetail(detail)) SizeByMouse(d, edges, QCursor::pos());
      else StartTracking(d, Tracking::Kind::Size, Qt::RightEdge | Qt::BottomEdge, true);
      break;
    case SC_CONTEXTHELP: QWhatsThis::enterWhatsThisMode(); break;
    default: break;
  }
}

QAction* FindCommand(QWidget* w, quint32 id) {
  auto matches = [id](QAction* a) { return a->property("wmCommand").toUInt() == id; };
  for (QAction* a : w->actions())
    if (matches(a)) return a;
  for (QAction* a : w->findChildren<QAction*>())
    if (matches(a)) return a;
  for (QWidget* child : w->findChildren<QWidget*>())
    for (QAction* a : child->actions())
      if (matches(a)) return a;
  return nullptr;
}

}  // namespace

void ApplyFlags(QWidget* w, Qt::WindowFlags flags) {
  // Never setWindowFlags: on a shown window it hides it, which ends a modal loop.
  w->overrideWindowFlags(flags);
  if (QWindow* h = w->windowHandle()) h->setFlags(flags);
}

// A size the program fixed is its client's: in own non-client mode the limits take the margins
// in as well (a layout that fixes the size counts them by itself).
void FitFixedSize(WindowData& d, const QMargins& m) {
  QWidget* w = d.hwnd;
  const QMargins had = std::exchange(d.limitMargins, m);
  const QSize fixed = w->minimumSize();
  if (m == had || fixed != w->maximumSize() || fixed.width() >= QWIDGETSIZE_MAX || fixed.height() >= QWIDGETSIZE_MAX) return;
  if (const QLayout* l = w->layout(); l && l->sizeConstraint() == QLayout::SetFixedSize) return;
  w->setFixedSize(fixed + QSize(m.left() + m.right() - had.left() - had.right(), m.top() + m.bottom() - had.top() - had.bottom()));
}

void RecalcNonClient(WindowData& d) {
  auto self = Data(d.hwnd);
  if (!self) return;
  // A minimised MDI child has the system's frame and margins.
  if (qobject_cast<QMdiSubWindow*>(d.hwnd) && !ChildFrameIsOwn(d)) return;
  const QMargins m = CalcMargins(self, d.hwnd->geometry());
  if (m == d.hwnd->contentsMargins()) return;
  FitFixedSize(d, m);
  d.hwnd->setContentsMargins(m);
}

namespace {

// Keeps what a shown, normal window's layout holds at its size while the window's margins and
// geometry change together, and lays the window out once at the end: the client keeps its
// size through a switch, and a layout pass after each change alone would take it through
// another size and lay out every grid and text inside it twice. The window's minimum size
// follows the held sizes, so the window takes the geometry it is given.
class LayoutHold {
 public:
  LayoutHold(QWidget* w, bool normal) : layout_(normal && w->isVisible() ? w->layout() : nullptr) {
    if (!layout_) return;
    for (int i = 0; i < layout_->count(); ++i) {
      QWidget* c = layout_->itemAt(i)->widget();
      if (!c || c->isHidden()) continue;
      held_.push_back({c, c->minimumSize(), c->maximumSize()});
      c->setFixedSize(c->size());
    }
  }
  ~LayoutHold() {
    for (const Held& h : held_) {
      if (!h.widget) continue;
      h.widget->setMinimumSize(h.min);
      h.widget->setMaximumSize(h.max);
    }
    if (layout_) layout_->activate();
  }
  LayoutHold(const LayoutHold&) = delete;
  LayoutHold& operator=(const LayoutHold&) = delete;

 private:
  struct Held {
    QPointer<QWidget> widget;
    QSize min, max;
  };
  QPointer<QLayout> layout_;
  std::vector<Held> held_;
};

}  // namespace

void SetOwnNonClient(HWND hwnd, bool on) {
  auto d = Data(hwnd);
  if (d && qobject_cast<QMdiSubWindow*>(hwnd)) return SetChildOwnNonClient(d, on);
  if (!d || !hwnd->isWindow() || d->ownNonClient == on) return;
  // Both ways the client area stays where it is on the screen, so that any number of switches
  // leaves the window where it was. A window's geometry() is its client area as the window
  // system places it; in own non-client mode the margins are inside it.
  const QRect client(hwnd->geometry().topLeft() + hwnd->contentsRect().topLeft(), hwnd->contentsRect().size());
  // Maximised or minimised, the window system keeps the window's place and brings back the
  // geometry it had when it left the normal state, around a client of the old margins: the
  // client goes where it was once the window is restored.
  const bool normal = !hwnd->isMaximized() && !hwnd->isMinimized();
  if (normal) {
    d->restoreClient = d->restoreFrom = QRect();
  } else if (d->restoreClient.isNull() && hwnd->normalGeometry().isValid()) {
    d->restoreFrom = hwnd->normalGeometry();
    d->restoreClient = d->restoreFrom.marginsRemoved(hwnd->contentsMargins());
  }
  const LayoutHold hold(hwnd, normal);
  if (on) {
    d->nativeFlags = hwnd->windowFlags();
    d->ownNonClient = true;
    d->savedTracking = hwnd->hasMouseTracking();
    hwnd->setMouseTracking(true);  // the frame needs moves without a button
    ApplyFlags(hwnd, d->nativeFlags | Qt::FramelessWindowHint);
    const QMargins m = CalcMargins(d, client);
    FitFixedSize(*d, m);
    hwnd->setContentsMargins(m);
    // A window not shown yet has no place on the screen to keep: its outer corner is where the
    // program put it.
    if (normal && !hwnd->isVisible()) hwnd->setGeometry(QRect(hwnd->pos(), client.size().grownBy(m)));
    else if (normal) hwnd->setGeometry(client.marginsAdded(m));
    d->framePending = true;
    hwnd->update();
  } else {
    d->ownNonClient = false;
    d->framePending = false;
    ApplyFlags(hwnd, d->nativeFlags);
    hwnd->setMouseTracking(d->savedTracking);
    FitFixedSize(*d, QMargins());
    hwnd->setContentsMargins(0, 0, 0, 0);
    hwnd->clearMask();
    if (normal) hwnd->setGeometry(client);
  }
}

void PlaceRestored(WindowData& d) {
  QWidget* w = d.hwnd;
  // Known by its geometry: the window system restores it before or after it tells the state.
  if (w->isMaximized() || w->isMinimized() || w->geometry() != d.restoreFrom) return;
  const QRect client = std::exchange(d.restoreClient, QRect());
  d.restoreFrom = QRect();
  w->setGeometry(client.marginsAdded(w->contentsMargins()));
}

bool HasOwnNonClient(HWND hwnd) {
  WindowData* d = FindData(hwnd);
  return d && d->ownNonClient;
}

void StartTracking(WindowData& d, Tracking::Kind kind, Qt::Edges edges, bool keyboard) {
  d.tracking = Tracking{kind, edges, keyboard, QCursor::pos(), QPoint(), d.hwnd->geometry()};
  d.hwnd->grabMouse();
  if (keyboard) d.hwnd->grabKeyboard();
}

bool TrackingEvent(WindowData& d, QEvent* e) {
  Tracking& t = d.tracking;
  switch (e->type()) {
    case QEvent::MouseMove:
      t.offset = static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - t.startCursor;
      ApplyTracking(d, t.offset);
      return true;
    case QEvent::MouseButtonRelease:
      if (!t.keyboard) EndTracking(d);
      return true;
    case QEvent::MouseButtonPress:
      if (t.keyboard) EndTracking(d);
      return true;
    case QEvent::MouseButtonDblClick: {
      // The double click's second press started a drag: it was a double click after all.
      const bool keyboard = t.keyboard;
      EndTracking(d);
      return keyboard;
    }
    case QEvent::KeyPress: {
      switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Escape:
          d.hwnd->setGeometry(t.startGeometry);
          EndTracking(d);
          return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: EndTracking(d); return true;
        case Qt::Key_Left: t.offset.rx() -= kKeyStep; break;
        case Qt::Key_Right: t.offset.rx() += kKeyStep; break;
        case Qt::Key_Up: t.offset.ry() -= kKeyStep; break;
        case Qt::Key_Down: t.offset.ry() += kKeyStep; break;
        default: return true;
      }
      ApplyTracking(d, t.offset);
      return true;
    }
    case QEvent::KeyRelease: return true;
    default: return false;
  }
}

// Whether the left button is down now, not as the queued events last said. A drag already over
// by the time its first move is handled must not hand the window manager a move: it would carry
// the window until the next click. Without X the queue is all there is.
bool LeftButtonStillDown() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  const xcb_screen_t* screen = c ? xcb_setup_roots_iterator(xcb_get_setup(c)).data : nullptr;
  if (!screen) return true;
  xcb_query_pointer_reply_t* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, screen->root), nullptr);
  const bool down = !reply || (reply->mask & XCB_BUTTON_MASK_1);
  free(reply);
  return down;
}

// A caption press moves the window only once the mouse has gone the drag distance with the
// button held: a window manager that takes the move at the press would swallow a double click.
bool PendingMoveEvent(WindowData& d, QMouseEvent* e) {
  if (e->type() == QEvent::MouseMove && (e->buttons() & Qt::LeftButton)) {
    if ((e->globalPosition().toPoint() - d.moveFrom).manhattanLength() < QApplication::startDragDistance()) return true;
    d.movePending = false;
    if (!LeftButtonStillDown()) return true;
    MoveByMouse(d, d.moveFrom);
    if (d.tracking.kind != Tracking::Kind::None) TrackingEvent(d, e);
    return true;
  }
  d.movePending = false;  // released, pressed again, or moved without the button
  return false;
}

void DefHostProc(HWND hwnd, Message& m) {
  auto d = Data(hwnd);
  if (!d || !d->alive) return;
  if (DefMenuProc(hwnd, m)) return;
  switch (m.msg) {
    case WM_NCHITTEST:
      m.result = HitTest(*d, PointFromParam(m.lParam));
      break;
    case WM_NCCALCSIZE:  // no non-client area of our own: the client fills the window
      m.result = 0;
      break;
    case WM_NCACTIVATE:  // the activation may go ahead
      m.result = 1;
      break;
    case WM_NCLBUTTONDOWN: {
      const auto code = static_cast<qint32>(m.wParam);
      if (hwnd->isMaximized() || hwnd->isMinimized()) break;
      if (code == HTCAPTION) {
        d->movePending = true;
        d->moveFrom = PointFromParam(m.lParam);
      }
      else if (const Qt::Edges edges = EdgesOfHit(code)) SizeByMouse(*d, edges, PointFromParam(m.lParam));
      break;
    }
    case WM_NCLBUTTONDBLCLK:
      if (static_cast<qint32>(m.wParam) != HTCAPTION) break;
      if (hwnd->isMaximized() || hwnd->isMinimized()) hwnd->showNormal();
      else if (GetWindowLong(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX) hwnd->showMaximized();
      break;
    case WM_SYSCOMMAND:
      SysCommand(*d, m.wParam);
      break;
    case WM_CLOSE:
      hwnd->close();
      break;
    case WM_GETTEXT: {
      // wParam: room in characters, the terminator included; lParam: QString* to fill.
      auto* out = reinterpret_cast<QString*>(m.lParam);
      if (!out || m.wParam == 0) break;
      *out = hwnd->windowTitle().left(static_cast<qsizetype>(m.wParam) - 1);
      m.result = out->size();
      break;
    }
    case WM_GETTEXTLENGTH:
      m.result = hwnd->windowTitle().size();
      break;
    case WM_SETTEXT:  // lParam: const QString*
      // The title's own change arrives here too: setting it again would announce it again (an
      // empty title is announced even when unchanged).
      if (auto* text = reinterpret_cast<const QString*>(m.lParam); text && *text != hwnd->windowTitle())
        hwnd->setWindowTitle(*text);
      m.result = 1;
      [[fallthrough]];
    case WM_SETICON:  // the title bar shows the new text or icon
      if (d->ownNonClient) {
        d->framePending = true;
        hwnd->update();
      }
      break;
    case WM_GETICON:  // result: const QIcon*, valid until the next WM_GETICON; 0 without an icon
      d->icon = hwnd->windowIcon();
      m.result = d->icon.isNull() ? 0 : reinterpret_cast<qintptr>(&d->icon);
      break;
    case WM_COMMAND:
      if (QAction* a = FindCommand(hwnd, m.wParam & 0xFFFF); a && a->isEnabled()) a->trigger();
      break;
    default:
      break;
  }
}

}  // namespace orvane::wm
