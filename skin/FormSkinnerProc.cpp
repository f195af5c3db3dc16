// The skinned window procedure and the form's own procedure: which messages the skin answers
// itself and which go on down the window's chain.
//
// The skinned procedure works in three stages. The first runs for every skinned window and
// answers the engine's private messages; the second runs only where the skin paints the frame
// and keeps the window's state; the third does the frame's painting, hit testing and mouse,
// but not before the deferred activation and not for a maximised MDI child, whose frame the
// MDI frame's menu bar stands in for.
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>

#include "skin/FormSkinner.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/TScrollbarSx.h"
#include "skin/controls/TSkinHeader.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

// The system commands a menu's WM_COMMAND may carry.
bool IsSystemCommand(quint32 id) {
  switch (id) {
    case wm::SC_SIZE: case wm::SC_MOVE: case wm::SC_MINIMIZE: case wm::SC_MAXIMIZE: case wm::SC_NEXTWINDOW:
    case wm::SC_PREVWINDOW: case wm::SC_CLOSE: case wm::SC_RESTORE:
      return true;
    default:
      return false;
  }
}

int ShowStateOfPlacement(quint32 showCmd) {
  if (showCmd == wm::SW_SHOWMAXIMIZED) return TFormSkinner::ssMaximized;
  if (showCmd == wm::SW_SHOWMINIMIZED || showCmd == wm::SW_MINIMIZE || showCmd == wm::SW_SHOWMINNOACTIVE)
    return TFormSkinner::ssMinimized;
  return TFormSkinner::ssNormal;
}

}  // namespace

// ---- stage 1: every skinned window --------------------------------------------------------

void TFormSkinner::WndProc(wm::Message& m) {
  auto* dc = reinterpret_cast<QPainter*>(m.wParam);
  switch (m.msg) {
    case wm::WM_NCPAINT:
      if (lifeState_ == lsCreated) {  // nothing is painted before the activation
        m.result = 0;
        return;
      }
      break;
    case wm::WM_CTLCOLORBTN:
      wm::CallPrevious(link_, m);
      if (!object_ && dc) dc->setBackgroundMode(Qt::TransparentMode);
      return;
    case wm::WM_NCUAHDRAWCAPTION:  // the system's own caption drawing: never over the skin
      m.result = 0;
      return;
    case wm::WM_INITMENUPOPUP:
      if (SkinManager)
        SkinManager->SetMenuKind(systemMenu_ && reinterpret_cast<QMenu*>(m.wParam) == systemMenu_.data()
                                     ? TSkinManage::mkSystem
                                     : TSkinManage::mkMenuBar);
      wm::CallPrevious(link_, m);
      return;
    case wm::WM_NCACTIVATE:
      if (lifeState_ == lsCreated && windowKind_ != wkMDIChild) {
        m.result = 0;
        return;
      }
      if (frameSkinned_)
        FrameStage(m);
      else
        wm::CallPrevious(link_, m);
      return;
    case wm::WM_ERASEBKGND:
      wm::CallPrevious(link_, m);
      // A window without a form gets the skin's face colour behind its controls.
      if (!object_ && dc && hwnd_) {
        faceBrush_ = QBrush(skin_ && skin_->Data() ? ToQColor(skin_->Data()->Colour(scButtonFace)) : QColor());
        dc->fillRect(wm::GetClientRect(hwnd_), faceBrush_);
        m.result = 1;
      }
      return;
    case wm::WM_NCDESTROY: {
      lifeState_ = lsDestroying;
      QPointer<TFormSkinner> self(this);
      // The procedures below still see the message before the skin lets go of the window.
      wm::CallPrevious(link_, m);
      if (!self) return;
      Detach();
      lifeState_ = lsDestroyed;
      return;
    }
    case wm::WM_CTLCOLORSTATIC:
      wm::CallPrevious(link_, m);
      if (!object_) {
        if (dc) dc->setBackgroundMode(Qt::TransparentMode);
        faceBrush_ = QBrush(skin_ && skin_->Data() ? ToQColor(skin_->Data()->Colour(scButtonFace)) : QColor());
        m.result = reinterpret_cast<qintptr>(&faceBrush_);
      }
      return;
    case WM_SKINACTIVATE:
      Activate();
      return;
    case WM_SKINREBUILDSCROLL:
      RebuildScrollSkinner(reinterpret_cast<QWidget*>(m.wParam));
      return;
    case WM_SKINQUERY:
      m.result = 1;
      wm::PostMessage(hwnd_, WM_SKINNOTIFY, 0, SkinNotifyKey);
      return;
    default:
      break;
  }
  if (frameSkinned_)
    FrameStage(m);
  else
    wm::CallPrevious(link_, m);
}

