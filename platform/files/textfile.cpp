// Text file reading and writing.
#include "platform/files/textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace orvane {

QString decodeText(const QByteArray& bytes) {
  QByteArray data = bytes;
  if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(data);
  if (!utf8.hasError()) return text;
  QStringDecoder gb("GB18030");
  if (gb.isValid()) return gb.decode(data);
  return QString::fromLatin1(data);
}

QString readTextFile(const QString& path, bool* ok) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (ok) *ok = false;
    return {};
  }
  if (ok) *ok = true;
  return decodeText(f.readAll());
}

QStringList splitLines(const QString& text) {
  QStringList lines;
  QString current;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      lines.append(current);
      current.clear();
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
    } else {
      current.append(c);
    }
  }
  if (!current.isEmpty()) lines.append(current);
  return lines;
}

QStringList readTextLines(const QString& path, bool* ok) { return splitLines(readTextFile(path, ok)); }

bool writeTextLines(const QString& path, const QStringList& lines) {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  QByteArray out;
  for (const QString& line : lines) {
    out += line.toUtf8();
    out += "\r\n";
  }
  if (f.write(out) != out.size()) {
    f.cancelWriting();
    return false;
  }
  return f.commit();
}

bool appendTextLine(const QString& path, const QString& line) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  const QByteArray out = line.toUtf8() + "\r\n";
  return f.write(out) == out.size();
}

}  // namespace orvane
