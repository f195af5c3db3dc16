// Writing schedule backups.
#include "scheduler/core/schedulebackup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "platform/db/connection.h"
#include "platform/files/filewrite.h"
#include "platform/db/query.h"

namespace odb = orvane::db;

namespace {
// The schema name the backup file is attached under while it is written.
const QString kOut = QStringLiteral("orvane_bkj_out");
}  // namespace

const QStringList& ScheduleBackup::Columns() {
  static const QStringList columns{
      QStringLiteral("pname"),    QStringLiteral("starttime"),  QStringLiteral("endtime"),
      QStringLiteral("slpath"),   QStringLiteral("tlength"),    QStringLiteral("playmode"),
      QStringLiteral("status"),   QStringLiteral("ivolume"),    QStringLiteral("Schedulen"),
      QStringLiteral("statusday"), QStringLiteral("jmlx"),      QStringLiteral("mainchannel"),
      QStringLiteral("txt")};
  return columns;
}

QString ScheduleBackup::WithExtension(const QString& name) {
  return name.endsWith(Extension(), Qt::CaseInsensitive) ? name : name + Extension();
}

bool ScheduleBackup::LooksLikeBackup(const QByteArray& firstBytes) {
  static const QByteArray magic("SQLite format 3\0", 16);
  if (firstBytes.size() < 100 || !firstBytes.startsWith(magic)) return false;
  return qFromBigEndian<quint32>(firstBytes.constData() + 68) == kApplicationId;
}

bool ScheduleBackup::Write(odb::Connection& c, const QString& path, QString* error, int* rows) {
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    qWarning().noquote() << "backup:" << why;
    return false;
  };
  if (path.trimmed().isEmpty()) return fail(QStringLiteral("no file name"));
  if (c.inTransaction()) return fail(QStringLiteral("the database is busy with a transaction"));
  const QFileInfo target(path);
  if (target.exists() && !target.isFile()) return fail(QStringLiteral("not a file: ") + path);
  const QDir folder = target.absoluteDir();
  if (!folder.exists()) return fail(QStringLiteral("no such folder: ") + folder.path());

  // A fresh, empty file beside the target; SQLite takes an empty file as an empty database.
  // The owner's alone from its first moment, as the database it comes from: another user who
  // opened it while it was being written could read it all later.
  QString tempPath;
  int refused = 0;
  const int fd = orvane::createFileBeside(target.absoluteFilePath(), 0600, &tempPath, &refused);
  if (fd < 0)
    return fail(QStringLiteral("cannot create a file in ") + folder.path() + ": " + orvane::describeWriteError(refused));
  ::close(fd);

  odb::Query q(&c);
  auto run = [&q](const QString& sql, std::initializer_list<std::pair<QString, QVariant>> params = {}) {
    q.setSql(sql);
    for (const auto& [name, value] : params) q.bindValue(name, value);
    return q.exec();
  };
  if (!run(QStringLiteral("ATTACH DATABASE :f AS ") + kOut, {{QStringLiteral(":f"), tempPath}})) {
    QFile::remove(tempPath);
    return fail(q.lastError());
  }

  const QString columns = Columns().join(QLatin1Char(','));
  bool ok = false;
  int written = 0;
  QString why;
  {
    // The columns carry no type, so every value keeps exactly the kind it had in `sjb`.
    ok = run(QStringLiteral("PRAGMA %1.application_id=%2").arg(kOut).arg(kApplicationId));
    odb::Transaction t(c);
    ok = ok && t.active() &&
         run(QStringLiteral("CREATE TABLE %1.meta(key TEXT PRIMARY KEY, value TEXT)").arg(kOut)) &&
         run(QStringLiteral("CREATE TABLE %1.sjb(%2)").arg(kOut, columns)) &&
         run(QStringLiteral("INSERT INTO %1.sjb(%2) SELECT %2 FROM main.sjb ORDER BY starttime,id").arg(kOut, columns));
    written = ok ? q.rowsAffected() : 0;
    ok = ok &&
         run(QStringLiteral("INSERT INTO %1.meta(key,value) VALUES('format',:f),('version',:v),('rows',:n)").arg(kOut),
             {{QStringLiteral(":f"), FormatName()},
              {QStringLiteral(":v"), QString::number(FormatVersion())},
              {QStringLiteral(":n"), QString::number(written)}}) &&
         t.commit();
    if (!ok) why = q.lastError().isEmpty() ? c.lastError() : q.lastError();
  }
  if (!run(QStringLiteral("DETACH DATABASE ") + kOut)) qWarning().noquote() << "backup: cannot detach:" << q.lastError();
  if (ok) {
    // Every byte on the disk before the name moves to it.
    if (const int e = orvane::syncFile(tempPath)) {
      ok = false;
      why = QStringLiteral("cannot write the new backup to the disk: ") + orvane::describeWriteError(e);
    }
  }
  if (ok) {
    // A stricter old backup keeps its mode.
    ::chmod(QFile::encodeName(tempPath).constData(), orvane::privateMode(target.absoluteFilePath()));
    // The rename replaces the old file in one step: readers see the old backup or the new one.
    if (const int e = orvane::renameDurably(tempPath, target.absoluteFilePath())) {
      ok = false;
      why = QStringLiteral("cannot rename the new backup over ") + path + ": " + orvane::describeWriteError(e);
    }
  }
  if (!ok) {
    QFile::remove(tempPath);
    return fail(why);
  }
  if (rows) *rows = written;
  return true;
}
