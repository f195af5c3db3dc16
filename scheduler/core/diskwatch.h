// The broadcast writes its statuses and its log in the background, and keeps what the disk
// refuses (full, read-only) to write it later. Nobody waits for those writes, so nobody would
// notice them failing: this tells the operator once when they start failing and once when the
// disk takes them again, on screen without waiting for an answer, in "log.txt" (when the log
// is on; lines written while the disk refuses them follow later) and in the program's log.
#pragma once

#include <QString>

struct MainState;
class Clock;

class DiskWatch {
 public:
  // What is written: the two are told as one disk, but each clears only by its own success.
  enum class Place { Database = 0, Log = 1 };

  DiskWatch(const MainState& state, const Clock& clock);

  // A write to the file at path failed with the error number (errno values; see filewrite.h),
  // or, for a fault without one (error 0), for the reason in detail.
  void Failed(Place place, int error, const QString& path, const QString& detail = {});
  // A write succeeded.
  void Written(Place place);
  bool failing() const { return failing_[0] || failing_[1]; }
  bool failing(Place place) const { return failing_[int(place)]; }
  // The operator was told already (by a former image of the program) that the place fails.
  void setTold(Place place, bool failing) { failing_[int(place)] = failing; }

  // What the operator reads.
  static QString FailedText(const QString& why, const QString& path);
  static QString WritableText();

 private:
  const MainState& s_;
  const Clock& clock_;
  bool failing_[2] = {false, false};
};
