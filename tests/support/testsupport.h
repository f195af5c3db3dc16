// Shared test helpers: a temporary home folder per test, databases made at test time.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace testing_support {

// Points ORVANE_HOME at a fresh temporary folder for its lifetime.
class TempHome {
 public:
  TempHome();
  ~TempHome();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QByteArray previous_;
  bool hadPrevious_;
};

// Writes bytes to a file, creating folders; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);

}  // namespace testing_support
