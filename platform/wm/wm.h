// The window-message layer: every widget can carry a chain of window procedures that see the
// messages of the window, in the classic message-passing shape the skin engine is written in.
// Qt events of a window with a chain are translated into these messages; the procedures can
// consume them or hand them down, and at the bottom Qt (or, for top-level windows, DefHostProc)
// does the ordinary thing. The layer knows nothing of skins.
//
// A window is a QWidget*. Points travel in lParam as two signed 32-bit halves (x low, y high),
// sizes likewise. Pointer-valued parameters (QRect*, QString*, QRegion*) are documented at the
// message that carries them.
#pragma once

#include <QIcon>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <functional>
#include <memory>

#include "platform/wm/messages.h"

class QMenu;
class QPainter;
class QWidget;
class QAction;

namespace orvane::wm {

using HWND = QWidget*;

struct Message {
  quint32 msg = 0;
  quintptr wParam = 0;
  qintptr lParam = 0;
  qintptr result = 0;
};

// A window procedure handles a message by setting its result; it passes the message down with
// CallPrevious(its own link, message).
using WindowProc = std::function<void(Message&)>;

struct WindowData;

// WM_WINDOWPOSCHANGED's lParam points at one of these: the window rectangle in screen
// coordinates (parent coordinates for child widgets) and which of it changed (SWP_NOMOVE,
// SWP_NOSIZE).
struct WindowPos {
  HWND hwnd = nullptr;
  int x = 0, y = 0, cx = 0, cy = 0;
  quint32 flags = 0;
};

// One procedure of a window's chain, as returned by Subclass. It owns its place: dropping the
// link unsubclasses it, so a procedure never outlives what it belongs to. A link of a destroyed
// window stays safe to use: calling down or unsubclassing it does nothing.
class Link {
 public:
  Link() = default;
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  Link(Link&& other) noexcept : window_(std::move(other.window_)), id_(other.id_) { other.id_ = 0; }
  Link& operator=(Link&& other) noexcept;
  ~Link();
  bool isNull() const { return id_ == 0; }

 private:
  friend Link Subclass(HWND, WindowProc);
  friend Link SubclassBottom(HWND, WindowProc);
  friend void CallPrevious(const Link&, Message&);
  friend void Unsubclass(Link&);
  std::weak_ptr<WindowData> window_;
  quint64 id_ = 0;
};

// Points and sizes in a parameter.
inline qintptr MakePoint(int x, int y) {
  return static_cast<qintptr>((static_cast<quint64>(static_cast<quint32>(y)) << 32) | static_cast<quint32>(x));
}
inline qintptr MakePoint(QPoint p) { return MakePoint(p.x(), p.y()); }
inline QPoint PointFromParam(qintptr v) {
  const auto u = static_cast<quint64>(v);
  return QPoint(static_cast<qint32>(u & 0xFFFFFFFFu), static_cast<qint32>(u >> 32));
}

// ---- the procedure chain ------------------------------------------------------------------
// Puts proc on top of the window's chain.
Link Subclass(HWND hwnd, WindowProc proc);
// Puts proc at the bottom of the chain, directly above the window's own default procedure:
// the place of the procedure a window's class gives it, which every later subclass sits on.
Link SubclassBottom(HWND hwnd, WindowProc proc);
// Passes the message to the procedure below link (the bottom when there is none).
void CallPrevious(const Link& link, Message& m);
// Removes the link wherever it sits in the chain; the links above and below keep their order.
void Unsubclass(Link& link);
// Runs the message through the window's chain now; 0 for a null or destroyed window.
qintptr SendMessage(HWND hwnd, quint32 msg, quintptr wParam = 0, qintptr lParam = 0);
// Queues the message; messages to one window arrive in the order posted and are dropped when
// the window is gone before they arrive.
void PostMessage(HWND hwnd, quint32 msg, quintptr wParam = 0, qintptr lParam = 0);
// The bottom procedure of every top-level window: hit test, client-area calculation, caption
// moving and sizing, system commands, closing, text, icon and commands.
void DefHostProc(HWND hwnd, Message& m);
// The bottom procedures of an MDI client (a QMdiArea) and of an MDI child (a QMdiSubWindow).
// The client: WM_MDICREATE (lParam the QWidget to host; result its QMdiSubWindow*),
// WM_MDIDESTROY, WM_MDIACTIVATE, WM_MDIMAXIMIZE, WM_MDIRESTORE (wParam the child),
// WM_MDIGETACTIVE (result the active child; lParam a bool* told whether it is maximised),
// WM_MDINEXT, WM_MDITILE, WM_MDICASCADE. The child: system commands, closing, text and icon.
void DefMDIClientProc(HWND hwnd, Message& m);
void DefMDIChildProc(HWND hwnd, Message& m);
// A window about to be destroyed tells its chain so while it is still whole: WM_DESTROY and
// WM_NCDESTROY run now, and not again when it is gone. Windows that do not call this get both
// from their destruction, with a handle that must no longer be used.
void NotifyDestroying(HWND hwnd);

// ---- hooks ---------------------------------------------------------------------------------
enum class Hook {
  Create,    // first show of a top-level widget, every show of a menu; before the first paint
  Activate,  // a normal window or dialog activated, and its first show
  Destroy,   // a menu hidden, a top-level widget destroyed (then the handle is dead)
};
using HookProc = std::function<void(Hook, HWND)>;
// Installs the one hook procedure (one application event filter); an empty proc removes it.
void SetHookProc(HookProc proc);

// ---- non-client area -----------------------------------------------------------------------
// Own non-client mode: the window loses its native frame and its chain draws and answers for
// the margins WM_NCCALCSIZE leaves around the client. The client keeps its size; on the outer
// top-left stays where it was; off, the client keeps its size and screen position.
void SetOwnNonClient(HWND hwnd, bool on);
bool HasOwnNonClient(HWND hwnd);
// The painter of the window's current paint pass (for WM_NCPAINT), null outside a pass:
// invalidate instead.
QPainter* GetWindowDC(HWND hwnd);

// ---- routines ------------------------------------------------------------------------------
bool SetWindowPos(HWND hwnd, quintptr insertAfter, int x, int y, int cx, int cy, quint32 flags);
// An empty region removes the window region.
void SetWindowRgn(HWND hwnd, const QRegion& region, bool redraw);
QRect GetWindowRect(HWND hwnd);  // screen coordinates, frame included
QRect GetClientRect(HWND hwnd);  // client coordinates: (0, 0, width, height)
QPoint ScreenToClient(HWND hwnd, QPoint screen);
void InvalidateRect(HWND hwnd, const QRect* rect, bool erase);
void RedrawWindow(HWND hwnd, const QRect* rect, quint32 flags);
quint32 GetWindowLong(HWND hwnd, qint32 index);
quint32 SetWindowLong(HWND hwnd, qint32 index, quint32 value);  // returns the previous value
struct WindowPlacement {
  quint32 showCmd = SW_SHOWNORMAL;
  QRect normalPosition;
};
WindowPlacement GetWindowPlacement(HWND hwnd);
QString GetWindowText(HWND hwnd);
QString GetClassName(HWND hwnd);
// The window's system menu; its items post WM_SYSCOMMAND to the window. revert rebuilds it.
QMenu* GetSystemMenu(HWND hwnd, bool revert = false);
int GetSystemMetrics(qint32 index);
quint32 GetDoubleClickTime();
QPoint GetCursorPos();
quint32 GetTickCount();
// The command number WM_COMMAND carries for an action (given on first request).
quint32 CommandId(QAction* action);

}  // namespace orvane::wm
