// The popup-menu skinner (see WinSkinPopMenu.h).
#include "skin/WinSkinPopMenu.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QMenu>
#include <QPainter>

#include "skin/WinSkinStore.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

QPointer<TPopupMenuSkinner> CurrentPopupSkinner;

namespace {

QHash<const QWidget*, TPopupMenuSkinner*>& skinners() {
  static QHash<const QWidget*, TPopupMenuSkinner*> map;
  return map;
}

// The menu lays its items out again: its frame width follows whether it is skinned.
void Relayout(QWidget* w) {
  if (!w) return;
  QEvent e(QEvent::StyleChange);
  QCoreApplication::sendEvent(w, &e);
}

}  // namespace

TPopupMenuSkinner* PopupSkinnerOf(const QWidget* hwnd) { return hwnd ? skinners().value(hwnd) : nullptr; }

bool AnyPopupSkinner() { return !skinners().isEmpty(); }

bool PopupWouldPaint(const QWidget* menu) {
  if (!SkinManager || !SkinManager->On() || !qobject_cast<const QMenu*>(menu)) return false;
  TSXSkin* skin = SkinManager->FindSkinFor(const_cast<QWidget*>(menu));
  if (!skin || skin->SkinLoading()) return false;
  const int kind = SkinManager->MenuKind();
  const bool wanted = kind == TSkinManage::mkPopup     ? skin->HasControl(xcPopupMenu)
                      : kind == TSkinManage::mkMenuBar ? skin->HasControl(xcMainMenu) || skin->HasControl(xcMenuItem)
                      : kind == TSkinManage::mkSystem  ? skin->HasControl(xcSystemMenu)
                                                       : true;
  const std::shared_ptr<const TSkinData> data = skin->Data();
  return wanted && data && data->MenuBackground && data->MenuBackground->HasImage();
}

void InstallPopupMenuSkinner() {
  SetPopupSkinnerFactory([](QWidget* hwnd) -> TWinSkinPopMenu* { return hwnd ? new TPopupMenuSkinner(hwnd) : nullptr; });
}

TPopupMenuSkinner::TPopupMenuSkinner(QWidget* hwnd) : TWinSkinPopMenu(hwnd) {}

TPopupMenuSkinner::~TPopupMenuSkinner() {
  Unsubclass();
  if (CurrentPopupSkinner == this) CurrentPopupSkinner = nullptr;
}

void TPopupMenuSkinner::Subclass(TSXSkin* skin, QObject* menu) {
  if (!hwnd_ || Subclassed()) return;
  skin_ = skin;
  MenuHandle = menu;
  OwnerDrawn = false;
  link_ = wm::Subclass(hwnd_, [this](wm::Message& m) { WndProc(m); });
  skinners().insert(hwnd_, this);
  // The menu laid its items out before it was shown, with the frame the style foresaw then.
  if (Paints() != PopupWouldPaint(hwnd_)) Relayout(hwnd_);
}

void TPopupMenuSkinner::Unsubclass(bool relayout) {
  if (!Subclassed()) return;
  wm::Unsubclass(link_);
  frame_ = QImage();
  for (auto it = skinners().begin(); it != skinners().end();) {
    if (it.value() == this) it = skinners().erase(it);
    else ++it;
  }
  if (relayout) Relayout(hwnd_);
}

bool TPopupMenuSkinner::Paints() const {
  if (!Subclassed() || !skin_ || !SkinManager || !SkinManager->On() || skin_->SkinLoading()) return false;
  const std::shared_ptr<const TSkinData> data = skin_->Data();
  return data && data->MenuBackground && data->MenuBackground->HasImage();
}

