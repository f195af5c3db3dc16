// The media layer of the tests: fake channels whose files open, fail and end as scripted.
#pragma once

#include <QHash>
#include <QPointer>
#include <QSet>
#include <vector>

#include "platform/media/fakemediachannel.h"

namespace orvane {

class FakeMediaBackend : public MediaBackend {
 public:
  std::unique_ptr<MediaChannel> createChannel(ChannelKind kind) override;

  // Files that a kind of player cannot open (by path; "*" fails everything).
  QSet<QString> unplayableByMediaPlayer;
  QSet<QString> unplayableByStream;
  // When set, files that do not exist fail to open, like on a real player.
  bool requireExistingFiles = false;
  // Lengths by path; others are defaultLengthMs long.
  QHash<QString, qint64> lengths;
  qint64 defaultLengthMs = 180000;
  // How long files take to open, by path (others at once): an open that may not wait that
  // long fails as timed out.
  QHash<QString, int> openTakesMs;
  // No channel can be made at all (a layer that failed to start).
  bool broken = false;
  // Addresses answer through the event loop; when false they wait for the channel's
  // answer() (a station that has not answered yet).
  bool answerAddresses = true;

  // The n-th channel of a kind made so far (null when there is none or it is gone).
  FakeMediaChannel* channel(ChannelKind kind, int n = 0) const;
  bool opens(ChannelKind kind, const QString& path) const;

 private:
  std::vector<QPointer<FakeMediaChannel>> made_;
};

}  // namespace orvane
