// One playback channel (a media player or a stream player) and the factory that makes them.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdlib>
#include <memory>
#include <new>

namespace orvane {

// What a channel is doing. A channel is "open" in every mode but NotOpen.
enum class MediaMode { NotOpen, Stopped, Playing, Paused };

// The outcome of a synchronous media call: ok, or a message saying why not.
struct MediaResult {
  bool ok = false;
  QString message;
  static MediaResult success() { return {true, {}}; }
  static MediaResult failure(QString why) { return {false, std::move(why)}; }
  explicit operator bool() const { return ok; }
};

// One picture of a video: 32-bit pixels, each a native word 0xffRRGGBB (Qt's RGB32), `stride`
// bytes a row.
struct VideoPicture {
  // libmpv draws straight into memory whose rows start on 64-byte boundaries; into any other
  // it draws a whole picture elsewhere and copies it.
  static constexpr qsizetype kAlignment = 64;

  // A picture of that size with its pixels not yet drawn; the stride is the row's bytes
  // rounded up to kAlignment, the memory aligned to it.
  explicit VideoPicture(QSize pictureSize);
  VideoPicture(const VideoPicture&) = delete;
  VideoPicture& operator=(const VideoPicture&) = delete;

  uchar* bits() { return pixels_.get(); }
  const uchar* bits() const { return pixels_.get(); }

  QSize size;
  qsizetype stride = 0;
  quint64 generation = 0;  // the channel's stamp of the file it belongs to
  quint64 sequence = 0;    // counts the video's pictures drawn by the channel, from 1 (the
                           // same picture drawn again at another size keeps its number)

 private:
  struct Free {
    void operator()(uchar* p) const { std::free(p); }
  };
  std::unique_ptr<uchar[], Free> pixels_;
};

inline VideoPicture::VideoPicture(QSize pictureSize) : size(pictureSize) {
  const qsizetype row = qsizetype(qMax(0, size.width())) * 4;
  stride = (row + kAlignment - 1) / kAlignment * kAlignment;
  // aligned_alloc wants a multiple of the alignment, which whole rows of that stride are.
  const qsizetype bytes = qMax<qsizetype>(stride * qMax(0, size.height()), kAlignment);
  pixels_.reset(static_cast<uchar*>(std::aligned_alloc(std::size_t(kAlignment), std::size_t(bytes))));
  if (!pixels_) throw std::bad_alloc();
}

// The two players a channel of the program can use: the media player (video capable) and the
// stream player that is the fallback for ".MP3" files the media player cannot open.
enum class ChannelKind { MediaPlayer, Stream };

// One file at a time. All calls are made on the interface thread; the signals arrive there
// too, from the event loop, never from inside a call.
class MediaChannel : public QObject {
  Q_OBJECT
 public:
  // How long opening may take before it counts as a failure.
  static constexpr int kOpenTimeoutMs = 3000;

  explicit MediaChannel(QObject* parent = nullptr) : QObject(parent) {}
  ~MediaChannel() override = default;

  // Closes what was open and opens the file, stopped at its start; waits for the file to be
  // loaded or to fail, never longer than the time limit, without running the event loop.
  virtual MediaResult open(const QString& path, int timeoutMs = kOpenTimeoutMs) = 0;
  // Closes what was open and starts opening a network address (an internet radio:
  // "http://...", "https://", "mms://", "mmsh://", "rtsp://", "rtmp://"), and returns at once:
  // a station may take seconds to answer, and the interface thread must not wait for it.
  // Anything that is not such an address is refused here, and players that only read files
  // refuse every address. Otherwise `loaded` (the channel is then open, stopped at the start)
  // or `loadFailed` follows from the event loop, at the latest after the time limit. open,
  // openAddress, stop and close before that answer cancel the opening: nothing is sent.
  virtual MediaResult openAddress(const QString& url, int timeoutMs = kOpenTimeoutMs) {
    (void)timeoutMs;
    return MediaResult::failure(QStringLiteral("this player cannot open ") + url);
  }
  // An address is being opened and has not answered yet (the mode is NotOpen meanwhile).
  virtual bool opening() const { return false; }
  // The schemes openAddress takes.
  static bool isStreamAddress(const QString& url) {
    static const QStringList schemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
                                     QStringLiteral("mmsh"), QStringLiteral("rtsp"), QStringLiteral("rtmp")};
    const QUrl u(url.trimmed(), QUrl::StrictMode);
    return u.isValid() && !u.host().isEmpty() && schemes.contains(u.scheme().toLower());
  }
  virtual void play() = 0;
  virtual void pause() = 0;
  // Stops playing and stays open at the present position.
  virtual void stop() = 0;
  virtual void close() = 0;

