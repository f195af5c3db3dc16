// Web radio entries.
#include "scheduler/core/webradioentries.h"

#include <QDebug>

#include "scheduler/core/mainchannel.h"
#include "scheduler/core/todayprogramme.h"

WebRadioEntries::WebRadioEntries(TodayProgramme& today, MainChannel& main) : today_(today), main_(main) {}

void WebRadioEntries::StartKind(int, const rjmb& e, EntryMode mode) {
  main_.setSongLine(QStringLiteral("正在播放：") + e.slpath.trimmed());
  if (view_)
    view_->setNextEntryLabel((mode == EntryMode::TryPlay ? QStringLiteral("正在试播节目<") : QStringLiteral("正在播放节目<")) +
                             e.pname + QStringLiteral(">中的网络电台"));
  if (!panel_) {
    qWarning().noquote() << "web radio: no browser here for" << e.slpath;
    return;
  }
  panel_->ShowWebPage(e.slpath);
  shown_ = true;
  owner_ = e.id;
  address_ = e.slpath;
}

void WebRadioEntries::hide() {
  main_.setSongLine(QString());
  if (view_) view_->setNextEntryLabel(QString());
  if (panel_) panel_->HideWebPage();
  shown_ = false;
  owner_ = 0;
  address_.clear();
  heldOwner_ = 0;
}

void WebRadioEntries::EndKind(int, const rjmb& e, EntryMode) {
  // An entry whose page another web radio entry has replaced does not blank that one.
  if (!panel_ || !panel_->WebExists() || !shown_ || e.id != owner_) return;
  hide();
  today_.ShowNextEntry();
}

void WebRadioEntries::StopKind() {
  if (panel_ && panel_->WebExists() && shown_) hide();
}

bool WebRadioEntries::HoldForInsertion() {
  if (!panel_ || !panel_->WebExists() || !shown_) return false;
  panel_->BlankWebPage();
  heldOwner_ = owner_;
  return true;
}

bool WebRadioEntries::ResumeAfterInsertion() {
  const qint64 held = heldOwner_;
  heldOwner_ = 0;
  if (held == 0 || held != owner_ || !shown_ || !panel_) return false;
  // Back to the radio page.
  panel_->ShowWebPage(address_);
  return true;
}
