// The procedure chains, sending and posting, the hooks, and the translation of a window's Qt
// events into its messages.
#include <QApplication>
#include <QHash>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QSet>
#include <QStyle>
#include <utility>

#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

QHash<const QWidget*, std::shared_ptr<WindowData>>& registry() {
  static QHash<const QWidget*, std::shared_ptr<WindowData>> windows;
  return windows;
}

// Set by the bottom of a chain: whether the message reached it (so Qt handles the event).
bool* g_reachedBottom = nullptr;

void Bottom(WindowData& d, Message& m) {
  if (g_reachedBottom) *g_reachedBottom = true;
  if (m.msg == WM_PAINT && d.childPaint && d.alive) {
    // A child widget paints itself here, so that the links above can paint over it afterwards.
    QPaintEvent* e = std::exchange(d.childPaint, nullptr);
    static_cast<QObject*>(d.hwnd)->event(e);
    return;
  }
  if (!d.alive) return;
  if (d.hwnd->isWindow())
    DefHostProc(d.hwnd, m);
  else if (qobject_cast<QMdiSubWindow*>(d.hwnd))
    DefMDIChildProc(d.hwnd, m);
  else if (qobject_cast<QMdiArea*>(d.hwnd))
    DefMDIClientProc(d.hwnd, m);
}

void Notify(const std::shared_ptr<WindowData>& d, quint32 msg, quintptr wParam, qintptr lParam) {
  Message m{msg, wParam, lParam, 0};
  bool bottom = false;
  SendTo(d, m, &bottom);
}

void SendSize(const std::shared_ptr<WindowData>& d) {
  QWidget* w = d->hwnd;
  const quint32 kind = w->isMinimized() ? SIZE_MINIMIZED : w->isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED;
  const QSize client = GetClientRect(w).size();
  Notify(d, WM_SIZE, kind, MakePoint(client.width(), client.height()));
}

void SendPosChanged(const std::shared_ptr<WindowData>& d, quint32 flags) {
  const QRect r = d->hwnd->isWindow() ? GetWindowRect(d->hwnd) : d->hwnd->geometry();
  WindowPos pos{d->hwnd, r.x(), r.y(), r.width(), r.height(), flags};
  Notify(d, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<qintptr>(&pos));
}

// A menu window's border is its panel frame, which the style lays its items inside.
QRect ClientArea(QWidget* w) {
  const QRect r = w->contentsRect();
  if (!qobject_cast<QMenu*>(w)) return r;
  const int fw = w->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, w);
  return r.adjusted(fw, fw, -fw, -fw);
}

// The message of a mouse event: the move message, or the button's down message (0 for a
// button without one) and the up and double-click messages that follow it in the numbering.
quint32 MouseMessage(const QMouseEvent* e, quint32 move, quint32 left, quint32 right, quint32 middle) {
  if (e->type() == QEvent::MouseMove) return move;
  quint32 base;
  switch (e->button()) {
    case Qt::LeftButton: base = left; break;
    case Qt::RightButton: base = right; break;
    case Qt::MiddleButton: base = middle; break;
    default: base = 0; break;
  }
  if (base == 0) return 0;
  if (e->type() == QEvent::MouseButtonRelease) return base + 1;
  if (e->type() == QEvent::MouseButtonDblClick) return base + 2;
  return base;
}

// The client mouse message of a child widget's mouse event (0 for other buttons).
quint32 ClientMouseMessage(const QMouseEvent* e) {
  return MouseMessage(e, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, 0);
}

quint32 NonClientMouseMessage(const QMouseEvent* e) {
  return MouseMessage(e, WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN);
}

// Watches one window and turns its events into messages through its chain.
class Translator : public QObject {
 public:
  Translator(QWidget* w, std::shared_ptr<WindowData> d) : QObject(w), d_(std::move(d)) { w->installEventFilter(this); }

