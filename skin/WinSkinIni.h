// The skin description reader: a sectioned key-and-value text held in memory, answering
// the parser's questions by section and key.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvane::skin {

class TQuickIni {
 public:
  // Reads `bytes` as the whole description (UTF-8 when valid, else GB18030) and rebuilds
  // both lists. A null array changes nothing.
  void LoadFromStream(const QByteArray& bytes);

  // The value of `key` in `section`; `def` when the section or key is missing or the
  // value is empty. Only the first occurrence of a key in the first matching section counts.
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // The value as an integer: decimal with an optional sign, or hexadecimal after "$" or
  // "0x"; `def` when it is not a number.
  int ReadInteger(const QString& section, const QString& key, int def) const;
  // Replaces `list` with the section names without brackets, trimmed, in text order.
  void ReadSections(QStringList& list) const;

  // The kept lines and the section headers (as written) with their line indexes.
  const QStringList& lines() const { return lines_; }
  const QStringList& sections() const { return sections_; }

  // Trims blanks and control characters (everything up to U+0020) from both ends.
  static QString TrimText(const QString& text);
  // The class library's integer conversion: optional sign, "$" for hexadecimal.
  static bool StrToInt(const QString& text, int* value);

 private:
  int FindSection(const QString& section) const;

  QStringList lines_;
  QStringList sections_;
  QList<int> sectionLines_;
};

}  // namespace orvane::skin
