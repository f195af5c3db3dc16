// Restoring a schedule backup: the whole file is checked first, then its entries go into
// `sjb` in one transaction (after deleting every entry when asked), or nothing changes.
#pragma once

#include <QString>

namespace orvane::db {
class Connection;
}

class BackupRestore {
 public:
  explicit BackupRestore(orvane::db::Connection& c);
  ~BackupRestore();
  BackupRestore(const BackupRestore&) = delete;
  BackupRestore& operator=(const BackupRestore&) = delete;

  // Checks the file: its first bytes, its length against its header, every page, the format
  // and version, the 13 columns in order and the row count the file records. False with the
  // reason in `error` when it is not a complete backup of ours. Changes nothing.
  bool Open(const QString& path, QString* error = nullptr);
  // The number of entries in the opened file.
  int rowCount() const { return rows_; }
  // Deletes every entry first when `replace`, then inserts the file's entries in their order,
  // all in one transaction. True only when all of it committed; otherwise `sjb` is unchanged.
  bool Apply(bool replace, QString* error = nullptr);
  // Lets go of the file (also done by the destructor).
  void Close();

 private:
  bool fail(QString* error, const QString& why);
  orvane::db::Connection& c_;
  bool attached_ = false;
  int rows_ = 0;
};
