// Today's programme.
#include "scheduler/core/todayprogramme.h"

#include <QDebug>
#include <QHash>
#include <algorithm>
#include <optional>

#include "platform/db/connection.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/daymap.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/firedset.h"

namespace odb = orvane::db;

namespace {
int secondOfDay(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000; }

const QString kReadError = QStringLiteral("时间表读取错误!请检查时间表。");

const QString kWaiting = QStringLiteral("待播");
const QString kPlaying = QStringLiteral("正播");
const QString kPlayed = QStringLiteral("已播");
const QString kMissed = QStringLiteral("未播");

constexpr int kDay = 24 * 3600;
const QString kTextEnd = QStringLiteral("00:00:00");

QDateTime wholeSecond(const QDateTime& t) { return QDateTime::fromSecsSinceEpoch(t.toSecsSinceEpoch()); }

// The start and end of an entry as moments from its programme day's midnight, in seconds;
// nothing for an entry the clock can never start or end (a malformed or never time, an
// unknown kind). An end before the start is on the next day; a text read to its end
// ("00:00:00") is last known to sound at its start.
struct Span {
  int start = 0;
  int end = 0;
};
std::optional<Span> spanOf(const rjmb& e) {
  if (e.isDummy() || e.jmlx < 1 || e.jmlx > 7) return std::nullopt;
  const std::optional<int> start = e.startSeconds(), end = e.storedEndSeconds();
  if (!start || !end || *start >= kDay || *end >= kDay) return std::nullopt;
  if (e.endtime == kTextEnd) return Span{*start, *start};
  return Span{*start, *end < *start ? *end + kDay : *end};
}

// The moment nearest to now at which the clock showed that second of the day.
QDateTime nearestAt(const QDateTime& now, int second) {
  QDateTime at = QDateTime(now.date(), QTime(0, 0)).addSecs(second);
  if (at.secsTo(now) > kDay / 2) at = at.addDays(1);
  else if (now.secsTo(at) > kDay / 2) at = at.addDays(-1);
  return at;
}
}  // namespace

TodayProgramme::TodayProgramme(TDataModule1& dm, MainState& state, const Clock& clock)
    : dm_(dm), s_(state), clock_(clock), queue_(dm), rows_(state) {
  queue_.setRefusedHandler([this](const StatusQueue::Item& item, const QString& why) { TellRefused(item, why); });
}

int TodayProgramme::missedUpTo(const QDateTime& now) const {
  // A program that took the broadcast over from its former image walks the seconds that image
  // did not reach: their starts are not missed, they ring late.
  if (walkedUpTo_.isValid() && walkedUpTo_.date() == now.date() && walkedUpTo_ < now)
    return secondOfDay(walkedUpTo_);
  return secondOfDay(now);
}

TodayProgramme::~TodayProgramme() {
  if (ownsGrid()) dm_.qry_show.setRowStore(nullptr);
}

bool TodayProgramme::ownsGrid() const { return dm_.qry_show.rowStore() == &rows_; }

QString TodayProgramme::GridStatement() {
  return QStringLiteral(
      "select id,pname,starttime,endtime,slpath,playmode,status,tlength,ivolume,Schedulen,jmlx,mainchannel "
      "from sjb where Schedulen=:s order by starttime,id");
}

QString TodayProgramme::GetDaySchedule(const QString& day) { return DayMap::GetDaySchedule(dm_, day); }

