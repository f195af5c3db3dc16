// Schedule backup files (".bkj"): an SQLite file holding every schedule's entries in one
// table of 13 columns and a metadata table naming the format. Written beside the target
// and renamed over it, so a failed backup never leaves half a file under the chosen name.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvane::db {
class Connection;
}

class ScheduleBackup {
 public:
  // The backed-up columns of `sjb`, in the file's order (restore reads them in this order).
  static const QStringList& Columns();
  // The file's metadata: format name and the version this program writes and reads.
  static QString FormatName() { return QStringLiteral("Orvane schedule backup"); }
  static int FormatVersion() { return 1; }
  // SQLite's application id in the file header ("ORVB"), so a backup is known by its first bytes.
  static constexpr quint32 kApplicationId = 0x4F525642;
  static QString Extension() { return QStringLiteral(".bkj"); }

  // The name with ".bkj" appended unless it already ends so (letter case ignored).
  static QString WithExtension(const QString& name);
  // True when the first bytes are those of an SQLite file carrying our application id.
  static bool LooksLikeBackup(const QByteArray& firstBytes);

  // Writes every schedule's entries, in start-time order, to `path` (taken as given). The
  // connection must not be inside a transaction. False with the reason in `error` on failure;
  // an existing file at `path` is then left as it was.
  static bool Write(orvane::db::Connection& c, const QString& path, QString* error = nullptr, int* rows = nullptr);
};
