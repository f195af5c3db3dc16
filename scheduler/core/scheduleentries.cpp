// Schedule manager statements.
#include "scheduler/core/scheduleentries.h"

#include <QDebug>

#include "platform/db/connection.h"
#include "scheduler/core/datamodule.h"

namespace odb = orvane::db;

ScheduleEntries::ScheduleEntries(TDataModule1& dm) : dm_(dm) {}

QStringList ScheduleEntries::Names() {
  QStringList names;
  dm_.QueryToStrings(dm_.qry_temp, QStringLiteral("select Schedulen from sjb group by Schedulen"), names);
  return names;
}

void ScheduleEntries::Show(odb::Query& query, const QString& schedule, const QString& order) {
  // Only the two fixed column names ever reach the statement text.
  const QString by = order.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0 ? QStringLiteral("id")
                                                                                  : QStringLiteral("starttime,id");
  dm_.OpenQuery(query,
                QStringLiteral("select id,pname,starttime,endtime,slpath,playmode,tlength,ivolume,Schedulen,jmlx,"
                               "mainchannel,txt from sjb where Schedulen=:s order by ") +
                    by,
                {{QStringLiteral(":s"), schedule}});
}

bool ScheduleEntries::DeleteIds(const QList<qint64>& ids) {
  if (ids.isEmpty()) return true;
  if (!dm_.connection()) return false;
  odb::Transaction t(*dm_.connection());
  bool ok = t.active();
  for (qint64 id : ids) {
    if (!ok) break;
    ok = dm_.ExecQuery(dm_.qry_temp, QStringLiteral("delete from sjb where id=:id"), {{QStringLiteral(":id"), id}});
  }
  ok = ok && t.commit();
  if (!ok) qWarning().noquote() << "schedules: the entries were not deleted:" << dm_.connection()->lastError();
  return ok;
}

bool ScheduleEntries::DeleteSchedule(const QString& schedule) {
  return dm_.ExecQuery(dm_.qry_temp, QStringLiteral("delete from sjb where Schedulen=:s"),
                       {{QStringLiteral(":s"), schedule}});
}

ScheduleEntries::PasteResult ScheduleEntries::PasteOne(qint64 id, const QString& schedule) {
  try {
    dm_.OpenQuery(dm_.qry_show3, QStringLiteral("select * from sjb where id=:id"), {{QStringLiteral(":id"), id}});
  } catch (const DbError& e) {
    qWarning().noquote() << "schedules: cannot read entry" << id << ":" << e.what();
    return PasteResult::Failed;
  }
  if (dm_.qry_show3.isEmpty()) return PasteResult::Missing;
  auto field = [this](const char* name) { return dm_.qry_show3.fieldAsString(QLatin1String(name)); };
  // A list of values, one per parameter: a ";" or ":" inside a value is just a character.
  const QStringList values{field("pname"),    field("starttime"), field("endtime"), field("slpath"),
                           field("tlength"),  field("playmode"),  field("ivolume"), schedule,
                           field("jmlx"),     field("mainchannel"), field("txt")};
  const bool ok = dm_.ExecQueryParams(
      dm_.qry_temp,
      QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                     "mainchannel,txt) values(:v1,:v2,:v3,:v4,:v5,:v6,:v7,:v8,:v9,:v10,:v11)"),
      values);
  return ok ? PasteResult::Pasted : PasteResult::Failed;
}
