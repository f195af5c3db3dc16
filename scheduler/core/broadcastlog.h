// The broadcast log "log.txt" in the home folder, and every line the program writes to it.
#pragma once

#include <QDateTime>
#include <QString>

enum class EntryMode { Auto, TryPlay };

namespace BroadcastLog {
// "yyyy-MM-dd HH:mm:ss"; the time is left out at exactly midnight.
QString Stamp(const QDateTime& t);
QString StartLine(const QDateTime& t);
QString CloseLine(const QDateTime& t);
QString EntryStartLine(const QDateTime& t, EntryMode mode, const QString& starttime, const QString& slpath);
// An entry under way taken up by the program started again in place (it goes on, it does not
// start a second time).
QString EntryTakenUpLine(const QDateTime& t, const QString& starttime, const QString& slpath);
QString EntryEndLine(const QDateTime& t, EntryMode mode, const QString& endtime, const QString& slpath);
// A song opened on a channel; fallback marks the stream player (written with an ASCII colon).
QString SongLine(const QDateTime& t, const QString& path, bool secondChannel, bool fallback);
// "<stamp> text": what the program tells the operator about itself (a fault, its end).
QString NoticeLine(const QDateTime& t, const QString& text);
}  // namespace BroadcastLog

// Appends a line to "log.txt" in the home folder, creating the file when missing. Never
// throws and never waits: a line the disk refuses is kept by the main unit's log writer and
// written before the next one when the disk takes it (LogWriter); false when it was kept.
bool WriteLog(const QString& line);
