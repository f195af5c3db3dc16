// Where the songs of a song entry come from: a song list file (".pl3", one path a line) or
// the sound files of a folder.
#pragma once

#include <QString>
#include <QStringList>

// The paths of a song list, trimmed, blank lines left out; with existingOnly only the lines
// that name an existing file. A missing file gives no songs.
QStringList ReadSongList(const QString& path, bool existingOnly);

// The songs of a folder (".MP3", ".WMA", ".WAV", ".MID" in any case), by name in the order
// Windows lists a folder in (case-insensitive); names starting with "." are left out; with
// recursive, subfolders are scanned where they fall in that order.
QStringList ScanSongFolder(const QString& folder, bool recursive);

// Moves a channel's selected song one back (direction < 0) or on; at either end of the list it
// says "已是第一首" or "已是最后一首" and leaves the selection. True when it moved.
bool StepSelection(int& selected, int count, int direction);

// The song line for a song that did not play: missing or not playable.
QString NotPlayedLine(const QString& file);
