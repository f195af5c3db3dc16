// The voices espeak-ng has installed, listed through its library.
#pragma once

#include <QMutex>

#include "platform/speech/voicecatalog.h"

namespace orvane {

class EspeakVoiceCatalog : public VoiceCatalog {
 public:
  // The installed voices in espeak-ng's order: description = the voice's name (trimmed),
  // language = its first language, identifier = its voice file (e.g. "sit/cmn-Latn-pinyin").
  // Empty, with a log line, when the engine cannot start (no data files).
  QList<VoiceInfo> voices() const override;

  // Starts espeak-ng once per process, in retrieval mode (no audio device of its own; speech
  // comes back as samples). Returns the sample rate, or -1 when the engine cannot start.
  static int initializeEngine();
  // espeak-ng keeps its voice list and settings in global state: every call into it, the
  // listing here and every synthesis, holds this lock.
  static QMutex& engineLock();

 private:
  mutable QMutex mutex_;
  mutable bool listed_ = false;
  mutable QList<VoiceInfo> voices_;
};

}  // namespace orvane
