// Draws a libmpv player's video pictures into memory on a thread of its own, so that no window
// is ever handed to the player and the interface thread only paints finished pictures.
#pragma once

#include <QSize>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/media/mediachannel.h"

struct mpv_handle;
struct mpv_render_context;

namespace orvane {

class MpvFrameRenderer {
 public:
  // Called on the renderer's thread after a picture was published; it must only post.
  using Published = std::function<void()>;
  // Attaches libmpv's software renderer to the player and starts the thread; ok() tells
  // whether libmpv took it (the failure is in error()).
  MpvFrameRenderer(mpv_handle* player, std::function<quint64()> generation, Published published);
  // Ends the thread, then detaches the renderer from the player; must run before the player
  // itself is destroyed.
  ~MpvFrameRenderer();
  MpvFrameRenderer(const MpvFrameRenderer&) = delete;
  MpvFrameRenderer& operator=(const MpvFrameRenderer&) = delete;

  bool ok() const { return ctx_ != nullptr; }
  const QString& error() const { return error_; }

  // The size pictures are drawn at (device pixels); a change redraws the present picture.
  void setSize(QSize size);
  // The newest picture, or null when there is none since the last clear.
  std::shared_ptr<const VideoPicture> latest() const;
  // Forgets the newest picture (a new file is being opened).
  void clear();

 private:
  static void onUpdate(void* self);
  void run();
  std::shared_ptr<VideoPicture> bufferFor(QSize size);

  mpv_render_context* ctx_ = nullptr;
  QString error_;
  std::function<quint64()> generation_;
  Published published_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool update_ = false;  // libmpv has something new (a picture, or a reason to redraw)
  bool redraw_ = false;  // the size changed: draw the present picture again
  bool quit_ = false;
  QSize size_{640, 480};
  std::shared_ptr<VideoPicture> latest_;
  // Buffers handed out before: reused once nobody but this list holds them.
  std::vector<std::shared_ptr<VideoPicture>> pool_;
  quint64 lastSequence_ = 0;  // the number of the latest picture drawn (under mutex_)
  std::thread thread_;
};

}  // namespace orvane
