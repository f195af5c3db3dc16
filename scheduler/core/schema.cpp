// Schema creation and healing.
#include "scheduler/core/schema.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "scheduler/core/settingskeys.h"

namespace odb = orvane::db;

bool EnsureSchema(odb::Connection& c, QString* error) {
  auto fail = [&] {
    if (error) *error = c.lastError();
    return false;
  };
  odb::Transaction t(c);
  if (!c.execScript(QStringLiteral(
          "CREATE TABLE IF NOT EXISTS sjb ("
          " id INTEGER PRIMARY KEY AUTOINCREMENT,"
          " pname TEXT DEFAULT '', starttime TEXT DEFAULT '', endtime TEXT DEFAULT '',"
          " slpath TEXT DEFAULT '', tlength TEXT DEFAULT '', playmode TEXT DEFAULT '',"
          " status TEXT DEFAULT '待播', statusday TEXT DEFAULT '',"
          " ivolume INTEGER DEFAULT 100, Schedulen TEXT DEFAULT '', jmlx INTEGER DEFAULT 1,"
          " mainchannel TEXT DEFAULT '主通道', txt TEXT DEFAULT '');"
          "CREATE INDEX IF NOT EXISTS sjb_schedule_start ON sjb(Schedulen, starttime);"
          "CREATE TABLE IF NOT EXISTS system1 (name1 TEXT PRIMARY KEY, value1 TEXT DEFAULT '');"
          "CREATE TABLE IF NOT EXISTS rjb (rj TEXT PRIMARY KEY, sjb TEXT DEFAULT '无');"
          "CREATE TABLE IF NOT EXISTS holiday (holiday TEXT PRIMARY KEY);")))
    return fail();

  odb::Query day(&c);
  day.setSql(QStringLiteral("INSERT OR IGNORE INTO rjb(rj, sjb) VALUES(:rj, '无')"));
  for (int d = 1; d <= 31; ++d) {
    day.bindValue(QStringLiteral(":rj"), QString::asprintf("%.2d", d));
    if (!day.exec()) return fail();
  }
  odb::Query key(&c);
  key.setSql(QStringLiteral("INSERT OR IGNORE INTO system1(name1, value1) VALUES(:k, :v)"));
  for (const auto& k : SettingKeys()) {
    key.bindValue(QStringLiteral(":k"), QString::fromUtf8(k.name));
    key.bindValue(QStringLiteral(":v"), QString::fromUtf8(k.defaultValue));
    if (!key.exec()) return fail();
  }
  if (!t.commit()) return fail();
  return true;
}

bool HasSchema(odb::Connection& c) {
  odb::Query q(&c);
  q.setSql(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('sjb','system1','rjb','holiday')"));
  return q.open() && q.value(0, 0).toInt() == 4;
}
