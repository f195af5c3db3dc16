// The windows' file and folder pickers: Qt's own widget dialogs, never native or portal ones.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Filters of the media pickers: common audio and video files (with text files and song lists
// when asked), audio files, video files, all files.
QString MediaFileFilters(bool withTextAndLists);
// One existing file, or "" when cancelled.
QString PickOpenFile(QWidget* parent, const QString& title, const QString& filters);
// A file name to save to, or "" when cancelled.
QString PickSaveFile(QWidget* parent, const QString& title, const QString& filters);
// Several existing files in the order the dialog gives them; empty when cancelled.
QStringList PickOpenFiles(QWidget* parent, const QString& title, const QString& filters);
// An external program, or "" when cancelled. The first filter, "可执行文件（*.exe）", lists the
// files this system can run (on Linux they carry no ".exe"); the second lists every file.
QString PickProgram(QWidget* parent);
// An existing folder, or "" when cancelled.
QString PickFolder(QWidget* parent, const QString& caption);
