// The operator password: checking a typed password against the stored one, logging in and
// changing it. The stored value "pw" is a yescrypt hash, or empty for no password; a value
// without the hash prefix is an old plain-text password that is replaced by a hash at the
// next successful entry or change. The typed password is never written anywhere.
#pragma once

#include <QString>
#include <functional>

struct MainState;
class TDataModule1;

class Passwords {
 public:
  enum class Result {
    Ok,
    WrongPassword,  // the prompt's password does not match
    NewMismatch,    // the new password and its confirmation differ
    OldWrong,       // the old password does not match
    ReadFailed,     // the stored password could not be read (error() tells why)
    WriteFailed,    // the new value could not be stored (already reported)
  };

  // showLogout shows or hides the main window's log-out label; it may be empty.
  Passwords(TDataModule1& dm, MainState& state, std::function<void(bool)> showLogout = {});

  // The prompt: on a match the operator is authorized and the log-out label shows; an old
  // plain-text password is then replaced by its hash.
  Result Login(const QString& typed);
  // The password window: the new password (trimmed) replaces the old one; the operator is
  // logged out, and authorized again at once when the new password is blank.
  Result Change(const QString& oldTyped, const QString& newTyped, const QString& confirmTyped);
  const QString& error() const { return error_; }

  // The stored "pw" value; false when it cannot be read. A missing row reads as "".
  bool ReadStored(QString* stored);
  // The typed password (trimmed here) against a stored value: a hash is verified, an old
  // plain-text value is compared trimmed, an empty value matches only an empty entry.
  static bool Matches(const QString& typed, const QString& stored);
  // What "pw" holds for a new password: "" for blank, else its hash ("" with ok false when
  // hashing fails).
  static QString StoredForm(const QString& password, bool* ok);

 private:
  bool store(const QString& password);

  TDataModule1& dm_;
  MainState& state_;
  std::function<void(bool)> showLogout_;
  QString error_;
};
