// Song-list files.
#include "scheduler/core/songlist.h"

#include <QDir>
#include <QFileInfo>

#include "platform/files/homefolder.h"
#include "platform/files/textfile.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/timetext.h"

QStringList SongList::Read(const QString& path, bool* ok) { return orvane::readTextLines(path, ok); }

bool SongList::Write(const QString& path, const QStringList& lines) {
  const QFileInfo target(path);
  if (QDir::cleanPath(target.absolutePath()) == QDir::cleanPath(Folder()) && !QDir().mkpath(Folder())) return false;
  return orvane::writeTextLines(path, lines);
}

bool SongList::IsBlank(const QStringList& lines) {
  for (const QString& line : lines)
    if (!line.trimmed().isEmpty()) return false;
  return true;
}

QString SongList::Folder() { return orvane::HomeFolder::file(QStringLiteral("pl3")); }

QString SongList::NewListPath(const QString& entryName, const QDateTime& now) {
  return Folder() + QLatin1Char('/') + SafeFileNamePart(entryName.trimmed()) +
         now.toString(QStringLiteral("yyMMddHHmmss")) + QStringLiteral(".pl3");
}

QString SongList::NameLine(const QString& path) {
  return QStringLiteral("歌曲列表文件名：") + ExtractSongName(path) + QStringLiteral(".pl3");
}

QString SongList::ReadErrorText(const QString& path) { return QStringLiteral("无法读取歌曲列表文件：") + path; }

QString SongList::WriteErrorText(const QString& path) { return QStringLiteral("无法保存歌曲列表文件：") + path; }