  bool eventFilter(QObject*, QEvent* e) override {
    WindowData& d = *d_;
    if (!d.alive) return false;
    QWidget* w = d.hwnd;
    // Where an MDI child's client lies while it is normal, for a switch of its frame made while
    // it is maximised or minimised.
    if ((e->type() == QEvent::Move || e->type() == QEvent::Resize) && !w->isMaximized() && !w->isMinimized() &&
        qobject_cast<QMdiSubWindow*>(w))
      d.childNormalClient = w->contentsRect().translated(w->pos());
    if (d.links.empty() && !d.ownNonClient && d.tracking.kind == Tracking::Kind::None && !d.framePending &&
        !d.movePending && d.restoreClient.isNull())
      return false;
    // A plain child control (no MDI child or client, no frame of its own): its paint, mouse, focus,
    // enabling, showing and leaving as its messages; the rest as for every window.
    if (!w->isWindow() && !d.links.empty() && !d.ownNonClient && !qobject_cast<QMdiSubWindow*>(w) &&
        !qobject_cast<QMdiArea*>(w)) {
      bool eaten = false;
      if (ChildEvent(e, &eaten)) return eaten;
    }
    // An MDI child in own non-client mode lays itself out on these and drops any mask: it goes
    // first, so that the margins and the region its messages set are the ones that stay.
    if ((e->type() == QEvent::Resize || e->type() == QEvent::WindowStateChange) && e != childFirst_ &&
        d.ownNonClient && qobject_cast<QMdiSubWindow*>(w)) {
      QEvent* const outer = std::exchange(childFirst_, e);
      ChildEventFirst(d_, e, [this, w, e] { eventFilter(w, e); });
      childFirst_ = outer;
      return true;
    }
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        if (d.movePending && PendingMoveEvent(d, static_cast<QMouseEvent*>(e))) return true;
        if (d.tracking.kind != Tracking::Kind::None && TrackingEvent(d, e)) return true;
        return (w->isWindow() || ChildFrameIsOwn(d)) && NonClientMouse(static_cast<QMouseEvent*>(e));
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        return d.tracking.keyboard && d.tracking.kind != Tracking::Kind::None && TrackingEvent(d, e);
      case QEvent::WindowActivate:
      case QEvent::WindowDeactivate: {
        const bool active = e->type() == QEvent::WindowActivate;
        Notify(d_, WM_NCACTIVATE, active, 0);
        Notify(d_, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
        return false;
      }
      case QEvent::Resize:
        if (d.ownNonClient) RecalcNonClient(d);
        if (!d.restoreClient.isNull() && w->isWindow()) PlaceRestored(d);
        SendPosChanged(d_, SWP_NOMOVE);
        SendSize(d_);
        return false;
      case QEvent::Move:
        if (!d.restoreClient.isNull() && w->isWindow()) PlaceRestored(d);
        SendPosChanged(d_, SWP_NOSIZE);
        return false;
      case QEvent::ContentsRectChange:
        // An MDI child lays out its own title bar and border now and then: the margins stay ours.
        if (ChildFrameIsOwn(d)) RecalcNonClient(d);
        return false;
      case QEvent::WindowStateChange:
        if (!d.restoreClient.isNull()) w->isWindow() ? PlaceRestored(d) : PlaceRestoredChild(d);
        SendPosChanged(d_, 0);
        SendSize(d_);
        return false;
      case QEvent::WindowTitleChange: {
        const QString title = w->windowTitle();
        Notify(d_, WM_SETTEXT, 0, reinterpret_cast<qintptr>(&title));
        return false;
      }
      case QEvent::WindowIconChange:
        Notify(d_, WM_SETICON, ICON_BIG, 0);
        return false;
      case QEvent::Paint:
        return Paint(static_cast<QPaintEvent*>(e));
      default:
        return false;
    }
  }

