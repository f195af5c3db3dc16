// Title-bar objects and caption buttons: which buttons show, where they sit, how they look in
// each state, what a click does, how the mouse is followed in the title bar, and the hint.
#include <QApplication>
#include <QCursor>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>

#include "skin/FormSkinner.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"
#include "skin/imgutil.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

QString CaptionButtonHint(int action) {
  switch (action) {
    case 0: case 9: case 62: return QStringLiteral("关闭");
    case 1: case 22: return QStringLiteral("最大化");
    case 2: case 23: case 7: case 60: return QStringLiteral("最小化");
    case 8: case 61: return QStringLiteral("还原");
    default: return {};
  }
}

// ---- title-bar objects ------------------------------------------------------------------

TNCObject::TNCObject(TFormSkinner* form) : QObject(form), form_(form) {}

void TNCObject::MouseDown() {
  TNCObject* hot = form_->HotObject();
  if (hot && hot != this) hot->MouseLeave();
  if (!Visible) return;
  form_->SetHotObject(this);
  State = stPressed;
  Paint();
}

void TNCObject::MouseUp() {
  if (!Visible) return;
  State = stHot;
  Paint();
}

void TNCObject::MouseEnter() {
  TNCObject* hot = form_->HotObject();
  if (hot == this) return;
  if (hot) hot->MouseLeave();
  if (!Visible) return;
  form_->SetHotObject(this);
  State = stHot;
  Paint();
}

void TNCObject::MouseLeave() {
  if (!Visible) return;
  form_->SetHotObject(nullptr);
  State = stNormal;
  Paint();
  TFormSkinner::HintCounter() = 0;
  if (TSXSkin* s = form_->Skin()) s->HideCaptionHint();
}

TWinSysButton::TWinSysButton(TFormSkinner* form, const TDataSkinSysButton* record)
    : TNCObject(form), Image(record->Bitmap), Frames(record->FrameCount()), record_(record) {}

int TWinSysButton::PaintFrame() const {
  int frame = State;
  if (!Enabled) frame = Frames < 4 ? 1 : 4;
  if (record_->Visibility == 100 && frame == stHot) frame = 4;
  return frame;
}

void TWinSysButton::Draw(QPainter& painter, int frame) const {
  if (record_->Action == 3 || record_->Action == 11)
    form_->DrawWindowIcon(painter, Bounds);
  else if (!Image.isNull())
    DrawStripFrame(painter, Bounds, Image, true, Frames, frame);
}

void TWinSysButton::Paint() {
  QWidget* w = form_->Handle();
  if (!w) return;
  if (QPainter* dc = wm::GetWindowDC(w))
    Draw(*dc, PaintFrame());
  else
    w->update(Bounds);
}

// ---- visibility and layout ----------------------------------------------------------------

bool TFormSkinner::IsSysButtonVisible(int index) {
  if (index < 0 || index >= static_cast<int>(sysButtons_.size())) return false;
  TWinSysButton* b = sysButtons_[static_cast<size_t>(index)];
  const TDataSkinSysButton& r = *b->Record();
  const bool max = showState_ == ssMaximized;
  const bool minBox = buttonBits_ & bbMinimize, maxBox = buttonBits_ & bbMaximize;
  const bool help = buttonBits_ & bbHelp, sysMenu = buttonBits_ & bbSystemMenu;
  bool first = false;
  auto rule = [&](int code, bool isFirst) -> bool {
    if (code == -1 || code == 5) return false;
    if (code == 0) return true;
    if (code == 1) return max;
    if (code == 2) return !max;
    if (code == 3) return active_;
    if (code == 4) return !active_;
    if (code == 6 || code == 8) return (minBox || maxBox) && (!isFirst || sysMenu);
    if (code == 7) return !maxBox;
    if (code == 9) return !minBox;
    if (code == 10) return help && (!isFirst || (!minBox && !maxBox));
    if (code == 100) {
      if (!isFirst) return first;
      bool maximized = false;
      return ActiveMDIChild(&maximized) && maximized && HasMenuBar();
    }
    if (code == 200) return !dialog_ && frameKind_ == fkDialog;
    if (code >= 201 && code <= 999) return true;
    if (code >= 1000 && code <= 2000)
      return !isFirst || wm::SendMessage(hwnd_, WM_SKINACTIONQUERY, static_cast<quintptr>(code), r.Action) > 0;
    return false;  // 11-99, 101-199, above 2000 and anything below -1
  };
  first = rule(r.Visibility, true);
  bool visible = first && rule(r.Visibility1, false);
  switch (r.Action) {
    case 0:
      if (!sysMenu) visible = false;
      break;
    case 1:
      b->Enabled = maxBox && sysMenu;
      break;
    case 2:
      b->Enabled = minBox && sysMenu;
      break;
    case 3: case 11: case 12:
      if (frameKind_ == fkDialog) visible = false;
      break;
    default:
      break;
  }
  b->Visible = visible;
  return visible;
}

