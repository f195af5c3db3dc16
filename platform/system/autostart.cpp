// XDG autostart entry.
#include "platform/system/autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "platform/files/filewrite.h"

namespace orvane {

Autostart::Autostart(QString folder) : folder_(std::move(folder)) {}

QString Autostart::DefaultFolder() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return QDir::cleanPath(config + QStringLiteral("/autostart"));
}

QString Autostart::filePath() const { return QDir(folder_).filePath(FileName()); }

bool Autostart::isPresent() const {
  QFile f(filePath());
  if (!QFileInfo(f).isFile()) return false;
  // An entry that cannot be read is still there: count it as present.
  if (!f.open(QIODevice::ReadOnly)) return true;
  return !IsHidden(f.readAll());
}

QString Autostart::ExecValue(const QString& program) {
  // Inside double quotes the characters " ` $ \ need a backslash; "%" starts a field code
  // and is written "%%". The value is then a string value, whose own escapes apply on top
  // (a backslash becomes two, line breaks and tabs become \n, \r, \t).
  QString quoted;
  quoted.reserve(program.size() + 2);
  quoted += QLatin1Char('"');
  for (const QChar c : program) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    if (c == QLatin1Char('%')) quoted += QLatin1Char('%');
    quoted += c;
  }
  quoted += QLatin1Char('"');
  QString value;
  value.reserve(quoted.size());
  for (const QChar c : quoted) {
    switch (c.unicode()) {
      case '\\': value += QStringLiteral("\\\\"); break;
      case '\n': value += QStringLiteral("\\n"); break;
      case '\r': value += QStringLiteral("\\r"); break;
      case '\t': value += QStringLiteral("\\t"); break;
      default: value += c;
    }
  }
  return value;
}

QByteArray Autostart::EntryText(const QString& program) {
  // Line feeds only: desktop entries are read line by line and a CR would end up in values.
  QString text = QStringLiteral("[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Orvane\n"
                                "Exec=");
  text += ExecValue(program);
  text += QStringLiteral("\nTerminal=false\n");
  return text.toUtf8();
}

bool Autostart::IsHidden(const QByteArray& entry) {
  bool inMainGroup = false;
  for (const QByteArray& raw : entry.split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith('[')) {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) continue;
    if (line.left(eq).trimmed() == "Hidden" && line.mid(eq + 1).trimmed() == "true") return true;
  }
  return false;
}

bool Autostart::enable(const QString& program, QString* error) const {
  if (!QDir().mkpath(folder_)) {
    if (error) *error = QStringLiteral("cannot create the folder ") + folder_;
    return false;
  }
  int e = 0;
  if (!orvane::replaceFile(filePath(), EntryText(program), &e)) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(e));
    return false;
  }
  return true;
}

bool Autostart::disable(QString* error) const {
  const QString path = filePath();
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return true;
  QFile f(path);
  if (!f.remove()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

}  // namespace orvane
