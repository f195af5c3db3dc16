// The core of the main window: the database path, the connection, the settings read into
// the main state at creation, and today's programme. The window owns one and forwards to it.
#pragma once

#include <QString>

#include "scheduler/core/diskwatch.h"
#include "scheduler/core/firedset.h"
#include "scheduler/core/logwriter.h"
#include "scheduler/core/mainstate.h"
#include "scheduler/core/todayprogramme.h"

class Clock;
class TDataModule1;

inline const QString kVersionText = QStringLiteral("V5.11");

class MainUnit {
 public:
  MainUnit(TDataModule1& dm, const Clock& clock);
  TDataModule1& dm() const { return dm_; }
  const Clock& clock() const { return clock_; }

  // The database file: "gsk.mdb" in the home folder, or the "path" of section "db" of
  // "dbpath.ini" in the home folder when that file exists (relative paths are taken from the
  // home folder; an absent key gives the empty path, which fails).
  static QString DatabasePath(bool* isDefault = nullptr);
  // Connects the data module; only the default database is created when missing.
  bool ConnectDatabase();
  // Reads the settings into the main state, in the order of the window's creation. Settings
  // that cannot be read count as empty, and the next load of the day tells the operator.
  void ReadSettings();
  // softtitle + " " + the version.
  const QString& Caption() const { return caption_; }
  // "volume3" asked for the clock to be set from the network at start.
  bool networkTimeAtStart() const { return networkTimeAtStart_; }
  // The system volume to set at start in percent, 0 to leave it alone.
  int startVolume() const { return startVolume_; }
  bool skinWanted() const { return skinWanted_; }
  bool tipsAtStart() const { return tipsAtStart_; }

  MainState state;
  FiredSet fired;
  TodayProgramme today;
  // The statuses and the log lines the disk refuses are kept; the operator is told.
  DiskWatch disk;
  LogWriter log;

 private:
  TDataModule1& dm_;
  const Clock& clock_;
  QString caption_;
  bool networkTimeAtStart_ = false;
  int startVolume_ = 0;
  bool skinWanted_ = false;
  bool tipsAtStart_ = false;
};
