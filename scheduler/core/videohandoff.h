// The full-screen video window as the song channels see it: it takes a player's picture
// and closes again. Until a window is attached, video files play as sound.
#pragma once

namespace orvane {
class MediaChannel;
}

class VideoHandOff {
 public:
  virtual ~VideoHandOff() = default;
  // Covers the screen with the video window and makes it the player's picture.
  virtual void ShowVideo(orvane::MediaChannel& player) = 0;
  virtual void CloseVideo() = 0;
};
