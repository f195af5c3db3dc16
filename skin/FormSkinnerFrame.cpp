// The skinned frame of a window: the client kept inside the skin borders and the menu bar,
// hit codes for the title bar and the menu row, the frame composed into one image of the
// window's size (sides, title bar with caption and caption buttons, menu bar) and drawn from
// it, the window region traced from the see-through pixels of the borders.
#include <QMenuBar>
#include <QPainter>

#include "platform/forms/form.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinStore.h"
#include "skin/imgutil.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {

constexpr qintptr WVR_VALIDRECTS = 0x400;

// Every pixel of a frame strip is painted opaque (the see-through parts in the key colour, which
// the region leaves out): without an alpha channel a strip is copied to the window as it is.
constexpr QImage::Format StripFormat = QImage::Format_RGB32;

// A rectangle from its edges, the right and bottom ones outside it (widths may come out
// negative for a window smaller than its borders).
QRect Edges(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }

// The same clipped to the window: never inverted, possibly empty.
QRect Clipped(const QRect& r, const QSize& window) {
  if (r.width() <= 0 || r.height() <= 0) return QRect();
  return r & QRect(QPoint(0, 0), window);
}

// Images and regions of frames already built, shared by every window of the program: a switch
// of the skin makes a new skinner for each open window, mostly of sizes built before. An entry
// holds only a weak reference to its skin data, so one of a freed skin is never taken for one
// of a new skin at the same address.
template <typename Key, typename Value>
class SharedFrameCache {
 public:
  const Value* Find(const std::shared_ptr<const TSkinData>& data, const Key& key) const {
    for (const Entry& e : entries_)
      if (e.key == key && !e.data.expired() && e.data.lock() == data) return &e.value;
    return nullptr;
  }
  const Value& Insert(const std::shared_ptr<const TSkinData>& data, const Key& key, Value value) {
    entries_.removeIf([](const Entry& e) { return e.data.expired(); });  // those of a skin gone
    if (entries_.size() >= kLimit) entries_.removeFirst();
    entries_.append(Entry{data, key, std::move(value)});
    return entries_.last().value;
  }
  void Clear() { entries_.clear(); }

 private:
  static constexpr qsizetype kLimit = 96;
  struct Entry {
    std::weak_ptr<const TSkinData> data;
    Key key;
    Value value;
  };
  QList<Entry> entries_;
};

struct SideKey {
  int side, frame;
  QSize size;
  bool operator==(const SideKey&) const = default;
};

struct RegionKey {
  QSize size;
  QMargins borders;
  int frameKind;
  bool active;
  bool operator==(const RegionKey&) const = default;
};

SharedFrameCache<SideKey, QImage>& SideImages() {
  static SharedFrameCache<SideKey, QImage> cache;
  return cache;
}

SharedFrameCache<RegionKey, QRegion>& Regions() {
  static SharedFrameCache<RegionKey, QRegion> cache;
  return cache;
}

const TDataSkinBorder* SideElement(const TSkinData& d, int side) {
  switch (side) {
    case 1: return &d.Border(bsLeft);
    case 2: return &d.Border(bsRight);
    case 3: return &d.Border(bsTop);
    case 4: return &d.Border(bsBottom);
    default: return nullptr;
  }
}

}  // namespace

// The nine-slice image of one side at the given size, in the frame for the window's state;
// the last one of each side is kept (the region and the painting ask for the same).
const QImage& TFormSkinner::SideBitmap(int side, const QSize& size) {
  const TDataSkinBorder& e = *SideElement(*data_, side);
  const int frame = e.FrameCount() == 1 || active_ ? 1 : 2;
  SideCache& c = sideCache_[side - 1];
  if (c.image.size() != size || c.frame != frame || c.data != data_.get()) {
    const SideKey key{side, frame, size};
    const QImage* built = SideImages().Find(data_, key);
    if (!built)
      built = &SideImages().Insert(
          data_, key,
          BuildSkinBitmap(size, e.Bitmap, e.Margins(), side == 3 || side == 4, e.Tile != 1, e.FrameCount(), frame));
    c = SideCache{*built, frame, data_.get()};
  }
  return c.image;
}