void TFormSkinner::RebuildScrollSkinner(QWidget* control) {
  TSkinControl* old = nullptr;
  controls_.removeAll(nullptr);
  for (auto it = controls_.crbegin(); it != controls_.crend(); ++it)
    if ((*it)->Handle() == control) {
      old = it->data();
      break;
    }
  if (!old) return;
  controls_.removeAll(old);
  if (RebuildScrollbar) {
    RebuildScrollbar(control, old);
    delete old;
    return;
  }
  // The control's scroll-bar skinner made anew, of the same kind, once the old one is gone
  // from the registry.
  const bool listView = qobject_cast<TSkinListView*>(old) != nullptr;
  delete old;
  TSkinScrollbar* fresh = listView ? new TSkinListView(control) : new TSkinScrollbar(control);
  fresh->InitScrollbar(control, skin_, this);
}

// ---- stage 2: a window whose frame the skin paints ----------------------------------------

void TFormSkinner::FrameStage(wm::Message& m) {
  // A plain child window keeps its own handling.
  if (windowKind_ != wkMDIChild && child_) {
    wm::CallPrevious(link_, m);
    return;
  }
  switch (m.msg) {
    case wm::WM_COMMAND: {
      const quint32 id = m.wParam & 0xFFFF;
      if (id < 0xFF00 && IsSystemCommand(id)) {
        wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, id, 0);
        return;
      }
      wm::CallPrevious(link_, m);
      return;
    }
    case wm::WM_SETICON:
      wm::CallPrevious(link_, m);
      BuildIconBitmap();
      return;
    case wm::WM_ACTIVATE:
    case wm::WM_NCACTIVATE:
      active_ = (m.wParam & 0xFFFF) != 0;
      break;
    case wm::WM_WINDOWPOSCHANGED:
      RefreshShowState();
      wm::CallPrevious(link_, m);
      return;
    case wm::WM_SIZE:
      SizeChanged(m);
      return;
    case wm::WM_GETMINMAXINFO:
      wm::CallPrevious(link_, m);
      RefreshShowState();
      return;
    case WM_SKINMENUAT:
      if (menuBar_)
        if (TMenuBtn* item = menuBar_->ItemAt(WindowPoint(wm::PointFromParam(m.lParam)))) {
          item->MouseDown();
          TrackMenu(item);
        }
      m.result = 0;
      return;
    case CM_RECREATEWND:
      RecreateWindow(m);
      return;
    case wm::WM_SYSCOMMAND:
      SysCommand(m);
      return;
    default:
      break;
  }
  NonClientStage(m);
}

void TFormSkinner::RefreshShowState() {
  if (hwnd_) showState_ = ShowStateOfPlacement(wm::GetWindowPlacement(hwnd_).showCmd);
}

void TFormSkinner::SizeChanged(wm::Message& m) {
  wm::CallPrevious(link_, m);
  if (menuBar_) menuBar_->LayoutItems();  // the bar's items follow the window's width
  switch (m.wParam) {
    case wm::SIZE_MINIMIZED: showState_ = ssMinimized; break;
    case wm::SIZE_MAXIMIZED: showState_ = ssMaximized; break;
    case wm::SIZE_RESTORED: showState_ = ssNormal; break;
    default: break;
  }
  if (showState_ == ssMinimized) return;
  // A maximised MDI child has no frame of its own, so no region.
  if (windowKind_ == wkMDIChild && ((SkinManager && SkinManager->MDIMaximized()) || showState_ != ssNormal)) return;
  if (lifeState_ == lsAttached || lifeState_ == lsReapplying) UpdateRegion();
}

void TFormSkinner::SysCommand(wm::Message& m) {
  // The keyboard's way into the menu bar and the system menu.
  if ((m.wParam & 0xFFF0) == wm::SC_KEYMENU && MenuKey(static_cast<quint32>(m.lParam))) {
    m.result = 1;
    return;
  }
  switch (m.wParam & 0xFFF0) {
    case wm::SC_MINIMIZE:
      showState_ = ssMinimized;
      break;
    case wm::SC_MAXIMIZE:
      showState_ = ssMaximized;
      break;
    case wm::SC_RESTORE:
      showState_ = ssNormal;
      if (windowKind_ == wkMDIChild && SkinManager) SkinManager->SetMDIMaximized(false);
      break;
    default:
      break;
  }
  wm::CallPrevious(link_, m);
}

