// Voice list over espeak-ng.
#include "platform/speech/espeakvoices.h"

#include <espeak-ng/speak_lib.h>

#include <QDebug>
#include <QMutexLocker>

namespace orvane {

int EspeakVoiceCatalog::initializeEngine() {
  // espeak-ng keeps global state and must be initialised exactly once; a function-local
  // static gives that, thread-safely, for the catalogue and the speaking code alike.
  static const int rate = [] {
    const int r = espeak_Initialize(AUDIO_OUTPUT_RETRIEVAL, 0, nullptr, 0);
    if (r <= 0) qWarning() << "speech: espeak-ng could not start (no voice data?)";
    return r > 0 ? r : -1;
  }();
  return rate;
}

QMutex& EspeakVoiceCatalog::engineLock() {
  static QMutex lock;
  return lock;
}

QList<VoiceInfo> EspeakVoiceCatalog::voices() const {
  QMutexLocker lock(&mutex_);
  // The installed voices do not change while the program runs: list them once.
  if (listed_) return voices_;
  listed_ = true;
  if (initializeEngine() < 0) return voices_;
  QMutexLocker engine(&engineLock());
  const espeak_VOICE** list = espeak_ListVoices(nullptr);
  for (int i = 0; list && list[i]; ++i) {
    const espeak_VOICE* v = list[i];
    VoiceInfo info;
    info.description = QString::fromUtf8(v->name ? v->name : "").trimmed();
    // languages: a priority byte, then a zero-terminated name, repeated; the first one counts.
    if (v->languages && v->languages[0]) info.language = QString::fromUtf8(v->languages + 1);
    info.identifier = QString::fromUtf8(v->identifier ? v->identifier : "");
    if (info.description.isEmpty()) info.description = info.identifier;
    voices_.append(info);
  }
  return voices_;
}

}  // namespace orvane