void TFormSkinner::ForgetSharedFrames() {
  SideImages().Clear();
  Regions().Clear();
}

// ---- metrics ---------------------------------------------------------------------------------

void TFormSkinner::CalcNCSize(wm::Message& m) {
  auto* rect = reinterpret_cast<QRect*>(m.lParam);
  const QRect window = rect ? *rect : QRect();
  wm::CallPrevious(link_, m);
  if (!rect) {
    m.result = 0;
    return;
  }
  const bool mdiChildNotNormal = windowKind_ == wkMDIChild && showState_ != ssNormal;
  if (!mdiChildNotNormal && frameKind_ != fkNone)
    *rect = QRect(window.x() + borders_.left(), window.y() + borders_.top() + menuBarHeight_,
                  window.width() - borders_.left() - borders_.right(),
                  window.height() - borders_.top() - menuBarHeight_ - borders_.bottom());
  m.result = WVR_VALIDRECTS;
}

void TFormSkinner::NCHitTest(wm::Message& m) {
  wm::CallPrevious(link_, m);
  if (m.result != wm::HTNOWHERE && m.result != wm::HTCAPTION) return;
  const QPoint screen = wm::PointFromParam(m.lParam);
  // Only points on the window: outside it nothing is hit.
  if (!hwnd_ || !wm::GetWindowRect(hwnd_).contains(screen)) return;
  const QPoint pt = WindowPoint(screen);
  if (pt.y() > 3) m.result = wm::HTCAPTION;
  if (pt.y() > borders_.top() && menuBarHeight_ > 0) m.result = wm::HTMENU;
}

// ---- painting --------------------------------------------------------------------------------

void TFormSkinner::SetSysMenuStyle(bool strip) {
  if (!hwnd_ || (buttonBits_ & bbKeepSystemMenu)) return;
  quint32 style = wm::GetWindowLong(hwnd_, wm::GWL_STYLE);
  const quint32 before = style;
  if (strip)
    style &= ~wm::WS_SYSMENU;
  else if (buttonBits_ & bbSystemMenu)
    style |= wm::WS_SYSMENU;
  if (style != before) wm::SetWindowLong(hwnd_, wm::GWL_STYLE, style);
  style_ = style;
}

void TFormSkinner::InvalidateFrame() {
  frameDirty_ = true;
  if (QWidget* w = hwnd_) w->update(QRegion(w->rect()) - w->contentsRect());
}

void TFormSkinner::NCPaint(wm::Message& m) {
  SetSysMenuStyle(true);
  m.result = 0;
  if (skin_ && !skin_->FramePainting) return;
  if ((windowKind_ == wkMDIChild && showState_ == ssMaximized) || frameKind_ == fkNone) {
    wm::CallPrevious(link_, m);
    return;
  }
  QWidget* w = hwnd_;
  // A minimised window is not on the screen.
  if (!w || w->isMinimized()) return;
  QPainter* dc = wm::GetWindowDC(w);
  if (!dc) {
    InvalidateFrame();
    return;
  }
  if (m.wParam == 1 || frameDirty_ || frameSize_ != w->size() || frameActive_ != active_) {
    PaintFrame(dc);
    return;
  }
  // An object's own repaint: the frame as composed, the object under the mouse in its state.
  DrawFrameImage(*dc);
  if (hot_) hot_->Paint();
}

