// Column headers and list views from the skin.
#include "skin/controls/TSkinHeader.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTreeView>

#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"

namespace orvane::skin {

bool TSkinHeader::CanSkin() const {
  const auto data = Data();
  return data && data->Headerbar && data->Headerbar->HasImage();
}

QHeaderView* TSkinHeader::Header() const { return qobject_cast<QHeaderView*>(hwnd_.data()); }

void TSkinHeader::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (initialized_) return;
  TSkinControl::InitControl(formSkin, skin, setColor);
  HotItem = -1;
  Watch();
}

void TSkinHeader::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_) return;
  TSkinControl::InitWindow(handle, skin, formSkin);
  HotItem = -1;
  Watch();
}

void TSkinHeader::Watch() {
  QHeaderView* h = Header();
  if (!h || !h->viewport()) return;
  viewport_ = h->viewport();
  // Moves without a button are what lights a section.
  trackingWasOn_ = viewport_->hasMouseTracking();
  viewport_->setMouseTracking(true);
  viewport_->installEventFilter(this);
}

void TSkinHeader::DoneControl() {
  if (viewport_) {
    viewport_->removeEventFilter(this);
    if (state_ != csDestroyed) viewport_->setMouseTracking(trackingWasOn_);
  }
  viewport_ = nullptr;
  HotItem = -1;
  TSkinControl::DoneControl();
}

int TSkinHeader::ItemAt(const QPoint& pos) const {
  QHeaderView* h = Header();
  if (!h) return -1;
  const bool horizontal = h->orientation() == Qt::Horizontal;
  const int along = horizontal ? pos.x() : pos.y();
  const int i = h->logicalIndexAt(along);
  if (i < 0) return -1;
  const int start = h->sectionViewportPosition(i), size = h->sectionSize(i);
  return along >= start + 3 && along < start + size - 3 ? i : -1;
}

void TSkinHeader::SetHot(int item) {
  if (item == HotItem) return;
  HotItem = item;
  ++HotRepaints;
  if (viewport_) viewport_->update();
}

void TSkinHeader::MouseMove(const QPoint& pos) {
  const int i = ItemAt(pos);
  if (i >= 0) SetHot(i);
}

bool TSkinHeader::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport_ && skinEnabled_) {
    if (event->type() == QEvent::MouseMove)
      MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    else if (event->type() == QEvent::Leave)
      SetHot(-1);
  }
  return false;
}

bool TSkinHeader::drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* opt, QPainter* p,
                              const QWidget* w) {
  const auto data = Data();
  if (!data || w != hwnd_) return false;
  const TDataSkinObject* e = data->Headerbar.get();
  switch (ce) {
    case QStyle::CE_HeaderSection: {
      const auto* h = qstyleoption_cast<const QStyleOptionHeader*>(opt);
      DrawElement(p, opt->rect, e->FrameCount(), h && h->section == HotItem && HotItem >= 0 ? 2 : 1, e);
      return true;
    }
    case QStyle::CE_HeaderEmptyArea:
      DrawElement(p, opt->rect, e->FrameCount(), 1, e);
      return true;
    case QStyle::CE_HeaderLabel: {
      const auto* h = qstyleoption_cast<const QStyleOptionHeader*>(opt);
      if (!h) return false;
      const Qt::Alignment a = h->textAlignment & Qt::AlignHorizontal_Mask;
      const int alignment = a & Qt::AlignHCenter ? 1 : a & (Qt::AlignRight | Qt::AlignTrailing) ? 2 : 0;
      const QList<QIcon> images{h->icon};
      p->save();
      p->setPen(data->ColourGiven[scWindowText] ? ToQColor(data->Colour(scWindowText))
                                                : h->palette.color(QPalette::ButtonText));
      Enabled = h->state & QStyle::State_Enabled;
      DrawGlyphCaption(p, h->rect, alignment, h->text, h->icon.isNull() ? -1 : 0, &images);
      p->restore();
      return true;
    }
    default:
      return false;
  }
}

void TSkinListView::InitScrollbar(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_) return;
  TSkinScrollbar::InitScrollbar(control, skin, formSkin);
  auto* tree = qobject_cast<QTreeView*>(control);
  QHeaderView* h = tree ? tree->header() : nullptr;
  if (!h || TSkinRegistry::Find(h)) return;
  Header = qobject_cast<TSkinHeader*>(TSkinKinds::Create(QStringLiteral("TSkinHeader"), h));
  if (Header) Header->InitWindow(h, skin, formSkin);
}

void TSkinListView::DoneControl() {
  if (Header && state_ != csDestroyed) {
    Header->DoneControl();
    delete Header.data();
  }
  TSkinScrollbar::DoneControl();
}

ORVANE_SKIN_KIND(TSkinHeader)
ORVANE_SKIN_KIND_ARGS(TSkinListView)

}  // namespace orvane::skin
