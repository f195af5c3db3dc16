// Today's programme.
#include "scheduler/core/todayprogramme.h"

#include <QDebug>
#include <optional>

#include "platform/db/connection.h"
#include "platform/msgbox/messagebox.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/daymap.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/firedset.h"

namespace odb = orvane::db;

namespace {
int secondOfDay(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000; }

// The day's programme is read at start-up, at midnight and when an editor closes; a fault in it
// is told from the event loop without waiting for an answer, so the clock never stops on it.
void showReadError() {
  orvane::PostNotice(QStringLiteral("时间表读取错误!请检查时间表。"), QStringLiteral("错误"), orvane::mb::ICONHAND);
}

// Fades need this much of a song entry, in seconds, before they apply.
constexpr int kFadeMinimumSeconds = 50;
constexpr int kFadeSeconds = 4;
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
  const std::optional<int> start = EntryTimeSeconds(e.starttime), end = EntryTimeSeconds(e.endAsStored());
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
    : dm_(dm), s_(state), clock_(clock) {}

QString TodayProgramme::GridStatement() {
  return QStringLiteral(
      "select id,pname,starttime,endtime,slpath,playmode,status,tlength,ivolume,Schedulen,jmlx,mainchannel "
      "from sjb where Schedulen=:s order by starttime,id");
}

QString TodayProgramme::GetDaySchedule(const QString& day) { return DayMap::GetDaySchedule(dm_, day); }

void TodayProgramme::LoadToday() {
  // Nothing in a load may wait for a person: any box raised in it only informs.
  orvane::NoNestedLoopScope noWait;
  const QDateTime now = clock_.now();
  const QDate today = now.date();
  const QString todayText = DateText(today);
  // The day before may still own its last entry under way across midnight, which this load
  // stops: that day ends at the entry's real end.
  if (const std::optional<QDateTime> cutLast = lastEntryCutByNewDay(today, now))
    armAt(*cutLast, wholeSecond(now), s_.programmeday);
  s_.programmeday = today;
  bool holiday = false;
  try {
    s_.todayweekday = EnglishWeekday(today);
    if (dm_.GetSetting(QStringLiteral("volume4")) == QLatin1String("0"))
      s_.todayschedule = dm_.GetSetting(s_.todayweekday);
    else
      s_.todayschedule = GetDaySchedule(today.toString(QStringLiteral("dd")));
    dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select * from holiday where holiday=:d"),
                  {{QStringLiteral(":d"), todayText}});
    holiday = !dm_.qry_temp.isEmpty();
  } catch (const DbError& e) {
    // Without knowing today's schedule nothing can play; say so once and show an empty day.
    qWarning().noquote() << "programme: cannot choose today's schedule:" << e.what();
    s_.todayschedule.clear();
    showReadError();
  }
  if (holiday) s_.todayschedule = HolidayScheduleName();
  if (view_) view_->setScheduleLabel(s_.todayschedule);
  if (runner_) runner_->StopAll();
  if (holiday && view_) view_->setNextEntryLabel(QStringLiteral("今天为不播音日期"));

  if (s_.playstate == PlayState::Auto && dm_.connection()) resetStatuses(todayText, secondOfDay(now));

  ShowTodayGrid();
  if (dm_.qry_show.isEmpty()) {
    s_.todayentries = {rjmb::Dummy()};
    // A day without entries must not keep yesterday's end-of-day shutdown time.
    ComputeEndShutdownTime();
    return;
  }
  copyRows();
}

void TodayProgramme::resetStatuses(const QString& today, int now) {
  const SqlParams schedule{{QStringLiteral(":s"), s_.todayschedule}};
  bool wrote = false;
  {
    odb::Transaction t(*dm_.connection());
    // Once per day the schedule's statuses go back to waiting; rows never reset (statusday
    // NULL) count as not reset today.
    QStringList values = TDataModule1::SplitString(QStringLiteral("待播;") + today, QStringLiteral(";"));
    values.append(s_.todayschedule);
    wrote = dm_.ExecQueryParams(dm_.qry_temp,
                                QStringLiteral("update sjb set status=:v1,statusday=:v2 where Schedulen=:v3 "
                                               "and (statusday<>:v2 or statusday is null)"),
                                values) &&
            dm_.ExecQuery(dm_.qry_temp,
                          QStringLiteral("update sjb set status='已播' where Schedulen=:s and status='正播'"), schedule) &&
            // Starts already passed are missed, compared as seconds of the day the way the
            // dispatcher reads a start (exactly "hh:nn:ss"): a start the clock can never meet is
            // neither missed here nor started later, only reported by the copy below.
            dm_.ExecQuery(dm_.qry_temp,
                          QStringLiteral("update sjb set status='未播' where Schedulen=:s and status='待播' "
                                         "and starttime glob '[0-9][0-9]:[0-5][0-9]:[0-5][0-9]' "
                                         "and substr(starttime,1,2)*3600+substr(starttime,4,2)*60+substr(starttime,7,2)"
                                         "<=:now"),
                          {{QStringLiteral(":s"), s_.todayschedule}, {QStringLiteral(":now"), now}}) &&
            t.commit();
  }
  if (!wrote)
    qWarning().noquote() << "programme: the day's statuses could not be written; the stored ones are shown:"
                         << dm_.connection()->lastError();
}

