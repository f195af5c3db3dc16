// The up-down control: stepping, auto-repeat, and painting through the style.
#include "platform/forms/updown.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSpinBox>

namespace orvane {

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
  setProperty("vclClass", QStringLiteral("TUpDown"));
  setAttribute(Qt::WA_Hover);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  repeat_.setSingleShot(false);
  connect(&repeat_, &QTimer::timeout, this, &TUpDown::Repeat);
}

void TUpDown::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
}

void TUpDown::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
}

void TUpDown::SetPosition(int v) {
  position_ = qBound(min_, v, max_);
  update();
}

void TUpDown::SetHorizontal(bool h) {
  horizontal_ = h;
  update();
}

void TUpDown::Step(bool up) {
  // 64-bit so that a step near the int limits neither wraps nor overflows.
  const qint64 step = increment_ == 0 ? 1 : qAbs(static_cast<qint64>(increment_));
  qint64 next = static_cast<qint64>(position_) + (up ? step : -step);
  if (next > max_) next = wrap_ ? min_ : max_;
  if (next < min_) next = wrap_ ? max_ : min_;
  if (next == position_) return;
  position_ = static_cast<int>(next);
  update();
  emit Changed(position_);
}

void TUpDown::InitStyleOption(QStyleOptionSpinBox* option) const {
  option->initFrom(this);
  // The frame closes the pair like a button column; there is no field.
  option->subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
  option->frame = true;
  option->buttonSymbols = QAbstractSpinBox::UpDownArrows;
  QAbstractSpinBox::StepEnabled steps;
  if (isEnabled() && (wrap_ || position_ < max_)) steps |= QAbstractSpinBox::StepUpEnabled;
  if (isEnabled() && (wrap_ || position_ > min_)) steps |= QAbstractSpinBox::StepDownEnabled;
  option->stepEnabled = steps;
  if (horizontal_) option->state |= QStyle::State_Horizontal;
  else option->state &= ~QStyle::State_Horizontal;
  option->state &= ~(QStyle::State_Sunken | QStyle::State_MouseOver);
  option->activeSubControls = QStyle::SC_None;
  if (pressed_ != QStyle::SC_None) {
    option->activeSubControls = pressed_;
    option->state |= QStyle::State_Sunken;
  } else if (hot_ != QStyle::SC_None && isEnabled()) {
    option->activeSubControls = hot_;
    option->state |= QStyle::State_MouseOver;
  }
}

bool TUpDown::StyleKnowsHorizontal(const QStyleOptionSpinBox& option) const {
  const QRect up = style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, this);
  const QRect down = style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, this);
  return up.top() == down.top() && up.left() != down.left();
}

QRect TUpDown::OwnHalf(QStyle::SubControl sc) const {
  const int half = width() / 2;
  return sc == QStyle::SC_SpinBoxDown ? QRect(0, 0, half, height()) : QRect(half, 0, width() - half, height());
}

QStyle::SubControl TUpDown::HitTest(const QPoint& pos) const {
  QStyleOptionSpinBox option;
  InitStyleOption(&option);
  if (horizontal_ && !StyleKnowsHorizontal(option)) {
    if (!rect().contains(pos)) return QStyle::SC_None;
    return OwnHalf(QStyle::SC_SpinBoxDown).contains(pos) ? QStyle::SC_SpinBoxDown : QStyle::SC_SpinBoxUp;
  }
  const QStyle::SubControl sc = style()->hitTestComplexControl(QStyle::CC_SpinBox, &option, pos, this);
  return sc == QStyle::SC_SpinBoxUp || sc == QStyle::SC_SpinBoxDown ? sc : QStyle::SC_None;
}

void TUpDown::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionSpinBox option;
  InitStyleOption(&option);
  if (!horizontal_ || StyleKnowsHorizontal(option)) {
    style()->drawComplexControl(QStyle::CC_SpinBox, &option, &painter, this);
    return;
  }
  for (const QStyle::SubControl sc : {QStyle::SC_SpinBoxDown, QStyle::SC_SpinBoxUp}) {
    QStyleOption part;
    part.initFrom(this);
    part.rect = OwnHalf(sc);
    const bool enabled = option.stepEnabled & (sc == QStyle::SC_SpinBoxUp ? QAbstractSpinBox::StepUpEnabled
                                                                           : QAbstractSpinBox::StepDownEnabled);
    part.state &= ~(QStyle::State_Sunken | QStyle::State_MouseOver | QStyle::State_Enabled);
    if (enabled) part.state |= QStyle::State_Enabled;
    if (pressed_ == sc) part.state |= QStyle::State_Sunken;
    else if (hot_ == sc && enabled) part.state |= QStyle::State_MouseOver | QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &part, &painter, this);
    part.rect = part.rect.adjusted(2, 2, -2, -2);
    style()->drawPrimitive(sc == QStyle::SC_SpinBoxUp ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowLeft,
                           &part, &painter, this);
  }
}

void TUpDown::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled()) return QWidget::mousePressEvent(e);
  lastPos_ = e->position().toPoint();
  pressed_ = HitTest(lastPos_);
  if (pressed_ == QStyle::SC_None) return;
  Step(pressed_ == QStyle::SC_SpinBoxUp);
  repeat_.start(RepeatDelay);
  update();
}

void TUpDown::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  repeat_.stop();
  pressed_ = QStyle::SC_None;
  hot_ = HitTest(e->position().toPoint());
  update();
}

void TUpDown::mouseMoveEvent(QMouseEvent* e) {
  lastPos_ = e->position().toPoint();
  const QStyle::SubControl hot = HitTest(lastPos_);
  if (hot != hot_) {
    hot_ = hot;
    update();
  }
}

void TUpDown::leaveEvent(QEvent*) {
  if (hot_ == QStyle::SC_None) return;
  hot_ = QStyle::SC_None;
  update();
}

void TUpDown::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange && !isEnabled()) {
    repeat_.stop();
    pressed_ = hot_ = QStyle::SC_None;
  }
  QWidget::changeEvent(e);
}

void TUpDown::Repeat() {
  // The repeat goes on only while the mouse stays over the half that was pressed.
  repeat_.setInterval(RepeatInterval);
  if (pressed_ == QStyle::SC_None || HitTest(lastPos_) != pressed_) return;
  Step(pressed_ == QStyle::SC_SpinBoxUp);
}

QSize TUpDown::sizeHint() const { return horizontal_ ? QSize(32, 16) : QSize(16, 24); }

}  // namespace orvane
