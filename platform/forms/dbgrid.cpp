// Query-bound grid.
#include "platform/forms/dbgrid.h"

#include <QHeaderView>
#include <QStyle>

#include "platform/db/query.h"
#include "platform/forms/cachedcelldelegate.h"
#include "platform/db/querymodel.h"

namespace orvane {

DBGrid::DBGrid(QWidget* parent) : QTableView(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->setDefaultSectionSize(20);
  verticalHeader()->setVisible(false);
  horizontalHeader()->setHighlightSections(false);
  setAlternatingRowColors(false);
  setItemDelegate(new CachedCellDelegate(this));
}

void DBGrid::setQuery(db::Query* query) {
  query_ = query;
  delete model_;
  model_ = new db::QueryModel(query, this);
  setModel(model_);
  connect(query_, &db::Query::currentChanged, this, &DBGrid::followCursor);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { followCursor(query_->recNo()); });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    syncing_ = true;
    query_->setRecNo(current.row());
    syncing_ = false;
  });
}

void DBGrid::followCursor(int row) {
  if (syncing_ || !model_) return;
  syncing_ = true;
  if (row >= 0 && row < model_->rowCount()) {
    int column = 0;
    while (column < model_->columnCount() && isColumnHidden(column)) ++column;
    const QModelIndex index = model_->index(row, column < model_->columnCount() ? column : 0);
    setCurrentIndex(index);
    scrollTo(index);
  } else {
    clearSelection();
  }
  syncing_ = false;
}

void DBGrid::setColumn(const QString& fieldName, const QString& title, int width, bool visible,
                       const QString& typical) {
  if (!query_) return;
  model_->setTitle(fieldName, title);
  const int column = query_->fieldIndex(fieldName);
  if (column < 0) return;
  setColumnHidden(column, !visible);
  if (!visible) return;
  // A cell's text keeps the focus frame's margin and a little air on each side.
  const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 6;
  width = qMax(width, horizontalHeader()->sectionSizeHint(column));
  if (!typical.isEmpty()) width = qMax(width, fontMetrics().horizontalAdvance(typical) + padding);
  setColumnWidth(column, width);
}

void DBGrid::hideColumnOf(const QString& fieldName) {
  const int column = query_ ? query_->fieldIndex(fieldName) : -1;
  if (column >= 0) setColumnHidden(column, true);
}

QString DBGrid::columnTitle(const QString& fieldName) const {
  const int column = query_ ? query_->fieldIndex(fieldName) : -1;
  return column < 0 ? QString() : model_->headerData(column, Qt::Horizontal).toString();
}

}  // namespace orvane
