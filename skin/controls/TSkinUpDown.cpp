// Up-down arrows from the skin: halves, states, the skin's buttons and glyphs or plain ones.
#include "skin/controls/TSkinUpDown.h"

#include <QPainter>
#include <QStyleOptionSpinBox>
#include <QStyleOptionToolButton>

#include "skin/SkinStyle.h"
#include "skin/WinSkinData.h"
#include "skin/controls/panelpaint.h"
#include "skin/controls/skinlayout.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

int ArrowOf(Qt::ArrowType type) {
  switch (type) {
    case Qt::UpArrow: return udUp;
    case Qt::DownArrow: return udDown;
    case Qt::RightArrow: return udRight;
    default: return udLeft;
  }
}

}  // namespace

TSkinUpDown::TSkinUpDown(QWidget* control, const TSkinKindArgs& args) : TSkinControl(control), InEdit(args.OfEdit) {}


bool TSkinUpDown::Horizontal(const QStyleOption* opt) const {
  return ForceHorizontal || (opt && (opt->state & QStyle::State_Horizontal));
}

QRect TSkinUpDown::PairRect(const TSkinStyle* style, const QStyleOptionSpinBox* opt, const QWidget* w) const {
  if (!InEdit) return opt->rect;
  // Inside an edit the pair takes the place Fusion gives its buttons, pulled in from the edges.
  const QStyle* base = style ? style->baseStyle() : nullptr;
  if (!base) return InEditRect(opt->rect, opt->rect);
  const QRect up = base->subControlRect(QStyle::CC_SpinBox, opt, QStyle::SC_SpinBoxUp, w);
  const QRect down = base->subControlRect(QStyle::CC_SpinBox, opt, QStyle::SC_SpinBoxDown, w);
  const QRect pair = up.united(down);
  return pair.isEmpty() ? QRect() : InEditRect(pair, opt->rect);  // an edit without arrows
}

QRect TSkinUpDown::ArrowRect(const TSkinStyle* style, const QStyleOptionSpinBox* opt, QStyle::SubControl sc,
                             const QWidget* w) const {
  if (!opt || (sc != QStyle::SC_SpinBoxUp && sc != QStyle::SC_SpinBoxDown)) return QRect();
  const bool horizontal = Horizontal(opt);
  const auto [first, second] = UpDownHalves(PairRect(style, opt, w), horizontal);
  // Upright: up on top. Side by side: down (left) first.
  const bool up = sc == QStyle::SC_SpinBoxUp;
  return horizontal ? (up ? second : first) : (up ? first : second);
}

void TSkinUpDown::DrawArrows(const TSkinStyle* style, const QStyleOptionSpinBox* opt, QPainter* p,
                             const QWidget* w) const {
  if (!opt || !p) return;
  const QRect pair = PairRect(style, opt, w);
  p->save();
  if (InEdit) {
    const QStyle* base = style ? style->baseStyle() : nullptr;
    if (base)
      p->fillRect(base->subControlRect(QStyle::CC_SpinBox, opt, QStyle::SC_SpinBoxUp, w)
                      .united(base->subControlRect(QStyle::CC_SpinBox, opt, QStyle::SC_SpinBoxDown, w)),
                  Qt::white);
  }
  p->fillRect(pair, ButtonFace());
  const bool enabled = opt->state & QStyle::State_Enabled;
  const bool sunken = opt->state & QStyle::State_Sunken;
  const bool horizontal = Horizontal(opt);
  for (const QStyle::SubControl sc : {QStyle::SC_SpinBoxUp, QStyle::SC_SpinBoxDown}) {
    const bool active = opt->activeSubControls & sc;
    const int state = UpDownHalfState(enabled, active && sunken, active && !sunken);
    const bool up = sc == QStyle::SC_SpinBoxUp;
    const int arrow = horizontal ? (up ? udRight : udLeft) : (up ? udUp : udDown);
    DrawHalf(Data().get(), ButtonFace(), p, ArrowRect(style, opt, sc, w), arrow, state);
  }
  p->restore();
}

