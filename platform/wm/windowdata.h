// What the message layer keeps per window (internal to platform/wm).
#pragma once

#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <QPaintEvent>
#include <vector>

#include "platform/wm/wm.h"

namespace orvane::wm {

// A mouse or keyboard move/resize of our own, when the window system does not do it for us.
struct Tracking {
  enum class Kind { None, Move, Size };
  Kind kind = Kind::None;
  Qt::Edges edges;         // edges that follow the mouse while sizing
  bool keyboard = false;   // started from the system menu: arrows, Enter, a click, Escape
  QPoint startCursor;      // screen position the drag is measured from
  QPoint offset;           // how far the mouse or the arrow keys have taken it
  QRect startGeometry;     // geometry() at the start, restored by Escape
};

struct WindowData {
  QWidget* hwnd = nullptr;  // never used once alive is false
  bool alive = true;
  bool destroySent = false;
  struct Entry {
    quint64 id;
    std::shared_ptr<WindowProc> proc;
  };
  std::vector<Entry> links;  // bottom first
  quint64 nextId = 1;

  bool ownNonClient = false;
  Qt::WindowFlags nativeFlags;
  // Own non-client mode switched while the window was maximised or minimised: where its client
  // goes when the window is next restored (null: nowhere), and for a top-level window the
  // geometry its restore brings back, by which the restore is known. An MDI child's client area
  // as it was before the child last left the normal state.
  QRect restoreClient;
  QRect restoreFrom;
  QRect childNormalClient;
  bool savedTracking = false;
  bool framePending = false;
  QMargins limitMargins;  // the margins a fixed size was last widened by
  bool movePending = false;  // the caption was pressed: a drag will move the window
  QPoint moveFrom;
  QPainter* painter = nullptr;
  QPaintEvent* childPaint = nullptr;  // a child widget's paint, delivered at the bottom of its chain

  quint32 styleMask = 0, styleValue = 0, exMask = 0, exValue = 0;
  Tracking tracking;
  QPointer<QMenu> systemMenu;
  QIcon icon;  // what WM_GETICON last handed out
};

// The window's record, made on first need (null for a null or destroyed widget).
std::shared_ptr<WindowData> Data(HWND hwnd);
// The record when there is one, without making it.
WindowData* FindData(HWND hwnd);
// Runs m through the chain of d.
void Dispatch(const std::shared_ptr<WindowData>& d, Message& m);
// Whether the last Dispatch in this thread reached the bottom of its chain.
qintptr SendTo(const std::shared_ptr<WindowData>& d, Message& m, bool* reachedBottom);

// Host routines shared between the files of the layer.
void RecalcNonClient(WindowData& d);
bool TrackingEvent(WindowData& d, QEvent* e);
bool PendingMoveEvent(WindowData& d, QMouseEvent* e);
void StartTracking(WindowData& d, Tracking::Kind kind, Qt::Edges edges, bool keyboard);
quint32 BaseStyle(const WindowData* d, QWidget* w, bool extended);
void ApplyFlags(QWidget* w, Qt::WindowFlags flags);
// An MDI child in own non-client mode (mdichild.cpp): switched on or off; whether it draws its
// own frame now (not while minimised); a resize or state change handled by the sub-window
// first (it lays itself out and drops any mask), then turned into messages.
void SetChildOwnNonClient(const std::shared_ptr<WindowData>& d, bool on);
// The client of a window restored after a switch made while it was not normal goes back where
// it was (host.cpp for top-level windows, mdichild.cpp for MDI children; the child's once it
// has laid its new state out).
void PlaceRestored(WindowData& d);
void PlaceRestoredChild(WindowData& d);
bool ChildFrameIsOwn(const WindowData& d);
void ChildEventFirst(const std::shared_ptr<WindowData>& d, QEvent* e, const std::function<void()>& messages);

}  // namespace orvane::wm
