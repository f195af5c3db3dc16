// A grid bound to a query: it shows the query's rows, follows its cursor and moves it when
// the operator picks a row. Column titles, widths and visibility are set by field name.
#pragma once

#include <QTableView>

namespace orvane::db {
class Query;
class QueryModel;
}  // namespace orvane::db

namespace orvane {

class DBGrid : public QTableView {
  Q_OBJECT
 public:
  explicit DBGrid(QWidget* parent = nullptr);
  void setQuery(db::Query* query);
  db::Query* query() const { return query_; }
  db::QueryModel* queryModel() const { return model_; }

  // Shows (or hides) a field's column with a title and a width in pixels. The column is
  // never narrower than its title, nor than the typical value given (a time, a volume, a
  // channel's name) in the grid's font.
  void setColumn(const QString& fieldName, const QString& title, int width, bool visible = true,
                 const QString& typical = QString());
  void hideColumnOf(const QString& fieldName);
  // The title of the column showing the field, as the header shows it.
  QString columnTitle(const QString& fieldName) const;

 private:
  void followCursor(int row);
  db::Query* query_ = nullptr;
  db::QueryModel* model_ = nullptr;
  bool syncing_ = false;
};

}  // namespace orvane