void TPopupMenuSkinner::RebuildFrame(const QSize& size) {
  // The frame depends only on the (unchanging) skin data and the size; the same menu opened
  // again gets the image it had, built once, instead of a nine-slice of its whole area.
  struct Cached {
    std::weak_ptr<const TSkinData> data;
    QSize size;
    QImage frame;
  };
  static QList<Cached> cache;  // most recent first
  const std::shared_ptr<const TSkinData> data = skin_->Data();
  for (qsizetype i = 0; i < cache.size(); ++i) {
    if (cache[i].size == size && cache[i].data.lock() == data) {
      cache.move(i, 0);
      frame_ = cache.first().frame;
      return;
    }
  }
  const TDataSkinObject& e = *data->MenuBackground;
  frame_ = BuildSkinBitmap(size, e.Bitmap, e.Margins(), false, e.Tile != 0, e.FrameCount(), 1);
  cache.removeIf([](const Cached& c) { return c.data.expired(); });
  cache.prepend({data, size, frame_});
  if (cache.size() > 8) cache.removeLast();
}

// Copies part of the frame bitmap as a plain copy would: see-through pixels in the key colour.
void TPopupMenuSkinner::CopyFrame(QPainter& painter, const QRect& part) const {
  painter.fillRect(part, QColor(255, 0, 255));
  painter.drawImage(part.topLeft(), frame_, part);
}

void TPopupMenuSkinner::DrawBackground(QPainter& painter, const QRect& rect) {
  if (!Paints() || !hwnd_) return;
  if (frame_.size() != hwnd_->size()) RebuildFrame(hwnd_->size());
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  CopyFrame(painter, rect);
  painter.restore();
}

void TPopupMenuSkinner::WndProc(wm::Message& m) {
  if (m.msg == WM_SKINQUERY) {
    m.result = 1;
    return;
  }
  if (!SkinManager || !SkinManager->On()) {
    wm::CallPrevious(link_, m);
    return;
  }
  switch (m.msg) {
    case wm::WM_DESTROY:
      // The window is going (its handle may be dead already): nothing of it is touched.
      wm::CallPrevious(link_, m);
      Unsubclass(false);
      return;
    case wm::WM_ERASEBKGND:
      if (!(skin_ && skin_->HasOption(xoMenuBG))) wm::CallPrevious(link_, m);
      m.result = 1;
      return;
    case wm::WM_NCPAINT:
      FramePaint(m);
      return;
    case wm::WM_PRINT:
      PrintPaint(m);
      return;
    default:
      wm::CallPrevious(link_, m);
  }
}

void TPopupMenuSkinner::FramePaint(wm::Message& m) {
  // The whole window: the frame invalidated, or an update region covering all of it.
  const QRect r = hwnd_ ? hwnd_->rect() : QRect();
  const bool whole = m.wParam == 1 || (m.wParam && r.isValid() &&
                                       (QRegion(r) - *reinterpret_cast<const QRegion*>(m.wParam)).isEmpty());
  QPainter* dc = hwnd_ ? wm::GetWindowDC(hwnd_) : nullptr;
  if (!Paints() || !whole || !dc) {
    wm::CallPrevious(link_, m);
    return;
  }
  RebuildFrame(r.size());
  if (!MenuHandle) CurrentPopupSkinner = this;
  // Only the four edges: the menu has painted its inside in this pass already, and what
  // shows behind its items is the skin style's business.
  const int w = PopupFrameWidth;
  dc->save();
  dc->setCompositionMode(QPainter::CompositionMode_SourceOver);
  for (const QRect& band : {QRect(0, 0, r.width(), w), QRect(0, r.height() - w, r.width(), w),
                            QRect(0, w, w, r.height() - 2 * w), QRect(r.width() - w, w, w, r.height() - 2 * w)})
    CopyFrame(*dc, band);
  dc->restore();
}

void TPopupMenuSkinner::PrintPaint(wm::Message& m) {
  auto* target = reinterpret_cast<QPainter*>(m.wParam);
  if (!Paints() || !target || !hwnd_) {
    wm::CallPrevious(link_, m);
    return;
  }
  if (!MenuHandle) CurrentPopupSkinner = this;
  const QRect r = hwnd_->rect();
  const QRect inner = r.adjusted(PopupFrameWidth, PopupFrameWidth, -PopupFrameWidth, -PopupFrameWidth);
  RebuildFrame(r.size());
  target->save();
  CopyFrame(*target, r);
  target->setBackgroundMode(Qt::TransparentMode);
  target->setClipRect(inner);
  wm::CallPrevious(link_, m);
  target->restore();
}

}  // namespace orvane::skin
