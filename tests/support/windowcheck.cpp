// Whole texts of a window.
#include "tests/support/windowcheck.h"

#include <QAbstractScrollArea>
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
int advance(const QWidget* w, QString text) {
  text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));  // mnemonics
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n'))) widest = qMax(widest, w->fontMetrics().horizontalAdvance(line));
  return widest;
}

// Parts of composite controls (a spin box's edit, a combo box's view, a grid's viewport)
// are theirs to arrange; a control lies whole inside every parent up to the window.
bool composite(const QWidget* w, const QWidget* window) {
  for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QComboBox*>(p) ||
        qobject_cast<const QAbstractSpinBox*>(p))
      return true;
  return false;
}
bool wholeInParents(const QWidget* w, const QWidget* window) {
  QRect r = w->rect();
  for (const QWidget* p = w; p != window; p = p->parentWidget())
    if (!p->parentWidget()->rect().contains(r.translated(p->pos()))) return false;
    else r.translate(p->pos());
  return true;
}

// What a column is expected to show whole: its title, and a time, a volume, a channel, a
// status or a play mode among its first rows.
void checkGrid(const QTableView* grid, QStringList& cut) {
  static const QRegularExpression typical(QStringLiteral(
      "^(\\d{1,2}:\\d\\d(:\\d\\d)?|\\d{1,3}|[主副]通道|[待正已未]播|单曲播放|单曲循环|随机播放|顺序播放|顺序循环|随机单曲)$"));
  const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
  const auto* model = grid->model();
  for (int c = 0; model && c < model->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    const QString title = model->headerData(c, Qt::Horizontal).toString();
    if (grid->columnWidth(c) < grid->horizontalHeader()->sectionSizeHint(c)) cut << QStringLiteral("title ") + title;
    for (int r = 0; r < qMin(model->rowCount(), 20); ++r) {
      const QString value = model->index(r, c).data().toString();
      if (typical.match(value).hasMatch() && grid->columnWidth(c) < advance(grid, value) + margin)
        cut << value + QStringLiteral(" under ") + title;
    }
  }
}

// The text a control shows and whether its room holds it.
bool holdsText(QWidget* w, QString* text) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    *text = label->text();
    if (label->wordWrap()) return label->height() >= label->heightForWidth(label->width());
    return label->width() >= label->minimumSizeHint().width() && label->height() >= label->minimumSizeHint().height();
  }
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && !qobject_cast<QToolButton*>(w)) {
    *text = b->text();
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const auto part = qobject_cast<QPushButton*>(w)   ? QStyle::SE_PushButtonContents
                      : qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents
                                                    : QStyle::SE_RadioButtonContents;
    const QRect room = b->style()->subElementRect(part, &opt, b);
    return room.width() >= advance(b, *text) && room.height() >= b->fontMetrics().height();
  }
  if (auto* tool = qobject_cast<QToolButton*>(w)) {
    *text = tool->text();
    return tool->width() >= tool->sizeHint().width();
  }
  if (auto* group = qobject_cast<QGroupBox*>(w)) {
    // The style measures the title its own way; what counts is the room the box leaves it.
    *text = group->title();
    QStyleOptionGroupBox opt;
    opt.initFrom(group);
    opt.text = *text;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
    return title.x() >= 0 && title.x() + advance(group, *text) <= group->width();
  }
  if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable()) {
    *text = combo->currentText();
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
    return field.width() >= advance(combo, *text);
  }
  return true;
}
}  // namespace

QStringList cutTexts(QWidget* window) {
  QStringList cut;
  QFont titleFont = window->font();
  titleFont.setBold(true);
  const QString caption = window->windowTitle();
  if (window->width() < QFontMetrics(titleFont).horizontalAdvance(caption) + kTitleBarRoom)
    cut << QStringLiteral("caption ") + caption;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->isWindow() || composite(w, window)) continue;
    const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    QString text;
    if (!wholeInParents(w, window)) cut << name + QStringLiteral(" outside its parent");
    else if (!holdsText(w, &text) && !text.isEmpty()) cut << name + QStringLiteral(": ") + text;
    else if (auto* grid = qobject_cast<QTableView*>(w)) checkGrid(grid, cut);
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
