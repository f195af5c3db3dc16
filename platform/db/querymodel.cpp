// Table model over a query.
#include "platform/db/querymodel.h"

#include "platform/db/query.h"

namespace orvane::db {

QueryModel::QueryModel(Query* query, QObject* parent) : QAbstractTableModel(parent), query_(query) {
  // The query replaces its rows wholesale; a full reset is the honest signal.
  connect(query_, &Query::rowsReset, this, [this] {
    beginResetModel();
    endResetModel();
  });
  connect(query_, &Query::valueChanged, this, [this](int row, int column) {
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at);
  });
}

int QueryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : query_->recordCount(); }

int QueryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(query_->fieldNames().size());
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const QVariant v = query_->value(index.row(), index.column());
  return v.isNull() ? QVariant(QString()) : v;
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return {};
  const QString name = query_->fieldNames().value(section);
  return titles_.value(name.toLower(), name);
}

void QueryModel::setTitle(const QString& fieldName, const QString& title) {
  titles_.insert(fieldName.toLower(), title);
  const int column = query_->fieldIndex(fieldName);
  if (column >= 0) emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace orvane::db
