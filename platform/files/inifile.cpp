// Minimal INI reader.
#include "platform/files/inifile.h"

#include "platform/files/textfile.h"

namespace orvane {

QString IniFile::readString(const QString& section, const QString& key, const QString& fallback) const {
  bool ok = false;
  const QStringList lines = readTextLines(path_, &ok);
  if (!ok) return fallback;
  bool inSection = false;
  for (const QString& raw : lines) {
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    if (line.startsWith(QLatin1Char('['))) {
      const int close = line.indexOf(QLatin1Char(']'));
      const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
      inSection = name.compare(section, Qt::CaseInsensitive) == 0;
      continue;
    }
    if (!inSection) continue;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0) continue;
    QString value = line.mid(eq + 1).trimmed();
    if (value.size() >= 2 && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) ||
                              (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
      value = value.mid(1, value.size() - 2);
    return value;
  }
  return fallback;
}

}  // namespace orvane
