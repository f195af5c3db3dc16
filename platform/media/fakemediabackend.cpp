// Fake media layer.
#include "platform/media/fakemediabackend.h"

#include <QFileInfo>

namespace orvane {

std::unique_ptr<MediaChannel> FakeMediaBackend::createChannel(ChannelKind kind) {
  if (broken) return nullptr;
  auto c = std::make_unique<FakeMediaChannel>(kind, *this);
  made_.emplace_back(c.get());
  return c;
}

FakeMediaChannel* FakeMediaBackend::channel(ChannelKind kind, int n) const {
  for (const auto& c : made_)
    if (c && c->kind() == kind && n-- == 0) return c;
  return nullptr;
}

bool FakeMediaBackend::opens(ChannelKind kind, const QString& path) const {
  if (requireExistingFiles && !QFileInfo(path).isFile()) return false;
  const QSet<QString>& bad = kind == ChannelKind::MediaPlayer ? unplayableByMediaPlayer : unplayableByStream;
  return !bad.contains(path) && !bad.contains(QStringLiteral("*"));
}

}  // namespace orvane