void TodayProgramme::LoadToday(int flushWaitMs) {
  // Nothing in a load may wait for a person: any box raised in it only informs.
  orvane::NoNestedLoopScope noWait;
  // Statuses held up by a lock go first, so the day is read with them; a lock that outlasts
  // the short wait leaves them queued, and the grid shows them on top of what it reads.
  queue_.Flush(flushWaitMs);
  const QDateTime now = clock_.now();
  const QDate today = now.date();
  // The day before may still own its last entry under way across midnight, which this load
  // stops: that day ends at the entry's real end.
  if (const std::optional<QDateTime> cutLast = lastEntryCutByNewDay(today, now))
    armAt(*cutLast, wholeSecond(now), s_.programmeday);
  s_.programmeday = today;
  bool holiday = false;
  const std::optional<QString> schedule = chooseSchedule(today, &holiday);
  s_.todayschedule = schedule.value_or(QString());
  dayFades_ = s_.fadeenabled;
  if (view_) view_->setScheduleLabel(s_.todayschedule);
  if (runner_) runner_->StopAll();
  if (holiday && view_) view_->setNextEntryLabel(QStringLiteral("今天为不播音日期"));

  if (s_.todayschedule.isEmpty()) {
    // Today's schedule unknown (unreadable) or none named (a missing key or day row): nothing
    // plays, neither yesterday's entries nor the rows of a schedule that happens to be named "".
    clearRows();
  } else {
    if (s_.playstate == PlayState::Auto && dm_.connection()) resetStatuses(missedUpTo(now));
    walkedUpTo_ = {};
    if (!readRows()) readError_ = true;
  }
  // Also for a day without entries: it must not keep yesterday's end-of-day shutdown time.
  if (!ComputeEndShutdownTime()) readError_ = true;
  if (rows_.rowCount() > 0) {
    s_.currentid = 0;
    ShowNextEntry();
  }
  // A malformed row is reported, but never silences the others.
  if (rows_.malformed()) readError_ = true;
  if (readError_) ReportReadError();
}

std::optional<QString> TodayProgramme::chooseSchedule(const QDate& today, bool* holiday) {
  s_.todayweekday = EnglishWeekday(today);
  try {
    const std::optional<QString> mode = dm_.ReadSetting(QStringLiteral("volume4"));
    // An unreadable mode leaves the schedule unknown (the reasons are logged already).
    std::optional<QString> name;
    if (mode && *mode == QLatin1String("0"))
      name = dm_.ReadSetting(s_.todayweekday);
    else if (mode)
      name = GetDaySchedule(today.toString(QStringLiteral("dd")));
    if (!name) {
      readError_ = true;
      return std::nullopt;
    }
    dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select * from holiday where holiday=:d"),
                  {{QStringLiteral(":d"), DateText(today)}});
    *holiday = !dm_.qry_temp.isEmpty();
    return *holiday ? HolidayScheduleName() : *name;
  } catch (const DbError& e) {
    qWarning().noquote() << "programme: cannot read the day map:" << e.what();
    readError_ = true;
    return std::nullopt;
  }
}

void TodayProgramme::ReportReadError() {
  readError_ = false;
  // From the event loop, without waiting for an answer: the clock never stops on it, and
  // whatever found the fault finishes first.
  orvane::PostNotice(kReadError, QStringLiteral("错误"), orvane::mb::ICONHAND);
  // A failure is written whatever the log switch says (it governs the broadcast's events).
  WriteLog(BroadcastLog::NoticeLine(clock_.now(), kReadError));
}

void TodayProgramme::resetStatuses(int now) {
  // A lock held by another program keeps it queued; the grid shows its outcome meanwhile.
  queue_.WriteReset(s_.todayschedule, s_.programmeday, now);
}

void TodayProgramme::ShowTodayGrid() {
  // A day whose schedule could not be read, or that names none, stays empty until a load
  // reads one.
  if (s_.todayschedule.isEmpty()) {
    clearRows();
    return;
  }
  // Showing the grid again reads the same day again; when that read fails the broadcast goes
  // on with the entries read before (the grid stays empty until a read succeeds), and the
  // failure is told.
  std::vector<rjmb> before = s_.todayentries;
  if (readRows()) return;
  if (rows_.rowCount() == 0 && !(before.size() == 1 && before.front().isDummy())) {
    s_.todayentries = std::move(before);
    if (view_) view_->todayGridShown();
  }
  ReportReadError();
}

