// Path rules.
#include "scheduler/core/pathrules.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

const QStringList& SongExtensions() {
  static const QStringList list{QStringLiteral(".MP3"), QStringLiteral(".WMA"), QStringLiteral(".WAV"),
                                QStringLiteral(".MID")};
  return list;
}

bool HasSongExtension(const QString& name) {
  return SongExtensions().contains(FileExtension(name).toUpper());
}

QString FileNameOf(const QString& path) {
  const qsizetype cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

QString FileExtension(const QString& path) {
  const QString name = FileNameOf(path);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot);
}

bool FolderHasSongs(const QString& folder, bool recurse) {
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    if (info.fileName().startsWith(QLatin1Char('.'))) continue;
    if (info.isDir()) {
      // Linked folders are not followed, so a link loop cannot trap the search.
      if (recurse && !info.isSymLink() && FolderHasSongs(info.filePath(), true)) return true;
      continue;
    }
    if (HasSongExtension(info.fileName())) return true;
  }
  return false;
}

bool IsFolderPath(const QString& path) {
  const QFileInfo info(path);
  return QDir::isAbsolutePath(path) && info.isDir();
}

bool IsProgramPath(const QString& path) {
  const QFileInfo info(path);
  return QDir::isAbsolutePath(path) && info.isFile() && info.isExecutable();
}

QString SafeFileNamePart(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f ||
        c.category() == QChar::Other_Control)
      c = QLatin1Char('_');
  }
  return out;
}