void TFormSkinner::RecreateWindow(wm::Message& m) {
  // The window is made anew underneath: whatever it paints meanwhile is not the skin's frame.
  QPointer<TSXSkin> skin(skin_);
  if (skin) skin->FramePainting = false;
  QPointer<TFormSkinner> self(this);
  wm::CallPrevious(link_, m);
  if (skin) skin->FramePainting = true;
  if (!self || !hwnd_ || !wm::GetMenu(hwnd_)) return;
  // The new window has its menu again: the skinned bar takes it over.
  if (menuBar_ && skin_ && skin_->MenuUpdate) menuBar_->BuildItems();
  wm::SetMenu(hwnd_, nullptr);
}

// ---- stage 3: the skinned frame -------------------------------------------------------------

void TFormSkinner::NonClientStage(wm::Message& m) {
  const bool maximizedChild = windowKind_ == wkMDIChild && showState_ == ssMaximized;
  if (maximizedChild || lifeState_ == lsCreated) {
    wm::CallPrevious(link_, m);
    return;
  }
  switch (m.msg) {
    case wm::WM_NCACTIVATE:
      active_ = m.wParam != 0;
      if (active_)
        hoverTimer_.start();
      else
        hoverTimer_.stop();
      if (windowKind_ == wkMDIFrame && mdiClient_)
        wm::SendMessage(mdiClient_, wm::WM_NCACTIVATE, m.wParam, m.lParam);
      else if (windowKind_ == wkMDIChild)
        wm::CallPrevious(link_, m);
      PaintFrame();
      m.result = 1;
      return;
    case wm::WM_NCCALCSIZE:
      CalcNCSize(m);
      return;
    case wm::WM_NCHITTEST:
      NCHitTest(m);
      return;
    case wm::WM_NCPAINT:
      NCPaint(m);
      return;
    case wm::WM_WINDOWPOSCHANGING:
      wm::CallPrevious(link_, m);
      return;
    case wm::WM_MEASUREITEM:
    case wm::WM_DRAWITEM:
      if (!OwnerDrawItem(m)) wm::CallPrevious(link_, m);
      return;
    case wm::WM_MENUSELECT:
      MenuSelect(m);
      break;
    case wm::WM_SIZE:
      SizeChanged(m);
      return;
    case wm::WM_NCMOUSEMOVE:
    case wm::WM_NCLBUTTONDOWN:
    case wm::WM_NCLBUTTONUP:
    case wm::WM_NCLBUTTONDBLCLK:
    case wm::WM_NCRBUTTONDOWN:
      NCMouse(m);
      return;
    case WM_SKINPAINTFRAME:
      PaintFrame();
      return;
    default:
      break;
  }
  wm::CallPrevious(link_, m);
}

// ---- the form's own procedure ----------------------------------------------------------------

void TFormSkinner::FormWndProc(wm::Message& m) {
  switch (m.msg) {
    case CM_DIALOGCHAR:
      DialogChar(m, {});
      return;
    case WM_SKINAPPLYCOLORS:
      ApplySkinColors();
      return;
    case WM_SKINPRINTFRAME:
      // Only the engine's own request is answered; anything else is swallowed.
      if (m.lParam != SkinNotifyKey) return;
      if (auto* dc = reinterpret_cast<QPainter*>(m.wParam)) PaintFrame(dc);
      m.result = SkinNotifyKey;
      return;
    case WM_SKINPRESENT:
      m.result = m.lParam == SkinNotifyKey ? SkinNotifyKey : 1;
      return;
    case wm::WM_SETTEXT: {
      QPointer<TFormSkinner> self(this);
      const bool visible = hwnd_ && hwnd_->isVisible();
      wm::CallPrevious(formLink_, m);
      if (!self || !visible || !hwnd_) return;
      if (showState_ == ssMaximized) {
        if (SkinManager && SkinManager->MDIClient())
          wm::PostMessage(SkinManager->MDIClient(), WM_SKINMDIMAXIMIZE, reinterpret_cast<quintptr>(hwnd_.data()));
        FrameChanged();
      } else if (showState_ == ssMinimized) {
        PaintFrame();
      } else {
        FrameChanged();
      }
      return;
    }
    default:
      break;
  }
  wm::CallPrevious(formLink_, m);
}

}  // namespace orvane::skin
