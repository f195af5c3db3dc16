// TFlatTrackBar: properties, painting, keyboard and mouse control of the flat slider.
#include "controls/flatTrkBar.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <exception>

#include "controls/flatGrafx.h"
#include "controls/qtpagetimer.h"

namespace orvane::controls {

namespace {

constexpr int kFirstPageDelayMs = 200;
constexpr int kPageRepeatMs = 100;

qint64 clamp64(qint64 v, qint64 lo, qint64 hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The first and the last multiple of step within [lo, hi]; false when there is none.
bool multiplesWithin(qint64 lo, qint64 hi, qint64 step, qint64& first, qint64& last) {
  const qint64 rlo = lo % step;
  first = rlo == 0 ? lo : (rlo > 0 ? lo + (step - rlo) : lo - rlo);
  const qint64 rhi = hi % step;
  last = rhi == 0 ? hi : (rhi > 0 ? hi - rhi : hi - rhi - step);
  return first <= last;
}

QCursor loadCursor(const char* name) {
  const QPixmap pixmap(QStringLiteral(":/controls/%1.xpm").arg(QLatin1String(name)));
  if (pixmap.isNull()) {
    qWarning("TFlatTrackBar: cursor %s is missing from the resources", name);
    return QCursor(Qt::ArrowCursor);
  }
  return QCursor(pixmap, pixmap.width() / 2 - 1, pixmap.height() / 2 - 1);
}

}  // namespace

TFlatTrackBar::TFlatTrackBar(QWidget* AOwner) : QWidget(AOwner) {
  FlatColorsInit();
  resize(200, 35);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  SetPageTimer(std::make_unique<QtPageTimer>(kFirstPageDelayMs));
  LoadThumbBitmaps();
  HCursor = loadCursor("QXTRKBAR_H_CURSOR");
  VCursor = loadCursor("QXTRKBAR_V_CURSOR");
}

TFlatTrackBar::~TFlatTrackBar() = default;

void TFlatTrackBar::SetPageTimer(std::unique_ptr<PageTimer> timer) {
  if (!timer) {
    qWarning("TFlatTrackBar: no paging timer given; the present one is kept");
    return;
  }
  FPageTimer = std::move(timer);
  resetPageTimer();
  FPageTimer->OnTimer = [this] { PageTimerTick(); };
}

// Off, and the first repeat waits the longer delay again.
void TFlatTrackBar::resetPageTimer() {
  FPageTimer->SetEnabled(false);
  FPageTimer->SetInterval(kFirstPageDelayMs);
}

// ---- properties ----

TColor TFlatTrackBar::Color() const {
  return FParentColor ? TColor::FromQColor(palette().color(backgroundRole())) : FColor;
}

void TFlatTrackBar::MarkDirty() { BufferDirty = true; }

void TFlatTrackBar::SetCustomThumb(const QImage& Value) {
  // Any new custom image switches to the custom style (without the track-width rule).
  FCustomThumb = Value;
  FThumbStyle = tsCustom;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetHighlightColor(TColor Value) {
  if (Value == FHighlightColor) return;
  FHighlightColor = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetHotTrackColor(TColor Value) {
  if (Value == FHotTrackColor) return;
  FHotTrackColor = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetHotTrackColorType(THotTrackColorType Value) {
  if (Value == FHotTrackColorType) return;
  FHotTrackColorType = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

// Max and Min never meet: the setter that would make them equal or crossed moves its own value
// one past the other end. The ticks depend on both, so the background is rebuilt.
void TFlatTrackBar::SetMax(int Value) {
  FMax = Value <= FMin ? FMin + 1 : Value;  // Min < Max always holds, so Min + 1 cannot overflow
  if (FMax < FPosition) {
    SetPosition64(FMax);
    if (FPosition > FMax) {
      // A refused change must not leave the position outside the range.
      FPosition = FMax;
      Change();
    }
  }
  MarkDirty();
  update();
}

void TFlatTrackBar::SetMin(int Value) {
  FMin = Value >= FMax ? FMax - 1 : Value;
  if (FMin > FPosition) {
    SetPosition64(FMin);
    if (FPosition < FMin) {
      FPosition = FMin;
      Change();
    }
  }
  MarkDirty();
  update();
}

void TFlatTrackBar::SetOrientation(TOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetPointerType(TPointerType Value) {
  if (Value == FPointerType) return;
  FPointerType = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetPosition(int Value) { SetPosition64(Value); }

void TFlatTrackBar::SetPosition64(qint64 Value) {
  const qint64 v = clamp64(Value, FMin, FMax);
  // The given value is compared, not the clamped one: a value past the end while the thumb
  // already sits there still reports a change.
  if (Value == FPosition) return;
  if (!CanChange(int(v))) return;
  FPosition = int(v);
  if (!BufferDirty) {
    // The thumb moves: repaint where it was and where it goes.
    const QRect next = CalcThumbRect();
    update(ThumbRect);
    update(next);
    ThumbRect = next;
  } else {
    update();
  }
  Change();
}

void TFlatTrackBar::SetShowTicks(bool Value) {
  if (Value == FShowTicks) return;
  FShowTicks = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetThumbStyle(TThumbStyle Value) {
  FThumbStyle = Value;
  FTrackWidth = (Value == tsMixer || Value == tsFlat) ? 6 : 8;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTickColor(TColor Value) {
  if (Value == FTickColor) return;
  FTickColor = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTickStep(int Value) {
  if (Value < 1) {
    qWarning("TFlatTrackBar: tick step %d is below 1; 1 is used", Value);
    Value = 1;
  }
  if (Value == FTickStep) return;
  FTickStep = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTickStyle(TTickStyle Value) {
  if (Value == FTickStyle) return;
  FTickStyle = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTrackColor(TColor Value) {
  if (Value == FTrackColor) return;
  FTrackColor = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTrackOffset(quint16 Value) {
  if (Value == FTrackOffset) return;
  FTrackOffset = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTrackFrame(TFrameStyle Value) {
  if (!IsFrameStyle(Value)) {
    qWarning("TFlatTrackBar: frame style %d cannot frame the track; the frame is kept", int(Value));
    return;
  }
  if (Value == FTrackFrame) return;
  FTrackFrame = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTrackFrameColor(TColor Value) {
  if (Value == FTrackFrameColor) return;
  FTrackFrameColor = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTrackWidth(quint16 Value) {
  FTrackWidth = Value < 4 ? 4 : Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  // An opaque bar paints every pixel; a transparent one lets Qt paint the parent first.
  setAttribute(Qt::WA_OpaquePaintEvent, !Value);
  MarkDirty();
  update();
}

void TFlatTrackBar::SetThemeAware(bool Value) {
  if (Value == FThemeAware) return;
  FThemeAware = Value;
  LoadThumbBitmaps();
  MarkDirty();
  update();
}

void TFlatTrackBar::SetColor(TColor Value) {
  FColor = Value;
  FParentColor = false;
  MarkDirty();
  update();
}

void TFlatTrackBar::SetParentColor(bool Value) {
  if (Value == FParentColor) return;
  FParentColor = Value;
  MarkDirty();
  update();
}

void TFlatTrackBar::LoadThumbBitmaps() {
  TThumbStyle style = FThumbStyle;
  if (FThemeAware && ThemeServicesEnabled()) {
    if (style == tsBox) style = tsXPBox;
    else if (style == tsPointer) style = tsXPPointer;
  }
  if (style == tsCustom) {
    Thumbs = ThumbBitmaps::FromCustom(FCustomThumb);
  } else {
    Thumbs = ThumbBitmaps::Load(style, FPointerType, FOrientation,
                                ThumbBitmaps::MakeRemapTable(FHighlightColor, FHotTrackColor, FHotTrackColorType));
  }
  const QSize size = Thumbs.Normal.size();
  ThumbLength = FOrientation == orHorizontal ? size.width() : size.height();
  ThumbBreadth = FOrientation == orHorizontal ? size.height() : size.width();
  ThumbHalf = ThumbLength / 2;
}

// ---- events of the bar ----

void TFlatTrackBar::Change() { emit OnChange(this); }

bool TFlatTrackBar::CanChange(int NewPos) {
  bool allow = true;
  if (OnChanging) OnChanging(this, NewPos, allow);
  return allow;
}

void TFlatTrackBar::DoDrawTrack(QPainter& Canvas, const QRect& Bounds) {
  if (OnDrawTrack) OnDrawTrack(this, Canvas, Bounds);
}

void TFlatTrackBar::DoDrawTick(QPainter& Canvas, const QPoint& Location, int Index) {
  if (OnDrawTick) OnDrawTick(this, Canvas, Location, Index);
}

bool TFlatTrackBar::KeyChangeAllowed(qint64) { return true; }

// ---- painting ----

void TFlatTrackBar::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QPainter canvas(this);
  Paint(canvas);
}

void TFlatTrackBar::Paint(QPainter& Canvas) {
  if (BufferDirty) RebuildBuffer();
  if (hasFocus() && FShowFocusRect) {
    if (FocusedBuffer.isNull()) FocusedBuffer = buildFocusedPicture();
    Canvas.drawImage(0, 0, FocusedBuffer);
  } else {
    Canvas.drawImage(0, 0, Buffer);
  }
  DrawThumb(Canvas);
}

// The focus rectangle lies under the track and the ticks, so the focused picture is built
// from the start instead of from the background bitmap. It is kept until the background is
// rebuilt: a bar takes the focus on every click, and moving the thumb must not rebuild it.
QImage TFlatTrackBar::buildFocusedPicture() {
  QImage image(size(), QImage::Format_RGB32);
  {
    QPainter p(&image);
    paintBackground(p);
  }
  drawFocusRect(image);
  QPainter p(&image);
  DrawTrack(p);
  if (FShowTicks) DrawTicks(p);
  return image;
}

void TFlatTrackBar::paintBackground(QPainter& canvas) {
  canvas.fillRect(rect(), ToQColor(Color()));
  if (FTransparent) PaintParentImage(this, canvas);
}

// The dotted focus rectangle inverts every other pixel of the client rectangle's border.
void TFlatTrackBar::drawFocusRect(QImage& image) const {
  const int w = image.width(), h = image.height();
  auto flip = [&image](int x, int y) {
    if (((x + y) & 1) == 0) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      line[x] ^= 0x00FFFFFF;
    }
  };
  for (int x = 0; x < w; ++x) {
    flip(x, 0);
    if (h > 1) flip(x, h - 1);
  }
  for (int y = 1; y < h - 1; ++y) {
    flip(0, y);
    if (w > 1) flip(w - 1, y);
  }
}

void TFlatTrackBar::RebuildBuffer() {
  BufferDirty = false;
  FocusedBuffer = QImage();
  if (width() <= 0 || height() <= 0) {
    Buffer = QImage();
    return;
  }
  if (Buffer.size() != size()) Buffer = QImage(size(), QImage::Format_RGB32);
  QPainter p(&Buffer);
  paintBackground(p);
  DrawTrack(p);
  if (FShowTicks) DrawTicks(p);
}

void TFlatTrackBar::DrawTrack(QPainter& Canvas) {
  if (FOrientation == orHorizontal) {
    TrackRect = RectLTRB(ThumbHalf + TrackIndent, FTrackOffset, width() - TrackIndent - ThumbHalf,
                         FTrackOffset + FTrackWidth);
  } else {
    TrackRect = RectLTRB(FTrackOffset, ThumbHalf + TrackIndent, FTrackOffset + FTrackWidth,
                         height() - TrackIndent - ThumbHalf);
  }
  if (OnDrawTrack) {
    DoDrawTrack(Canvas, TrackRect);
    return;
  }
  if (TrackRect.width() > 0 && TrackRect.height() > 0)
    Canvas.fillRect(TrackRect, ToQColor(isEnabled() ? FTrackColor : clBtnFace));
  QRect inner;
  if (FTrackFrame == fsFlat) DrawSides(Canvas, TrackRect, FTrackFrameColor, inner, 15, FTrackFrameColor);
  else DrawFrameStyleAll(Canvas, TrackRect, FTrackFrame, inner);
}

// Ticks sit at base + Trunc((v - Min) * factor) for every multiple v of TickStep. Only the
// multiples are visited, and where neighbouring ticks would touch they are drawn as one band:
// a long range (a song's length in milliseconds) costs no more than a short one, and the pixels
// are those of one line per value. Owner-drawn ticks get one call per tick.
void TFlatTrackBar::DrawTicks(QPainter& Canvas) {
  const bool horizontal = FOrientation == orHorizontal;
  const int len = (horizontal ? width() : height()) - ThumbLength - 2 * TrackIndent;
  const qint64 range = qint64(FMax) - FMin;
  const long double factor = static_cast<long double>(len) / range;
  const qint64 step = FTickStep;
  qint64 first, last;
  if (!multiplesWithin(FMin, FMax, step, first, last)) return;
  const int h = height();
  auto pos = [&](qint64 v) -> int {
    const int offset = int(std::trunc(static_cast<long double>(v - FMin) * factor));
    return horizontal ? ThumbHalf + TrackIndent + offset : ThumbHalf + (h - ThumbLength - offset - TrackIndent);
  };
  Canvas.setPen(ToQColor(FTickColor));
  if (FTickStyle == tkOwnerDraw) {
    for (qint64 v = first; v <= last; v += step)
      DoDrawTick(Canvas, horizontal ? QPoint(pos(v), 0) : QPoint(0, pos(v)), int(v));
    return;
  }
  bool near = true, far = true;  // top/left and bottom/right
  if (horizontal) {
    if (FThumbStyle == tsPointer && FPointerType == ptWin95) near = false;
    if ((FThumbStyle == tsPointer && FPointerType == ptStandard) || FThumbStyle == tsXPPointer) far = false;
  } else if (FThumbStyle == tsPointer || FThumbStyle == tsXPPointer) {
    far = false;
  }
  const QColor colour = ToQColor(FTickColor);
  const int farStart = (horizontal ? h : width()) - 10;
  auto drawRun = [&](int a, int b) {
    const int lo = std::min(a, b), n = std::abs(b - a) + 1;
    if (horizontal) {
      if (near) Canvas.fillRect(QRect(lo, TrackIndent, n, 6), colour);
      if (far) Canvas.fillRect(QRect(lo, farStart, n, 6), colour);
    } else {
      if (near) Canvas.fillRect(QRect(TrackIndent, lo, 6, n), colour);
      if (far) Canvas.fillRect(QRect(farStart, lo, 6, n), colour);
    }
  };
  // Positions are monotonic in v. Neighbours no more than half a pixel apart cannot leave a
  // gap, so the whole range is one band; otherwise there are at most about two ticks per pixel.
  if (std::fabs(static_cast<long double>(step) * factor) <= 0.5L) {
    drawRun(pos(first), pos(last));
    return;
  }
  int runFrom = pos(first), runTo = runFrom;
  for (qint64 v = first + step; v <= last; v += step) {
    const int x = pos(v);
    if (std::abs(x - runTo) <= 1) {
      runTo = x;
    } else {
      drawRun(runFrom, runTo);
      runFrom = runTo = x;
    }
  }
  drawRun(runFrom, runTo);
}

QRect TFlatTrackBar::CalcThumbRect() const {
  // Pointers stand two pixels towards the ticks they point at.
  const bool pointer = FThumbStyle == tsPointer || FThumbStyle == tsXPPointer;
  const int s = pointer && (FOrientation == orVertical || FPointerType == ptStandard) ? 2 : 0;
  const qint64 range = qint64(FMax) - FMin;
  const int across = (int(FTrackWidth) - ThumbBreadth) / 2 + FTrackOffset - s;
  if (FOrientation == orHorizontal) {
    const qint64 len = width() - ThumbLength - 2 * TrackIndent;
    const int offset = int(len * (qint64(FPosition) - FMin) / range);
    const int left = TrackIndent + offset;
    return RectLTRB(left, across, left + ThumbLength, across + ThumbBreadth);
  }
  const qint64 len = height() - ThumbLength - 2 * TrackIndent;
  const int offset = int(len * (qint64(FPosition) - FMin) / range);
  const int bottom = height() - offset - TrackIndent;
  return RectLTRB(across, bottom - ThumbLength, across + ThumbBreadth, bottom);
}

// The thumb is laid over the background through its mask: background AND mask, then OR image.
void TFlatTrackBar::DrawThumb(QPainter& Canvas) {
  const QRect r = CalcThumbRect();
  if (BufferDirty) RebuildBuffer();
  const QImage& image = !isEnabled() ? Thumbs.Disabled : (ThumbHot ? Thumbs.Hot : Thumbs.Normal);
  if (!image.isNull() && r.width() > 0 && r.height() > 0 && !Buffer.isNull()) {
    QImage scratch = Buffer.copy(r);
    const QImage& mask = Thumbs.Mask;
    for (int y = 0; y < scratch.height(); ++y) {
      QRgb* out = reinterpret_cast<QRgb*>(scratch.scanLine(y));
      const QRgb* m = y < mask.height() ? reinterpret_cast<const QRgb*>(mask.constScanLine(y)) : nullptr;
      const QRgb* img = y < image.height() ? reinterpret_cast<const QRgb*>(image.constScanLine(y)) : nullptr;
      for (int x = 0; x < scratch.width(); ++x) {
        const QRgb mv = (m && x < mask.width()) ? m[x] : 0xFFFFFFFF;
        const QRgb iv = (img && x < image.width()) ? img[x] : 0;
        out[x] = 0xFF000000 | (((out[x] & mv) | iv) & 0x00FFFFFF);
      }
    }
    Canvas.drawImage(r.topLeft(), scratch);
  }
  ThumbRect = r;
}

// ---- keyboard ----

void TFlatTrackBar::keyPressEvent(QKeyEvent* event) {
  KeyDown(event->key(), event->modifiers());
  const int key = event->key();
  if (FTabOnEnter && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    // Enter moves the focus on as Tab does.
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
    event->accept();
    return;
  }
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
      event->accept();
      return;
    case Qt::Key_Plus: case Qt::Key_Minus:
      if (keypad) {
        event->accept();
        return;
      }
      break;
    default: break;
  }
  QWidget::keyPressEvent(event);  // other keys go on to the parent
}

void TFlatTrackBar::KeyDown(int Key, Qt::KeyboardModifiers Shift) {
  const bool keypad = Shift & Qt::KeypadModifier;
  const bool vertical = FOrientation == orVertical;
  qint64 value = FPosition;
  switch (Key) {
    case Qt::Key_Left: case Qt::Key_Down:
      if (FPosition > FMin) value = qint64(FPosition) - 1;
      break;
    case Qt::Key_Up: case Qt::Key_Right:
      if (FPosition < FMax) value = qint64(FPosition) + 1;
      break;
    case Qt::Key_Minus:
      if (keypad && FPosition > FMin) value = qint64(FPosition) - 1;
      break;
    case Qt::Key_Plus:
      if (keypad && FPosition < FMax) value = qint64(FPosition) + 1;
      break;
    case Qt::Key_PageUp: value = qint64(FPosition) + FPageSize; break;
    case Qt::Key_PageDown: value = qint64(FPosition) - FPageSize; break;
    case Qt::Key_End: value = vertical ? FMin : FMax; break;
    case Qt::Key_Home: value = vertical ? FMax : FMin; break;
    default: break;
  }
  if (KeyChangeAllowed(value)) SetPosition64(value);
}

// ---- mouse ----

void TFlatTrackBar::mousePressEvent(QMouseEvent* event) {
  // A left press holds the mouse for the bar until the button is released.
  if (event->button() == Qt::LeftButton) MouseCaptured = true;
  const QPoint p = event->position().toPoint();
  MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TFlatTrackBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseMove(event->modifiers(), p.x(), p.y());
}

void TFlatTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) MouseCaptured = false;
  const QPoint p = event->position().toPoint();
  MouseUp(event->button(), event->modifiers(), p.x(), p.y());
}

void TFlatTrackBar::MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
  emit OnMouseDown(this, Button, Shift, X, Y);
  setFocus(Qt::MouseFocusReason);
  if (Button != Qt::LeftButton) return;
  const QPoint pt(X, Y);
  if (PtInRect(ThumbRect, pt)) {
    // A paging sequence that reaches the thumb turns into a drag.
    if (Paging) MouseUp(Button, Shift, X, Y);
    MouseCaptured = true;
    Dragging = true;
    DragOffset = QPoint(X - ThumbRect.x() - ThumbRect.width() / 2, Y - ThumbRect.y() - ThumbRect.height() / 2);
  } else if (PtInRect(TrackRect, pt)) {
    FPageTimer->SetEnabled(true);
    PagePoint = pt;
    const qint64 range = qint64(FMax) - FMin;
    bool upward;
    if (FOrientation == orHorizontal) {
      const long double factor = static_cast<long double>(width() - ThumbLength - 2 * TrackIndent) / range;
      upward = TrackIndent + std::trunc((qint64(FPosition) - FMin) * factor) <= X;
    } else {
      const long double factor = static_cast<long double>(height() - ThumbLength - 2 * TrackIndent) / range;
      upward = TrackIndent + std::trunc((qint64(FMax) - FPosition) * factor) > Y;
    }
    if (!Paging) {
      Paging = true;
      PageUpward = upward;
    }
    if (upward != PageUpward) {
      // The thumb has passed the pointer: the sequence ends.
      MouseUp(Button, Shift, X, Y);
    } else {
      const qint64 value = upward ? qint64(FPosition) + FPageSize : qint64(FPosition) - FPageSize;
      if (KeyChangeAllowed(value)) SetPosition64(value);
    }
  }
}

void TFlatTrackBar::PageTimerTick() {
  FPageTimer->SetInterval(kPageRepeatMs);
  if (!MouseCaptured) return;
  try {
    MouseDown(Qt::LeftButton, Qt::NoModifier, PagePoint.x(), PagePoint.y());
  } catch (const std::exception& e) {
    // An exception cannot travel through the event loop: the paging stops and says why.
    resetPageTimer();
    qWarning("TFlatTrackBar: click paging stopped: %s", e.what());
  } catch (...) {
    resetPageTimer();
    qWarning("TFlatTrackBar: click paging stopped by an unknown error");
  }
}

void TFlatTrackBar::MouseMove(Qt::KeyboardModifiers Shift, int X, int Y) {
  emit OnMouseMove(this, Shift, X, Y);
  const QPoint pt(X, Y);
  if (Dragging) {
    const qint64 range = qint64(FMax) - FMin;
    long double fraction;
    if (FOrientation == orHorizontal) {
      const int w = TrackRect.width();
      if (w <= 0) return;  // a track too small to move in
      fraction = static_cast<long double>(X - TrackRect.x() - DragOffset.x()) / w;
    } else {
      const int h = TrackRect.height();
      if (h <= 0) return;
      fraction = static_cast<long double>(RectBottom(TrackRect) - Y + DragOffset.y()) / h;
    }
    long double value = std::nearbyint(fraction * range + FMin);  // halves to even
    value = std::clamp<long double>(value, FMin, FMax);
    const qint64 v = static_cast<qint64>(value);
    if (KeyChangeAllowed(v)) SetPosition64(v);
  } else {
    const bool hot = PtInRect(ThumbRect, pt);
    if (hot != ThumbHot) {
      ThumbHot = hot;
      update(ThumbRect);
    }
  }
  updateCursor(pt);
}

void TFlatTrackBar::MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y) {
  emit OnMouseUp(this, Button, Shift, X, Y);
  resetPageTimer();
  Paging = false;
  if (Dragging && Button == Qt::LeftButton) {
    Dragging = false;
    MouseCaptured = false;
    ThumbHot = false;
    update(ThumbRect);
  }
}

// Over the thumb the pointer shows the bar's own cursor for its orientation.
void TFlatTrackBar::updateCursor(const QPoint& pt) {
  if (PtInRect(ThumbRect, pt)) setCursor(FOrientation == orHorizontal ? HCursor : VCursor);
  else unsetCursor();
}

// ---- window events ----

void TFlatTrackBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  SetOrientation(height() > width() ? orVertical : orHorizontal);
  MarkDirty();
}

void TFlatTrackBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) {
    MarkDirty();
    update();
  }
}

void TFlatTrackBar::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TFlatTrackBar::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TFlatTrackBar::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  emit OnMouseEnter(this);
}

void TFlatTrackBar::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  emit OnMouseLeave(this);
  if (!Dragging) {
    ThumbHot = false;
    update(ThumbRect);
  }
}

}  // namespace orvane::controls
