// Text file reading and writing.
#include "platform/files/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringDecoder>
#include <cerrno>

#include "platform/files/filewrite.h"

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

namespace {
// The lines as stored: UTF-8, each ended by CR LF.
QByteArray crlfLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& line : lines) {
    out += line.toUtf8();
    out += "\r\n";
  }
  return out;
}
}  // namespace

bool writeTextLines(const QString& path, const QStringList& lines, int* error) {
  return replaceFile(path, crlfLines(lines), error);
}

bool appendTextLines(const QString& path, const QStringList& lines, int* error) {
  auto fail = [error](int e) {
    if (error) *error = e;
    return false;
  };
  if (error) *error = 0;
  const QByteArray out = crlfLines(lines);
  const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return fail(errno);
  struct stat st {};
  const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
  // Unbuffered: each byte is with the system when the call returns, or the call says why not.
  int e = writeAll(fd, out.constData(), out.size());
  // Some file systems report a failed write only when the file is closed.
  if (::close(fd) != 0 && e == 0) e = errno != 0 ? errno : EIO;
  if (e == 0) return true;
  // What did go out of these lines is taken back: the caller writes them again in full.
  if (before >= 0 && S_ISREG(st.st_mode)) (void)::truncate(QFile::encodeName(path).constData(), before);
  return fail(e);
}

bool appendTextLine(const QString& path, const QString& line, int* error) {
  return appendTextLines(path, QStringList{line}, error);
}

}  // namespace orvane
