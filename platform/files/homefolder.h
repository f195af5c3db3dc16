// Where the program keeps what it writes: the database, its log, song lists, recordings.
// $ORVANE_HOME when set, else $XDG_DATA_HOME/orvane (default ~/.local/share/orvane).
#pragma once

#include <QString>

namespace orvane {

class HomeFolder {
 public:
  // The home folder's absolute path, without a trailing separator. Not created here.
  static QString path();
  // Creates the home folder (and its parents) when missing; false when that fails.
  static bool ensure();
  // A path inside the home folder.
  static QString file(const QString& name);
};

}  // namespace orvane
