// What a manual insertion held of one channel's two players (the media player and the
// stream player), and carrying on with it afterwards. Shared by the main and second channel.
#pragma once

namespace orvane {
class MediaChannel;
}

class ChannelHold {
 public:
  bool any() const { return player_ || stream_; }
  void clear() { player_ = stream_ = false; }
  // Pauses whichever of the two is playing; true when anything is held.
  bool hold(orvane::MediaChannel* player, orvane::MediaChannel* stream);
  // Plays on, from where it paused, what was held and is still paused; true when something
  // sounds again. Forgets the hold either way.
  bool resume(orvane::MediaChannel* player, orvane::MediaChannel* stream);

 private:
  bool player_ = false;
  bool stream_ = false;
};
