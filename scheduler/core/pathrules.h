// File-name pieces and the path rules of entries: song extensions, folders, programs.
#pragma once

#include <QString>
#include <QStringList>

// The extensions that make a file a song of a folder entry, in upper case with the dot.
const QStringList& SongExtensions();
// True when the name's extension, ignoring letter case, is one of SongExtensions().
bool HasSongExtension(const QString& name);
// The part of a path after its last "/" or "\".
QString FileNameOf(const QString& path);
// The extension of a path's file name from its last "." on (".mp3"), empty when it has none.
QString FileExtension(const QString& path);
// True as soon as the folder holds one song (names beginning with "." are skipped); with
// recurse, subfolders are searched too.
bool FolderHasSongs(const QString& folder, bool recurse);
// A folder entry's path: absolute and naming an existing directory.
bool IsFolderPath(const QString& path);
// An external program's path: absolute and naming an existing executable file.
bool IsProgramPath(const QString& path);
// A piece of a file name made from free text: path separators and control characters
// become "_".
QString SafeFileNamePart(const QString& text);
