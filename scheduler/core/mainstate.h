// The main window's state that other windows read and set, and today's entry record.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "scheduler/core/timetext.h"

// How entries start and end: by the clock, by a trial, paused for an insertion, or stopped.
enum class PlayState { Auto, TryPlay, Insert, StopPlay };

// One entry of today's programme, in grid (start-time) order. The main grid shows these same
// records (TodayRows), so a status set here is the status shown.
struct rjmb {
  qint64 id = 0;  // as SQLite numbers rows: 64 bits
  QString pname;
  QString starttime;
  QString endtime;  // possibly shortened by the fade-out time
  QString storedend;  // the end as stored, before any shortening: when the entry really ends
  QString slpath;
  QString playmode;
  QString status;
  int ivolume = 0;
  QString tlength;
  int jmlx = 0;
  QString mainchannel;
  // The three times as seconds of the day the way the clock reads them (EntryTimeSeconds),
  // worked out once when the row is read; kUnread in a record made any other way, whose
  // texts are then read on each ask.
  static constexpr int kUnread = -2;
  static constexpr int kNotATime = -1;
  int startsec = kUnread;
  int endsec = kUnread;
  int storedendsec = kUnread;

  // The entry that stands for a day without entries: it never matches the clock.
  static rjmb Dummy() {
    rjmb r;
    r.starttime = kNever;
    r.endtime = kNever;
    r.storedend = kNever;
    return r;
  }
  bool isDummy() const { return id == 0 && starttime == kNever; }
  const QString& endAsStored() const { return storedend.isEmpty() ? endtime : storedend; }
  std::optional<int> startSeconds() const { return seconds(startsec, starttime); }
  std::optional<int> endSeconds() const { return seconds(endsec, endtime); }
  std::optional<int> storedEndSeconds() const { return seconds(storedendsec, endAsStored()); }

 private:
  static std::optional<int> seconds(int known, const QString& text) {
    if (known == kUnread) return EntryTimeSeconds(text);
    if (known == kNotATime) return std::nullopt;
    return known;
  }
};

inline const QString kMainChannel = QStringLiteral("主通道");
inline const QString kSecondChannel = QStringLiteral("副通道");

struct MainState {
  bool authorized = false;    // the password gate has been passed
  bool startpending = false;  // the first showing still has to start the entry due now
  QString shutdownat1 = kNever;
  QString shutdownat2 = kNever;
  QString shutdownat3 = kNever;
  QString rebootat = kNever;
  QString endshutdownat = kNever;  // the day's last end (or last text start)
  bool endshutdownnextday = false;  // that end is after midnight (an entry that spans it)
  bool endshutdownarmed = false;
  QDateTime endshutdowndue;  // when armed: the moment of the end-of-day shutdown
  bool logenabled = false;
  QString channelname = kMainChannel;  // the channel whose player feeds the video window
  bool usebass = true;                 // the stream-player fallback for .MP3 is allowed
  bool bassready = false;              // the stream players were made at start
  int minvolume10 = 100;               // ducked main-channel level, 0..1000
  bool channelenabled = false;
  PlayState playstate = PlayState::Auto;
  bool videoshown = false;
  bool textshown = false;  // a text is being read (its panel is up; the main channel is ducked)
  bool takingup = false;   // an entry under way is being taken up: its song is no new song
  QStringList videoexts;
  QStringList chinesevoices;
  bool fadeenabled = false;
  int fadeinlevel = 0;
  int fadeoutlevel = 1000;
  int mainvolume = 1000;
  int secondvolume = 1000;

  // Today's programme.
  std::vector<rjmb> todayentries{rjmb::Dummy()};
  QString todayschedule;
  QString todayweekday;
  QDate programmeday;  // the day todayentries were loaded for
  qint64 currentid = 0;  // id of the entry playing, 0 for none
};
