// The day map: which schedule plays on each weekday (settings "Monday".."Sunday") or on each
// day of the month (table `rjb`), the mode between them ("volume4"), and the holidays.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class TDataModule1;

class DayMap {
 public:
  explicit DayMap(TDataModule1& dm);
  TDataModule1& dm() const { return dm_; }

  // "Monday" .. "Sunday", in the window's order.
  static const QStringList& WeekdayKeys();
  // "01" .. "31".
  static const QStringList& MonthDays();
  // The choice that means no broadcast.
  static QString NoBroadcast() { return QStringLiteral("无"); }

  // The schedule named for a day of the month ("01".."31"); "" when there is no such row,
  // "无" when the day holds NULL.
  // Today's programme reads the day map through this one function. Throws DbError.
  static QString GetDaySchedule(TDataModule1& dm, const QString& day);

  // Every schedule name (non-blank), then "无". Throws DbError.
  QStringList Choices();
  // The stored weekday choice ("" when the key has no row).
  QString WeekdaySchedule(const QString& key);
  // "volume4" is "0": weekly; any other value is monthly.
  bool Weekly();

  // Saves one mode: "volume4" and the seven (weekly) or 31 (monthly) choices, all in one
  // transaction. False (nothing written, the reason logged) on failure.
  bool SaveWeekly(const QStringList& schedules);
  bool SaveMonthly(const QStringList& schedules);

  // Holidays as stored ("yyyy-MM-dd"), in table order. Throws DbError.
  QStringList Holidays();
  static QString HolidayText(const QDate& day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }
  // False when the day is already a holiday or the write failed.
  bool AddHoliday(const QString& day);
  // False when the write failed.
  bool DeleteHoliday(const QString& day);

 private:
  TDataModule1& dm_;
};