 private:
  // A child widget's events as its messages: paint (the widget paints at the bottom), mouse
  // (eaten when a link handles it without passing it down), focus, enabling, showing, leaving.
  // True when the event is one of these; *eaten when the widget must not see it any more.
  bool ChildEvent(QEvent* e, bool* eaten) {
    QWidget* w = d_->hwnd;
    Message m;
    bool mayEat = false;
    switch (e->type()) {
      case QEvent::Paint: {
        d_->childPaint = static_cast<QPaintEvent*>(e);
        m.msg = WM_PAINT;
        bool bottom = false;
        SendTo(d_, m, &bottom);
        d_->childPaint = nullptr;
        *eaten = true;
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        m.msg = ClientMouseMessage(me);
        if (!m.msg) return true;
        m.wParam = static_cast<quintptr>(me->buttons().toInt());
        m.lParam = MakePoint(me->position().toPoint());
        mayEat = true;
        break;
      }
      case QEvent::FocusIn: m.msg = WM_SETFOCUS; break;
      case QEvent::FocusOut: m.msg = WM_KILLFOCUS; break;
      case QEvent::EnabledChange: m.msg = WM_ENABLE; m.wParam = w->isEnabled(); break;
      case QEvent::Show: m.msg = WM_SHOWWINDOW; m.wParam = 1; break;
      case QEvent::Hide: m.msg = WM_SHOWWINDOW; m.wParam = 0; break;
      case QEvent::Leave: m.msg = WM_MOUSELEAVE; break;
      default: return false;
    }
    bool bottom = false;
    SendTo(d_, m, &bottom);
    *eaten = mayEat && !bottom && d_->alive;
    return true;
  }

  // Mouse at a point outside the client: hit test, then the non-client message with the code.
  bool NonClientMouse(QMouseEvent* e) {
    QWidget* w = d_->hwnd;
    // An open popup holds the mouse: a press outside it is not on its frame but the one that
    // closes it, and must reach it.
    if (w->windowType() == Qt::Popup && !w->rect().contains(e->position().toPoint())) return false;
    if (w->contentsRect().contains(e->position().toPoint())) return false;
    const quint32 msg = NonClientMouseMessage(e);
    if (!msg) return false;
    const qintptr at = MakePoint(e->globalPosition().toPoint());
    Message hit{WM_NCHITTEST, 0, at, 0};
    bool bottom = false;
    SendTo(d_, hit, &bottom);
    if (hit.result == HTCLIENT || !d_->alive) return false;
    Message m{msg, static_cast<quintptr>(hit.result), at, 0};
    SendTo(d_, m, &bottom);
    return true;
  }

  // The widget paints itself first; then the chain paints the frame on top, in the same pass.
  bool Paint(QPaintEvent* e) {
    QWidget* w = d_->hwnd;
    const QRegion region = e->region();
    if (!d_->framePending && (region - ClientArea(w)).isEmpty()) return false;
    static_cast<QObject*>(w)->event(e);
    const quintptr wParam = d_->framePending ? 1 : reinterpret_cast<quintptr>(&region);
    d_->framePending = false;
    QPainter painter(w);
    d_->painter = &painter;
    Notify(d_, WM_NCPAINT, wParam, 0);
    d_->painter = nullptr;
    return true;
  }

  std::shared_ptr<WindowData> d_;
  QEvent* childFirst_ = nullptr;  // the event an MDI child has already handled
};

void Destroyed(const std::shared_ptr<WindowData>& d, const QWidget* w) {
  auto& windows = registry();
  if (auto it = windows.find(w); it != windows.end() && it.value() == d) windows.erase(it);
  d->alive = false;
  d->painter = nullptr;
  if (!d->destroySent) {
    d->destroySent = true;
    Notify(d, WM_DESTROY, 0, 0);
    Notify(d, WM_NCDESTROY, 0, 0);
  }
  d->links.clear();
}

// ---- hooks ----
HookProc g_hook;
QSet<const QObject*> g_seen;  // top-level widgets already shown once

