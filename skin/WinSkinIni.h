// The skin description reader: a sectioned key-and-value text held in memory, answering
// the parser's questions by section and key.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

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
  // The keys of one section: lowercased key -> the value of its first line (empty when that
  // line has no value), so every read is one lookup however large the description.
  using Keys = QHash<QString, QString>;

  QStringList lines_;
  QStringList sections_;
  // Case-folded, trimmed section name -> its first header's keys; later headers of the same
  // name are never read.
  QHash<QString, qsizetype> sectionIndex_;
  std::vector<Keys> sectionKeys_;
};

}  // namespace orvane::skin