void TSkinUpDown::DrawScrollButton(const TSkinData* data, const QColor& face, const QStyleOption* opt, QPainter* p,
                                   int arrow) {
  if (!opt || !p) return;
  const bool enabled = opt->state & QStyle::State_Enabled;
  const bool pressed = opt->state & (QStyle::State_Sunken | QStyle::State_On);
  const bool hot = opt->state & QStyle::State_MouseOver;
  p->save();
  p->fillRect(opt->rect, face);
  DrawHalf(data, face, p, opt->rect, arrow, UpDownHalfState(enabled, pressed, hot));
  p->restore();
}

void TSkinUpDown::DrawHalf(const TSkinData* data, const QColor& face, QPainter* p, const QRect& rect, int arrow,
                           int state) {
  if (rect.isEmpty()) return;
  const TDataSkinBorder* e = !data ? nullptr : arrow < udLeft ? data->UpDownVert.get() : data->UpDownHorz.get();
  if (e && e->HasImage())
    DrawArrowButton(data, p, rect, arrow, state);
  else
    DrawPlainArrow(data, face, p, rect, arrow, state);
}

void TSkinUpDown::DrawArrowButton(const TSkinData* data, QPainter* p, const QRect& rect, int arrow, int state) {
  const TDataSkinBorder* e = !data ? nullptr : arrow < udLeft ? data->UpDownVert.get() : data->UpDownHorz.get();
  if (!e || !e->HasImage()) return;
  const int frame = UpDownFrame(arrow, state);
  DrawStripFrame(*p, rect, e->Bitmap, true, e->FrameCount(), frame);
  if (!e->Bitmap2.isNull() && e->Bitmap2.width() > 0)
    DrawStripFrameCentered(*p, rect, e->Bitmap2, true, e->FrameCount(), frame);
}

void TSkinUpDown::DrawPlainArrow(const TSkinData* data, const QColor& face, QPainter* p, const QRect& rect,
                                 int arrow, int state) {
  const QColor shadow = data ? ToQColor(data->Colour(scButtonShadow)) : QColor(Qt::gray);
  const QColor dark = data ? ToQColor(data->Colour(scButtonDkShadow)) : QColor(Qt::black);
  p->save();
  p->setRenderHint(QPainter::Antialiasing, false);
  p->setPen(dark);
  p->setBrush(state == udsPressed || state == udsHot ? shadow : face);
  p->drawRect(rect.adjusted(0, 0, -1, -1));
  const QPoint c(rect.left() + rect.width() / 2, rect.top() + rect.height() / 2);
  kinds::DrawArrowGlyph(*p, c.x(), arrow < udLeft ? c.y() - 2 : c.y(), arrow);
  p->restore();
}

bool TSkinUpDown::drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc,
                                     const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  if (cc == QStyle::CC_SpinBox) {
    const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
    if (!spin) return false;
    // A frame or a field (an edit's own parts) is Fusion's; the arrows are the skin's.
    const QStyle::SubControls rest = spin->subControls & ~(QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown);
    if (rest && style && style->baseStyle()) {
      QStyleOptionSpinBox plain(*spin);
      plain.subControls = rest;
      style->baseStyle()->drawComplexControl(cc, &plain, p, w);
    }
    DrawArrows(style, spin, p, w);
    return true;
  }
  if (cc == QStyle::CC_ToolButton) {
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
    if (!tool || tool->arrowType == Qt::NoArrow) return false;
    int arrow = ArrowOf(tool->arrowType);
    if (ForceHorizontal && arrow < udLeft) arrow = arrow == udUp ? udLeft : udRight;
    DrawScrollButton(Data().get(), ButtonFace(), tool, p, arrow);
    return true;
  }
  return false;
}

bool TSkinUpDown::subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                 QStyle::SubControl sc, const QWidget* w, QRect& out) {
  if (cc != QStyle::CC_SpinBox || (sc != QStyle::SC_SpinBoxUp && sc != QStyle::SC_SpinBoxDown)) return false;
  const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
  if (!spin) return false;
  out = ArrowRect(style, spin, sc, w);
  return true;
}

ORVANE_SKIN_KIND_ARGS(TSkinUpDown)

}  // namespace orvane::skin
