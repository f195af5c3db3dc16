// Scroll bars from the skin: one geometry, one painter, and the skinners that own them.
#include "skin/controls/TScrollbarSx.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QTableView>

#include "skin/FormSkinner.h"
#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {

bool Along(const QStyleOptionSlider& o) { return o.orientation == Qt::Horizontal; }

// A rectangle from a stretch along the bar's axis, across its whole breadth.
QRect Span(const QStyleOptionSlider& o, int from, int to) {
  const QRect r = o.rect;
  if (to < from) to = from;
  return Along(o) ? QRect(r.left() + from, r.top(), to - from, r.height())
                  : QRect(r.left(), r.top() + from, r.width(), to - from);
}

}  // namespace

// ---- one bar ---------------------------------------------------------------------------------

TScrollbarSx::TScrollbarSx(TSkinControl* skinner, QScrollBar* bar) : QObject(skinner), skinner_(skinner), bar_(bar) {
  setObjectName(bar && bar->orientation() == Qt::Horizontal ? QStringLiteral("HorzBar") : QStringLiteral("VertBar"));
}

void TScrollbarSx::Invalidate() const {
  if (bar_) bar_->update();
}

int TScrollbarSx::ArrowSize(const TSkinData* data) {
  const int system = SM_CXVSCROLL_SKIN;
  if (!data || !data->Scrollbar || !data->Scrollbar->HasImage()) return system;
  const int h = data->Scrollbar->Bitmap.height();
  return qAbs(h - system) > 2 ? system : h;
}

bool TScrollbarSx::HasStrip(const TSkinData* data) {
  return data && data->Scrollbar && data->Scrollbar->HasImage() && data->Scrollbar->Bitmap.width() >= sfStripFrames;
}

TScrollbarSx::TParts TScrollbarSx::Parts(const QStyleOptionSlider& o, int a) {
  TParts parts;
  const int length = Along(o) ? o.rect.width() : o.rect.height();
  if (length <= 0) return parts;
  // Two arrows longer than the bar share it half and half.
  const int arrow = 2 * a > length ? length / 2 : a;
  const int track = length - 2 * arrow;
  parts.SubLine = Span(o, 0, arrow);
  parts.AddLine = Span(o, length - arrow, length);
  parts.Groove = Span(o, arrow, length - arrow);
  // The thumb: Qt's length for the page (the whole track for an empty range), at least 8 where
  // the track allows, placed by the value; 64-bit so ranges near the int limits hold.
  const qint64 range = qint64(o.maximum) - qint64(o.minimum);
  qint64 thumb = track;
  if (range > 0 && track > 0) thumb = qint64(qMax(0, o.pageStep)) * track / (range + qMax(0, o.pageStep));
  thumb = qBound<qint64>(qint64(qMin(8, qMax(0, track))), thumb, qint64(qMax(0, track)));
  int start = arrow;
  if (range > 0 && track > thumb) {
    const qint64 span = track - thumb;
    qint64 pos = qBound<qint64>(0, qint64(o.sliderPosition) - o.minimum, range);
    if (o.upsideDown) pos = range - pos;
    start += int(pos * span / range);
  }
  parts.Slider = Span(o, start, start + int(thumb));
  parts.SubPage = Span(o, arrow, start);
  parts.AddPage = Span(o, start + int(thumb), length - arrow);
  if (Along(o)) {
    // Right to left the bar is mirrored, as Qt's own bars are.
    for (QRect* r : {&parts.SubLine, &parts.AddLine, &parts.Groove, &parts.Slider, &parts.SubPage, &parts.AddPage})
      *r = QStyle::visualRect(o.direction, o.rect, *r);
  }
  return parts;
}

QRect TScrollbarSx::PartRect(const QStyleOptionSlider& o, QStyle::SubControl sc, int a) {
  const TParts parts = Parts(o, a);
  switch (sc) {
    case QStyle::SC_ScrollBarSubLine: return parts.SubLine;
    case QStyle::SC_ScrollBarAddLine: return parts.AddLine;
    case QStyle::SC_ScrollBarGroove: return parts.Groove;
    case QStyle::SC_ScrollBarSlider: return parts.Slider;
    case QStyle::SC_ScrollBarSubPage: return parts.SubPage;
    case QStyle::SC_ScrollBarAddPage: return parts.AddPage;
    case QStyle::SC_ScrollBarFirst:
    case QStyle::SC_ScrollBarLast: return QRect();
    default: return o.rect;
  }
}

