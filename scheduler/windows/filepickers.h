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
// Several existing files in the order the dialog gives them; empty when cancelled.
QStringList PickOpenFiles(QWidget* parent, const QString& title, const QString& filters);
// An existing folder, or "" when cancelled.
QString PickFolder(QWidget* parent, const QString& caption);
