// Broadcast log.
#include "scheduler/core/broadcastlog.h"

#include <QDebug>

#include "platform/files/filewrite.h"
#include "platform/files/textfile.h"
#include "scheduler/core/logwriter.h"

namespace BroadcastLog {

QString Stamp(const QDateTime& t) {
  const QString date = t.date().toString(QStringLiteral("yyyy-MM-dd"));
  if (t.time() == QTime(0, 0)) return date;
  return date + QLatin1Char(' ') + t.time().toString(QStringLiteral("HH:mm:ss"));
}

QString StartLine(const QDateTime& t) {
  return QLatin1Char('<') + Stamp(t) + QStringLiteral("> **************** 运行软件 **************");
}

QString NoticeLine(const QDateTime& t, const QString& text) {
  return QLatin1Char('<') + Stamp(t) + QStringLiteral("> ") + text;
}

QString CloseLine(const QDateTime& t) {
  return QLatin1Char('<') + Stamp(t) + QStringLiteral("> *************** 关闭软件*************** ");
}

QString EntryStartLine(const QDateTime& t, EntryMode mode, const QString& starttime, const QString& slpath) {
  const QString verb = mode == EntryMode::Auto ? QStringLiteral("播放节目") : QStringLiteral("试播节目");
  return QStringLiteral("*<") + Stamp(t) + QStringLiteral(">   ") + verb + QStringLiteral("：[starttime]") + starttime +
         QStringLiteral("[path]") + slpath;
}

QString EntryTakenUpLine(const QDateTime& t, const QString& starttime, const QString& slpath) {
  return QStringLiteral("*<") + Stamp(t) + QStringLiteral(">   接续节目：[starttime]") + starttime + QStringLiteral("[path]") +
         slpath;
}

QString EntryEndLine(const QDateTime& t, EntryMode mode, const QString& endtime, const QString& slpath) {
  const QString verb = mode == EntryMode::Auto ? QStringLiteral("停止节目") : QStringLiteral("停止试播节目");
  return QStringLiteral("*<") + Stamp(t) + QStringLiteral(">   ") + verb + QStringLiteral("：[ENDtime]") + endtime +
         QStringLiteral("[path]") + slpath;
}

QString SongLine(const QDateTime& t, const QString& path, bool secondChannel, bool fallback) {
  QString tag = fallback ? QStringLiteral("[歌名:") : QStringLiteral("[歌名：");
  if (secondChannel) tag += QStringLiteral("（副通道）");
  return QLatin1Char('<') + Stamp(t) + QStringLiteral(">  ") + tag + QLatin1Char(']') + path;
}

}  // namespace BroadcastLog

bool WriteLog(const QString& line) {
  if (LogWriter* writer = LogWriter::current()) return writer->Write(line);
  // Without a main unit (a tool of its own): one attempt, and a word on the program's log.
  const QString path = LogWriter::Path();
  int error = 0;
  if (orvane::appendTextLine(path, line, &error)) return true;
  qWarning().noquote() << "log: cannot append to" << path << "-" << orvane::describeWriteError(error) << "-" << line;
  return false;
}