void TFormSkinner::LayoutSysButtons() {
  if (!hwnd_) return;
  const int windowWidth = wm::GetWindowRect(hwnd_).width();
  for (int i = 0; i < static_cast<int>(sysButtons_.size()); ++i) {
    TWinSysButton* b = sysButtons_[static_cast<size_t>(i)];
    if (!IsSysButtonVisible(i) || b->Image.isNull()) continue;
    const TDataSkinSysButton& r = *b->Record();
    const int w = b->Image.width() / ValidFrameCount(b->Frames), h = b->Image.height();
    QPoint at;
    switch (r.Align) {
      case 0: at = QPoint(r.Xcoord, r.Ycoord); break;
      case 1: at = QPoint(windowWidth - r.Xcoord, r.Ycoord); break;
      case 2: case 8: at = QPoint(captionRect_.x() - w - r.Xcoord, r.Ycoord); break;
      case 3: case 9: at = QPoint(captionRect_.x() + captionRect_.width() + r.Xcoord, r.Ycoord); break;
      case 100: {
        int x = windowWidth - r.Xcoord - borders_.right();
        if (data_ && data_->MenuBar) x -= data_->MenuBar->LeftWidth;
        at = QPoint(x, borders_.top() + (menuBarHeight_ - h) / 2);
        break;
      }
      default: break;
    }
    b->Bounds = QRect(at, QSize(w, h));
  }
}

TNCObject* TFormSkinner::FindObject(QPoint pt) const {
  for (TWinSysButton* b : sysButtons_)
    if (b->Visible && b->Record()->Action >= 0 && b->Bounds.contains(pt)) return b;
  return menuBar_ ? menuBar_->ItemAt(pt) : nullptr;
}

QPoint TFormSkinner::WindowPoint(QPoint screen) const {
  const QPoint client = wm::ScreenToClient(hwnd_, screen);
  if (windowKind_ == wkMDIChild && showState_ == ssMaximized) return client;
  return client + QPoint(borders_.left(), borders_.top() + menuBarHeight_);
}

// ---- clicks -------------------------------------------------------------------------------

QWidget* TFormSkinner::ActiveMDIChild(bool* maximized) const {
  if (maximized) *maximized = false;
  if (windowKind_ != wkMDIFrame || !mdiClient_) return nullptr;
  bool max = false;
  auto* child = reinterpret_cast<QWidget*>(
      wm::SendMessage(mdiClient_, wm::WM_MDIGETACTIVE, 0, reinterpret_cast<qintptr>(&max)));
  if (maximized) *maximized = max;
  return child;
}

void TFormSkinner::Maximize() {
  if (showState_ == ssMaximized) {
    Restore();
    return;
  }
  if (windowKind_ == wkMDIChild && SkinManager) SkinManager->SetMDIMaximized(true);
  showState_ = ssMaximized;
  wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_MAXIMIZE, 0);
  hot_ = nullptr;
}

void TFormSkinner::Restore() {
  showState_ = ssNormal;
  wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_RESTORE, 0);
}

void TFormSkinner::Minimize() {
  if (showState_ == ssMinimized) {
    Restore();
    return;
  }
  showState_ = ssMinimized;
  GiveSystemMenuBack();
  wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_MINIMIZE, 0);
}

void TFormSkinner::TrackSystemMenu(QPoint screen) { ShowSystemMenu(screen); }

void TFormSkinner::SysButtonClick(QPoint pt) {
  TWinSysButton* b = nullptr;
  for (TWinSysButton* x : sysButtons_)
    if (x == hot_) b = x;
  if (!b || !hwnd_) return;
  const int action = b->Record()->Action;
  // Acts on the active child of an MDI frame; nothing without one.
  auto onChild = [this](quint32 command) {
    if (QWidget* child = ActiveMDIChild()) wm::SendMessage(child, wm::WM_SYSCOMMAND, command, 0);
  };
  switch (action) {
    case 0: {
      bool canClose = false;
      if (QMenu* menu = systemMenu_ ? systemMenu_.data() : wm::GetSystemMenu(hwnd_, false))
        for (QAction* a : menu->actions())
          if (a->data().toUInt() == wm::SC_CLOSE) canClose = true;
      if (!canClose) return;
      hoverTimer_.stop();
      wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_CLOSE, 0);
      return;
    }
    case 1: case 22:
      if (b->Enabled) Maximize();
      return;
    case 2: case 23:
      if (b->Enabled) Minimize();
      return;
    case 3: case 11: case 12:
      TrackSystemMenu(pt + QPoint(1, 1));
      sysMenuButton_ = b;
      return;
    case 4:
      wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_CONTEXTHELP, 0);
      return;
    case 7: case 60:
      onChild(wm::SC_MINIMIZE);
      return;
    case 8: case 61:
      onChild(wm::SC_RESTORE);
      return;
    case 9: case 62:
      onChild(wm::SC_CLOSE);
      return;
    default:
      wm::PostMessage(hwnd_, WM_SKINBUTTONACTION, static_cast<quintptr>(action), 0);
      return;
  }
}

// ---- the mouse in the title bar -------------------------------------------------------------

