// Whole texts of a window.
#include "tests/support/windowcheck.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOption>
#include <QTableView>
#include <QToolButton>

namespace testing_support {

namespace {
QString nameOf(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

QString withoutMnemonic(QString text) {
  text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
  return text;
}

int advance(const QWidget* w, const QString& text) {
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) widest = qMax(widest, w->fontMetrics().horizontalAdvance(line));
  return widest;
}

// Parts of composite controls (a spin box's edit, a combo box's view, a grid's viewport)
// are theirs to arrange.
bool insideComposite(const QWidget* w, const QWidget* window) {
  for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QComboBox*>(p) ||
        qobject_cast<const QAbstractSpinBox*>(p))
      return true;
  return false;
}

// The part of the control that its parents leave visible, up to the window.
bool wholeInParents(const QWidget* w, const QWidget* window) {
  QRect r = w->rect();
  for (const QWidget* p = w; p != window && p->parentWidget(); p = p->parentWidget()) {
    r.translate(p->pos());
    if (!p->parentWidget()->rect().contains(r)) return false;
  }
  return true;
}

// A short value a column is expected to show whole: a time, a volume, a channel, a status or
// a play mode.
bool typicalValue(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d{1,2}:\\d\\d(:\\d\\d)?|\\d{1,3}|主通道|副通道|待播|正播|已播|未播|单曲播放|单曲循环|随机播放|顺序播放|顺序循环|随机单曲)$"));
  return pattern.match(text).hasMatch();
}

void checkGrid(QTableView* grid, QStringList& cut) {
  QHeaderView* header = grid->horizontalHeader();
  const auto* model = grid->model();
  if (!model) return;
  const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
  for (int c = 0; c < model->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    const QString title = model->headerData(c, Qt::Horizontal).toString();
    if (grid->columnWidth(c) < header->sectionSizeHint(c))
      cut << QStringLiteral("%1: column title \"%2\"").arg(nameOf(grid), title);
    for (int r = 0; r < qMin(model->rowCount(), 20); ++r) {
      const QString value = model->index(r, c).data().toString();
      if (typicalValue(value) && grid->columnWidth(c) < grid->fontMetrics().horizontalAdvance(value) + margin)
        cut << QStringLiteral("%1: \"%2\" in column \"%3\"").arg(nameOf(grid), value, title);
    }
  }
}

void checkControl(QWidget* w, QStringList& cut) {
  const QString name = nameOf(w);
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return;
    const bool fits = label->wordWrap()
                          ? label->height() >= label->heightForWidth(label->width())
                          : label->width() >= label->minimumSizeHint().width() &&
                                label->height() >= label->minimumSizeHint().height();
    if (!fits) cut << QStringLiteral("%1: \"%2\"").arg(name, label->text());
  } else if (auto* push = qobject_cast<QPushButton*>(w)) {
    if (push->text().isEmpty()) return;
    QStyleOptionButton opt;
    opt.initFrom(push);
    opt.text = push->text();
    const QRect contents = push->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, push);
    if (contents.width() < advance(push, withoutMnemonic(push->text())) || contents.height() < push->fontMetrics().height())
      cut << QStringLiteral("%1: \"%2\"").arg(name, push->text());
  } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
    auto* b = static_cast<QAbstractButton*>(w);
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const auto element = qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
    const QRect contents = b->style()->subElementRect(element, &opt, b);
    if (contents.width() < advance(b, withoutMnemonic(b->text())))
      cut << QStringLiteral("%1: \"%2\"").arg(name, b->text());
  } else if (auto* tool = qobject_cast<QToolButton*>(w)) {
    if (!tool->text().isEmpty() && tool->width() < tool->sizeHint().width())
      cut << QStringLiteral("%1: \"%2\"").arg(name, tool->text());
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    if (group->title().isEmpty()) return;
    QStyleOptionGroupBox opt;
    opt.initFrom(group);
    opt.text = group->title();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    opt.textAlignment = group->alignment();
    const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
    // The style measures the title its own way; what counts is the room the box leaves it.
    if (title.x() < 0 || title.x() + advance(group, group->title()) > group->width())
      cut << QStringLiteral("%1: \"%2\"").arg(name, group->title());
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (combo->isEditable() || combo->currentText().isEmpty()) return;
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = false;
    opt.currentText = combo->currentText();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    if (field.width() < advance(combo, combo->currentText()))
      cut << QStringLiteral("%1: \"%2\"").arg(name, combo->currentText());
  } else if (auto* grid = qobject_cast<QTableView*>(w)) {
    checkGrid(grid, cut);
  }
}
}  // namespace

QStringList cutTexts(QWidget* window) {
  QStringList cut;
  QFont titleFont = window->font();
  titleFont.setBold(true);
  const QString caption = window->windowTitle();
  if (!caption.isEmpty() && window->width() < QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarRoom)
    cut << QStringLiteral("caption \"%1\" in a window %2 wide").arg(caption).arg(window->width());
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || insideComposite(w, window) || w->isWindow()) continue;
    if (!wholeInParents(w, window)) {
      cut << QStringLiteral("%1: outside its parent").arg(nameOf(w));
      continue;
    }
    checkControl(w, cut);
  }
  return cut;
}

void shrinkToMinimum(QWidget* window) {
  QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (window->layout()) window->layout()->activate();
  window->resize(1, 1);  // the window's minimum size holds
  QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  QApplication::processEvents();
}

}  // namespace testing_support
