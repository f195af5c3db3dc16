// Edit and combo-box painting (see editpaint.h).
#include "skin/controls/editpaint.h"

#include "skin/controls/kindkit.h"
#include "skin/skinpaint.h"

namespace orvane::skin::kinds {

namespace {

// A one-pixel rectangle outline, as a frame brush draws it.
void FrameRect(QPainter& p, const QRect& r, const QColor& c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

}  // namespace

bool PaintEditPanel(QPainter& p, const TSkinData& data, const QStyleOptionFrame& option) {
  if (option.lineWidth <= 0) return false;
  const QRect r = option.rect;
  p.fillRect(r, option.palette.brush(QPalette::Base));
  PaintSpinFrame(p, data, r, QRect());
  return true;
}

void PaintSpinFrame(QPainter& p, const TSkinData& data, const QRect& rect, const QRect& buttons) {
  FrameRect(p, rect, SkinColour(data, scButtonShadow));
  p.save();
  if (!buttons.isEmpty()) p.setClipRegion(QRegion(rect) - QRegion(buttons), Qt::IntersectClip);
  FrameRect(p, rect.adjusted(1, 1, -1, -1), Qt::white);
  FrameRect(p, rect.adjusted(2, 2, -2, -2), Qt::white);
  p.restore();
}

bool ComboLayout(const TSkinData& data, const QRect& r, bool buttonLeft, ComboGeometry* out) {
  if (!data.ComboButton || !data.ComboButton->HasImage()) return false;
  const TDataSkinBorder& e = *data.ComboButton;
  ComboGeometry g;
  g.style = e.Style;
  const int L = r.left(), T = r.top(), R = r.left() + r.width(), B = r.top() + r.height();
  auto span = [](int l, int t, int rr, int b) { return QRect(l, t, rr - l, b - t); };
  if (g.style == 1) {
    const int w = SM_CYVTHUMB_SKIN;
    const QSize cell = StripFrameSize(e.Bitmap, e.FrameCount());
    const QRect inner = r.adjusted(2, 2, -2, -2);
    const int h = w > cell.height() ? cell.height() : inner.height();
    if (buttonLeft) {
      g.button = QRect(inner.left(), inner.top(), cell.width(), h);
      g.edit = span(inner.left() + w, inner.top(), inner.left() + inner.width(), inner.top() + inner.height());
    } else {
      g.button = QRect(inner.left() + inner.width() - cell.width(), inner.top(), cell.width(), h);
      g.edit = span(inner.left(), inner.top(), inner.left() + inner.width() - w, inner.top() + inner.height());
    }
  } else if (g.style == 2) {
    // One image per state: the arrow is its fixed outer 19 pixels.
    const int w = SM_CXVSCROLL_SKIN + 2;
    if (buttonLeft) {
      g.button = span(L, T, L + w, B);
      g.edit = span(L + w + 2, T + 2, R - 2, B - 2);
    } else {
      g.button = span(R - w, T, R, B);
      g.edit = span(L + 2, T + 2, R - w - 2, B - 2);
    }
  } else {
    const int w = SM_CXHSCROLL_SKIN;
    if (buttonLeft) {
      g.edit = span(L + w + 4, T + 2, R - 2, B - 2);
      g.button = span(L, T, L + w + 2, B);
      g.glyph = span(L + 2, T, L + w + 2, B);
    } else {
      g.edit = span(L + 2, T + 2, R - w - 4, B - 2);
      g.button = span(R - w - 2, T, R, B);
      g.glyph = span(R - w - 2, T, R - 2, B);
    }
  }
  *out = g;
  return true;
}

int ComboState(int style, bool focused, bool enabled, bool pressed, bool hot) {
  int s = 1;
  if (style == 1) s = focused ? 4 : enabled ? 1 : 3;
  else if (focused) s = 4;
  if (pressed)
    s = 2;
  else if (hot)
    s = 4;
  if (style != 1 && !enabled) s = 3;
  return s;
}

int ComboStateOf(int style, const QStyleOptionComboBox& o, bool editPressed) {
  const bool overArrow = (o.state & QStyle::State_MouseOver) && (o.activeSubControls & QStyle::SC_ComboBoxArrow);
  const bool pressed = ((o.state & QStyle::State_Sunken) && (o.activeSubControls & QStyle::SC_ComboBoxArrow)) ||
                       editPressed;
  return ComboState(style, o.state & QStyle::State_HasFocus, o.state & QStyle::State_Enabled, pressed, overArrow);
}

bool PaintCombo(QPainter& p, const TSkinData& data, const QStyleOptionComboBox& option, bool editPressed) {
  const bool left = option.direction == Qt::RightToLeft;
  ComboGeometry g;
  if (!ComboLayout(data, option.rect, left, &g)) return false;
  const TDataSkinBorder& combo = *data.ComboButton;
  const int frames = combo.FrameCount();
  const int state = ComboStateOf(g.style, option, editPressed);
  const QRect r = option.rect;
  p.save();
  // The field's own colour beneath: the images leave the text area see-through.
  p.fillRect(g.edit, option.palette.brush(QPalette::Base));
  if (g.style == 1) {
    const QBrush base = option.palette.brush(QPalette::Base);
    FrameRect(p, r.adjusted(1, 1, -1, -1), base.color());
    const QRect inner = r.adjusted(2, 2, -2, -2);
    const int w = SM_CYVTHUMB_SKIN;
    p.fillRect(left ? QRect(inner.left(), inner.top(), w, inner.height())
                    : QRect(inner.left() + inner.width() - w, inner.top(), w, inner.height()),
               base);
    FrameRect(p, r, SkinColour(data, scButtonShadow));
    DrawStripFrame(p, g.button, combo.Bitmap, false, frames, state);
  } else if (g.style == 2) {
    const TDataSkinObject* e = left ? static_cast<const TDataSkinObject*>(data.SunkEdge.get()) : &combo;
    if (e && e->HasImage()) DrawElement(p, r, *e, frames, state);
  } else {
    if (data.SunkEdge && data.SunkEdge->HasImage()) {
      p.save();
      p.setClipRegion(QRegion(r) - QRegion(g.edit), Qt::IntersectClip);
      DrawElement(p, r, *data.SunkEdge, data.SunkEdge->FrameCount(), state);
      p.restore();
    }
    const QImage& strip = left && !combo.Bitmap2.isNull() ? combo.Bitmap2 : combo.Bitmap;
    DrawStripFrameKeyed(p, g.button, strip, frames, state);
    if (data.ExtraImages && data.ExtraImages->HasImage())
      DrawStripFrameCentered(p, g.glyph, data.ExtraImages->Bitmap, true, data.ExtraImages->FrameCount(), state);
  }
  p.restore();
  return true;
}

}  // namespace orvane::skin::kinds
