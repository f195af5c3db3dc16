// The tab set: layout, painting through the style's tab elements, clicks and the scroller.
#include "platform/forms/tabset.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QTabBar>

#include "platform/forms/updown.h"

namespace orvane {

QVector<TTabSet::Place> TTabSet::Layout(const QVector<int>& textWidths, int first, int startMargin, int limit,
                                        bool scrollerShown, int height) {
  QVector<Place> places;
  // 64-bit sums: a very long text makes a tab wider than any window without wrapping x.
  qint64 x = startMargin;
  const qint64 room = scrollerShown ? ScrollerRoom : 0;
  for (int i = qMax(0, first); i < textWidths.size(); ++i) {
    const qint64 w = static_cast<qint64>(textWidths[i]) + TabPadding;
    if (x + room + w > limit) continue;
    places.push_back({i, QRect(static_cast<int>(x), 0, static_cast<int>(w), height)});
    x += w;
  }
  return places;
}

TTabSet::TTabSet(QWidget* parent) : QWidget(parent), scroller_(new TUpDown(this)) {
  setProperty("vclClass", QStringLiteral("TTabSet"));
  setAttribute(Qt::WA_Hover);
  scroller_->SetHorizontal(true);
  scroller_->SetMin(0);
  scroller_->SetMax(0);
  scroller_->hide();
  connect(scroller_, &TUpDown::Changed, this, &TTabSet::SetFirstIndex);
}

void TTabSet::SetTabs(const QStringList& tabs) {
  tabs_ = tabs;
  if (tabIndex_ >= tabs_.size()) tabIndex_ = tabs_.isEmpty() ? -1 : 0;
  if (firstIndex_ >= tabs_.size()) firstIndex_ = qMax(0, static_cast<int>(tabs_.size()) - 1);
  UpdateScroller();
  update();
}

void TTabSet::SetTabIndex(int index) {
  if (index < -1 || index >= tabs_.size() || index == tabIndex_) return;
  tabIndex_ = index;
  update();
}

void TTabSet::SetStartMargin(int m) {
  startMargin_ = m;
  UpdateScroller();
  update();
}

void TTabSet::SetEndMargin(int m) {
  endMargin_ = m;
  UpdateScroller();
  update();
}

void TTabSet::SetFirstIndex(int index) {
  const int last = qMax(0, static_cast<int>(tabs_.size()) - 1);
  index = qBound(0, index, last);
  if (index == firstIndex_) return;
  firstIndex_ = index;
  UpdateScroller();
  update();
}

QVector<int> TTabSet::TextWidths() const {
  QVector<int> widths;
  widths.reserve(tabs_.size());
  const QFontMetrics fm = fontMetrics();
  for (const QString& t : tabs_) widths.push_back(fm.horizontalAdvance(t));
  return widths;
}

QVector<TTabSet::Place> TTabSet::TabPlaces() const {
  return Layout(TextWidths(), firstIndex_, startMargin_, width() - endMargin_, scrollerShown_, height());
}

int TTabSet::TabAt(const QPoint& pos) const {
  if (!rect().contains(pos)) return -1;
  if (scrollerShown_ && scroller_->geometry().contains(pos)) return -1;
  for (const Place& p : TabPlaces())
    if (p.rect.contains(pos)) return p.index;
  return -1;
}

void TTabSet::UpdateScroller() {
  const QVector<int> widths = TextWidths();
  const int limit = width() - endMargin_;
  const bool allFit = Layout(widths, 0, startMargin_, limit, false, height()).size() == widths.size();
  scrollerShown_ = !allFit || firstIndex_ > 0;
  scroller_->SetMax(qMax(0, static_cast<int>(tabs_.size()) - 1));
  scroller_->SetPosition(firstIndex_);
  scroller_->setGeometry(width() - ScrollerWidth - 1, 1, ScrollerWidth, qMax(1, qMin(16, height() - 2)));
  scroller_->setVisible(scrollerShown_);
}

void TTabSet::InitStyleOption(QStyleOptionTab* option, const Place& place, int shown) const {
  option->initFrom(this);
  option->rect = place.rect;
  option->text = tabs_.value(place.index);
  option->shape = QTabBar::RoundedSouth;
  option->state &= ~(QStyle::State_Selected | QStyle::State_MouseOver | QStyle::State_HasFocus);
  if (place.index == tabIndex_) option->state |= QStyle::State_Selected;
  option->position = shown == 1 ? QStyleOptionTab::OnlyOneTab : QStyleOptionTab::Middle;
  option->selectedPosition = QStyleOptionTab::NotAdjacent;
  option->documentMode = false;
}

void TTabSet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  const QVector<Place> places = TabPlaces();
  for (const Place& p : places) {
    QStyleOptionTab option;
    InitStyleOption(&option, p, places.size());
    if (&p == &places.front() && places.size() > 1) option.position = QStyleOptionTab::Beginning;
    if (&p == &places.back() && places.size() > 1) option.position = QStyleOptionTab::End;
    style()->drawControl(QStyle::CE_TabBarTabShape, &option, &painter, this);
    // A style keeps room beside a tab's text that these tabs do not have; the label gets it
    // on both sides, so it stays centred on the tab.
    QStyleOptionTab label(option);
    const int pad = qMax(0, style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &label, this));
    label.rect.adjust(-pad / 2, 0, pad / 2, 0);
    style()->drawControl(QStyle::CE_TabBarTabLabel, &label, &painter, this);
  }
}

void TTabSet::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  const int index = TabAt(e->position().toPoint());
  if (index < 0) return;
  if (index != tabIndex_) {
    SetTabIndex(index);
    emit Change(index);
  }
  emit Click();
}

void TTabSet::resizeEvent(QResizeEvent* e) {
  UpdateScroller();
  QWidget::resizeEvent(e);
}

void TTabSet::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) UpdateScroller();
  QWidget::changeEvent(e);
}

QSize TTabSet::sizeHint() const { return QSize(200, fontMetrics().height() + 8); }

}  // namespace orvane
