// Entry rows.
#include "scheduler/core/entrystore.h"

#include <QDebug>

#include "platform/db/connection.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/timetext.h"

namespace {
const QString kZero = QStringLiteral("00:00:00");
}

bool EntryStore::TimeConflicts(const QString& schedule, const QString& channel, const QString& t, int jmlx,
                               qint64 excludeId) const {
  if (t == kZero) return false;
  const bool song = jmlx >= 1 && jmlx <= 3;
  try {
    if (song) {
      dm_.OpenQuery(dm_.qry_temp,
                    QStringLiteral("select id,starttime,endtime from sjb where Schedulen=:s and mainchannel=:c "
                                   "and (jmlx=1 or jmlx=2 or jmlx=3)"),
                    {{QStringLiteral(":s"), schedule}, {QStringLiteral(":c"), channel}});
    } else {
      dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select id,starttime,endtime from sjb where Schedulen=:s and jmlx=:k"),
                    {{QStringLiteral(":s"), schedule}, {QStringLiteral(":k"), jmlx}});
    }
  } catch (const DbError& e) {
    qWarning().noquote() << "time conflicts: cannot read the schedule:" << e.what();
    return false;
  }
  const orvane::db::Query& q = dm_.qry_temp;
  const std::optional<int> time = TimeOfDaySeconds(t);
  for (int row = 0; row < q.recordCount(); ++row) {
    bool idOk = false;
    if (excludeId != 0 && orvane::db::toStrictInteger(q.value(row, 0), &idOk) == excludeId && idOk) continue;
    const QString start = q.value(row, 1).toString();
    const QString end = q.value(row, 2).toString();
    if (!song) {
      if (t == start || t == end) return true;
      continue;
    }
    const std::optional<int> s = TimeOfDaySeconds(start);
    const std::optional<int> e = TimeOfDaySeconds(end);
    if (!time || !s || !e) {
      qWarning().noquote() << "time conflicts: skipping a row whose times are not times of day:" << start << end;
      continue;
    }
    if (*s - 1 <= *time && *time <= *e) return true;
  }
  return false;
}

bool EntryStore::write(const QString& sql, const EntryValues& v, qint64 id) {
  SqlParams p{{QStringLiteral(":pname"), v.pname},         {QStringLiteral(":starttime"), v.starttime},
              {QStringLiteral(":endtime"), v.endtime},     {QStringLiteral(":slpath"), v.slpath},
              {QStringLiteral(":tlength"), v.tlength},     {QStringLiteral(":playmode"), v.playmode},
              {QStringLiteral(":ivolume"), v.ivolume},     {QStringLiteral(":Schedulen"), v.Schedulen},
              {QStringLiteral(":jmlx"), v.jmlx},           {QStringLiteral(":mainchannel"), v.mainchannel}};
  if (v.txt) p.append({QStringLiteral(":txt"), *v.txt});
  if (id) p.append({QStringLiteral(":id"), id});
  return dm_.ExecQuery(dm_.qry_temp, sql, p);
}

bool EntryStore::Insert(const EntryValues& v) {
  const QString sql =
      v.txt ? QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                             "mainchannel,txt) values(:pname,:starttime,:endtime,:slpath,:tlength,:playmode,:ivolume,"
                             ":Schedulen,:jmlx,:mainchannel,:txt)")
            : QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                             "mainchannel) values(:pname,:starttime,:endtime,:slpath,:tlength,:playmode,:ivolume,"
                             ":Schedulen,:jmlx,:mainchannel)");
  return write(sql, v, 0);
}

bool EntryStore::Update(qint64 id, const EntryValues& v) {
  const QString sql = QStringLiteral(
                          "update sjb set pname=:pname,starttime=:starttime,endtime=:endtime,slpath=:slpath,"
                          "tlength=:tlength,playmode=:playmode,ivolume=:ivolume,Schedulen=:Schedulen,jmlx=:jmlx,"
                          "mainchannel=:mainchannel") +
                      (v.txt ? QStringLiteral(",txt=:txt") : QString()) + QStringLiteral(" where id=:id");
  if (!write(sql, v, id)) return false;
  // A row deleted meanwhile is not silently "saved".
  return dm_.qry_temp.rowsAffected() == 1;
}

std::optional<StoredEntry> EntryStore::Read(qint64 id) const {
  try {
    dm_.OpenQuery(dm_.qry_temp,
                  QStringLiteral("select id,pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                                 "mainchannel,txt from sjb where id=:id"),
                  {{QStringLiteral(":id"), id}});
  } catch (const DbError& e) {
    qWarning().noquote() << "entry" << id << "cannot be read:" << e.what();
    return std::nullopt;
  }
  const orvane::db::Query& q = dm_.qry_temp;
  if (q.isEmpty()) return std::nullopt;
  StoredEntry e;
  e.id = id;
  e.pname = q.fieldAsString(QStringLiteral("pname"));
  e.starttime = q.fieldAsString(QStringLiteral("starttime"));
  e.endtime = q.fieldAsString(QStringLiteral("endtime"));
  e.slpath = q.fieldAsString(QStringLiteral("slpath"));
  e.tlength = q.fieldAsString(QStringLiteral("tlength"));
  e.playmode = q.fieldAsString(QStringLiteral("playmode"));
  e.ivolume = q.fieldAsString(QStringLiteral("ivolume"));
  e.Schedulen = q.fieldAsString(QStringLiteral("Schedulen"));
  e.jmlx = q.fieldAsString(QStringLiteral("jmlx"));
  e.mainchannel = q.fieldAsString(QStringLiteral("mainchannel"));
  e.txt = q.fieldAsString(QStringLiteral("txt"));
  return e;
}

int EntryStore::InsertSeries(const EntryValues& model, const QList<SeriesSlot>& series, bool numbering, bool* failed) {
  *failed = false;
  if (!dm_.connection()) {
    *failed = !series.isEmpty();
    return 0;
  }
  orvane::db::Transaction transaction(*dm_.connection());
  int written = 0;
  EntryValues row = model;
  for (const SeriesSlot& slot : series) {
    row.pname = numbering ? model.pname + QString::number(written + 1) : model.pname;
    row.starttime = slot.starttime;
    row.endtime = slot.endtime;
    if (!Insert(row)) {
      *failed = true;
      break;
    }
    ++written;
  }
  // The rows written before a failure stay.
  if (!transaction.commit()) {
    qWarning().noquote() << "series: the rows could not be committed:" << dm_.connection()->lastError();
    *failed = true;
    return 0;
  }
  return written;
}

QList<SeriesSlot> EntryStore::SeriesSlots(const QString& first, const QString& latest, int intervalSeconds,
                                          const QString& length, bool text) {
  QList<SeriesSlot> series;
  if (intervalSeconds <= 0) return series;
  const int last = TimeToSeconds(latest);
  const int len = TimeToSeconds(length);
  for (int start = TimeToSeconds(first); start <= last; start += intervalSeconds) {
    SeriesSlot s;
    s.starttime = SecondsToTime(start);
    s.endtime = text && len == 0 ? kZero : WrapTime(start + len);
    series.append(s);
  }
  return series;
}
