// Reads values from an INI file the way the classic profile functions do: sections and
// keys match without regard to case, values are trimmed and lose one pair of quotes.
#pragma once

#include <QString>

namespace orvane {

class IniFile {
 public:
  explicit IniFile(QString path) : path_(std::move(path)) {}
  // The value of key in section, or fallback when the file, the section or the key is missing.
  QString readString(const QString& section, const QString& key, const QString& fallback = {}) const;

 private:
  QString path_;
};

}  // namespace orvane