void TodayProgramme::ShowTodayGrid() {
  try {
    dm_.OpenQuery(dm_.qry_show, GridStatement(), {{QStringLiteral(":s"), s_.todayschedule}});
  } catch (const DbError& e) {
    qWarning().noquote() << "programme: cannot read today's schedule:" << e.what();
  }
  if (view_) view_->todayGridShown();
}

void TodayProgramme::copyRows() {
  odb::Query& q = dm_.qry_show;
  const int n = q.recordCount();
  const int cId = q.fieldIndex(QStringLiteral("id")), cName = q.fieldIndex(QStringLiteral("pname")),
            cStart = q.fieldIndex(QStringLiteral("starttime")), cEnd = q.fieldIndex(QStringLiteral("endtime")),
            cPath = q.fieldIndex(QStringLiteral("slpath")), cMode = q.fieldIndex(QStringLiteral("playmode")),
            cStatus = q.fieldIndex(QStringLiteral("status")), cVolume = q.fieldIndex(QStringLiteral("ivolume")),
            cLength = q.fieldIndex(QStringLiteral("tlength")), cKind = q.fieldIndex(QStringLiteral("jmlx")),
            cChannel = q.fieldIndex(QStringLiteral("mainchannel"));
  auto text = [&q](int row, int column) {
    const QVariant v = q.value(row, column);
    return v.isNull() ? QString() : v.toString();
  };
  bool malformed = false;
  std::vector<rjmb> entries;
  entries.reserve(std::size_t(n));
  // Rows are copied one by one: a malformed row is reported but never silences the others.
  for (int row = 0; row < n; ++row) {
    rjmb r;
    bool ok = false;
    r.id = int(odb::toStrictInteger(q.value(row, cId), &ok));
    malformed |= !ok;
    r.pname = text(row, cName);
    r.starttime = text(row, cStart);
    r.endtime = text(row, cEnd);
    r.storedend = r.endtime;
    // Read as the dispatcher reads it, or reported: never a time for one part of the day and
    // not for another.
    malformed |= !EntryTimeSeconds(r.starttime) || !EntryTimeSeconds(r.endtime);
    r.slpath = text(row, cPath);
    r.playmode = text(row, cMode);
    r.status = text(row, cStatus);
    r.ivolume = int(odb::toStrictInteger(q.value(row, cVolume), &ok));
    if (!ok) {
      malformed = true;
      r.ivolume = 100;
    }
    r.tlength = text(row, cLength);
    r.jmlx = int(odb::toStrictInteger(q.value(row, cKind), &ok));
    malformed |= !ok;
    r.mainchannel = text(row, cChannel);
    if (r.jmlx >= 1 && r.jmlx <= 3 && s_.fadeenabled && TimeToSeconds(r.tlength) > kFadeMinimumSeconds)
      r.endtime = AddSeconds(r.endtime, kFadeSeconds, false);
    entries.push_back(std::move(r));
  }
  s_.todayentries = std::move(entries);
  q.first();
  malformed |= !ComputeEndShutdownTime();
  s_.currentid = 0;
  ShowNextEntry();
  if (malformed) showReadError();
}

bool TodayProgramme::ComputeEndShutdownTime() {
  if (dm_.GetSetting(QStringLiteral("endshutdown")) != QLatin1String("1")) {
    // Switched off: nothing may stay armed from an earlier computation.
    s_.endshutdownat = kNever;
    s_.endshutdownnextday = false;
    s_.endshutdownarmed = false;
    return true;
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
    const std::optional<int> start = EntryTimeSeconds(e.starttime), end = EntryTimeSeconds(e.endtime);
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
    if (s_.currentid != 0) dm_.qry_show.locate(QStringLiteral("id"), s_.currentid);
    return;
  }
  QString label = QStringLiteral("今天已无节目");
  if (!s_.todayentries.empty() && !s_.todayentries.front().isDummy()) {
    const int now = secondOfDay(clock_.now());
    for (const rjmb& e : s_.todayentries) {
      const std::optional<int> start = EntryTimeSeconds(e.starttime);
      if (start && *start - 1 > now) {
        dm_.qry_show.locate(QStringLiteral("id"), e.id);
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
    if (const std::optional<int> end = EntryTimeSeconds(ended->endAsStored()); end && *end < kDay)
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
