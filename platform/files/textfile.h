// The program's text file rules: files are read as UTF-8 when their bytes are valid UTF-8,
// else as GB18030 (older files in the Chinese code page); files are written as UTF-8 with
// CR LF line ends.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvane {

// Decodes bytes by the rule above (a UTF-8 byte-order mark is dropped).
QString decodeText(const QByteArray& bytes);
// The whole file as text; ok (when given) tells whether it could be read.
QString readTextFile(const QString& path, bool* ok = nullptr);
// The lines of a text without their line ends (CR LF, LF or CR); a final line end adds no
// empty line.
QStringList splitLines(const QString& text);
// The file's lines, split as above.
QStringList readTextLines(const QString& path, bool* ok = nullptr);
// Writes the lines, each followed by CR LF, replacing the file; false on failure.
bool writeTextLines(const QString& path, const QStringList& lines);
// Appends one line and CR LF, creating the file when missing; false on failure.
bool appendTextLine(const QString& path, const QString& line);

}  // namespace orvane
