// The default procedures of an MDI client and its children: what the window system's own MDI
// windows do with the MDI messages, done by QMdiArea and QMdiSubWindow.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/wm/menus.h"
#include "platform/wm/windowdata.h"

namespace orvane::wm {

namespace {

QMdiSubWindow* ChildOf(QMdiArea* area, quintptr wParam) {
  auto* sub = reinterpret_cast<QMdiSubWindow*>(wParam);
  // Only a living child of this client is acted on.
  return sub && area->subWindowList().contains(sub) ? sub : nullptr;
}

void RedrawFrame(QMdiArea* area) {
  if (QWidget* frame = area->window(); frame != area) RedrawWindow(frame, nullptr, RDW_FRAME);
}

}  // namespace

void DefMDIClientProc(HWND hwnd, Message& m) {
  auto* area = qobject_cast<QMdiArea*>(hwnd);
  if (!area) return;
  switch (m.msg) {
    case WM_MDICREATE: {
      auto* content = reinterpret_cast<QWidget*>(m.lParam);
      if (!content) break;
      QMdiSubWindow* sub = area->addSubWindow(content);
      Data(sub);  // a window of its own from the start: its place is followed through its states
      // A maximised child's buttons live in the frame's menu bar: the frame is redrawn when a
      // child's state changes.
      QObject::connect(sub, &QMdiSubWindow::windowStateChanged, area, [area] { RedrawFrame(area); });
      sub->show();
      m.result = reinterpret_cast<qintptr>(sub);
      break;
    }
    case WM_MDIDESTROY:
      if (QMdiSubWindow* sub = ChildOf(area, m.wParam)) {
        // Gone at once, as a destroyed window is: the client no longer lists it afterwards.
        sub->hide();
        area->removeSubWindow(sub);
        delete sub;
        RedrawFrame(area);
      }
      break;
    case WM_MDIACTIVATE:
      if (QMdiSubWindow* sub = ChildOf(area, m.wParam)) area->setActiveSubWindow(sub);
      break;
    case WM_MDIMAXIMIZE:
      if (QMdiSubWindow* sub = ChildOf(area, m.wParam)) sub->showMaximized();
      break;
    case WM_MDIRESTORE:
      if (QMdiSubWindow* sub = ChildOf(area, m.wParam)) sub->showNormal();
      break;
    case WM_MDIGETACTIVE: {
      // The client's current child, also while the frame itself is not the active window.
      QMdiSubWindow* sub = area->currentSubWindow();
      if (auto* maximized = reinterpret_cast<bool*>(m.lParam)) *maximized = sub && sub->isMaximized();
      m.result = reinterpret_cast<qintptr>(sub);
      break;
    }
    case WM_MDINEXT:
      if (m.lParam)
        area->activatePreviousSubWindow();
      else
        area->activateNextSubWindow();
      break;
    case WM_MDISETMENU:  // wParam: the frame's new menu bar (0 keeps it); result the one before
      m.result = reinterpret_cast<qintptr>(GetMenu(area->window()));
      if (m.wParam) SetMenu(area->window(), reinterpret_cast<QMenuBar*>(m.wParam));
      break;
    case WM_MDITILE:
      area->tileSubWindows();
      break;
    case WM_MDICASCADE:
      area->cascadeSubWindows();
      break;
    default:
      break;
  }
}

void DefMDIChildProc(HWND hwnd, Message& m) {
  auto* sub = qobject_cast<QMdiSubWindow*>(hwnd);
  if (!sub) return;
  switch (m.msg) {
    case WM_SYSCOMMAND:
      switch (m.wParam & 0xFFF0) {
        case SC_CLOSE: sub->close(); break;
        case SC_MINIMIZE: sub->showMinimized(); break;
        case SC_MAXIMIZE: sub->showMaximized(); break;
        case SC_RESTORE: sub->showNormal(); break;
        case SC_MOVE:
        case SC_SIZE: DefHostProc(hwnd, m); break;  // inside the MDI client, by mouse or keys
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
          if (QMdiArea* area = sub->mdiArea()) {
            if ((m.wParam & 0xFFF0) == SC_NEXTWINDOW)
              area->activateNextSubWindow();
            else
              area->activatePreviousSubWindow();
          }
          break;
        default: break;
      }
      break;
    case WM_CLOSE:
      sub->close();
      break;
    case WM_NCHITTEST:
    case WM_NCCALCSIZE:
    case WM_NCACTIVATE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETTEXT:
    case WM_SETICON:
    case WM_GETICON:
      // A child's frame answers, moves and sizes as a window's does, within its client; its
      // title and icon are the sub-window's, and a frame of its own shows a new one.
      DefHostProc(hwnd, m);
      break;
    default:
      break;
  }
}

}  // namespace orvane::wm
