// A read-only table model over a Query, for the grids that show query rows.
#pragma once

#include <QAbstractTableModel>
#include <QHash>

namespace orvane::db {

class Query;

class QueryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit QueryModel(Query* query, QObject* parent = nullptr);
  Query* query() const { return query_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  // Column titles by field name; a field without a title shows its name.
  void setTitle(const QString& fieldName, const QString& title);

 private:
  Query* query_;
  QHash<QString, QString> titles_;
};

}  // namespace orvane::db
