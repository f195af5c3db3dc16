// Shared test helpers: a temporary home folder per test, databases made at test time.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

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

// The messages logged while it lives, in order: every one, or those of one category and type
// only (the others go on to the handler before it). That handler is put back however the scope
// is left, so a failed assertion never swallows the output of the tests after it. An inner
// capture takes the messages until it ends, then the outer one again.
class LoggedMessages {
 public:
  explicit LoggedMessages(const char* category = nullptr, std::optional<QtMsgType> type = std::nullopt);
  ~LoggedMessages();
  LoggedMessages(const LoggedMessages&) = delete;
  LoggedMessages& operator=(const LoggedMessages&) = delete;
  // How many of the lines hold the part.
  int count(const QString& part) const { return int(lines.filter(part).size()); }
  // The capture that takes the messages now; null when none lives.
  static LoggedMessages* current();
  // Appended from whichever thread logs; read them once that thread is quiet.
  QStringList lines;

 private:
  static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
  QByteArray category_;
  std::optional<QtMsgType> type_;
  QtMessageHandler previous_ = nullptr;
  LoggedMessages* outer_ = nullptr;
};

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