  virtual MediaMode mode() const = 0;
  bool isOpen() const { return mode() != MediaMode::NotOpen; }
  bool isPlaying() const { return mode() == MediaMode::Playing; }
  virtual QString fileName() const = 0;
  // Milliseconds; 0 when not open. Asks the player, which may hold the call for a moment
  // (libmpv does while it plays a file's last sound).
  virtual qint64 positionMs() const = 0;
  // The place as the channel knows it without asking the player: the last position read (or
  // sought, or opened at) and, while playing, the time played since. Never waits; 0 when not
  // open, never past the file's length.
  virtual qint64 knownPositionMs() const = 0;
  virtual qint64 lengthMs() const = 0;
  // Moves to a position, clamped to the file's length (a seek to the end ends the file).
  virtual void seek(qint64 ms) = 0;
  // 0..1000, linear in amplitude; kept across files.
  virtual void setVolume(int level) = 0;
  virtual int volume() const = 0;
  // Decode and draw the pictures of video files, for the program to show them itself (no
  // window is ever handed to the player). On: the next file opened shows its pictures; off:
  // the file playing goes on as sound only. Stream players ignore it.
  virtual void setVideoFrames(bool on) { (void)on; }
  // The size pictures are drawn at, in device pixels; a change draws the present one again.
  virtual void setVideoFrameSize(QSize size) { (void)size; }
  // The newest picture of the open file (null when there is none yet); videoFrameReady()
  // tells when a new one has arrived.
  virtual std::shared_ptr<const VideoPicture> videoPicture() const { return nullptr; }
  // The next open of `path` leaves it stopped at `ms` rather than at its start, so that play
  // begins there (a song taken up again at its place is never heard from its start first).
  // Opens of other files leave it waiting; an empty path forgets it.
  void startNextOpenAt(const QString& path, qint64 ms) {
    startAtPath_ = path;
    startAtMs_ = ms;
  }
  // Whether a start asked for with startNextOpenAt is still waiting for its file.
  bool startAtWaiting() const { return !startAtPath_.isEmpty(); }

 protected:
  // The place the file just opened is to start at (0: its start); asked for once only.
  qint64 takeStartFor(const QString& path) {
    if (startAtPath_.isEmpty() || path != startAtPath_) return 0;
    startAtPath_.clear();
    return startAtMs_;
  }

 signals:
  // The file played to its end (not sent for stop, close or a failure).
  void endOfMedia();
  // Playback broke off after a successful open (no audio output, a decoding error).
  void failed(const QString& message);
  // The answers to openAddress: the address is open, or it could not be opened.
  void loaded();
  void loadFailed(const QString& message);
  // A new picture of the open file has arrived (see setVideoFrames).
  void videoFrameReady();
  // The sound server could not be reached, or went away: the channel plays on, keeping time,
  // into silence. Sent once when that begins; soundOutputReturned once the file under way (or
  // the next one) sounds through the server again: a channel playing into silence looks for
  // the server every few seconds and takes the file under way back to it at its place.
  void soundOutputLost();
  void soundOutputReturned();

 private:
  QString startAtPath_;
  qint64 startAtMs_ = 0;
};

// Makes the channels of one kind of media layer (libmpv, or a fake in tests).
class MediaBackend {
 public:
  virtual ~MediaBackend() = default;
  // Null when the layer cannot make a channel (the failure is logged).
  virtual std::unique_ptr<MediaChannel> createChannel(ChannelKind kind) = 0;
};

}  // namespace orvane
