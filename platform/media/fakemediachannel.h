// A media channel that plays nothing: tests script what opens, how long files are, and when
// they end, and read back what the code under test asked for.
#pragma once

#include <QStringList>
#include <vector>

#include "platform/media/mediachannel.h"

namespace orvane {

class FakeMediaBackend;

class FakeMediaChannel : public MediaChannel {
  Q_OBJECT
 public:
  FakeMediaChannel(ChannelKind kind, FakeMediaBackend& backend) : kind_(kind), backend_(&backend) {}

  MediaResult open(const QString& path, int timeoutMs = kOpenTimeoutMs) override;
  // Addresses open like files (by the backend's lists) but answer later, as a station does:
  // through the event loop, or only at answer() when the backend holds the answers back.
  // Anything not an address is refused at once.
  MediaResult openAddress(const QString& url, int timeoutMs = kOpenTimeoutMs) override;
  bool opening() const override { return !pending_.isEmpty(); }
  void play() override;
  void pause() override;
  void stop() override;
  void close() override;
  MediaMode mode() const override { return mode_; }
  QString fileName() const override { return path_; }
  qint64 positionMs() const override { return position_; }
  // No time passes in the fake: it knows the place the test gave it (or a seek, an end).
  qint64 knownPositionMs() const override { return position_; }
  qint64 lengthMs() const override { return length_; }
  void seek(qint64 ms) override;
  void setVolume(int level) override;
  int volume() const override { return volume_; }

  ChannelKind kind() const { return kind_; }
  // The file plays on to its end (the end signal is sent) or to a position.
  void finish();
  void setPosition(qint64 ms) { position_ = ms; }
  // Playback breaks off (the failure signal is sent).
  void breakOff(const QString& why);
  // The address being opened answers now: it loads (loaded is sent) or, when the backend's
  // lists say it cannot open, it fails (loadFailed is sent). Nothing when none is pending.
  void answer();

  // Everything asked of the channel: "open <path>", "play", "pause", "stop", "close",
  // "seek <ms>".
  QStringList calls;
  std::vector<int> volumes;  // every volume set, in order
  QStringList opened;        // files opened successfully, in order

 private:
  ChannelKind kind_;
  FakeMediaBackend* backend_;
  void load(const QString& path);

  MediaMode mode_ = MediaMode::NotOpen;
  QString path_;
  qint64 position_ = 0;
  qint64 length_ = 0;
  int volume_ = 1000;
  QString pending_;          // the address opening, until it answers or is given up
  quint64 generation_ = 0;   // moved on by every open, stop and close: late answers are dropped
};

}  // namespace orvane
