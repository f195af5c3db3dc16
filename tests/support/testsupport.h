// Shared test helpers: a temporary home folder per test, databases made at test time.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include <ostream>

#include "tests/support/scopedenv.h"

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testing_support {

// Points ORVANE_HOME at a fresh temporary folder for its lifetime.
class TempHome {
 public:
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  ScopedEnv home_{"ORVANE_HOME", dir_.path().toUtf8()};
};

// Writes bytes to a file, creating folders; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);

// Handles events until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// A private D-Bus daemon for the test's lifetime, with python-dbusmock templates on it.
// Never the system bus.
class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  bool ok() const { return !address_.isEmpty(); }
  const QString& address() const { return address_; }
  // Starts a dbusmock template ("logind", "timedated") and waits until its name is owned.
  bool startTemplate(const QString& name, const QString& busName);

 private:
  QProcess daemon_;
  std::vector<std::unique_ptr<QProcess>> mocks_;
  QString address_;
};

}  // namespace testing_support
