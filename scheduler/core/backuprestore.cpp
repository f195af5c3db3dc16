// Restoring schedule backups.
#include "scheduler/core/backuprestore.h"

#include <QDebug>
#include <QFile>
#include <QtEndian>

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "scheduler/core/schedulebackup.h"

namespace odb = orvane::db;

namespace {
// The schema name the backup file is attached under while it is read.
const QString kIn = QStringLiteral("orvane_bkj_in");

// The page size and page count the header records, and whether the count is trustworthy
// (SQLite trusts it only when the change counter matches its "valid for" copy).
struct HeaderSize {
  qint64 pageSize = 0;
  qint64 pageCount = 0;
  bool countValid = false;
};

HeaderSize headerSize(const QByteArray& h) {
  HeaderSize s;
  const quint16 raw = qFromBigEndian<quint16>(h.constData() + 16);
  s.pageSize = raw == 1 ? 65536 : raw;
  s.pageCount = qFromBigEndian<quint32>(h.constData() + 28);
  s.countValid = s.pageCount > 0 && qFromBigEndian<quint32>(h.constData() + 24) == qFromBigEndian<quint32>(h.constData() + 92);
  return s;
}
}  // namespace

BackupRestore::BackupRestore(odb::Connection& c) : c_(c) {}

BackupRestore::~BackupRestore() { Close(); }

bool BackupRestore::fail(QString* error, const QString& why) {
  if (error) *error = why;
  qWarning().noquote() << "restore:" << why;
  return false;
}

void BackupRestore::Close() {
  if (!attached_) return;
  odb::Query q(&c_);
  q.setSql(QStringLiteral("DETACH DATABASE ") + kIn);
  if (!q.exec()) qWarning().noquote() << "restore: cannot detach the backup:" << q.lastError();
  attached_ = false;
  rows_ = 0;
}

bool BackupRestore::Open(const QString& path, QString* error) {
  Close();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return fail(error, QStringLiteral("cannot read ") + path + ": " + file.errorString());
  const QByteArray head = file.read(100);
  const qint64 size = file.size();
  file.close();
  if (!ScheduleBackup::LooksLikeBackup(head)) return fail(error, QStringLiteral("not a schedule backup: ") + path);
  const HeaderSize hs = headerSize(head);
  if (hs.pageSize < 512 || (hs.pageSize & (hs.pageSize - 1)) != 0 || size % hs.pageSize != 0 ||
      (hs.countValid && size < hs.pageSize * hs.pageCount))
    return fail(error, QStringLiteral("the backup is cut short or damaged: ") + path);
  if (c_.inTransaction()) return fail(error, QStringLiteral("the database is busy with a transaction"));

  odb::Query q(&c_);
  q.setSql(QStringLiteral("ATTACH DATABASE :f AS ") + kIn);
  q.bindValue(QStringLiteral(":f"), path);
  if (!q.exec()) return fail(error, q.lastError());
  attached_ = true;
  auto bad = [&](const QString& why) {
    Close();
    return fail(error, why + QStringLiteral(": ") + path);
  };
  auto open = [&q](const QString& sql) {
    q.setSql(sql);
    return q.open();
  };

  // Every page of the file, read and checked.
  if (!open(QStringLiteral("PRAGMA %1.quick_check").arg(kIn)) || q.recordCount() != 1 ||
      q.value(0, 0).toString() != QLatin1String("ok"))
    return bad(QStringLiteral("the backup is damaged"));
  if (!open(QStringLiteral("SELECT key,value FROM %1.meta").arg(kIn))) return bad(QStringLiteral("no format record"));
  QString format, version, rows;
  for (int r = 0; r < q.recordCount(); ++r) {
    const QString key = q.value(r, 0).toString(), value = q.value(r, 1).toString();
    if (key == QLatin1String("format")) format = value;
    else if (key == QLatin1String("version")) version = value;
    else if (key == QLatin1String("rows")) rows = value;
  }
  if (format != ScheduleBackup::FormatName()) return bad(QStringLiteral("not a schedule backup"));
  if (version != QString::number(ScheduleBackup::FormatVersion()))
    return bad(QStringLiteral("a backup of format version ") + version + QStringLiteral(", which this program cannot read"));
  if (!open(QStringLiteral("PRAGMA %1.table_info(sjb)").arg(kIn))) return bad(QStringLiteral("no entry table"));
  QStringList names;
  const int nameColumn = q.fieldIndex(QStringLiteral("name"));
  for (int r = 0; r < q.recordCount(); ++r) names.append(q.value(r, nameColumn).toString());
  if (names != ScheduleBackup::Columns()) return bad(QStringLiteral("the entry table has other columns"));
  bool ok = false;
  const qint64 recorded = rows.toLongLong(&ok);
  if (!open(QStringLiteral("SELECT count(*) FROM %1.sjb").arg(kIn)) || !ok || q.value(0, 0).toLongLong() != recorded)
    return bad(QStringLiteral("the backup does not hold the entries it records"));
  rows_ = int(recorded);
  return true;
}

bool BackupRestore::Apply(bool replace, QString* error) {
  if (!attached_) return fail(error, QStringLiteral("no backup is open"));
  // Inside someone else's transaction a failure could not be undone here.
  if (c_.inTransaction()) return fail(error, QStringLiteral("the database is busy with a transaction"));
  const QString columns = ScheduleBackup::Columns().join(QLatin1Char(','));
  odb::Query q(&c_);
  auto run = [&q](const QString& sql) {
    q.setSql(sql);
    return q.exec();
  };
  odb::Transaction t(c_);
  if (!t.active()) return fail(error, c_.lastError());
  if (replace && !run(QStringLiteral("DELETE FROM main.sjb"))) return fail(error, q.lastError());
  if (!run(QStringLiteral("INSERT INTO main.sjb(%1) SELECT %1 FROM %2.sjb ORDER BY rowid").arg(columns, kIn)))
    return fail(error, q.lastError());
  if (q.rowsAffected() != rows_)
    return fail(error, QStringLiteral("%1 of %2 entries were inserted").arg(q.rowsAffected()).arg(rows_));
  if (!t.commit()) return fail(error, c_.lastError());
  return true;
}
