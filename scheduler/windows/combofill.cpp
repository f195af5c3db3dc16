// Combo box fillers.
#include "scheduler/windows/combofill.h"

#include <QComboBox>

void QueryToComboBox(TDataModule1& dm, orvane::db::Query& query, const QString& sql, QComboBox* box,
                     const SqlParams& params) {
  QStringList list;
  dm.QueryToStrings(query, sql, list, params);
  StringsToComboBox(box, list);
}

void StringsToComboBox(QComboBox* box, const QStringList& list) {
  box->clear();
  box->addItems(list);
}