bool TodayProgramme::readRows() {
  odb::Query& q = dm_.qry_show;
  // The rows go straight into today's entries, which the grid then shows.
  q.setRowStore(&rows_);
  // The fade switch the day was loaded with: a change in the settings takes effect with the
  // next load, never moving the ends of the entries under way.
  rows_.prepare(s_.todayschedule, dayFades_);
  bool read = true;
  try {
    dm_.OpenQuery(q, GridStatement(), {{QStringLiteral(":s"), s_.todayschedule}});
  } catch (const DbError& e) {
    qWarning().noquote() << "programme: cannot read today's schedule" << s_.todayschedule << ":" << e.what();
    read = false;
  }
  if (!applyQueued()) read = false;
  if (view_) view_->todayGridShown();
  return read;
}

void TodayProgramme::clearRows() {
  dm_.qry_show.setRowStore(&rows_);
  dm_.qry_show.close();
  if (view_) view_->todayGridShown();
}

void TodayProgramme::ShowEntryRow(int index) {
  if (index < 0 || index >= int(s_.todayentries.size())) return;
  if (ownsGrid()) {
    if (index < rows_.rowCount()) dm_.qry_show.setRecNo(index);
  } else {
    dm_.qry_show.locate(QStringLiteral("id"), s_.todayentries[std::size_t(index)].id);
  }
}

void TodayProgramme::WriteStatus(qint64 id, const QString& status, bool onlyIfPlaying) {
  const QString name = showStatus(id, status, onlyIfPlaying);
  queue_.WriteStatus(id, name, status, s_.programmeday, onlyIfPlaying);
}

void TodayProgramme::TellRefused(const StatusQueue::Item& item, const QString& why) {
  // Once per reason: a damaged database may refuse every row, and one word of it is enough.
  if (refusedTold_.contains(why)) return;
  refusedTold_.insert(why);
  const QString text =
      item.reset ? QStringLiteral("数据库拒绝写入节目表<%1>的每日状态（%2）。播音照常进行，其他节目的状态照常写入。")
                       .arg(item.schedule, why)
                 : QStringLiteral("数据库拒绝写入节目<%1>的状态\"%2\"（%3）。播音照常进行，其他节目的状态照常写入。")
                       .arg(item.name, item.status, why);
  orvane::PostNotice(text, QStringLiteral("错误"), orvane::mb::ICONHAND);
  // A failure is written whatever the log switch says.
  WriteLog(BroadcastLog::NoticeLine(clock_.now(), text));
}

QString TodayProgramme::showStatus(qint64 id, const QString& status, bool onlyIfPlaying) {
  QString name;
  for (std::size_t row = 0; row < s_.todayentries.size(); ++row) {
    const rjmb& e = s_.todayentries[row];
    if (e.id != id) continue;
    name = e.pname;
    if (!onlyIfPlaying || e.status == kPlaying) setStatusAt(row, status);
  }
  return name;
}

void TodayProgramme::setStatusAt(std::size_t row, const QString& status) {
  // One row changes in place, and the grid shows it: a start never reads the whole day again.
  const int cStatus = dm_.qry_show.fieldIndex(QStringLiteral("status"));
  if (ownsGrid() && cStatus >= 0 && int(row) < rows_.rowCount())
    dm_.qry_show.setValue(int(row), cStatus, status);
  else
    s_.todayentries[row].status = status;
}

