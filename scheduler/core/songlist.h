// Song-list files (".pl3"): one media file path per line in play order, read as UTF-8 or
// else GB18030, written as UTF-8 with CR LF after every line (empty lines included).
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class SongList {
 public:
  // The lines of the file; ok tells whether it could be read.
  static QStringList Read(const QString& path, bool* ok = nullptr);
  // Replaces the file with the lines. The home folder's "pl3" folder is created first when
  // the file belongs there. False when the file cannot be written.
  static bool Write(const QString& path, const QStringList& lines);
  // True when the lines hold nothing but blanks (such a list is never saved by the editor).
  static bool IsBlank(const QStringList& lines);

  // The home folder's "pl3" folder, where new lists go.
  static QString Folder();
  // A new list for an entry: the "pl3" folder, the entry name trimmed (path separators and
  // control characters made "_"), the date "yyMMdd", the time "HHmmss" and ".pl3".
  static QString NewListPath(const QString& entryName, const QDateTime& now);
  // The song-list window's name line: "歌曲列表文件名：" + the file name without its last four
  // characters + ".pl3".
  static QString NameLine(const QString& path);

  // Messages of the list windows.
  static QString ReadErrorText(const QString& path);
  static QString WriteErrorText(const QString& path);
};
