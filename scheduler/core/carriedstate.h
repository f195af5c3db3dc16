// What the running program hands to the next image of itself when it starts itself again in
// place (its display went away, or a desktop came back for it): one state for every such
// start, so that the broadcast goes on from where it was. Nothing that had started starts a
// second time, nothing under way is cut, no second the clock was due to walk is skipped, and
// no status or log line held in memory is lost.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/system/processes.h"

struct CarriedState {
  // The last second the dispatcher walked (seconds since the epoch): the next image walks
  // every second after it, starts and ends alike.
  qint64 walked = 0;
  QJsonArray fired;     // what has fired, per day (FiredSet::Saved)
  QJsonArray statuses;  // statuses still to be written, oldest first (StatusQueue::Saved)
  QStringList logLines;  // log lines the disk has not taken yet, oldest first
  int logDropped = 0;    // lines beyond what is kept
  // What the operator has been told and not yet told the end of: it is not told again.
  bool databaseFailing = false;
  bool logFailing = false;
  bool soundLost = false;
  // Automatic broadcasting had been stopped by the operator.
  bool stopped = false;

  // A song entry's song under way on a channel, at its place.
  struct Song {
    qint64 id = 0;
    int song = 0;  // its index in the channel's list
    qint64 ms = 0;
    QString file;
    // The song's index in a channel's list: `song` while the list still holds the file there,
    // else wherever it holds it; -1 when it does not.
    int indexIn(const QStringList& songs) const {
      if (file.isEmpty()) return -1;
      return song >= 0 && song < songs.size() && songs[song] == file ? song : int(songs.indexOf(file));
    }
  };
  std::optional<Song> main;
  std::optional<Song> second;
  // A radio or web page entry under way: started again (a live stream has no place).
  qint64 restart = 0;
  // The process groups started for external programs.
  QList<orvane::Processes::StartedGroup> groups;
  // A text being read: the text as read (its times and dates as they were substituted), the
  // reading under way and where in it the voice was.
  struct Text {
    qint64 id = 0;
    QString memo;
    int repeat = 1;
    int position = 0;
    bool paused = false;
  };
  std::optional<Text> text;

  // Descriptors the next image takes over: the home folder's lock, and the connection of a
  // program on a desktop that waits to hear that the window is shown (-1: none).
  int lockFd = -1;
  int replyFd = -1;

  QByteArray toJson() const;
  // Nothing when the bytes are not a carried state.
  static std::optional<CarriedState> fromJson(const QByteArray& bytes);
};
