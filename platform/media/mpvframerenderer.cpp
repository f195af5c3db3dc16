// libmpv's software renderer on a thread of its own.
#include "platform/media/mpvframerenderer.h"

#include <mpv/client.h>
#include <mpv/render.h>
#include <pthread.h>

namespace orvane {

namespace {
// Buffers kept for reuse: the one shown, the newest and one being drawn, with one to spare.
constexpr std::size_t kPoolSize = 4;

// Every 32-bit format libmpv promises to draw has a padding byte it leaves undefined (it
// writes 0); it goes where Qt's RGB32 keeps its 0xff, the top byte of the native word.
constexpr const char* kFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "bgr0" : "0rgb";

// RGB32 wants 0xff in that byte: painted with source composition onto a surface with alpha
// (a Wayland window, an ARGB image) a picture with 0 there is transparent. One pass over the
// words right after drawing, while they are still in the cache. The rows' padding is taken
// along (nobody reads it), so the pass runs over whole aligned blocks of 64 bytes, which the
// compiler turns into vector instructions.
void makeOpaque(VideoPicture& picture) {
  constexpr int kWords = int(VideoPicture::kAlignment / 4);
  auto* block = reinterpret_cast<quint32*>(picture.bits());
  const qsizetype blocks = picture.stride * picture.size.height() / VideoPicture::kAlignment;
  for (qsizetype b = 0; b < blocks; ++b, block += kWords)
    for (int i = 0; i < kWords; ++i) block[i] |= 0xff000000u;
}
}  // namespace

MpvFrameRenderer::MpvFrameRenderer(mpv_handle* player, std::function<quint64()> generation, Published published)
    : generation_(std::move(generation)), published_(std::move(published)) {
  mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                               {MPV_RENDER_PARAM_INVALID, nullptr}};
  const int rc = player ? mpv_render_context_create(&ctx_, player, params) : MPV_ERROR_UNINITIALIZED;
  if (rc < 0) {
    ctx_ = nullptr;
    error_ = QString::fromUtf8(mpv_error_string(rc));
    return;
  }
  mpv_render_context_set_update_callback(ctx_, &MpvFrameRenderer::onUpdate, this);
  thread_ = std::thread([this] { run(); });
}

MpvFrameRenderer::~MpvFrameRenderer() {
  if (!ctx_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
  // No update may arrive once this returns; then libmpv lets go of the video chain.
  mpv_render_context_set_update_callback(ctx_, nullptr, nullptr);
  mpv_render_context_free(ctx_);
}

void MpvFrameRenderer::onUpdate(void* self) {
  // On one of libmpv's threads: only note it and wake the drawing thread.
  auto* r = static_cast<MpvFrameRenderer*>(self);
  {
    std::lock_guard<std::mutex> lock(r->mutex_);
    r->update_ = true;
  }
  r->wake_.notify_one();
}

void MpvFrameRenderer::setSize(QSize size) {
  if (size.isEmpty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (size == size_) return;
    size_ = size;
    redraw_ = true;
  }
  wake_.notify_one();
}

std::shared_ptr<const VideoPicture> MpvFrameRenderer::latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return latest_;
}

void MpvFrameRenderer::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  latest_.reset();
  // Between files nothing needs the buffers: a sound file after a video keeps no picture
  // memory. One still being drawn into is dropped by its owner.
  pool_.clear();
}

std::shared_ptr<VideoPicture> MpvFrameRenderer::bufferFor(QSize size) {
  // Under the lock: latest() hands out copies under it, so a count of one is final here.
  for (const auto& b : pool_)
    if (b.use_count() == 1 && b->size == size) return b;
  auto fresh = std::make_shared<VideoPicture>(size);
  for (auto& b : pool_) {
    if (b.use_count() == 1) {
      b = fresh;
      return fresh;
    }
  }
  if (pool_.size() < kPoolSize) pool_.push_back(fresh);
  return fresh;
}

void MpvFrameRenderer::run() {
  pthread_setname_np(pthread_self(), "orvane/pictures");  // so that it can be told apart
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || update_ || redraw_; });
    if (quit_) return;
    const bool redraw = redraw_;
    update_ = redraw_ = false;
    const QSize size = size_;
    std::shared_ptr<VideoPicture> picture = bufferFor(size);
    lock.unlock();

    // Asked after every update call, whether or not a picture follows.
    const bool frame = mpv_render_context_update(ctx_) & MPV_RENDER_UPDATE_FRAME;
    bool shown = false;
    if (frame || redraw) {
      const quint64 generation = generation_();
      int dims[2] = {size.width(), size.height()};
      size_t stride = size_t(picture->stride);
      // This thread may wait for the picture's display time: that is what paces the video.
      mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, dims},
                                   {MPV_RENDER_PARAM_SW_FORMAT, const_cast<char*>(kFormat)},
                                   {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                   {MPV_RENDER_PARAM_SW_POINTER, picture->bits()},
                                   {MPV_RENDER_PARAM_INVALID, nullptr}};
      // A picture of a file that was replaced while it was drawn is not shown.
      if (mpv_render_context_render(ctx_, params) >= 0 && generation == generation_()) {
        makeOpaque(*picture);
        picture->generation = generation;
        shown = true;
      }
    }
    lock.lock();
    if (shown) {
      // A picture drawn again at a new size is the same picture of the video.
      // Numbers are counted for the whole program: a window that shows the pictures of another
      // player (another channel, or the channel's other player) never sees a number twice.
      static std::atomic<quint64> pictures{0};
      picture->sequence = frame ? (lastSequence_ = ++pictures) : lastSequence_;
      latest_ = std::move(picture);
      lock.unlock();
      published_();
      lock.lock();
    }
  }
}

}  // namespace orvane
