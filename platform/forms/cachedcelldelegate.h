// A grid's cell delegate that keeps what it painted: a text cell shown again with the same
// text, size, state, font and colours is copied, not laid out and drawn anew. A grid's text is
// most of what a full repaint of its window costs (a cell's text is shaped several times per
// paint), and windows are repainted whole when the skin is switched or they are uncovered.
#pragma once

#include <QByteArray>
#include <QCache>
#include <QFont>
#include <QImage>
#include <QStyledItemDelegate>

namespace orvane {

class CachedCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  // What the kept cells may weigh together: about 1,000 cells of a grid's usual size, its
  // visible cells with and without the skin.
  static constexpr qsizetype kDefaultLimitBytes = 8 * 1024 * 1024;

  explicit CachedCellDelegate(QObject* parent = nullptr, qsizetype limitBytes = kDefaultLimitBytes);

  // Paints as QStyledItemDelegate does (the row's panel beneath, as the view draws it first);
  // from the cache when the cell was painted before with everything that decides its pixels.
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // Cells painted from the cache and painted anew, since the delegate was made.
  int hits() const { return hits_; }
  int misses() const { return misses_; }
  // Cells kept, and what they weigh against the limit.
  int cachedCells() const { return int(cells_.count()); }
  qsizetype cachedBytes() const { return cells_.totalCost(); }

 private:
  // The key of everything that decides a cell's pixels; empty when the cell is not kept (an
  // icon, a check box, an editor, a brush that is not a plain colour, a painter that scales).
  QByteArray KeyOf(const QPainter* painter, const QStyleOptionViewItem& option) const;

  mutable QCache<QByteArray, QImage> cells_;
  // The parts of a key that stay while a grid paints: its palette's colours and its font's key
  // (a skin switched back gives a new palette of the same colours: cells keep their pixels).
  mutable qint64 paletteKey_ = -1;
  mutable QByteArray paletteColours_;
  mutable QFont font_;
  mutable QByteArray fontKey_;
  mutable int hits_ = 0, misses_ = 0;
};

}  // namespace orvane
