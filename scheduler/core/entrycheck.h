// The checks an entry passes before it is stored, in their fixed order, with the message
// and the field to go back to for the first one that fails.
#pragma once

#include <QString>
#include <functional>

// The field the operator is sent back to.
enum class EntryField { None, Path, Volume, Start, End, Length, Text, Interval };

// What the dialog holds when the operator saves.
struct EntryInput {
  int kindIndex = 0;   // the kind list's index (EntryKindIndex)
  QString path;        // the path field as typed
  int volume = 100;    // the start volume in percent
  QString start;       // "hh:nn:ss": the start, or the series' first start
  QString end;         // "hh:nn:ss": the end, or the series' latest start
  QString length;      // "hh:nn:ss": a series entry's length
  QString interval;    // a series' interval in minutes, as typed
  QString playmode;    // the play-mode list's text
  QString text;        // the text to read
};

struct EntryVerdict {
  bool ok = false;
  QString message;
  QString caption = QStringLiteral("提示");
  int flags = 0x10;  // error icon
  EntryField field = EntryField::None;
  // When ok: the stored kind (1..7), the stored play mode and, for a series, its interval.
  int jmlx = 0;
  QString playmode;
  int intervalSeconds = 0;
};

class EntryCheck {
 public:
  // Whether a time (start or end) collides with another entry: (time, jmlx) -> true.
  using Conflicts = std::function<bool(const QString& time, int jmlx)>;

  // One entry (add and edit dialogs).
  static EntryVerdict Single(const EntryInput& in, const Conflicts& conflicts);
  // A series of entries (batch dialog): no conflict checks; the length and the interval
  // (1..1439 minutes) are checked instead.
  static EntryVerdict Series(const EntryInput& in);

  // The series interval of n minutes as a time of day: "h:mm:00" from an hour on, else
  // "0:mm:00" (60 gives "1:00:00", 75 "1:15:00", 5 "0:05:00").
  static QString IntervalText(int minutes);

 private:
  // The path, volume and time checks come first; kind checks follow.
  static bool CheckKind(const EntryInput& in, EntryVerdict& v);
};
