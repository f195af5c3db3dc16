// Shared helpers of the benchmark programs: a temporary home with a filled database, timing.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <chrono>

class TDataModule1;

namespace bench {

// A temporary home folder (ORVANE_HOME) holding the default database with `entries` entries
// in the Wednesday schedule "日常", spread over the day.
class FilledHome {
 public:
  explicit FilledHome(int entries);
  QString database() const;
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

inline double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Runs a command and returns its wall time in milliseconds (-1 when it failed).
double timeCommand(const QString& program, const QStringList& args, const QByteArray& input = {});

}  // namespace bench