void TFormSkinner::PaintFrame(QPainter* dc) {
  QWidget* w = hwnd_;
  if (!w || !data_ || (lifeState_ != lsAttached && lifeState_ != lsReapplying) || frameKind_ == fkNone ||
      (windowKind_ == wkMDIChild && showState_ == ssMaximized))
    return;
  if (!dc) dc = wm::GetWindowDC(w);
  if (!dc) {
    InvalidateFrame();
    return;
  }
  const int W = w->width(), H = w->height();
  try {
    const int L = borders_.left(), T = borders_.top(), R = borders_.right(), B = borders_.bottom();
    const std::array<QRect, 4> rects = FrameStripRects(w);
    for (size_t i = 0; i < rects.size(); ++i) {
      FrameStrip& strip = frameStrips_[i];
      if (strip.rect != rects[i] || strip.image.isNull() != rects[i].isEmpty()) {
        strip.rect = rects[i];
        strip.image = rects[i].isEmpty() ? QImage() : QImage(rects[i].size(), StripFormat);
        strip.image.fill(Qt::transparent);
      }
      if (strip.image.isNull()) continue;
      // Each strip is painted in window coordinates; what falls outside it is clipped away.
      QPainter p(&strip.image);
      p.translate(-strip.rect.topLeft());
      if (showState_ == ssMinimized) {
        PaintTitle(p);
        continue;
      }
      if (i != 2) PaintBorderSide(1, Edges(0, 0, L, H), p);
      if (i != 1) PaintBorderSide(2, Edges(W - R, 0, W, H), p);
      if (i == 3) PaintBorderSide(4, Edges(L, H - B, W - R, H), p);
      if (i == 0) {
        PaintTitle(p);
        if (menuBarHeight_ > 0) PaintMenuBar(p, Edges(L, T, W - R, T + menuBarHeight_));
      }
    }
    frameSize_ = w->size();
    frameActive_ = active_;
    frameDirty_ = false;
    DrawFrameImage(*dc);
  } catch (...) {
    // A frame that cannot be painted leaves the window as it is.
  }
  hot_ = nullptr;
}

std::array<QRect, 4> TFormSkinner::FrameStripRects(const QWidget* w) {
  const QRect c = w->contentsRect();
  const int W = w->width(), H = w->height();
  std::array<QRect, 4> rects = {Edges(0, 0, W, c.top()), Edges(0, c.top(), c.left(), c.bottom() + 1),
                                Edges(c.right() + 1, c.top(), W, c.bottom() + 1), Edges(0, c.bottom() + 1, W, H)};
  for (QRect& r : rects)
    if (r.width() <= 0 || r.height() <= 0) r = QRect();
  return rects;
}

void TFormSkinner::DrawFrameImage(QPainter& dc) {
  QWidget* w = hwnd_;
  if (!w) return;
  // The four strips around the client, copied as they are (every frame pixel is opaque).
  dc.save();
  dc.setCompositionMode(QPainter::CompositionMode_Source);
  const std::array<QRect, 4> rects = FrameStripRects(w);
  for (size_t i = 0; i < rects.size(); ++i) {
    const FrameStrip& strip = frameStrips_[i];
    if (!rects[i].isEmpty() && strip.rect == rects[i] && !strip.image.isNull())
      DrawImageBanded(dc, strip.rect, strip.image, strip.image.rect());
  }
  dc.restore();
}

void TFormSkinner::PaintMenuBar(QPainter& p, const QRect& rect) {
  if (rect.width() <= 0 || rect.height() <= 0) return;
  if (menuBar_) {
    menuBar_->LayoutItems();
    menuBar_->Paint(p, rect);
  } else {
    p.fillRect(rect, ToQColor(data_->Colour(scButtonFace)));
  }
}

void TFormSkinner::PaintBorderSide(int side, const QRect& rect, QPainter& p) {
  if (!data_ || rect.width() < 0 || rect.height() < 0) return;
  const TDataSkinBorder* e = SideElement(*data_, side);
  if (!e || rect.isEmpty()) return;
  const QImage& side9 = SideBitmap(side, rect.size());
  // An opaque copy: see-through pixels are the key colour, which the region leaves out.
  FillRectBanded(p, rect, QColor(255, 0, 255));
  DrawImageBanded(p, QRect(rect.topLeft(), side9.size()), side9, side9.rect());
}

