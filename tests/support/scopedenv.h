// An environment variable set for one scope and put back afterwards, however the scope is
// left (a failed assertion returns early).
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

namespace testing_support {

class ScopedEnv {
 public:
  // Sets name to value, or removes it when value is nothing; the destructor restores what was
  // there before (or removes it again). Steps in between may set the variable freely.
  ScopedEnv(const char* name, const std::optional<QByteArray>& value)
      : name_(name), previous_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    if (value) qputenv(name_, *value);
    else qunsetenv(name_);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, previous_);
    else qunsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  QByteArray previous_;
  bool had_;
};

}  // namespace testing_support
