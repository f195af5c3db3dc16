// SQLite connection.
#include "platform/db/connection.h"

#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

namespace orvane::db {

namespace {
QString errorOf(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }
// Editors and settings wait this long for a lock held by another program before they report.
constexpr int kDefaultBusyTimeoutMs = 2000;
}  // namespace

std::unique_ptr<Connection> Connection::open(const QString& path, Mode mode, QString* error) {
  auto fail = [&](const QString& why) -> std::unique_ptr<Connection> {
    if (error) *error = why;
    return nullptr;
  };
  if (path.trimmed().isEmpty()) return fail(QStringLiteral("empty database path"));
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) return fail(QStringLiteral("not a file: ") + path);
  if (!info.exists() && mode == Mode::OpenExisting) return fail(QStringLiteral("no such file: ") + path);

  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
  if (mode == Mode::CreateIfMissing) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const QString why = db ? errorOf(db) : QStringLiteral("cannot open");
    sqlite3_close(db);
    return fail(why + QStringLiteral(": ") + path);
  }
  sqlite3_extended_result_codes(db, 1);
  // Double-quoted strings are identifiers only: a stray quote must fail, never become a value.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(db, kDefaultBusyTimeoutMs);

  // SQLite opens lazily: read the schema now so that a file which is not a database fails here.
  rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if ((rc & 0xff) == SQLITE_CANTOPEN && info.exists() && !QFileInfo(info.absolutePath()).isWritable()) {
    // A folder nobody may write (a read-only disk): the journal's files cannot be made there,
    // but the file can still be read as it is. Nothing can be written to it meanwhile.
    sqlite3_close(db);
    db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded() + "?mode=ro&immutable=1";
    rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
      qWarning().noquote() << "database: the folder of" << path << "cannot be written; the file is read as it is";
  }
  if (rc != SQLITE_OK) {
    const QString why = db ? errorOf(db) : QStringLiteral("cannot open");
    sqlite3_close(db);
    return fail(why + QStringLiteral(": ") + path);
  }
  if (!sqlite3_db_readonly(db, "main")) {
    // WAL keeps readers and the writer apart; failure (an odd file system) is harmless.
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  std::unique_ptr<Connection> c(new Connection(db, path));
  c->setBusyTimeout(kDefaultBusyTimeoutMs);
  return c;
}

void Connection::setBusyTimeout(int ms) {
  busyTimeoutMs_ = ms;
  sqlite3_busy_timeout(db_, ms);
}

bool IsLockRefusal(int code) {
  const int primary = code & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

Connection::~Connection() {
  if (db_) sqlite3_close_v2(db_);
}

bool Connection::readOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

bool Connection::execScript(const QString& sql) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
  if (rc != SQLITE_OK) {
    lastError_ = message ? QString::fromUtf8(message) : errorOf(db_);
    lastErrorCode_ = sqlite3_extended_errcode(db_);
    sqlite3_free(message);
    return false;
  }
  return true;
}

bool Connection::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }
bool Connection::begin() { return execScript(QStringLiteral("BEGIN")); }
bool Connection::commit() { return execScript(QStringLiteral("COMMIT")); }
bool Connection::rollback() { return execScript(QStringLiteral("ROLLBACK")); }

Transaction::Transaction(Connection& c) : c_(c) {
  if (c_.inTransaction()) nested_ = true;
  else began_ = c_.begin();
}

Transaction::~Transaction() {
  if (began_) c_.rollback();
}

bool Transaction::commit() {
  if (nested_) return true;
  if (!began_) return false;
  began_ = false;
  if (c_.commit()) return true;
  c_.rollback();
  return false;
}

}  // namespace orvane::db