void TFormSkinner::PaintTitle(QPainter& p) {
  QWidget* w = hwnd_;
  if (!w || !data_) return;
  const int W = w->width(), T = borders_.top();
  QRect g;
  p.save();
  if (showState_ != ssMinimized) {
    p.setClipRect(QRect(0, 0, W, T));
    g = Edges(borders_.left(), 0, W - borders_.right(), T);
  } else {
    p.fillRect(w->rect(), ToQColor(data_->Colour(scButtonFace)));
    g = Edges(0, 0, W, T);
  }
  PaintBorderSide(3, g, p);
  PaintCaption(p, g);
  LayoutSysButtons();
  PaintSysButtons(p);
  p.restore();
}

void TFormSkinner::PaintCaption(QPainter& p, const QRect& g) {
  if (!hwnd_ || !data_) return;
  const TDataSkinTitle& title = *data_->Title;
  quint32 flags = DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (rightToLeft_) flags |= DT_RIGHT | DT_RTLREADING;
  // The whole window text, however long: the ellipsis shortens what is shown.
  const QString text = CaptionLead() + wm::GetWindowText(hwnd_) + CaptionTail();
  widestRight_ = 0;
  for (int i = 0; i < static_cast<int>(sysButtons_.size()); ++i) {
    const TWinSysButton* b = sysButtons_[static_cast<size_t>(i)];
    if (b->Record()->Align == 1 && !b->Image.isNull() && IsSysButtonVisible(i))
      widestRight_ = std::max(widestRight_, b->Record()->Xcoord);
  }
  p.save();
  p.setFont(captionFont_);
  p.setPen(ToQColor(data_->Colour(active_ ? scTitleTextActive : scTitleTextNoActive)));
  QRect tr = g;
  SkinDrawText(&p, text, tr, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
  tr.setWidth(tr.width() + title.TXTBackleft + title.TXTBackRight);
  const int gw = g.width(), tw = tr.width(), gh = g.height(), th = tr.height();
  int dx = 0;
  if (!rightToLeft_) {
    switch (title.TextAlignment) {
      case 0: dx = title.TextShift(); break;
      case 1: dx = (gw - tw) / 2; break;
      case 2: dx = gw - title.TextRightClip() - tw; break;
      default: break;
    }
  } else {
    switch (title.TextAlignment) {
      case 0: dx = gw - widestRight_ - tw; break;
      case 1: dx = (gw - tw - widestRight_) / 2; break;
      case 2: dx = title.TextShift(); break;
      default: break;
    }
  }
  const int dy = (gh - th) / 2 + title.TextShiftVert() / 2;
  tr.translate(dx, dy);
  if (rightToLeft_ && dx <= 0) tr.setLeft(title.TextShift());
  const int gRight = g.x() + g.width();
  auto setRight = [&tr](int right) { tr.setWidth(right - tr.x()); };
  if (!(style_ & wm::WS_POPUP)) {
    if (!rightToLeft_)
      setRight(gRight - title.TextRightClip());
    else
      tr.translate(10, 0);
  } else if (!rightToLeft_) {
    const int clip = gRight - widestRight_ - 5;
    if (clip < tr.x() + tr.width() && widestRight_ >= 6) setRight(clip);
  } else {
    tr.translate(10, 0);
  }
  if (frameKind_ == fkDialog && title.TextAlignment == 0) tr.setLeft(tr.x() - 16);
  captionRect_ = tr;
  if (title.HasImage())
    DrawTiledThreePart(p, Edges(tr.x(), g.y(), tr.x() + tr.width(), g.y() + g.height()), title.Bitmap, true, true, 2,
                       active_ ? 1 : 2, QMargins(title.TXTBackleft, 0, title.TXTBackRight, 0));
  QRect textRect = Edges(tr.x() + title.TXTBackleft, tr.y(), tr.x() + tr.width() - title.TXTBackRight, tr.y() + tr.height());
  if (textRect.width() > 0) {
    if (rightToLeft_) p.setLayoutDirection(Qt::RightToLeft);
    SkinDrawText(&p, text, textRect, flags);
  }
  p.restore();
}

void TFormSkinner::PaintSysButtons(QPainter& p) {
  for (const TWinSysButton* b : sysButtons_) {
    if (!b->Visible || b->Image.isNull() || b->Record()->Visibility == 100) continue;
    int frame = active_ && b->Enabled ? 1 : 4;
    if (b->Frames < 4) frame = 1;
    b->Draw(p, frame);
  }
}

// ---- region ----------------------------------------------------------------------------------

void TFormSkinner::ClearRegion() {
  if (hwnd_ && regionSet_) wm::SetWindowRgn(hwnd_, QRegion(), windowKind_ == wkMDIChild);
  regionSet_ = false;
  regionSize_ = QSize();
}

void TFormSkinner::UpdateRegion() {
  QWidget* w = hwnd_;
  // A region shapes only a frame the skin draws; a native frame keeps the window rectangular.
  if (!w || lifeState_ == lsDestroyed || !frameSkinned_ || !data_ || !wm::HasOwnNonClient(w)) return;
  const QSize size = w->size();
  if (size.isEmpty()) return;
  if (windowKind_ == wkMDIChild && showState_ != ssNormal) return;
  if (size == regionSize_ && windowKind_ != wkMDIChild && lifeState_ != lsReapplying) return;
  const TSkinData& d = *data_;
  const bool anyTrans = d.Border(bsLeft).Trans || d.Border(bsRight).Trans || d.Border(bsTop).Trans ||
                        d.Border(bsBottom).Trans;
  const QRect whole(QPoint(0, 0), size);
  if (!anyTrans) {
    regionSize_ = QSize();
    wm::SetWindowRgn(w, QRegion(whole), true);
    regionSet_ = true;
    return;
  }
  regionSize_ = size;
  const RegionKey key{size, borders_, frameKind_, active_};
  if (const QRegion* known = Regions().Find(data_, key)) {
    wm::SetWindowRgn(w, *known, true);
    regionSet_ = true;
    return;
  }
  const int W = size.width(), H = size.height();
  const int L = borders_.left(), T = borders_.top(), R = borders_.right(), B = borders_.bottom();
  QRegion region(Clipped(Edges(L, T, W - R, H - B), size));
  if (frameKind_ != fkNone) {
    // One side: its traced bitmap when it has see-through pixels and room to trace, else its
    // rectangle; always inside the window.
    auto part = [&](int side, const QRect& rect, bool trace) -> QRegion {
      const QRect r = Clipped(rect, size);
      if (r.isEmpty()) return QRegion();
      if (!trace) return QRegion(r);
      return CreateRegionFromBitmap(SideBitmap(side, rect.size()), rect.x(), rect.y(), 1, 1, 1, KeyColour) & r;
    };
    const int strip = W - L - R;
    const QRegion left = part(1, Edges(0, 0, L, H), d.Border(bsLeft).Trans && H >= 2);
    const QRegion right = part(2, Edges(W - R, 0, W, H), d.Border(bsRight).Trans && H >= 2);
    const QRegion bottom = part(4, Edges(L, H - B, W - R, H), d.Border(bsBottom).Trans && B >= 2 && strip > 0);
    const QRegion top = part(3, Edges(L, 0, W - R, T), d.Border(bsTop).Trans && T >= 2 && strip > 0);
    region |= (top | bottom) | (left | right);
  }
  Regions().Insert(data_, key, region);
  wm::SetWindowRgn(w, region, true);
  regionSet_ = true;
}

// ---- the parent's background under a control -----------------------------------------------

void PaintParentBackground(QWidget* control, QPainter& painter) {
  QWidget* parent = control ? control->parentWidget() : nullptr;
  if (!parent) return;
  painter.save();
  try {
    parent->render(&painter, QPoint(0, 0), QRegion(control->geometry()), QWidget::DrawWindowBackground);
  } catch (...) {
    // The control paints over whatever the parent left.
  }
  painter.restore();
}

}  // namespace orvane::skin