void TScrollbarSx::Paint(const TSkinControl* skinner, QPainter* p, const QStyleOptionSlider& o) {
  const auto data = skinner ? skinner->Data() : nullptr;
  if (!p || !HasStrip(data.get()) || o.rect.isEmpty()) return;
  const bool horizontal = Along(o);
  const bool enabled = o.state & QStyle::State_Enabled;
  const bool sunken = o.state & QStyle::State_Sunken;
  const bool over = o.state & QStyle::State_MouseOver;
  // +1 pressed (also while a held arrow repeats), +hot when the mouse is over it.
  auto state = [&](QStyle::SubControl sc, int hot) {
    if (!enabled || !(o.activeSubControls & sc)) return 0;
    if (sunken) return 1;
    return over ? hot : 0;
  };
  const TParts parts = Parts(o, ArrowSize(data.get()));
  const QImage& strip = data->Scrollbar->Bitmap;
  p->save();
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p->fillRect(o.rect, skinner->ButtonFace());
  const TDataSkinObject* track = horizontal ? data->HorzScroll.get() : data->VertScroll.get();
  if (track && track->HasImage() && !parts.Groove.isEmpty())
    skinner->DrawElement(p, parts.Groove, 4, enabled ? 1 : 3, track);
  // Each arrow shows the way it points on screen: the left one is the left arrow also when a
  // right-to-left bar puts the first arrow on the right.
  const bool mirrored = horizontal && o.direction == Qt::RightToLeft;
  const int first = horizontal ? (mirrored ? sfRightArrow : sfLeftArrow) : sfUpArrow;
  const int second = horizontal ? (mirrored ? sfLeftArrow : sfRightArrow) : sfDownArrow;
  if (o.subControls & QStyle::SC_ScrollBarSubLine)
    TSkinControl::DrawStripFrameCanvas(p, parts.SubLine, sfStripFrames, first + state(QStyle::SC_ScrollBarSubLine, 3),
                                       strip);
  if (o.subControls & QStyle::SC_ScrollBarAddLine)
    TSkinControl::DrawStripFrameCanvas(p, parts.AddLine, sfStripFrames,
                                       second + state(QStyle::SC_ScrollBarAddLine, 3), strip);
  // A disabled bar has no thumb.
  if (enabled && (o.subControls & QStyle::SC_ScrollBarSlider) && !parts.Slider.isEmpty() &&
      o.rect.contains(parts.Slider)) {
    const int s = state(QStyle::SC_ScrollBarSlider, 2);
    const TDataSkinObject* thumb = horizontal ? data->HorzScrollThumb.get() : data->VertScrollThumb.get();
    if (thumb && thumb->HasImage()) skinner->DrawElement(p, parts.Slider, thumb->FrameCount(), 1 + s, thumb);
    const int c = strip.height();
    const int length = horizontal ? parts.Slider.width() : parts.Slider.height();
    if (c < length + 2) {
      const int at = (length - c) / 2;
      const QRect grip = horizontal ? QRect(parts.Slider.left() + at, parts.Slider.top(), c, parts.Slider.height())
                                    : QRect(parts.Slider.left(), parts.Slider.top() + at, parts.Slider.width(), c);
      if (o.rect.contains(grip))
        TSkinControl::DrawStripFrameCanvas(p, grip, sfStripFrames, (horizontal ? sfHorzGrip : sfVertGrip) + s,
                                           strip);
    }
  }
  p->restore();
}

// ---- the shared hooks ------------------------------------------------------------------------

bool TScrollBarsSkin::CanSkin() const {
  const auto data = Data();
  return TScrollbarSx::HasStrip(data.get());
}

