// Operator password.
#include "scheduler/core/passwords.h"

#include <QDebug>

#include "platform/msgbox/messagebox.h"
#include "platform/system/passwordhash.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/mainstate.h"

Passwords::Passwords(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout)
    : dm_(dm), state_(state), showLogout_(std::move(showLogout)) {}

bool Passwords::ReadStored(QString* stored) {
  error_.clear();
  if (!dm_.connected()) {
    error_ = QStringLiteral("no database connection");
    return false;
  }
  // Read strictly: a failed read must never pass for "no password".
  try {
    dm_.OpenQuery(dm_.qry_temp, QStringLiteral("select value1 from system1 where name1=:k"),
                  {{QStringLiteral(":k"), QStringLiteral("pw")}});
  } catch (const DbError& e) {
    error_ = QString::fromUtf8(e.what());
    qWarning().noquote() << "password: cannot read the stored password:" << error_;
    return false;
  }
  *stored = dm_.qry_temp.isEmpty() ? QString() : dm_.qry_temp.fieldAsString(QStringLiteral("value1"));
  return true;
}

bool Passwords::Matches(const QString& typed, const QString& stored) {
  const QString entered = typed.trimmed();
  if (orvane::IsPasswordHash(stored)) return orvane::VerifyPassword(entered, stored);
  return entered == stored.trimmed();
}

QString Passwords::StoredForm(const QString& password, bool* ok) {
  *ok = true;
  if (password.isEmpty()) return {};
  const QString hash = orvane::HashPassword(password);
  *ok = !hash.isEmpty();
  return hash;
}

bool Passwords::store(const QString& password) {
  bool ok = false;
  const QString value = StoredForm(password, &ok);
  if (!ok) {
    // Never fall back to storing the password itself.
    orvane::MessageBox(QStringLiteral("数据库写入出错!"), QStringLiteral("错误"), orvane::mb::ICONHAND);
    return false;
  }
  orvane::db::Connection* c = dm_.connection();
  // The old value (perhaps a plain-text password) is overwritten on disk, not just unlinked.
  if (c) c->execScript(QStringLiteral("PRAGMA secure_delete=ON"));
  if (!dm_.SetSetting(QStringLiteral("pw"), value)) return false;
  // Fold the write-ahead log back so no old page copy stays behind in it; other readers may
  // keep it from finishing, which only delays this.
  if (c) c->execScript(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
  return true;
}

Passwords::Result Passwords::Login(const QString& typed) {
  QString stored;
  if (!ReadStored(&stored)) return Result::ReadFailed;
  if (!Matches(typed, stored)) return Result::WrongPassword;
  state_.authorized = true;
  if (showLogout_) showLogout_(true);
  const QString entered = typed.trimmed();
  if (!entered.isEmpty() && !orvane::IsPasswordHash(stored)) {
    // An old plain-text password: keep the same password, stored as a hash from now on. A
    // failed write is reported by the accessor and the entry still counts.
    if (!store(entered)) qWarning() << "password: the old plain-text password could not be replaced by its hash";
  }
  return Result::Ok;
}

Passwords::Result Passwords::Change(const QString& oldTyped, const QString& newTyped, const QString& confirmTyped) {
  const QString fresh = newTyped.trimmed();
  if (fresh != confirmTyped.trimmed()) return Result::NewMismatch;
  QString stored;
  if (!ReadStored(&stored)) return Result::ReadFailed;
  if (!Matches(oldTyped, stored)) return Result::OldWrong;
  if (!store(fresh)) return Result::WriteFailed;
  state_.authorized = false;
  if (showLogout_) showLogout_(false);
  QString now;
  if (ReadStored(&now) && now.trimmed().isEmpty()) state_.authorized = true;
  return Result::Ok;
}
