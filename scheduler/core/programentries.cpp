// External program entries.
#include "scheduler/core/programentries.h"

#include <QDebug>

#include "platform/system/processes.h"
#include "scheduler/core/mainchannel.h"
#include "scheduler/core/pathrules.h"
#include "scheduler/core/todayprogramme.h"

ProgramEntries::ProgramEntries(TodayProgramme& today, MainChannel& main, orvane::ProgramLauncher* launcher)
    : today_(today), main_(main), launcher_(launcher) {}

void ProgramEntries::StartKind(int, const rjmb& e, EntryMode mode) {
  main_.setSongLine(QStringLiteral("打开外部程序：") + e.slpath.trimmed());
  if (view_)
    view_->setNextEntryLabel((mode == EntryMode::TryPlay ? QStringLiteral("正在试播节目<") : QStringLiteral("正在播放节目<")) +
                             e.pname + QStringLiteral(">"));
  if (!launcher_) {
    qWarning().noquote() << "program: nothing here starts programs; not opening" << e.slpath;
    return;
  }
  const orvane::OpenResult r = launcher_->Open(e.slpath);
  if (!r.ok) qWarning().noquote() << "program:" << e.pname << "cannot open" << e.slpath.trimmed() << "-" << r.error;
}

void ProgramEntries::EndKind(int, const rjmb& e, EntryMode) {
  main_.setSongLine(QString());
  if (view_) view_->setNextEntryLabel(QString());
  KillProcess(FileNameOf(e.slpath.trimmed()));
  today_.ShowNextEntry();
}

void ProgramEntries::KillProcess(const QString& fileName) {
  if (launcher_ && !fileName.isEmpty()) launcher_->KillProcess(fileName);
}