class HookFilter : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    const QEvent::Type t = e->type();
    if (t != QEvent::Show && t != QEvent::WindowActivate && t != QEvent::Hide) return false;
    if (!o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    // An MDI child is a window of its own inside its frame.
    if ((!w->isWindow() && !qobject_cast<QMdiSubWindow*>(w)) || !g_hook) return false;
    const bool menu = qobject_cast<QMenu*>(w) != nullptr;
    const Qt::WindowType type = w->windowType();
    // Tool windows are activated like any other window the program opens.
    const bool normal = type == Qt::Window || type == Qt::Dialog || type == Qt::Tool;
    const HookProc hook = g_hook;  // a hook may remove itself
    if (t == QEvent::Show) {
      bool first = false;
      if (!menu && !g_seen.contains(w)) {
        first = true;
        g_seen.insert(w);
        QObject::connect(w, &QObject::destroyed, [w] {
          g_seen.remove(w);
          if (g_hook) g_hook(Hook::Destroy, w);
        });
      }
      if (menu || first) hook(Hook::Create, w);
      if (first && normal && g_hook) g_hook(Hook::Activate, w);
    } else if (t == QEvent::WindowActivate) {
      if (normal) hook(Hook::Activate, w);
    } else if (menu) {
      hook(Hook::Destroy, w);
    }
    return false;
  }
};
HookFilter* g_hookFilter = nullptr;

// Whether a pointer is a living widget. Qt answers only with a copy of its list of every
// widget, too dear to ask for each of the hundreds of controls a window's skinning sends to:
// the widgets of one copy are kept and each is dropped when it is destroyed, so the list is
// asked for again only for a widget made since (or a dead pointer).
bool IsLiveWidget(HWND hwnd) {
  static QSet<const QWidget*> alive;
  if (alive.contains(hwnd)) return true;
  bool found = false;
  for (QWidget* w : QApplication::allWidgets()) {
    found = found || w == hwnd;
    if (alive.contains(w)) continue;
    alive.insert(w);
    QObject::connect(w, &QObject::destroyed, [w] { alive.remove(w); });
  }
  return found;
}

}  // namespace

WindowData* FindData(HWND hwnd) {
  auto it = registry().constFind(hwnd);
  return it == registry().constEnd() ? nullptr : it.value().get();
}

