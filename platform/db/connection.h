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
  // The error of the last failed call on this connection (statement prepare, step or script).
  QString lastError() const { return lastError_; }
  void setLastError(const QString& e) { lastError_ = e; }

  bool inTransaction() const;
  bool begin();
  bool commit();
  bool rollback();

 private:
  Connection(sqlite3* db, QString path) : db_(db), path_(std::move(path)) {}
  sqlite3* db_ = nullptr;
  QString path_;
  QString lastError_;
};

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
