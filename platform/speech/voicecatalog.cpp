// Voice language rule.
#include "platform/speech/voicecatalog.h"

namespace orvane {

bool isChineseLanguage(const QString& language) {
  const QString base = language.section(QLatin1Char('-'), 0, 0).trimmed().toLower();
  return base == QLatin1String("zh") || base == QLatin1String("cmn") || base == QLatin1String("yue");
}

}  // namespace orvane
