// A fresh home folder for the real program: its default database with the start volume left
// alone, the broadcast log on and "日常" as the schedule of one day; entries written as the
// entry dialogs write them; the program started on it offscreen, power actions only logged.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include "scheduler/core/entrystore.h"
#include "tests/support/testsupport.h"

class ProgramHome {
 public:
  // ORVANE_HOME points at the home folder for the object's lifetime.
  explicit ProgramHome(const QDate& day);
  ~ProgramHome();
  // False when the database could not be made.
  bool ok() const { return ok_; }
  QString path() const { return home_.path(); }
  QString file(const QString& name) const { return home_.file(name); }
  // Writes an entry of "日常"; an empty volume, channel or text means 100, the main channel
  // and "". False when it was not written.
  bool addEntry(EntryValues v);
  // The environment a program on this home folder runs in: this process's own, with the home
  // and a configuration folder of its own, offscreen and power actions only logged; `extra`
  // goes on top of all that (a variable it gives empty is taken out).
  QProcessEnvironment environment(const QProcessEnvironment& extra = {}) const;
  // Starts the program on the home folder in environment(extra) (it plays into the sink
  // PULSE_SINK names, if any), offscreen unless `extra` says otherwise.
  bool start(const QProcessEnvironment& extra = {});
  qint64 pid() const { return program_.processId(); }
  bool running() const { return program_.state() == QProcess::Running; }
  // Ends the program; true when it was still running until then.
  bool stop();
  QStringList log() const;
  // "name=status" of every entry, in the order they were written.
  QStringList statuses() const;

 private:
  testing_support::TempHome home_;
  QTemporaryDir config_;
  QProcess program_;
  bool ok_ = false;
};

// Handles events until the wall clock reaches the moment.
void runUntil(const QDateTime& wall);
