// One SQLite database connection: opening rules, plain statements and transactions.
#pragma once

#include <QString>
#include <memory>

struct sqlite3;

namespace orvane::db {

class Connection {
 public:
  enum class Mode {
    OpenExisting,     // the file must exist and be a database
    CreateIfMissing,  // a missing file becomes a new, empty database
  };

  // Opens a database. Fails (nullptr, with the reason in error) for an empty path, a missing
  // file in OpenExisting mode, a folder, or a file that is not an SQLite database. A file
  // that cannot be written is opened read-only; readOnly() tells.
  static std::unique_ptr<Connection> open(const QString& path, Mode mode, QString* error = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* handle() const { return db_; }
  const QString& path() const { return path_; }
  bool readOnly() const;

  // Runs one or more statements without parameters and without results.
  bool execScript(const QString& sql);
  // The error of the last failed call on this connection (statement prepare, step or script),
  // and its SQLite result code (extended; 0 when none was recorded).
  QString lastError() const { return lastError_; }
  int lastErrorCode() const { return lastErrorCode_; }
  void setLastError(const QString& e, int code = 0) {
    lastError_ = e;
    lastErrorCode_ = code;
  }

  // How long a statement waits for another connection's lock before it is refused.
  int busyTimeout() const { return busyTimeoutMs_; }
  void setBusyTimeout(int ms);
  // While set, a failed statement is not logged: its caller reports (or retries) it itself.
  bool quietFailures() const { return quiet_; }
  void setQuietFailures(bool quiet) { quiet_ = quiet; }

  bool inTransaction() const;
  bool begin();
  bool commit();
  bool rollback();

 private:
  Connection(sqlite3* db, QString path) : db_(db), path_(std::move(path)) {}
  sqlite3* db_ = nullptr;
  QString path_;
  QString lastError_;
  int lastErrorCode_ = 0;
  int busyTimeoutMs_ = 0;
  bool quiet_ = false;
};

// A refusal because another connection holds a lock (SQLITE_BUSY or SQLITE_LOCKED): the same
// statement may succeed later.
bool IsLockRefusal(int code);

// Rolls back unless committed. Nested use (a transaction already open) is a no-op guard,
// so routines that want atomicity can be called from inside a larger transaction.
class Transaction {
 public:
  explicit Transaction(Connection& c);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  bool active() const { return began_ || nested_; }
  bool commit();

 private:
  Connection& c_;
  bool began_ = false;
  bool nested_ = false;
};

}  // namespace orvane::db