void TFormSkinner::NCMouse(wm::Message& m) {
  const QPoint screen = wm::PointFromParam(m.lParam);
  const QPoint pt = WindowPoint(screen);
  auto consume = [&m] { m.result = 0; };
  auto hideHint = [this] {
    if (skin_) skin_->HideCaptionHint();
  };
  switch (m.msg) {
    case wm::WM_NCMOUSEMOVE: {
      if (!active_) return consume();
      if (TNCObject* o = FindObject(pt)) {
        o->MouseEnter();
        return consume();
      }
      if (hot_) hot_->MouseLeave();
      hot_ = nullptr;
      break;
    }
    case wm::WM_NCLBUTTONDOWN: {
      hideHint();
      if (TNCObject* o = FindObject(pt)) {
        if (!active_) hwnd_->activateWindow();
        o->MouseDown();
        if (o->IsMenuItem()) TrackMenu(static_cast<TMenuBtn*>(o));
        return consume();
      }
      if (showState_ == ssMaximized && active_ && static_cast<qint32>(m.wParam) == wm::HTCAPTION) m.wParam = wm::HTMENU;
      break;
    }
    case wm::WM_NCLBUTTONUP: {
      hideHint();
      if (TNCObject* o = FindObject(pt)) {
        if (!o->IsMenuItem() && o == hot_) {
          o->MouseUp();
          SysButtonClick(screen);
        }
        return consume();
      }
      break;
    }
    case wm::WM_NCLBUTTONDBLCLK: {
      if (TNCObject* o = FindObject(pt)) {
        if (!o->IsMenuItem()) {
          const int action = static_cast<TWinSysButton*>(o)->Record()->Action;
          if (action == 3 || action == 11) {
            hoverTimer_.stop();
            wm::PostMessage(hwnd_, wm::WM_SYSCOMMAND, wm::SC_CLOSE, 0);
          }
        }
        return consume();
      }
      if (showState_ != ssNormal) {
        Restore();
        return consume();
      }
      if (buttonBits_ & bbMaximize) {
        Maximize();
        return consume();
      }
      break;
    }
    case wm::WM_NCRBUTTONDOWN:
      hideHint();
      if (static_cast<qint32>(m.wParam) == wm::HTCAPTION && windowKind_ != wkMDIChild) {
        TrackSystemMenu(screen);
        return consume();
      }
      break;
    default:
      break;
  }
  wm::CallPrevious(link_, m);
}

void TFormSkinner::HoverTimer() {
  if (!hot_ || !hwnd_ || menuTracking_) return;
  const QPoint cursor = wm::GetCursorPos();
  const QPoint pt = WindowPoint(cursor);
  if (hot_->Bounds.contains(pt)) {
    if (hot_->IsMenuItem()) return;
    int& counter = HintCounter();
    counter += hoverTimer_.interval();
    if (!skin_) return;
    if (counter >= 2 * HintPause && counter < 2 * HintPause + HintHidePause) {
      QString text;
      for (const TWinSysButton* b : sysButtons_)
        if (b == hot_) text = CaptionButtonHint(b->Record()->Action);
      if (!text.isEmpty())
        skin_->ShowCaptionHint(QRect(QPoint(hot_->Bounds.left() + wm::GetWindowRect(hwnd_).left(), cursor.y() + 24),
                                     hot_->Bounds.size()),
                               text);
    } else if (counter >= 2 * HintPause + HintHidePause) {
      skin_->HideCaptionHint();
    }
    return;
  }
  if (hot_) hot_->MouseLeave();
  hot_ = nullptr;
  HintCounter() = 0;
  if (skin_) skin_->HideCaptionHint();
}

// ---- the window icon ----------------------------------------------------------------------

void TFormSkinner::BuildIconBitmap() {
  if (!hwnd_) return;
  iconSize_ = wm::GetSystemMetrics(wm::SM_CXSMICON);
  const QSize size(iconSize_, wm::GetSystemMetrics(wm::SM_CYSMICON));
  iconBitmap_ = QImage(size, QImage::Format_RGB16);
  iconBitmap_.fill(QColor(0xFF, 0x00, 0xFF));
  auto* icon = reinterpret_cast<const QIcon*>(wm::SendMessage(hwnd_, wm::WM_GETICON, wm::ICON_SMALL, 0));
  if (!icon || icon->isNull()) icon = reinterpret_cast<const QIcon*>(wm::SendMessage(hwnd_, wm::WM_GETICON, wm::ICON_BIG, 0));
  if (!icon || icon->isNull()) return;
  QPainter p(&iconBitmap_);
  icon->paint(&p, QRect(QPoint(0, 0), size));
}

void TFormSkinner::DrawWindowIcon(QPainter& painter, const QRect& rect) const {
  const QIcon app = QApplication::windowIcon();
  if (!app.isNull()) {
    painter.drawPixmap(rect.topLeft(), app.pixmap(QSize(iconSize_, iconSize_)));
    return;
  }
  if (!iconBitmap_.isNull())
    DrawTransparentBitmap(painter, QRect(rect.topLeft(), iconBitmap_.size()),
                          ToSkinImage(iconBitmap_), KeyColour);
}

}  // namespace orvane::skin
