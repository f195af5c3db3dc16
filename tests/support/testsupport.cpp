// Shared test helpers.
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testing_support {

TempHome::TempHome() : previous_(qgetenv("ORVANE_HOME")), hadPrevious_(qEnvironmentVariableIsSet("ORVANE_HOME")) {
  qputenv("ORVANE_HOME", dir_.path().toUtf8());
}

TempHome::~TempHome() {
  if (hadPrevious_) qputenv("ORVANE_HOME", previous_);
  else qunsetenv("ORVANE_HOME");
}

QString writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return path;
}

}  // namespace testing_support
