// The control skinner base: attaching to a control, its link in the control's procedure chain,
// colours, detaching, and the paint kit the kinds draw with.
#include "skin/TSkinControl.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEngine>
#include <QPainter>

#include "skin/FormSkinner.h"
#include "skin/WinSkinData.h"
#include "skin/controls/SkinPieceCache.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/panelpaint.h"
#include "skin/skindata.h"
#include "skin/imgutil.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {
int liveSkinners = 0;

bool Inverted(const QRect& r) { return r.width() < 0 || r.height() < 0; }

// The classic button-shadow colour, as disabled text is drawn.
QColor ShadowColour() { return ToQColor(SysColor(COLOR_BTNSHADOW)); }
}  // namespace

TSkinControl::TSkinControl(QWidget* control) : QObject(control), hwnd_(control) { ++liveSkinners; }

TSkinControl::~TSkinControl() {
  --liveSkinners;
  TSkinRegistry::Unregister(this);
  if (auto* f = FormSkin()) f->RemoveSkinControl(this);
  // link_ drops itself from the chain; a dead window's link does nothing.
}

int TSkinControl::LiveCount() { return liveSkinners; }

TSXSkin* TSkinControl::Skin() const { return skin_.data(); }

void TSkinControl::SetHostSkin(TSXSkin* skin) { skin_ = skin; }

TFormSkinner* TSkinControl::FormSkin() const { return static_cast<TFormSkinner*>(formSkin_.data()); }

std::shared_ptr<const TSkinData> TSkinControl::Data() const { return skin_ ? skin_->Data() : nullptr; }

qintptr Perform(QWidget* control, quint32 msg, quintptr wParam, qintptr lParam) {
  return wm::SendMessage(control, msg, wParam, lParam);
}

// ---- attaching -----------------------------------------------------------------------------

void TSkinControl::Register() {
  if (hwnd_) TSkinRegistry::Register(hwnd_, this);
  if (auto* f = FormSkin()) f->AddSkinControl(this);
}

void TSkinControl::Attach() {
  QWidget* w = hwnd_;
  if (!w) return;
  link_ = wm::Subclass(w, [this](wm::Message& m) { SkinWndProc(m); });
  hoverWasSet_ = w->testAttribute(Qt::WA_Hover);
  w->setAttribute(Qt::WA_Hover, true);
  Restyle();
  MarkAttached();
}

void TSkinControl::Restyle() {
  QWidget* w = hwnd_;
  if (!w) return;
  if (!ChangesGeometry()) {
    w->update();
    return;
  }
  QEvent change(QEvent::StyleChange);
  QApplication::sendEvent(w, &change);
  w->update();
}

void TSkinControl::MarkAttached() {
  initialized_ = true;
  // Attached again after a detach, the skinner paints again.
  skinEnabled_ = true;
  state_ = csAttached;
}

bool TSkinControl::Bind(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (initialized_ || !hwnd_) return false;
  setColor_ = setColor;
  skin_ = skin;
  formSkin_ = formSkin;
  control_ = hwnd_;
  Register();
  return true;
}

void TSkinControl::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  if (!Bind(formSkin, skin, setColor)) return;
  if (setColor_) ApplyColour();
  Attach();
}

void TSkinControl::ApplyColour() {
  QWidget* c = control_;
  if (!c) return;
  SetParentBackground(true);
  hadOwnPalette_ = c->testAttribute(Qt::WA_SetPalette);
  savedPalette_ = c->palette();
  savedWindow_ = savedPalette_.color(QPalette::Window);
  savedButton_ = savedPalette_.color(QPalette::Button);
  QPalette pal = c->palette();
  pal.setColor(QPalette::Window, ButtonFace());
  pal.setColor(QPalette::Button, ButtonFace());
  c->setPalette(pal);
}

void TSkinControl::RestoreColour() {
  if (!control_) return;
  SetParentBackground(false);
  if (hadOwnPalette_)
    control_->setPalette(savedPalette_);
  else
    control_->setPalette(QPalette());
}

void TSkinControl::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  if (initialized_ || !handle) return;
  skin_ = skin;
  formSkin_ = formSkin;
  hwnd_ = handle;
  Enabled = true;
  Register();
  Caption = wm::GetWindowText(handle);
  Attach();
}

void TSkinControl::DoneControl() {
  // Also after a switch-off by message: the control gets back what the attach changed.
  if (!initialized_) return;
  initialized_ = false;
  skinEnabled_ = false;
  wm::Unsubclass(link_);
  if (state_ == csDestroyed || !hwnd_) return;
  QWidget* w = hwnd_;
  if (setColor_) RestoreColour();
  w->setAttribute(Qt::WA_Hover, hoverWasSet_);
  Restyle();
}

