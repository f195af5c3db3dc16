// Where chosen songs go: the player's playlist, seen from the windows that feed it.
#pragma once

#include <QString>
#include <functional>

class PlaylistTarget {
 public:
  virtual ~PlaylistTarget() = default;
  // Appends one song to the end of the playlist (its title list and its path list, in step);
  // the selection stays, nothing starts playing.
  virtual void AddSong(const QString& title, const QString& path) = 0;
};

// Returns the open player, first creating (owned by the application) and showing one when
// there is none; null when no player can be had.
using PlaylistProvider = std::function<PlaylistTarget*()>;