bool TScrollBarsSkin::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl cc,
                                         const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  if (cc != QStyle::CC_ScrollBar) return false;
  const auto* o = qstyleoption_cast<const QStyleOptionSlider*>(opt);
  if (!o || !Skins(w)) return false;
  TScrollbarSx::Paint(this, p, *o);
  return true;
}

bool TScrollBarsSkin::subControlRect(const TSkinStyle*, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                     QStyle::SubControl sc, const QWidget* w, QRect& out) {
  if (cc != QStyle::CC_ScrollBar) return false;
  const auto* o = qstyleoption_cast<const QStyleOptionSlider*>(opt);
  if (!o || !Skins(w)) return false;
  const auto data = Data();
  out = TScrollbarSx::PartRect(*o, sc, TScrollbarSx::ArrowSize(data.get()));
  return true;
}

bool TScrollBarsSkin::pixelMetric(const TSkinStyle*, QStyle::PixelMetric pm, const QStyleOption*, const QWidget* w,
                                  int& out) {
  if (!Skins(w)) return false;
  if (pm == QStyle::PM_ScrollBarExtent) {
    const auto data = Data();
    out = TScrollbarSx::ArrowSize(data.get());
    return true;
  }
  if (pm == QStyle::PM_ScrollBarSliderMin) {
    out = 8;
    return true;
  }
  return false;
}

bool TScrollBarsSkin::Skins(const QWidget* w) const {
  // In single-bar mode the horizontal bar stays plain.
  return qobject_cast<const QScrollBar*>(w) && !(singleBar_ && HorzBar && HorzBar->Bar() == w);
}

void TScrollBarsSkin::MakeBars(QWidget* area) {
  FreeBars();
  if (auto* a = qobject_cast<QAbstractScrollArea*>(area)) {
    HorzBar = new TScrollbarSx(this, a->horizontalScrollBar());
    VertBar = new TScrollbarSx(this, a->verticalScrollBar());
  }
  Relayout();
}

void TScrollBarsSkin::Relayout() {
  for (TScrollbarSx* b : {HorzBar, VertBar}) {
    if (!b || !b->Bar()) continue;
    b->Bar()->setAttribute(Qt::WA_Hover, true);
    // The bar's thickness follows the skin's arrows: its size hint and the area's layout.
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(b->Bar(), &change);
    b->Bar()->updateGeometry();
    b->Invalidate();
  }
}

void TScrollBarsSkin::FreeBars() {
  delete HorzBar;
  delete VertBar;
  HorzBar = VertBar = nullptr;
}

void TScrollBarsSkin::DoneControl() {
  const bool alive = state_ != csDestroyed;
  TSkinControl::DoneControl();
  if (!alive) return;
  // The bars go back to the plain thickness.
  Relayout();
  FreeBars();
}

// ---- scroll areas ---------------------------------------------------------------------------

TSkinScrollbar::TSkinScrollbar(QWidget* control, const TSkinKindArgs& args)
    : TScrollBarsSkin(control) {
  singleBar_ = args.Extended;
}

void TSkinScrollbar::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  setColor_ = setColor;
  InitScrollbar(hwnd_, skin, formSkin);
}

void TSkinScrollbar::InitScrollbar(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_ || !control) return;
  skin_ = skin;
  formSkin_ = formSkin;
  hwnd_ = control_ = control;
  Register();
  // No border for an area drawn without a frame.
  auto* frame = qobject_cast<QFrame*>(control);
  drawBorder_ = frame && frame->frameShape() != QFrame::NoFrame;
  ApplyFixedColor();
  MakeBars(control);
  Attach();
}

void TSkinScrollbar::ApplyFixedColor() {
  auto* grid = qobject_cast<QTableView*>(control_.data());
  if (!grid) return;
  for (QWidget* h : {static_cast<QWidget*>(grid->horizontalHeader()), static_cast<QWidget*>(grid->verticalHeader())}) {
    if (!h) continue;
    fixed_.append({h, h->testAttribute(Qt::WA_SetPalette) ? h->palette() : QPalette()});
    QPalette pal = h->palette();
    pal.setColor(QPalette::Button, ButtonFace());
    h->setPalette(pal);
  }
  setColor_ = setColor_ || !fixed_.isEmpty();
}

