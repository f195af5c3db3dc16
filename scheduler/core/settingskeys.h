// The catalogue of settings keys (table system1): every key with its meaning and the value a
// new database starts with, and typed readers that tolerate a missing or malformed value.
#pragma once

#include <QString>
#include <vector>

class TDataModule1;

struct SettingKey {
  const char* name;
  const char* defaultValue;
  const char* meaning;
};

// Every key the program reads or writes, in catalogue order.
const std::vector<SettingKey>& SettingKeys();
// The start value of a key ("" for an unknown key).
QString SettingDefault(const QString& key);

// Milliseconds of the bundled "hint.wav"; the start value of "ttstsy".
constexpr int kHintSoundMs = 1600;

// Typed reads over the settings accessor.
class SettingsReader {
 public:
  explicit SettingsReader(TDataModule1& dm) : dm_(dm) {}
  QString text(const QString& key) const;
  // Switches are on only when the value is exactly "1".
  bool on(const QString& key) const;
  // A strict decimal integer; fallback (with a log line naming the key) when missing or
  // malformed.
  int integer(const QString& key, int fallback) const;
  // False once a read failed (the settings could not be read, not a key without a row); the
  // value read was then "".
  bool allRead() const { return allRead_; }

 private:
  TDataModule1& dm_;
  mutable bool allRead_ = true;
};
