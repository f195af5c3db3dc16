// Day map and holidays.
#include "scheduler/core/daymap.h"

#include <QDebug>

#include "platform/db/connection.h"
#include "scheduler/core/datamodule.h"

namespace odb = orvane::db;

DayMap::DayMap(TDataModule1& dm) : dm_(dm) {}

const QStringList& DayMap::WeekdayKeys() {
  static const QStringList keys{QStringLiteral("Monday"),   QStringLiteral("Tuesday"), QStringLiteral("Wednesday"),
                                QStringLiteral("Thursday"), QStringLiteral("Friday"),  QStringLiteral("Saturday"),
                                QStringLiteral("Sunday")};
  return keys;
}

const QStringList& DayMap::MonthDays() {
  static const QStringList days = [] {
    QStringList d;
    for (int i = 1; i <= 31; ++i) d.append(QString::asprintf("%.2d", i));
    return d;
  }();
  return days;
}

QString DayMap::GetDaySchedule(TDataModule1& dm, const QString& day) {
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select rj,sjb from rjb where rj=:d"), {{QStringLiteral(":d"), day}});
  if (dm.qry_temp.isEmpty()) return {};
  // A day left NULL holds the column's default, no broadcast; never a schedule named "".
  const QVariant name = dm.qry_temp.field(QStringLiteral("sjb"));
  return name.isNull() ? NoBroadcast() : name.toString();
}

QStringList DayMap::Choices() {
  QStringList names;
  dm_.QueryToStrings(dm_.qry_temp, QStringLiteral("select Schedulen from sjb group by Schedulen"), names);
  names.append(NoBroadcast());
  return names;
}

QString DayMap::WeekdaySchedule(const QString& key) { return dm_.GetSetting(key); }

bool DayMap::Weekly() { return dm_.GetSetting(QStringLiteral("volume4")) == QLatin1String("0"); }

namespace {
const QString kWriteSetting = QStringLiteral(
    "insert into system1(name1,value1) values(:k,:v) on conflict(name1) do update set value1=excluded.value1");
}

bool DayMap::SaveWeekly(const QStringList& schedules) {
  if (!dm_.connection() || schedules.size() != WeekdayKeys().size()) return false;
  odb::Transaction t(*dm_.connection());
  bool ok = t.active() &&
            dm_.ExecQuery(dm_.qry_temp, kWriteSetting, {{QStringLiteral(":k"), QStringLiteral("volume4")}, {QStringLiteral(":v"), QStringLiteral("0")}});
  for (int i = 0; ok && i < schedules.size(); ++i)
    ok = dm_.ExecQuery(dm_.qry_temp, kWriteSetting, {{QStringLiteral(":k"), WeekdayKeys().at(i)}, {QStringLiteral(":v"), schedules.at(i)}});
  ok = ok && t.commit();
  if (!ok) qWarning().noquote() << "day map: the weekly map was not saved:" << dm_.connection()->lastError();
  return ok;
}

bool DayMap::SaveMonthly(const QStringList& schedules) {
  if (!dm_.connection() || schedules.size() != MonthDays().size()) return false;
  odb::Transaction t(*dm_.connection());
  bool ok = t.active() &&
            dm_.ExecQuery(dm_.qry_temp, kWriteSetting, {{QStringLiteral(":k"), QStringLiteral("volume4")}, {QStringLiteral(":v"), QStringLiteral("1")}});
  for (int i = 0; ok && i < schedules.size(); ++i)
    ok = dm_.ExecQuery(dm_.qry_temp, QStringLiteral("update rjb set sjb=:s where rj=:d"),
                       {{QStringLiteral(":s"), schedules.at(i)}, {QStringLiteral(":d"), MonthDays().at(i)}});
  ok = ok && t.commit();
  if (!ok) qWarning().noquote() << "day map: the monthly map was not saved:" << dm_.connection()->lastError();
  return ok;
}

QStringList DayMap::Holidays() {
  QStringList days;
  dm_.QueryToStrings(dm_.qry_temp, QStringLiteral("select holiday from holiday"), days);
  return days;
}

bool DayMap::AddHoliday(const QString& day) {
  // Checked in the statement itself, so a day is never stored twice whatever the table's keys.
  const bool ok = dm_.ExecQuery(dm_.qry_temp,
                                QStringLiteral("insert into holiday(holiday) select :d "
                                               "where not exists (select 1 from holiday where holiday=:d)"),
                                {{QStringLiteral(":d"), day}});
  return ok && dm_.qry_temp.rowsAffected() == 1;
}

bool DayMap::DeleteHoliday(const QString& day) {
  return dm_.ExecQuery(dm_.qry_temp, QStringLiteral("delete from holiday where holiday=:d"), {{QStringLiteral(":d"), day}});
}
