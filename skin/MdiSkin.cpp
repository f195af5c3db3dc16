// MDI under the skin: finding an MDI frame's client, and the client's procedure, which keeps
// the manager's maximised-child state and the frame's menu bar in step with the children.
#include <QMdiArea>
#include <QMdiSubWindow>

#include "platform/forms/form.h"
#include "platform/wm/menus.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"

namespace orvane::skin {

// The MDI client among the window's direct children (for a form: the children of its client
// area, where its controls live).
QWidget* TFormSkinner::FindMDIClient() const {
  QList<QWidget*> parents{hwnd_.data()};
  if (auto* form = qobject_cast<Form*>(object_.data())) parents << form << form->client();
  for (QWidget* parent : parents) {
    if (!parent) continue;
    for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (wm::GetClassName(c) == QLatin1String("MDIClient")) return c;
  }
  return nullptr;
}

void TFormSkinner::HookMDIClient() {
  if (!mdiClient_ || !skin_) return;
  savedMenuUpdate_ = skin_->MenuUpdate;
  mdiLink_ = wm::Subclass(mdiClient_, [this](wm::Message& m) { MDIClientProc(m); });
}

void TFormSkinner::MDIClientProc(wm::Message& m) {
  QWidget* client = mdiClient_;
  switch (m.msg) {
    case wm::WM_NCDESTROY:
      wm::CallPrevious(mdiLink_, m);
      wm::Unsubclass(mdiLink_);
      return;
    case wm::WM_NCCALCSIZE:
      // The skinned frame has no room for the client's own scroll bars unless the skin asks.
      if (frameSkinned_ && skin_ && !skin_->HasOption(xoMDIScrollbar) && client) {
        const quint32 style = wm::GetWindowLong(client, wm::GWL_STYLE);
        if (style & (wm::WS_HSCROLL | wm::WS_VSCROLL))
          wm::SetWindowLong(client, wm::GWL_STYLE, style & ~(wm::WS_HSCROLL | wm::WS_VSCROLL));
        if (auto* area = qobject_cast<QMdiArea*>(client)) {
          if (savedMDIScrollH_ < 0) {
            savedMDIScrollH_ = area->horizontalScrollBarPolicy();
            savedMDIScrollV_ = area->verticalScrollBarPolicy();
          }
          area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
          area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
      }
      wm::CallPrevious(mdiLink_, m);
      return;
    case wm::WM_MDICREATE:
      // A new child's menu merges into the frame's: the bar is not rebuilt meanwhile.
      if (skin_) skin_->MenuUpdate = false;
      wm::CallPrevious(mdiLink_, m);
      return;
    case wm::WM_MDIDESTROY: {
      QPointer<TFormSkinner> self(this);
      wm::CallPrevious(mdiLink_, m);
      if (!self || !frameSkinned_ || !client) return;
      bool maximized = false;
      const qintptr active = wm::SendMessage(client, wm::WM_MDIGETACTIVE, 0, reinterpret_cast<qintptr>(&maximized));
      if (SkinManager) SkinManager->SetMDIMaximized(active && maximized);
      if (menuBar_ && !active && skin_) {
        skin_->MenuUpdate = savedMenuUpdate_;
        menuBar_->BuildItems();
      }
      return;
    }
    case wm::WM_MDITILE:
    case wm::WM_MDICASCADE:
      if (frameSkinned_ && SkinManager && SkinManager->MDIMaximized()) SkinManager->SetMDIMaximized(false);
      wm::CallPrevious(mdiLink_, m);
      return;
    case wm::WM_MDISETMENU: {
      QPointer<TFormSkinner> self(this);
      wm::CallPrevious(mdiLink_, m);
      if (!self || !frameSkinned_ || !hwnd_) return;
      if (m.wParam && menuBar_) menuBar_->BuildItems();
      wm::SetMenu(hwnd_, nullptr);
      return;
    }
    case WM_SKINMDIMAXIMIZE:
      if (client)
        wm::RedrawWindow(client, nullptr,
                         wm::RDW_INVALIDATE | wm::RDW_ERASE | wm::RDW_ALLCHILDREN | wm::RDW_UPDATENOW | wm::RDW_FRAME);
      return;
    default:
      break;
  }
  wm::CallPrevious(mdiLink_, m);
}

}  // namespace orvane::skin
