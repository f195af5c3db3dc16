// Where the songs of a song entry come from: a song list file (".pl3", one path a line) or
// the sound files of a folder.
#pragma once

#include <QString>
#include <QStringList>

// The paths of a song list, trimmed, blank lines left out; with existingOnly only the lines
// that name an existing file. The file is read as UTF-8, else GB18030. A missing file gives
// no songs.
QStringList ReadSongList(const QString& path, bool existingOnly);

// The upper-cased extension of a path with its dot (".MP3"), "" when there is none.
QString UpperExtension(const QString& path);

// True for the sound files a folder entry plays: ".MP3", ".WMA", ".WAV", ".MID" in any case.
bool IsSongFileName(const QString& name);

// The songs of a folder, by name in the Windows order (case-insensitive); names starting
// with "." are left out; with recursive, subfolders are scanned where they fall in that order.
QStringList ScanSongFolder(const QString& folder, bool recursive);