void TSkinControl::UpdateSkin() {
  TSkinPieceCache::BumpGeneration();
  if (setColor_ && control_) {
    QPalette pal = control_->palette();
    pal.setColor(QPalette::Window, ButtonFace());
    pal.setColor(QPalette::Button, ButtonFace());
    control_->setPalette(pal);
  }
  Repaint();
}

// ---- the procedure link ------------------------------------------------------------------

void TSkinControl::SkinWndProc(wm::Message& m) {
  if (m.msg == WM_SKINCONTROLSWITCH) {
    skinEnabled_ = m.wParam > 0;
    // Off shows the plain look at once, on the skin at once.
    Repaint();
    return;
  }
  if (!skinEnabled_) {
    CallDefault(m);
    return;
  }
  if (BeforeDefault(m)) {
    QPointer<TSkinControl> self(this);
    CallDefault(m);
    if (self) AfterDefault(m);
  }
}

bool TSkinControl::BeforeDefault(wm::Message& m) {
  switch (m.msg) {
    case wm::WM_NCDESTROY: {
      state_ = csDestroyed;
      QPointer<TSkinControl> self(this);
      CallDefault(m);
      if (self && skinEnabled_) DoneControl();
      return false;
    }
    case WM_SKINQUERY:
      m.result = 1;
      return false;
    default:
      return true;
  }
}

void TSkinControl::AfterDefault(wm::Message& m) {
  switch (m.msg) {
    case wm::WM_PAINT:
      PaintWindow(reinterpret_cast<QPainter*>(m.wParam));
      break;
    case wm::WM_SETFOCUS:
    case wm::WM_KILLFOCUS:
    case wm::WM_ENABLE:
    case wm::WM_SETTEXT:
    case WM_SKINENABLEDCHANGED:
      Repaint();
      break;
    default:
      break;
  }
}

void TSkinControl::CallDefault(wm::Message& m) { wm::CallPrevious(link_, m); }

void TSkinControl::PaintWindow(QPainter* dc) {
  QWidget* w = hwnd_;
  if (!w) return;
  try {
    const QRect r(0, 0, w->width(), w->height());
    if (dc) {
      DrawControl(dc, r);
    } else if (w->testAttribute(Qt::WA_WState_InPaintEvent)) {
      QPainter p(w);
      DrawControl(&p, r);
    }
  } catch (...) {
    // A failed paint leaves the control as it was.
  }
}

void TSkinControl::DrawControl(QPainter*, const QRect&) {}

void TSkinControl::Repaint() {
  if (hwnd_) hwnd_->update();
}

void TSkinControl::SendMouseLeave() {
  if (hwnd_) wm::SendMessage(hwnd_, WM_SKINMOUSELEAVE, 0, 0);
}

// ---- colours -----------------------------------------------------------------------------

void TSkinControl::SetParentBackground(bool on) {
  if (!control_ || (skin_ && skin_->HasOption(xoParentBackGround))) return;
  if (on) {
    // A transparent control keeps showing its parent.
    parentBackgroundWasOn_ = !control_->autoFillBackground() && !Transparent();
    if (parentBackgroundWasOn_) control_->setAutoFillBackground(true);
  } else if (parentBackgroundWasOn_) {
    control_->setAutoFillBackground(false);
    parentBackgroundWasOn_ = false;
  }
}

bool TSkinControl::Transparent() const {
  if (hwnd_ && hwnd_->property("Tag").toInt() == TransparentTag) return true;
  return skin_ && skin_->HasOption(xoTransparent);
}

QColor TSkinControl::ButtonFace() const {
  const auto data = Data();
  return data ? ToQColor(data->Colour(scButtonFace)) : ToQColor(SysColor(COLOR_BTNFACE));
}

QColor TSkinControl::GetParentColor() const {
  if (control_ && control_->parentWidget()) return control_->parentWidget()->palette().color(QPalette::Window);
  return ButtonFace();
}

// ---- style hooks: the base lets Fusion do everything -------------------------------------

bool TSkinControl::drawPrimitive(const TSkinStyle*, QStyle::PrimitiveElement, const QStyleOption*, QPainter*,
                                 const QWidget*) {
  return false;
}
bool TSkinControl::drawControl(const TSkinStyle*, QStyle::ControlElement, const QStyleOption*, QPainter*,
                               const QWidget*) {
  return false;
}
bool TSkinControl::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl, const QStyleOptionComplex*,
                                      QPainter*, const QWidget*) {
  return false;
}
bool TSkinControl::subControlRect(const TSkinStyle*, QStyle::ComplexControl, const QStyleOptionComplex*,
                                  QStyle::SubControl, const QWidget*, QRect&) {
  return false;
}
bool TSkinControl::subElementRect(const TSkinStyle*, QStyle::SubElement, const QStyleOption*, const QWidget*,
                                  QRect&) {
  return false;
}
bool TSkinControl::pixelMetric(const TSkinStyle*, QStyle::PixelMetric, const QStyleOption*, const QWidget*, int&) {
  return false;
}
bool TSkinControl::sizeFromContents(const TSkinStyle*, QStyle::ContentsType, const QStyleOption*, const QSize&,
                                    const QWidget*, QSize&) {
  return false;
}
bool TSkinControl::styleHint(const TSkinStyle*, QStyle::StyleHint, const QStyleOption*, const QWidget*, int&) {
  return false;
}

