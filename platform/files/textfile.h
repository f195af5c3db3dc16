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
// Writes the lines, each followed by CR LF, replacing the file in one step (a new file with the
// old one's mode, renamed over it once every byte has reached the disk); false on failure,
// with the error number in error, the old file then left as it was.
bool writeTextLines(const QString& path, const QStringList& lines, int* error = nullptr);
// Appends the lines, each followed by CR LF, creating the file when missing. All or nothing:
// when any byte cannot be written (a full or read-only disk) what was written of them is taken
// back, so the file never ends in half a line; false then, with the error number in error.
bool appendTextLines(const QString& path, const QStringList& lines, int* error = nullptr);
bool appendTextLine(const QString& path, const QString& line, int* error = nullptr);

}  // namespace orvane
