// Today's programme: which schedule plays today, the daily status reset, the grid statement,
// the in-memory entries the dispatcher walks, the end-of-day shutdown time, the catch-up
// start and the next-entry line.
#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <optional>

#include "scheduler/core/mainstate.h"
#include "scheduler/core/statusqueue.h"
#include "scheduler/core/todayrows.h"

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
  ~TodayProgramme();
  TodayProgramme(const TodayProgramme&) = delete;
  TodayProgramme& operator=(const TodayProgramme&) = delete;
  void setView(ProgrammeView* v) { view_ = v; }
  void setRunner(EntryRunner* r) { runner_ = r; }
  void setFiredSet(FiredSet* f) { fired_ = f; }

  // Reloads everything. Never throws. When the settings, the day map or the day's rows
  // cannot be read (or a row is malformed) the operator is told (ReportReadError), and a day
  // whose schedule is unknown has no entries until a reload reads it. Statuses held up by a
  // lock are first given flushWaitMs to be written (0 inside the tick, which never waits for
  // a lock).
  void LoadToday(int flushWaitMs = kReloadWaitMs);
  // Reads the grid statement on today's schedule again into today's entries, which the grid
  // shows; statuses still queued show on top. A failed read is told as a load's is.
  void ShowTodayGrid();
  // Something the day depends on could not be read (the reason is in the program's log): the
  // next load tells it with its own, once.
  void NoteReadError() { readError_ = true; }
  // Tells the operator that the day's programme could not be read as it is: the box
  // "时间表读取错误!请检查时间表。" from the event loop, never waited for (the clock goes on), and
  // a line in log.txt.
  void ReportReadError();
  // Moves the grid to today's entry at that index.
  void ShowEntryRow(int index);
  // An entry's status while the broadcast runs: today's entry and its grid row show it at
  // once; the database gets it through the status queue (never waiting for a lock). With
  // onlyIfPlaying only an entry that is "正播" takes it.
  void WriteStatus(qint64 id, const QString& status, bool onlyIfPlaying = false);
  // The operator is told (once per reason) that a status can never be written.
  void TellRefused(const StatusQueue::Item& item, const QString& why);
  // The broadcast is taken over from the former image of this program, which walked the
  // clock up to this second: the next load marks as missed only starts up to it (the
  // dispatcher walks the rest). Invalid: the present second.
  void setWalkedUpTo(const QDateTime& t) { walkedUpTo_ = t; }
  StatusQueue& statusQueue() { return queue_; }
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
  // A reload waits this long for statuses held up by a lock before it reads the day anyway.
  static constexpr int kReloadWaitMs = 100;

 private:
  void resetStatuses(int now);
  int missedUpTo(const QDateTime& now) const;
  void armAt(const QDateTime& endedAt, const QDateTime& now, const QDate& day);
  std::optional<QDateTime> lastEntryCutByNewDay(const QDate& today, const QDateTime& now) const;
  // The schedule today plays ("不播音日期" on a holiday); nothing when the settings or the
  // day map could not be read (the reason logged).
  std::optional<QString> chooseSchedule(const QDate& today, bool* holiday);
  // Reads the day's rows into today's entries (through the grid's query); false when they
  // could not be read.
  bool readRows();
  // No rows and no columns: the day's schedule is unknown.
  void clearRows();
  // The grid's query shows this programme's entries (another programme on the same data
  // module may have taken it).
  bool ownsGrid() const;
  // Shows a status on today's entry, which is its grid row; the entry's name ("" for none).
  QString showStatus(qint64 id, const QString& status, bool onlyIfPlaying);
  void setStatusAt(std::size_t row, const QString& status);
  // Shows on today's entries, in order, what the queue still has to write for this day;
  // false when a row's day could not be read.
  bool applyQueued();

  TDataModule1& dm_;
  MainState& s_;
  const Clock& clock_;
  ProgrammeView* view_ = nullptr;
  EntryRunner* runner_ = nullptr;
  FiredSet* fired_ = nullptr;
  QDate armedDay_;  // the programme day on which the end-of-day shutdown was armed
  StatusQueue queue_;
  TodayRows rows_;
  bool readError_ = false;  // a read failed since the operator was last told
  bool dayFades_ = false;  // the fade switch today's entries were loaded with
  QDateTime walkedUpTo_;
  QSet<QString> refusedTold_;
};