void TSkinScrollbar::RestoreFixedColor() {
  for (auto& [h, pal] : fixed_)
    if (h) h->setPalette(pal);
  fixed_.clear();
}

void TSkinScrollbar::UpdateSkin() {
  for (auto& [h, pal] : fixed_) {
    if (!h) continue;
    QPalette now = h->palette();
    now.setColor(QPalette::Button, ButtonFace());
    h->setPalette(now);
  }
  TScrollBarsSkin::UpdateSkin();
  Relayout();
}

void TSkinScrollbar::DoneControl() {
  if (state_ != csDestroyed) RestoreFixedColor();
  TScrollBarsSkin::DoneControl();
}

void TSkinScrollbar::AfterDefault(wm::Message& m) {
  if (m.msg == WM_SKINPRINTBORDER && m.lParam == 0x41A2) {
    if (m.wParam && hwnd_) DrawBorder(reinterpret_cast<QPainter*>(m.wParam), hwnd_->rect());
    m.result = 0x41A2;
    return;
  }
  TScrollBarsSkin::AfterDefault(m);
}

void TSkinScrollbar::DrawBorder(QPainter* dc, const QRect& rect) const {
  const auto data = Data();
  if (!dc || !data || rect.width() < 2 || rect.height() < 2) return;
  dc->save();
  dc->setBrush(Qt::NoBrush);
  dc->setPen(ToQColor(data->Colour(scButtonShadow)));
  dc->drawRect(rect.adjusted(0, 0, -1, -1));
  dc->setPen(ButtonFace());
  dc->drawRect(rect.adjusted(1, 1, -2, -2));
  dc->restore();
}

bool TSkinScrollbar::drawPrimitive(const TSkinStyle*, QStyle::PrimitiveElement pe, const QStyleOption* opt,
                                   QPainter* p, const QWidget* w) {
  if (pe == QStyle::PE_Frame && w == control_ && drawBorder_) {
    DrawBorder(p, opt->rect);
    return true;
  }
  if (pe == QStyle::PE_PanelScrollAreaCorner) {
    FillButtonFace(p, opt->rect);
    return true;
  }
  return false;
}

bool TSkinScrollbar::pixelMetric(const TSkinStyle* style, QStyle::PixelMetric pm, const QStyleOption* opt,
                                 const QWidget* w, int& out) {
  if (pm == QStyle::PM_DefaultFrameWidth && w == control_ && drawBorder_) {
    out = 2;
    return true;
  }
  return TScrollBarsSkin::pixelMetric(style, pm, opt, w, out);
}

// ---- bare scroll areas, stand-alone bars, combo lists --------------------------------------

void TSkinScrollbarH::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_ || !handle) return;
  skin_ = skin;
  MakeBars(handle);
  TScrollBarsSkin::InitWindow(handle, skin, formSkin);
}

void TSkinScControl::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  setColor_ = setColor;
  InitScrollControl(hwnd_, skin, formSkin);
}

void TSkinScControl::InitScrollControl(QWidget* control, TSXSkin* skin, TFormSkinner* formSkin) {
  auto* bar = qobject_cast<QScrollBar*>(control);
  if (initialized_ || !bar) return;
  // A stand-alone bar is painted by the same hooks as an area's; the slot that matches its
  // orientation holds it.
  (bar->orientation() == Qt::Horizontal ? HorzBar : VertBar) = new TScrollbarSx(this, bar);
  TSkinControl::InitControl(formSkin, skin, setColor_);
}

void TComboxScrollBar::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_ || !handle) return;
  skin_ = skin;
  MakeBars(handle);
  TScrollBarsSkin::InitWindow(handle, skin, formSkin);
}

ORVANE_SKIN_KIND_ARGS(TSkinScrollbar)
ORVANE_SKIN_KIND(TSkinScrollbarH)
ORVANE_SKIN_KIND(TSkinScControl)
ORVANE_SKIN_KIND(TComboxScrollBar)

}  // namespace orvane::skin
