// The window the operator works in.
#include "platform/forms/workingwindow.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace orvane {

namespace {
// The windows that were active, the latest last.
QList<QPointer<QWidget>>& activeWindows() {
  static QList<QPointer<QWidget>> windows;
  return windows;
}

// A box belongs to the window below it.
bool isBox(const QWidget* w) { return w->inherits("orvane::TMessageForm"); }

bool counts(const QWidget* w, const QWidget* except) {
  return w && w != except && w->isVisible() && !w->isMinimized() && !isBox(w);
}

void follow(QWindow* active) {
  if (!active) return;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowHandle() != active || isBox(w)) continue;
    auto& windows = activeWindows();
    windows.removeIf([w](const QPointer<QWidget>& p) { return !p || p == w; });
    windows.append(w);
    constexpr int kRemembered = 16;
    if (windows.size() > kRemembered) windows.removeFirst();
  }
}
}  // namespace

void FollowWorkingWindow() {
  static QMetaObject::Connection following;
  if (following || !qApp) return;
  following = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, &follow);
  follow(QGuiApplication::focusWindow());
}

QWidget* WorkingWindow(const QWidget* except) {
  if (QWidget* active = QApplication::activeWindow(); counts(active, except)) return active;
  const auto& windows = activeWindows();
  for (auto it = windows.crbegin(); it != windows.crend(); ++it)
    if (counts(*it, except)) return *it;
  return nullptr;
}

}  // namespace orvane
