// Voice choice with its fallbacks.
#include "platform/speech/voicechoice.h"

namespace orvane {

namespace {
// "sit/cmn-Latn-pinyin" and "cmn-latn-pinyin" name the same voice.
bool sameVoiceName(const QString& identifier, const QString& name) {
  return identifier.section(QLatin1Char('/'), -1).compare(name, Qt::CaseInsensitive) == 0;
}
}  // namespace

VoiceChoice chooseVoice(const VoiceCatalog* catalog, const QString& description, bool wantChinese) {
  VoiceChoice choice;
  const QList<VoiceInfo> voices = catalog ? catalog->voices() : QList<VoiceInfo>();
  for (const VoiceInfo& v : voices) {
    if (v.description == description) {
      choice.voice = v;
      choice.found = true;
      return choice;
    }
  }
  if (wantChinese) {
    for (const VoiceInfo& v : voices) {
      if (sameVoiceName(v.identifier, kMandarinVoice)) {
        choice.voice = v;
        return choice;
      }
    }
    choice.voice = VoiceInfo{kMandarinVoice, QStringLiteral("cmn"), kMandarinVoice};
    return choice;
  }
  choice.voice = VoiceInfo{QString(), QStringLiteral("en"), QString()};
  return choice;
}

bool containsChinese(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (QChar::script(c) == QChar::Script_Han) return true;
  }
  return false;
}

}  // namespace orvane
