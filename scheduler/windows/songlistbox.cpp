// Song-list list box.
#include "scheduler/windows/songlistbox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>

SongListBox::SongListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setToolTip(QStringLiteral("用鼠标托动选中项或用向上向下方向键控制可改变位置"));
}

QStringList SongListBox::lines() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out.append(item(i)->text());
  return out;
}

void SongListBox::setLines(const QStringList& lines) {
  clear();
  addItems(lines);
  emit countChanged(count());
}

void SongListBox::appendLines(const QStringList& lines) {
  addItems(lines);
  emit countChanged(count());
}

void SongListBox::removeSelected() {
  const int row = selectedRow();
  if (row < 0) return;
  delete takeItem(row);
  emit countChanged(count());
}

int SongListBox::selectedRow() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.first());
}

void SongListBox::moveRow(int from, int to) {
  if (from == to) return;
  QListWidgetItem* it = takeItem(from);
  insertItem(to, it);
}

void SongListBox::ListBox1DragDrop(const QPoint& viewportPoint) {
  const int from = selectedRow();
  if (from < 0) return;
  const QListWidgetItem* target = itemAt(viewportPoint);
  const int to = target ? row(target) : count() - 1;
  moveRow(from, to);
  setCurrentRow(to);
}

void SongListBox::keyPressEvent(QKeyEvent* e) {
  const int row = selectedRow();
  if (e->modifiers() == Qt::NoModifier && row >= 0) {
    // The item moves and its old index is selected again; the list's own handling of the
    // key then takes the selection one step on, onto the moved item.
    if (e->key() == Qt::Key_Up && row > 0) {
      moveRow(row, row - 1);
      setCurrentRow(row);
    } else if (e->key() == Qt::Key_Down && row < count() - 1) {
      moveRow(row, row + 1);
      setCurrentRow(row);
    }
  }
  QListWidget::keyPressEvent(e);
}

void SongListBox::dragEnterEvent(QDragEnterEvent* e) {
  if (e->source() == this) e->acceptProposedAction();
  else e->ignore();
}

void SongListBox::dragMoveEvent(QDragMoveEvent* e) {
  if (e->source() == this) e->acceptProposedAction();
  else e->ignore();
}

void SongListBox::dropEvent(QDropEvent* e) {
  if (e->source() != this) {
    e->ignore();
    return;
  }
  ListBox1DragDrop(e->position().toPoint());
  // The move is done here; the view must not also remove the dragged item.
  e->setDropAction(Qt::CopyAction);
  e->accept();
}