bool TodayProgramme::applyQueued() {
  const std::deque<StatusQueue::Item>& pending = queue_.pending();
  const QString day = DateText(s_.programmeday);
  auto mine = [&](const StatusQueue::Item& item) {
    return item.day == s_.programmeday && (!item.reset || item.schedule == s_.todayschedule);
  };
  if (rows_.rowCount() == 0 || std::none_of(pending.begin(), pending.end(), mine)) return true;
  // The reset acts on rows not yet reset today, so it needs each row's day as the database
  // holds it (a read, which another program's write lock does not hold up).
  bool read = true;
  QHash<qint64, QString> statusday;
  if (std::any_of(pending.begin(), pending.end(), [&](const StatusQueue::Item& i) { return mine(i) && i.reset; })) {
    odb::Query days(dm_.connection());
    days.setSql(QStringLiteral("select id,statusday from sjb where Schedulen=:s"));
    days.bindValue(QStringLiteral(":s"), s_.todayschedule);
    read = days.open();
    for (int row = 0; row < days.recordCount(); ++row)
      statusday.insert(days.value(row, 0).toLongLong(), days.value(row, 1).toString());
  }
  for (const StatusQueue::Item& item : pending) {
    if (!mine(item)) continue;
    for (std::size_t row = 0; row < s_.todayentries.size(); ++row) {
      const rjmb& e = s_.todayentries[row];
      QString status = e.status;
      if (item.reset) {
        // The same three steps as the reset's statements, on this row.
        if (statusday.value(e.id) != day) status = kWaiting;
        if (status == kPlaying) status = kPlayed;
        if (status == kWaiting) {
          const std::optional<int> start = e.startSeconds();
          if (start && *start <= item.resetSecond) status = kMissed;
        }
      } else {
        if (e.id != item.id || (item.onlyIfPlaying && status != kPlaying)) continue;
        status = item.status;
      }
      statusday.insert(e.id, day);
      if (status != e.status) setStatusAt(row, status);
    }
  }
  return read;
}

bool TodayProgramme::ComputeEndShutdownTime() {
  const std::optional<QString> on = dm_.ReadSetting(QStringLiteral("endshutdown"));
  if (on != QLatin1String("1")) {
    // Switched off, or the switch cannot be read (a shutdown is never made on a guess):
    // nothing may stay armed from an earlier computation.
    s_.endshutdownat = kNever;
    s_.endshutdownnextday = false;
    s_.endshutdownarmed = false;
    return on.has_value();
  }
  // The latest real moment of the day's entries as the dispatcher meets them: an entry that
  // ends after midnight ends on the next day, not at the small hours of this one; a text is
  // known to sound until at least its start.
  std::optional<int> last;
  for (const rjmb& e : s_.todayentries)
    if (const std::optional<Span> span = spanOf(e)) last = qMax(last.value_or(span->end), span->end);
  s_.endshutdownat = last ? SecondsToTime(*last % kDay) : kNever;
  s_.endshutdownnextday = last && *last >= kDay;
  // An entry added after the shutdown was armed, ending later the same day: the day is not
  // over, so the shutdown waits for that entry's end to be armed again.
  const QDateTime endOfDay = EndOfDay();
  if (s_.endshutdownarmed && armedDay_ == s_.programmeday && endOfDay.isValid() && endOfDay > s_.endshutdowndue)
    s_.endshutdownarmed = false;
  return true;
}

QDateTime TodayProgramme::EndOfDay() const {
  const int at = TimeToSeconds(s_.endshutdownat);
  if (!s_.programmeday.isValid() || at >= kDay) return {};
  return QDateTime(s_.programmeday, QTime(0, 0)).addSecs(at + (s_.endshutdownnextday ? kDay : 0));
}

void TodayProgramme::CatchUpEntry() {
  if (s_.todayentries.empty() || s_.todayentries.front().isDummy()) return;
  if (s_.playstate != PlayState::Auto || !runner_ || runner_->MainChannelBusy()) return;
  const QDateTime moment = clock_.now();
  const int now = secondOfDay(moment);
  for (int i = int(s_.todayentries.size()) - 1; i >= 0; --i) {
    const rjmb& e = s_.todayentries[std::size_t(i)];
    // An entry of a kind nothing can play is passed over: it must not take the catch-up from
    // one that can.
    if (e.jmlx < 1 || e.jmlx > 7) continue;
    const std::optional<int> start = e.startSeconds(), end = e.endSeconds();
    if (start && end && *start <= now && *end > now) {
      // Never restart the entry that is already sounding.
      if (e.id == s_.currentid && runner_->SomethingPlaying()) return;
      // Recorded as fired at its start time, so the tick of that very second cannot start
      // it a second time.
      if (fired_) fired_->mark(moment.date(), FiredKind::Start, e.id, e.starttime);
      try {
        runner_->StartEntry(i, EntryMode::Auto);
      } catch (const std::exception& ex) {
        qWarning().noquote() << "programme: catch-up start failed:" << ex.what();
      }
      return;
    }
  }
}

