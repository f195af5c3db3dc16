// Stand-ins for the media length probe and the voice catalogue in the entry dialog tests.
#pragma once

#include <QHash>
#include <QStringList>

#include "platform/media/mediaprobe.h"
#include "platform/speech/voicecatalog.h"

// Answers lengths from a table; unknown files have no length. Records what was asked.
class FakeProbe : public orvane::MediaProbe {
 public:
  std::optional<qint64> lengthMs(const QString& path, int timeoutMs) override {
    asked.append(path);
    lastTimeoutMs = timeoutMs;
    if (!lengths.contains(path)) return std::nullopt;
    return lengths.value(path);
  }
  QHash<QString, qint64> lengths;
  QStringList asked;
  int lastTimeoutMs = 0;
};

class FakeVoices : public orvane::VoiceCatalog {
 public:
  QList<orvane::VoiceInfo> voices() const override { return list; }
  QList<orvane::VoiceInfo> list;
};

inline orvane::VoiceInfo voice(const char* description, const char* language = "en", const char* identifier = "") {
  return {QString::fromUtf8(description), QString::fromLatin1(language), QString::fromLatin1(identifier)};
}
