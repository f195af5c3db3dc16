// Filling combo boxes from query rows and string lists.
#pragma once

#include <QString>
#include <QStringList>

#include "scheduler/core/datamodule.h"

class QComboBox;

// The first column of every non-blank row of the statement, into the box (errors pass: DbError).
void QueryToComboBox(TDataModule1& dm, orvane::db::Query& query, const QString& sql, QComboBox* box,
                     const SqlParams& params = {});
// Clears the box's items and adds every string of the list in order.
void StringsToComboBox(QComboBox* box, const QStringList& list);
