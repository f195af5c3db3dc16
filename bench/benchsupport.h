// Shared helpers of the benchmark programs: a temporary home with a filled database, timing
// and medians, the sqlite3 shell as a peer, events handled between measurements.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <vector>

class TDataModule1;

namespace bench {

// A temporary home folder (ORVANE_HOME) holding the default database with `entries` entries
// in the schedule "日常" of every weekday, spread over the day.
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

// The wall time in milliseconds of each of `runs` calls of `run`.
std::vector<double> runTimesMs(int runs, const std::function<void()>& run);

// The middle value (the upper one of an even count); -1 for none.
double median(std::vector<double> v);

// Runs a command and returns its wall time in milliseconds (-1 when it failed).
double timeCommand(const QString& program, const QStringList& args, const QByteArray& input = {});

// The sqlite3 shell's time for one of `runs` repetitions in `work` on the database: the
// median of five runs of `work` in one shell process, minus the median of five runs of
// `base` (the same process without the repeated work), divided by `runs`. -1 when the shell
// failed.
double shellRepetitionMs(const QString& database, const QByteArray& work, const QByteArray& base, int runs);

// The environment the real program is started in: this process's, with the program's home
// and configuration folders given, the offscreen platform, and its changes to the system (the
// power, the clock) only logged, never made.
QProcessEnvironment programEnvironment(const QString& home, const QString& configHome);

// The resident memory (VmRSS) of a process in kB, of this one for 0; -1 when it cannot be read.
long rssKb(qint64 pid = 0);
// Its anonymous part (RssAnon): the heaps and private mappings, without the pages of files.
long anonKb(qint64 pid = 0);

// Handles events for the given time.
void runEventsFor(int ms);

// Message boxes are printed to stderr and answered with their default button.
void printMessageBoxes();

// What a program that may make a web view sets before its QApplication: the offscreen
// platform unless one is named, no web engine sandbox as root, shared OpenGL contexts.
void prepareWebEngine();

}  // namespace bench
