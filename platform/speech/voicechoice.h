// Which voice reads a text: the stored voice names come from other machines and may not exist here.
#pragma once

#include <QString>

#include "platform/speech/voicecatalog.h"

namespace orvane {

// The Mandarin voice that reads Chinese throughout (the plain "cmn" voice switches to
// English for some characters).
inline const QString kMandarinVoice = QStringLiteral("cmn-latn-pinyin");

struct VoiceChoice {
  VoiceInfo voice;     // what to speak with; an empty identifier is the engine's default voice
  bool found = false;  // the stored description named an installed voice
};

// The installed voice whose description is `description`; otherwise the Mandarin voice when
// `wantChinese`, else the engine's default voice. The catalog may be null (no voice list).
VoiceChoice chooseVoice(const VoiceCatalog* catalog, const QString& description, bool wantChinese);

// The text holds at least one Chinese (Han) character.
bool containsChinese(const QString& text);

}  // namespace orvane
