// Home folder resolution.
#include "platform/files/homefolder.h"

#include <QDir>

namespace orvane {

QString HomeFolder::path() {
  const QString explicitHome = qEnvironmentVariable("ORVANE_HOME");
  if (!explicitHome.trimmed().isEmpty()) return QDir::cleanPath(QDir(explicitHome).absolutePath());
  QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  // The XDG rules ignore a relative XDG_DATA_HOME.
  if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
    dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(dataHome + QStringLiteral("/orvane"));
}

bool HomeFolder::ensure() { return QDir().mkpath(path()); }

QString HomeFolder::file(const QString& name) { return path() + QLatin1Char('/') + name; }

}  // namespace orvane
