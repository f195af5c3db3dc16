// The list box of the song-list windows: its items are moved by dragging the selected item
// onto another place, or by Up and Down, and the selection follows the moved item.
#pragma once

#include <QListWidget>

class SongListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit SongListBox(QWidget* parent = nullptr);

  QStringList lines() const;
  void setLines(const QStringList& lines);
  void appendLines(const QStringList& lines);
  // Removes the selected item; nothing without a selection.
  void removeSelected();
  // The drop: the selected item moves to the index of the item under the point (in the
  // viewport), or to the end when the point is below the last item.
  void ListBox1DragDrop(const QPoint& viewportPoint);

 signals:
  // The number of items changed.
  void countChanged(int count);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  int selectedRow() const;
  void moveRow(int from, int to);
};
