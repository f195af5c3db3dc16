// Today's programme: which schedule plays today, the daily status reset, the grid statement,
// the in-memory entries the dispatcher walks, the end-of-day shutdown time, the catch-up
// start and the next-entry line.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "scheduler/core/mainstate.h"

class Clock;
class EntryRunner;
class FiredSet;
class TDataModule1;

// What the main window shows of today's programme.
class ProgrammeView {
 public:
  virtual ~ProgrammeView() = default;
  virtual void setScheduleLabel(const QString& text) = 0;   // the schedule's name
  virtual void setNextEntryLabel(const QString& text) = 0;  // the next-entry line
  // The grid query was reopened: columns and the count line follow.
  virtual void todayGridShown() = 0;
};

class TodayProgramme {
 public:
  TodayProgramme(TDataModule1& dm, MainState& state, const Clock& clock);
  void setView(ProgrammeView* v) { view_ = v; }
  void setRunner(EntryRunner* r) { runner_ = r; }
  void setFiredSet(FiredSet* f) { fired_ = f; }

  // Reloads everything. Never throws: a database failure is logged and shown once, and the
  // day then has no entries.
  void LoadToday();
  // Reopens the grid statement on today's schedule.
  void ShowTodayGrid();
  // False when the database could not be read (logged).
  bool ComputeEndShutdownTime();
  // Starts the entry whose span contains the present second (not when it is the one playing).
  void CatchUpEntry();
  // When an entry ends in automatic play: once the day's last end is reached, the computer
  // is to shut down 5 seconds later (only with "endshutdown" on). Every entry-ending path
  // calls this one routine with the entry that ended (none: a text whose reading ended now).
  void ArmEndShutdown(const rjmb* ended = nullptr);
  // The moment the programme day's last entry ends (invalid when none ends).
  QDateTime EndOfDay() const;
  void ShowNextEntry();
  // The schedule named for a day of the month ("01".."31"); "" when none.
  QString GetDaySchedule(const QString& day);

  static QString GridStatement();
  // The schedule name shown on a day on which nothing plays.
  static QString HolidayScheduleName() { return QStringLiteral("不播音日期"); }

 private:
  void resetStatuses(const QString& today, int now);
  void armAt(const QDateTime& endedAt, const QDateTime& now, const QDate& day);
  std::optional<QDateTime> lastEntryCutByNewDay(const QDate& today, const QDateTime& now) const;
  void copyRows();

  TDataModule1& dm_;
  MainState& s_;
  const Clock& clock_;
  ProgrammeView* view_ = nullptr;
  EntryRunner* runner_ = nullptr;
  FiredSet* fired_ = nullptr;
  QDate armedDay_;  // the programme day on which the end-of-day shutdown was armed
};