void TodayProgramme::ShowNextEntry() {
  if (s_.playstate != PlayState::Auto) return;
  if (runner_ && runner_->SomethingPlaying()) {
    if (s_.currentid != 0)
      for (std::size_t i = 0; i < s_.todayentries.size(); ++i)
        if (s_.todayentries[i].id == s_.currentid) {
          ShowEntryRow(int(i));
          break;
        }
    return;
  }
  QString label = QStringLiteral("今天已无节目");
  if (!s_.todayentries.empty() && !s_.todayentries.front().isDummy()) {
    const int now = secondOfDay(clock_.now());
    for (std::size_t i = 0; i < s_.todayentries.size(); ++i) {
      const rjmb& e = s_.todayentries[i];
      const std::optional<int> start = e.startSeconds();
      if (start && *start - 1 > now) {
        ShowEntryRow(int(i));
        label = QStringLiteral("下一个要播放的节目为 <") + e.pname + QLatin1Char('>');
        break;
      }
    }
  }
  if (view_) view_->setNextEntryLabel(label);
}

void TodayProgramme::ArmEndShutdown(const rjmb* ended) {
  if (dm_.GetSetting(QStringLiteral("endshutdown")) != QLatin1String("1")) return;
  const QDateTime now = wholeSecond(clock_.now());
  // An entry ended by the clock ended at its own stored end, whatever moment its fade-out
  // happened to finish; a text ends when its reading does.
  QDateTime endedAt = now;
  if (ended && ended->endtime != kTextEnd)
    if (const std::optional<int> end = ended->storedEndSeconds(); end && *end < kDay)
      endedAt = nearestAt(now, *end);
  armAt(endedAt, now, s_.programmeday);
}

void TodayProgramme::armAt(const QDateTime& endedAt, const QDateTime& now, const QDate& day) {
  const QDateTime endOfDay = EndOfDay();
  if (!endOfDay.isValid() || endedAt < endOfDay) return;
  // Never in the past: an end applied late (after a gap) shuts down five seconds from now.
  s_.endshutdowndue = qMax(endedAt, now).addSecs(5);
  // An absolute moment: 23:59:57 plus 5 seconds is 00:00:02 of the next day, not 24:00:02.
  s_.endshutdownat = ClockText(s_.endshutdowndue);
  s_.endshutdownnextday = s_.endshutdowndue.date() > day;
  s_.endshutdownarmed = true;
  armedDay_ = day;
}

std::optional<QDateTime> TodayProgramme::lastEntryCutByNewDay(const QDate& today, const QDateTime& now) const {
  const QDate before = s_.programmeday;
  if (!before.isValid() || before >= today || s_.playstate != PlayState::Auto || !runner_ || !fired_ ||
      !runner_->SomethingPlaying() || dm_.GetSetting(QStringLiteral("endshutdown")) != QLatin1String("1"))
    return std::nullopt;
  const QDateTime endOfDay = EndOfDay();
  if (!endOfDay.isValid() || endOfDay <= now) return std::nullopt;
  // The day's last entry started, spans midnight and is still due to sound: its day ends at
  // its real end, though the new day's load silences it now.
  for (const rjmb& e : s_.todayentries) {
    const std::optional<Span> span = spanOf(e);
    if (span && QDateTime(before, QTime(0, 0)).addSecs(span->end) == endOfDay &&
        fired_->has(before, FiredKind::Start, e.id, e.starttime))
      return endOfDay;
  }
  return std::nullopt;
}