std::shared_ptr<WindowData> Data(HWND hwnd) {
  if (!hwnd) return {};
  auto& windows = registry();
  if (auto it = windows.constFind(hwnd); it != windows.constEnd()) return it.value();
  // Not known: only a living widget gets a record (a destroyed one is no longer listed).
  if (!IsLiveWidget(hwnd)) return {};
  auto d = std::make_shared<WindowData>();
  d->hwnd = hwnd;
  windows.insert(hwnd, d);
  new Translator(hwnd, d);
  // An MDI child is activated inside its frame, with no activation event of its own.
  if (auto* sub = qobject_cast<QMdiSubWindow*>(hwnd))
    QObject::connect(sub, &QMdiSubWindow::windowStateChanged, sub,
                     [weak = std::weak_ptr<WindowData>(d)](Qt::WindowStates before, Qt::WindowStates now) {
                       auto d = weak.lock();
                       const bool active = now & Qt::WindowActive;
                       if (!d || !d->alive || bool(before & Qt::WindowActive) == active) return;
                       Notify(d, WM_NCACTIVATE, active, 0);
                       Notify(d, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
                       // The activation hook sees it too, so a child already open when the
                       // skin is switched on is skinned once it is activated.
                       if (active && d->alive && g_hook) g_hook(Hook::Activate, d->hwnd);
                     });
  QObject::connect(hwnd, &QObject::destroyed, [d, hwnd] { Destroyed(d, hwnd); });
  return d;
}

void Dispatch(const std::shared_ptr<WindowData>& d, Message& m) {
  if (d->links.empty()) {
    Bottom(*d, m);
    return;
  }
  const std::shared_ptr<WindowProc> top = d->links.back().proc;  // survives an unsubclass inside
  (*top)(m);
}

qintptr SendTo(const std::shared_ptr<WindowData>& d, Message& m, bool* reachedBottom) {
  bool* const outer = g_reachedBottom;
  *reachedBottom = false;
  g_reachedBottom = reachedBottom;
  Dispatch(d, m);
  g_reachedBottom = outer;
  return m.result;
}

Link Subclass(HWND hwnd, WindowProc proc) {
  Link link;
  auto d = Data(hwnd);
  if (!d || !proc) return link;
  link.window_ = d;
  link.id_ = d->nextId++;
  d->links.push_back({link.id_, std::make_shared<WindowProc>(std::move(proc))});
  return link;
}

Link SubclassBottom(HWND hwnd, WindowProc proc) {
  Link link;
  auto d = Data(hwnd);
  if (!d || !proc) return link;
  link.window_ = d;
  link.id_ = d->nextId++;
  d->links.insert(d->links.begin(), {link.id_, std::make_shared<WindowProc>(std::move(proc))});
  return link;
}

void CallPrevious(const Link& link, Message& m) {
  auto d = link.window_.lock();
  if (!d) return;
  std::size_t i = 0;
  while (i < d->links.size() && d->links[i].id != link.id_) ++i;
  if (i == 0 || i == d->links.size()) {
    Bottom(*d, m);
    return;
  }
  const std::shared_ptr<WindowProc> below = d->links[i - 1].proc;
  (*below)(m);
}

void Unsubclass(Link& link) {
  if (auto d = link.window_.lock()) {
    auto& links = d->links;
    for (auto it = links.begin(); it != links.end(); ++it) {
      if (it->id == link.id_) {
        links.erase(it);
        break;
      }
    }
  }
  link.window_.reset();
  link.id_ = 0;
}

Link& Link::operator=(Link&& other) noexcept {
  if (this != &other) {
    Unsubclass(*this);
    window_ = std::move(other.window_);
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

Link::~Link() { Unsubclass(*this); }

qintptr SendMessage(HWND hwnd, quint32 msg, quintptr wParam, qintptr lParam) {
  std::shared_ptr<WindowData> d;
  if (auto it = registry().constFind(hwnd); it != registry().constEnd()) {
    d = it.value();
  } else {
    // A plain control with no procedure of its own answers nothing: asking it makes no record
    // (skinning a window asks each of its controls, most of which are never subclassed).
    if (!hwnd || !IsLiveWidget(hwnd)) return 0;
    if (!hwnd->isWindow() && !qobject_cast<QMdiSubWindow*>(hwnd) && !qobject_cast<QMdiArea*>(hwnd)) return 0;
    d = Data(hwnd);
  }
  if (!d || !d->alive) return 0;
  Message m{msg, wParam, lParam, 0};
  Dispatch(d, m);
  return m.result;
}

void PostMessage(HWND hwnd, quint32 msg, quintptr wParam, qintptr lParam) {
  auto d = Data(hwnd);
  if (!d || !d->alive) return;
  // Queued on the widget itself: Qt keeps the order and discards what is left when it dies.
  QMetaObject::invokeMethod(
      hwnd,
      [weak = std::weak_ptr<WindowData>(d), msg, wParam, lParam] {
        if (auto d = weak.lock(); d && d->alive) {
          Message m{msg, wParam, lParam, 0};
          Dispatch(d, m);
        }
      },
      Qt::QueuedConnection);
}

void NotifyDestroying(HWND hwnd) {
  auto it = registry().constFind(hwnd);
  if (it == registry().constEnd()) return;
  const std::shared_ptr<WindowData> d = it.value();
  if (d->destroySent) return;
  d->destroySent = true;
  Notify(d, WM_DESTROY, 0, 0);
  Notify(d, WM_NCDESTROY, 0, 0);
}

void SetHookProc(HookProc proc) {
  g_hook = std::move(proc);
  if (g_hook && !g_hookFilter) {
    g_hookFilter = new HookFilter;
    qApp->installEventFilter(g_hookFilter);
  } else if (!g_hook && g_hookFilter) {
    delete g_hookFilter;
    g_hookFilter = nullptr;
  }
}

QPainter* GetWindowDC(HWND hwnd) {
  WindowData* d = FindData(hwnd);
  return d ? d->painter : nullptr;
}

}  // namespace orvane::wm
