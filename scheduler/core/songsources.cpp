// Song sources.
#include "scheduler/core/songsources.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/songlist.h"

QStringList ReadSongList(const QString& path, bool existingOnly) {
  QStringList songs;
  bool ok = false;
  const QStringList lines = SongList::Read(path, &ok);
  if (!ok) return songs;
  for (const QString& line : lines) {
    const QString song = line.trimmed();
    if (song.isEmpty()) continue;
    if (existingOnly && !QFileInfo(song).isFile()) continue;
    songs.append(song);
  }
  return songs;
}

namespace {
void scan(const QString& folder, bool recursive, QStringList& out, int depth) {
  QDir dir(folder);
  QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  // The order NTFS lists a folder in: upper-cased UTF-16 code units, whatever the locale.
  std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
    return c != 0 ? c < 0 : a < b;
  });
  for (const QString& name : names) {
    if (name.startsWith(QLatin1Char('.'))) continue;
    const QFileInfo info(dir.filePath(name));
    if (info.isDir()) {
      // Linked folders are not followed, so a link loop cannot trap the scan.
      if (recursive && !info.isSymLink() && depth < 64) scan(info.filePath(), recursive, out, depth + 1);
    } else if (info.isFile() && HasSongExtension(name)) {
      out.append(info.filePath());
    }
  }
}
}  // namespace

QStringList ScanSongFolder(const QString& folder, bool recursive) {
  QStringList out;
  if (folder.trimmed().isEmpty() || !QFileInfo(folder).isDir()) return out;
  scan(QDir::cleanPath(folder), recursive, out, 0);
  return out;
}

bool StepSelection(int& selected, int count, int direction) {
  if (selected < 0 || selected >= count) return false;
  if (direction < 0 && selected == 0) {
    orvane::MessageBox(QStringLiteral("已是第一首"), QStringLiteral("提示"), orvane::mb::OK);
    return false;
  }
  if (direction > 0 && selected == count - 1) {
    orvane::MessageBox(QStringLiteral("已是最后一首"), QStringLiteral("提示"), orvane::mb::OK);
    return false;
  }
  selected += direction < 0 ? -1 : 1;
  return true;
}

QString NotPlayedLine(const QString& file) {
  return QFileInfo::exists(file) ? QStringLiteral("不能播放此首歌曲!") : QStringLiteral("歌曲文件不存在!");
}