// ---- paint kit ---------------------------------------------------------------------------

quint32 TSkinControl::BiDiFlags(quint32 flags) const {
  const QWidget* w = hwnd_;
  return w && w->layoutDirection() == Qt::RightToLeft ? flags | DT_RTLREADING : flags;
}

void TSkinControl::DrawElement(QPainter* dc, const QRect& rect, int frameCount, int frame,
                               const TDataSkinObject* element) const {
  if (!dc || !element || !element->HasImage() || Inverted(rect) || rect.isEmpty()) return;
  const bool transparent = element->Trans == 1;
  TSkinPieceCache::Follow(Data());
  const QPixmap piece = TSkinPieceCache::Piece(element, frame, rect.size(), transparent, 0, [&] {
    QImage built = BuildSkinBitmap(rect.size(), element->Bitmap, element->Margins(), false, element->Tile == 1,
                                   frameCount, frame);
    if (!transparent) {
      // An opaque copy shows the key colour where the image is see-through.
      QImage opaque(built.size(), QImage::Format_ARGB32_Premultiplied);
      opaque.fill(QColor(255, 0, 255));
      QPainter p(&opaque);
      p.drawImage(0, 0, built);
      return opaque;
    }
    return built;
  });
  dc->drawPixmap(rect.topLeft(), piece);
}

void TSkinControl::DrawStripFrameDC(QPainter* dc, const QRect& rect, int frameCount, int frame, const QImage& bitmap) {
  if (dc && !Inverted(rect)) DrawStripFrame(*dc, rect, bitmap, true, frameCount, frame);
}

void TSkinControl::DrawStripFrameCanvas(QPainter* dc, const QRect& rect, int frameCount, int frame,
                                        const QImage& bitmap) {
  DrawStripFrameDC(dc, rect, frameCount, frame, bitmap);
}

void TSkinControl::DrawStripFrameKeyed(QPainter* dc, const QRect& rect, int frameCount, int frame,
                                       const QImage& bitmap) {
  if (!dc || Inverted(rect) || bitmap.isNull()) return;
  // Stretched into a piece of rect's size first, then put with the key left out.
  QImage piece = NewKeyImage(rect.width(), rect.height());
  if (piece.isNull()) return;
  QPainter p(&piece);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(piece.rect(), bitmap, FrameRect(bitmap, false, frameCount, frame));
  p.end();
  DrawTransparentBitmap(*dc, rect, piece, KeyColour);
}

void TSkinControl::DrawCaption(QPainter* dc, const QRect& rect, quint32 align, bool enabled,
                               const QString& text) const {
  if (!dc) return;
  dc->save();
  dc->setBackgroundMode(Qt::TransparentMode);
  dc->setBrush(Qt::NoBrush);
  kinds::UsePlainFont(*dc);
  QRect measured(rect.left(), rect.top(), rect.width(), rect.height());
  SkinDrawText(dc, text, measured, align | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS);
  const int dy = (rect.height() - measured.height()) / 2 - 1;
  QRect r(rect.left(), rect.top() + dy, rect.width(), measured.height());
  if (align == DT_CENTER) {
    r.moveLeft(rect.left() + (rect.width() - measured.width()) / 2);
    r.setWidth(measured.width());
  }
  if (!enabled) dc->setPen(ShadowColour());
  const quint32 flags = BiDiFlags(align | DT_EXPANDTABS);
  if (flags & DT_RTLREADING) dc->setLayoutDirection(Qt::RightToLeft);
  SkinDrawText(dc, text, r, flags & ~DT_RTLREADING);
  dc->restore();
}

