// Date pickers with a calendar popup: the arrow button, the field and the border.
#include "skin/controls/TSkinDateTime.h"

#include <QDateTimeEdit>
#include <QPainter>
#include <QStyleOptionComboBox>

#include "skin/SkinStyle.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {
// The border's width when the picker has a frame.
int Inset(bool framed) { return framed ? 2 : 0; }
}  // namespace

bool TSkinDateTime::CanSkin() const {
  const auto data = Data();
  return data && data->ComboxArrow && data->ComboxArrow->HasImage();
}

QRect TSkinDateTime::ArrowButtonRect(const QRect& picker, bool framed, bool rightToLeft) {
  const int a = SM_CXVSCROLL_SKIN, in = Inset(framed);
  // Placed in the picker's inner area (inside the border): at its top, the width less the
  // arrow and 4 from its left, or 2 from its left edge right to left.
  const int left = rightToLeft ? 2 : picker.width() - a - 4;
  return QRect(picker.left() + in + left, picker.top() + in, a, qMax(0, picker.height() - 4));
}

QRect TSkinDateTime::EditFieldRect(const QRect& picker, bool framed, bool rightToLeft) {
  const int in = Inset(framed);
  const QRect inner = picker.adjusted(in, in, -in, -in);
  const QRect arrow = ArrowButtonRect(picker, framed, rightToLeft);
  QRect field = inner;
  if (rightToLeft)
    field.setLeft(qMin(inner.right() + 1, arrow.right() + 1));
  else
    field.setRight(qMax(inner.left() - 1, arrow.left() - 1));
  return field;
}

int TSkinDateTime::ArrowFrame(const QStyleOptionComboBox& o) {
  const bool hot = (o.state & QStyle::State_Enabled) && (o.state & QStyle::State_MouseOver) &&
                   (o.activeSubControls & QStyle::SC_ComboBoxArrow);
  return hot ? 4 : 1;
}

bool TSkinDateTime::subControlRect(const TSkinStyle*, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                   QStyle::SubControl sc, const QWidget* w, QRect& out) {
  const auto* o = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
  if (cc != QStyle::CC_ComboBox || !o || w != control_) return false;
  const bool rtl = o->direction == Qt::RightToLeft;
  switch (sc) {
    case QStyle::SC_ComboBoxArrow: out = ArrowButtonRect(o->rect, o->frame, rtl); return true;
    case QStyle::SC_ComboBoxEditField: out = EditFieldRect(o->rect, o->frame, rtl); return true;
    case QStyle::SC_ComboBoxFrame: out = o->rect; return true;
    default: return false;
  }
}

bool TSkinDateTime::drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc,
                                       const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  const auto* o = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
  const auto data = Data();
  if (cc != QStyle::CC_ComboBox || !o || !style || w != control_ || !data) return false;
  p->save();
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  p->fillRect(o->rect, o->palette.brush(QPalette::Base));
  if (o->frame && o->rect.width() > 3 && o->rect.height() > 3) {
    p->setBrush(Qt::NoBrush);
    p->setPen(ToQColor(data->Colour(scButtonShadow)));
    p->drawRect(o->rect.adjusted(0, 0, -1, -1));
    p->setPen(Qt::white);
    p->drawRect(o->rect.adjusted(1, 1, -2, -2));
  }
  const QRect arrow = style->subControlRect(cc, o, QStyle::SC_ComboBoxArrow, w);
  if (!arrow.isEmpty()) {
    FillButtonFace(p, arrow);
    const TDataSkinObject& e = *data->ComboxArrow;
    // A plain stretched copy of the frame.
    p->drawImage(arrow, e.Bitmap, FrameRect(e.Bitmap, false, e.FrameCount(), ArrowFrame(*o)));
  }
  p->restore();
  return true;
}

ORVANE_SKIN_KIND(TSkinDateTime)

}  // namespace orvane::skin
