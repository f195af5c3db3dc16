// The speech voices installed on the machine, as the program lists and chooses them.
#pragma once

#include <QList>
#include <QString>

namespace orvane {

struct VoiceInfo {
  QString description;  // what the operator sees and what entries store to name the voice
  QString language;     // e.g. "cmn", "zh", "yue", "en-gb"
  QString identifier;   // the engine's own name of the voice
};

// A voice counts as Chinese when its language is zh, cmn or yue (with or without a region).
bool isChineseLanguage(const QString& language);

class VoiceCatalog {
 public:
  virtual ~VoiceCatalog() = default;
  // The installed voices in the engine's order.
  virtual QList<VoiceInfo> voices() const = 0;
};

}  // namespace orvane