TSkinControl::CaptionFit& TSkinControl::FitCaption(QPainter* dc, const QString& text, const QSize& size) const {
  const QString fontKey = dc->font().key() + QLatin1Char('@') + QString::number(dc->device()->logicalDpiY());
  for (auto it = captionFits_.rbegin(); it != captionFits_.rend(); ++it)
    if (it->size == size && it->text == text && it->font == fontKey) return *it;
  // A tab bar paints all its tabs in one pass: room for them all, and no more.
  constexpr size_t kKept = 32;
  if (captionFits_.size() >= kKept) captionFits_.erase(captionFits_.begin());
  CaptionFit fit;
  fit.text = text, fit.font = fontKey, fit.size = size;
  QRect measured(0, 0, size.width(), size.height());
  SkinDrawText(dc, text, measured, 0x8050 | DT_CALCRECT);
  fit.measured = measured.size();
  // One line when no second one came: a line is at least as tall as the text's first
  // characters in one line, and a second adds about another.
  QRect line(0, 0, size.width(), size.height());
  SkinDrawText(dc, text.left(64), line, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
  fit.oneLine = !text.contains(QLatin1Char('\n')) && measured.height() < line.height() + dc->fontMetrics().lineSpacing() / 2;
  captionFits_.push_back(std::move(fit));
  return captionFits_.back();
}

void TSkinControl::DrawGlyphCaption(QPainter* dc, const QRect& rect, int alignment, const QString& text,
                                    int imageIndex, const QList<QIcon>* images, QSize imageSize) const {
  if (!dc) return;
  const bool glyph = imageIndex != -1 && images && imageIndex >= 0 && imageIndex < images->size() &&
                     imageSize.width() < rect.width();
  const int gw = glyph ? imageSize.width() : 0;
  CaptionFit& fit = FitCaption(dc, text, rect.size());
  const int tw = fit.measured.width(), th = fit.measured.height();
  int x = alignment == 1 ? (rect.width() - gw - tw) / 2 : alignment == 2 ? rect.width() - gw - tw - 2 : 3;
  if (x < 2) x = 1;
  if (glyph) {
    const QPixmap pm = images->at(imageIndex).pixmap(imageSize, Enabled ? QIcon::Normal : QIcon::Disabled);
    dc->drawPixmap(rect.left() + x, rect.top() + (rect.height() - imageSize.height()) / 2, pm);
  }
  dc->save();
  dc->setBackgroundMode(Qt::TransparentMode);
  kinds::UsePlainFont(*dc);
  if (!Enabled) dc->setPen(ShadowColour());
  const int left = rect.left() + x + gw;
  QRect r(left, rect.top() + (rect.height() - th) / 2, qMax(0, rect.right() + 1 - left), th);
  quint32 flags = BiDiFlags(0x8050);
  if (flags & DT_RTLREADING) dc->setLayoutDirection(Qt::RightToLeft);
  dc->setClipRect(QRect(rect.left(), rect.top(), rect.width(), rect.height()), Qt::IntersectClip);
  if (!fit.oneLine) {
    SkinDrawText(dc, text, r, flags & ~DT_RTLREADING);
    dc->restore();
    return;
  }
  // One line: drawn as such, cut with an ellipsis where it ends, both worked out once (the
  // font it is drawn in follows from the one the fit was found by).
  if (fit.cutWidth != r.width()) {
    fit.cutWidth = r.width();
    fit.shown = dc->fontMetrics().elidedText(text, Qt::ElideRight, r.width(), Qt::TextShowMnemonic | Qt::TextExpandTabs);
  }
  flags = (flags & ~(DT_WORDBREAK | DT_END_ELLIPSIS)) | DT_SINGLELINE;
  SkinDrawText(dc, fit.shown, r, flags & ~DT_RTLREADING);
  dc->restore();
}

void TSkinControl::DrawTextFocusRect(QPainter* dc, quint32 flags, const QRect& rect) const {
  if (!dc) return;
  QRect m(rect.left(), rect.top(), rect.width(), rect.height());
  SkinDrawText(dc, Caption, m, flags | DT_CALCRECT | DT_NOCLIP);
  if (flags & DT_CENTER) {
    m.moveTo(rect.left() + (rect.width() - m.width()) / 2, rect.top() + (rect.height() - m.height()) / 2 - 1);
  } else if (flags & DT_RIGHT) {
    m.moveLeft(rect.right() + 1 - m.width());
  }
  m = m.adjusted(-2, -1, 2, 1) & rect;
  if (m.isEmpty()) return;
  dc->save();
  // Drawn twice it disappears again, as the classic focus rectangle does.
  if (dc->paintEngine() && dc->paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
    dc->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white, 1, Qt::CustomDashLine);
  pen.setDashPattern({1.0, 1.0});
  dc->setPen(pen);
  dc->setBrush(Qt::NoBrush);
  dc->drawRect(m.adjusted(0, 0, -1, -1));
  dc->restore();
}

void TSkinControl::FillButtonFace(QPainter* dc, const QRect& rect) const {
  if (dc) dc->fillRect(rect, ButtonFace());
}

void TSkinControl::FillParentColor(QPainter* dc, const QRect& rect) const {
  if (dc) dc->fillRect(rect, GetParentColor());
}

}  // namespace orvane::skin
