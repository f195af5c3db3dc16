// An MDI child (a QMdiSubWindow) in own non-client mode: its own title bar and border give way
// to the margins its chain asks for, inside the MDI client. While it is minimised the child
// shows the window system's small bar again (a frameless minimised child has no size at all),
// and neither a maximised nor a minimised child keeps a region: those states are the system's.
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QShowEvent>

#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

QMdiSubWindow* SubOf(const WindowData& d) { return d.alive ? qobject_cast<QMdiSubWindow*>(d.hwnd) : nullptr; }

// Frameless while the child draws its own frame, the system's frame while minimised or off.
void ApplyChildFlags(WindowData& d, QMdiSubWindow* sub) {
  const bool own = d.ownNonClient && !sub->isMinimized();
  // setWindowFlags of the sub-window itself: it lays out its title bar and border anew, and a
  // child widget is never hidden by a change of flags.
  if (bool(sub->windowFlags() & Qt::FramelessWindowHint) != own) {
    sub->setWindowFlags(own ? d.nativeFlags | Qt::FramelessWindowHint : d.nativeFlags);
    // The system's title bar finds its text and buttons again only when the sub-window is shown.
    if (!own && sub->isVisible()) {
      QShowEvent shown;
      QCoreApplication::sendEvent(sub, &shown);
    }
  }
  if (!own || sub->isMaximized()) sub->clearMask();
}

}  // namespace

void ChildEventFirst(const std::shared_ptr<WindowData>& d, QEvent* e, const std::function<void()>& messages) {
  QMdiSubWindow* sub = SubOf(*d);
  if (!sub) return;
  // The frame for the new state is chosen before the sub-window lays the state out (a
  // minimised one finds its place at the bottom of the client by its bar's size).
  const bool stateChange = e->type() == QEvent::WindowStateChange;
  if (stateChange) ApplyChildFlags(*d, sub);
  static_cast<QObject*>(sub)->event(e);
  if (!d->alive) return;
  messages();
  // The margins follow the state the messages have told the chain of.
  if (stateChange && d->alive && ChildFrameIsOwn(*d)) {
    RecalcNonClient(*d);
    d->framePending = true;
    sub->update();
  }
}

void PlaceRestoredChild(WindowData& d) {
  QMdiSubWindow* sub = SubOf(d);
  if (!sub || d.restoreClient.isNull() || sub->isMaximized() || sub->isMinimized()) return;
  // The sub-window finishes its restore after the state change: the client is placed after it.
  QMetaObject::invokeMethod(
      sub,
      [sub, client = std::exchange(d.restoreClient, QRect())] {
        if (!sub->isMaximized() && !sub->isMinimized()) sub->setGeometry(client.marginsAdded(sub->contentsMargins()));
      },
      Qt::QueuedConnection);
}

bool ChildFrameIsOwn(const WindowData& d) {
  const QMdiSubWindow* sub = SubOf(d);
  return sub && d.ownNonClient && !sub->isMinimized();
}

void SetChildOwnNonClient(const std::shared_ptr<WindowData>& d, bool on) {
  QMdiSubWindow* sub = SubOf(*d);
  if (!sub || d->ownNonClient == on) return;
  const bool normal = !sub->isMaximized() && !sub->isMinimized();
  // Both ways the client keeps its size and its place in the MDI client; maximised or
  // minimised, once the child is restored.
  const QRect client(sub->pos() + sub->contentsRect().topLeft(), sub->contentsRect().size());
  if (normal)
    d->restoreClient = QRect();
  else if (d->restoreClient.isNull())
    d->restoreClient = d->childNormalClient;
  if (on) {
    d->nativeFlags = sub->windowFlags();
    d->ownNonClient = true;
    d->savedTracking = sub->hasMouseTracking();
    sub->setMouseTracking(true);  // the frame needs moves without a button
    ApplyChildFlags(*d, sub);
    RecalcNonClient(*d);
    if (normal) sub->setGeometry(client.marginsAdded(sub->contentsMargins()));
    d->framePending = true;
    sub->update();
  } else {
    d->ownNonClient = false;
    d->framePending = false;
    ApplyChildFlags(*d, sub);
    sub->setMouseTracking(d->savedTracking);
    sub->clearMask();
    if (normal) sub->setGeometry(client.marginsAdded(sub->contentsMargins()));
  }
}

}  // namespace orvane::wm
