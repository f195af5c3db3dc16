// Holding a channel for an insertion.
#include "scheduler/core/channelhold.h"

#include "platform/media/mediachannel.h"

using orvane::MediaMode;

namespace {
bool holdOne(orvane::MediaChannel* c) {
  if (!c || !c->isPlaying()) return false;
  c->pause();
  return true;
}

bool resumeOne(bool held, orvane::MediaChannel* c) {
  if (!held || !c || c->mode() != MediaMode::Paused) return false;
  c->play();
  return true;
}
}  // namespace

bool ChannelHold::hold(orvane::MediaChannel* player, orvane::MediaChannel* stream) {
  player_ = holdOne(player) || player_;
  stream_ = holdOne(stream) || stream_;
  return any();
}

bool ChannelHold::resume(orvane::MediaChannel* player, orvane::MediaChannel* stream) {
  const bool a = resumeOne(player_, player);
  const bool b = resumeOne(stream_, stream);
  clear();
  return a || b;
}
