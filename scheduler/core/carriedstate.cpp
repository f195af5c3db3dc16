// The carried state as JSON.
#include "scheduler/core/carriedstate.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
// 64-bit numbers travel as text: JSON numbers are doubles.
QString number(qint64 n) { return QString::number(n); }
qint64 number(const QJsonValue& v) { return v.toString().toLongLong(); }

QJsonObject songJson(const CarriedState::Song& s) {
  return {{"id", number(s.id)}, {"song", s.song}, {"ms", number(s.ms)}, {"file", s.file}};
}
std::optional<CarriedState::Song> songFrom(const QJsonValue& v) {
  if (!v.isObject()) return std::nullopt;
  const QJsonObject o = v.toObject();
  CarriedState::Song s{number(o.value("id")), o.value("song").toInt(-1), number(o.value("ms")), o.value("file").toString()};
  if (s.id == 0 || s.song < 0 || s.ms < 0 || s.file.isEmpty()) return std::nullopt;
  return s;
}
}  // namespace

QByteArray CarriedState::toJson() const {
  QJsonObject o{{"walked", number(walked)},
                {"fired", fired},
                {"statuses", statuses},
                {"log", QJsonArray::fromStringList(logLines)},
                {"logDropped", logDropped},
                {"databaseFailing", databaseFailing},
                {"logFailing", logFailing},
                {"soundLost", soundLost},
                {"stopped", stopped},
                {"restart", number(restart)},
                {"lockFd", lockFd},
                {"replyFd", replyFd}};
  if (main) o.insert("main", songJson(*main));
  if (second) o.insert("second", songJson(*second));
  QJsonArray g;
  for (const orvane::Processes::StartedGroup& group : groups) g.append(QJsonObject{{"pgid", number(group.pgid)}, {"file", group.fileName}});
  o.insert("groups", g);
  if (text)
    o.insert("text", QJsonObject{{"id", number(text->id)},
                                 {"memo", text->memo},
                                 {"repeat", text->repeat},
                                 {"position", text->position},
                                 {"paused", text->paused}});
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<CarriedState> CarriedState::fromJson(const QByteArray& bytes) {
  const QJsonDocument doc = QJsonDocument::fromJson(bytes);
  if (!doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  CarriedState c;
  c.walked = number(o.value("walked"));
  if (c.walked <= 0) return std::nullopt;
  c.fired = o.value("fired").toArray();
  c.statuses = o.value("statuses").toArray();
  for (const QJsonValue& line : o.value("log").toArray()) c.logLines << line.toString();
  c.logDropped = o.value("logDropped").toInt();
  c.databaseFailing = o.value("databaseFailing").toBool();
  c.logFailing = o.value("logFailing").toBool();
  c.soundLost = o.value("soundLost").toBool();
  c.stopped = o.value("stopped").toBool();
  c.main = songFrom(o.value("main"));
  c.second = songFrom(o.value("second"));
  c.restart = number(o.value("restart"));
  for (const QJsonValue& v : o.value("groups").toArray()) {
    const QJsonObject g = v.toObject();
    if (const qint64 pgid = number(g.value("pgid")); pgid > 1) c.groups.append({pgid, g.value("file").toString()});
  }
  if (const QJsonObject t = o.value("text").toObject(); !t.isEmpty() && number(t.value("id")) != 0)
    c.text = Text{number(t.value("id")), t.value("memo").toString(), qMax(1, t.value("repeat").toInt(1)),
                  qMax(0, t.value("position").toInt()), t.value("paused").toBool()};
  c.lockFd = o.value("lockFd").toInt(-1);
  c.replyFd = o.value("replyFd").toInt(-1);
  return c;
}
