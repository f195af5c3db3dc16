// The entry kinds as the entry dialogs offer them, the play modes of each, and the stored
// forms of entry fields that several windows write (text head, lengths, radio kinds).
#pragma once

#include <QString>
#include <QStringList>

namespace orvane {
class MediaProbe;
}

// Indices of the dialogs' kind list.
enum EntryKindIndex { kKindSong = 0, kKindFolder = 1, kKindList = 2, kKindText = 3, kKindRadio = 4, kKindProgram = 5 };

// What the music panel shows for a kind.
struct EntryKindLayout {
  QString text;           // the kind's name in the list, "单首歌曲"
  QString pathLabel;      // the path field's label, "单首歌曲："
  QString buttonCaption;  // the picker button, "选择歌曲"
  bool buttonEnabled = true;
  QString pathHint;       // the path field's hint
  bool lengthAndVolume = true;  // length, volume and play-mode controls shown
  bool channel = true;          // channel controls shown (when the second channel is on)
};

// The six kinds in list order.
const QStringList& EntryKindTexts();
// Layout of a kind index 0..5 (the text kind has no music panel: only its text is set).
EntryKindLayout KindLayout(int index);
// Play modes of songs, and of folders and song lists.
const QStringList& SongPlayModes();
const QStringList& FolderPlayModes();
// The play modes the list offers for a kind index: songs, folders and lists; empty otherwise.
QStringList PlayModesOfKind(int index);

inline const QString kRadioPlayMode = QStringLiteral("网络电台");
inline const QString kProgramPlayMode = QStringLiteral("外部软件");
inline const QString kTextHead = QStringLiteral("文本：");

// 5 for an address beginning "MMS", 6 for "HTTP" (letter case ignored, blanks trimmed), else 0.
int RadioJmlx(const QString& address);
// The stored kind (1..7) of a kind index and path; 0 for a radio address of neither sort.
int JmlxOfKindIndex(int index, const QString& path);
// The kind index of a stored kind; -1 for a value outside 1..7.
int KindIndexOfJmlx(int jmlx);

// The path column of a text entry: "文本：", the first 38 characters (code points, so a
// Chinese character is never split) and "...".
QString TextEntryDisplay(const QString& text);
// A text's line breaks as stored: CR LF.
QString StoredText(const QString& plainText);

// A media file's playing length as the dialogs show it: three seconds are added, then
// "h:mm:ss" from one hour on, else "m:ss"; "00:00:00" when the length cannot be read.
QString GetMediaLength(orvane::MediaProbe* probe, const QString& path);
// Seconds of such a length read as a time of day (a short "m:ss" is read as "0:m:ss");
// 0 when it is not a time of day.
int MediaLengthSeconds(const QString& length);
