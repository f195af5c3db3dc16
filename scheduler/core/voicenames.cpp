// Voice display names and the preferred voice.
#include "scheduler/core/voicenames.h"

#include <utility>

namespace {
constexpr std::pair<const char*, const char*> kDisplayNames[] = {
    {"VW Hui", "(中文女声)VW Hui"},
    {"VW Lily", "(中文女声)VW Lily"},
    {"VW Liang", "(中文男声)VW Liang"},
    {"VW Kate", "(英文女声)VW Kate"},
    {"VW Julie", "(英文女声)VW Julie"},
    {"VW Paul", "(英文男声)VW Paul"},
    {"ScanSoft Mei-Ling_Full_22kHz", "(中文女声)ScanSoft Mei-Ling"},
    {"ScanSoft Sin-Ji_Full_22kHz", "(粤语女声)ScanSoft Sin-Ji"},
};

constexpr const char* kPreferred[] = {"(中文男声)VW Liang",          "(中文女声)VW Hui",
                                      "(中文女声)VW Lily",           "(中文女声)ScanSoft Mei-Ling",
                                      "(粤语女声)ScanSoft Sin-Ji",   "Microsoft Simplified Chinese"};

// espeak-ng's Mandarin voice that reads Chinese throughout.
const QString kMandarin = QStringLiteral("cmn-latn-pinyin");

bool isMandarinVoice(const orvane::VoiceInfo& v) {
  const QString file = v.identifier.section(QLatin1Char('/'), -1);
  return file.compare(kMandarin, Qt::CaseInsensitive) == 0 || v.language.compare(kMandarin, Qt::CaseInsensitive) == 0;
}
}  // namespace

QString VoiceDisplayName(const QString& description) {
  const QString key = description.trimmed();
  for (const auto& [name, display] : kDisplayNames)
    if (key == QLatin1String(name)) return QString::fromUtf8(display);
  return description;
}

QStringList VoiceDisplayNames(const QList<orvane::VoiceInfo>& voices) {
  QStringList out;
  for (const auto& v : voices) out.append(VoiceDisplayName(v.description));
  return out;
}

int PreferredVoiceIndex(const QList<orvane::VoiceInfo>& voices) {
  if (voices.isEmpty()) return -1;
  const QStringList shown = VoiceDisplayNames(voices);
  for (const char* wanted : kPreferred) {
    const qsizetype i = shown.indexOf(QString::fromUtf8(wanted));
    if (i >= 0) return int(i);
  }
  for (int i = 0; i < voices.size(); ++i)
    if (isMandarinVoice(voices.at(i))) return i;
  return 0;
}
