// Play commands.
#include "scheduler/core/playcommands.h"

#include <QDebug>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/broadcastrunner.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/firedset.h"
#include "scheduler/core/guarded.h"
#include "scheduler/core/todayprogramme.h"

namespace {
const QString kTextEnd = QStringLiteral("00:00:00");

int secondOfDay(const QDateTime& t) { return t.time().msecsSinceStartOfDay() / 1000; }

// Starting and ending entries may throw (a speech parameter that is not a number); the
// command goes on, as the dispatcher does.
template <typename F>
void guarded(const char* what, F&& f) {
  RunGuarded(QStringLiteral("play commands: ") + QLatin1String(what), f);
}
}  // namespace

PlayCommands::PlayCommands(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today,
                           BroadcastRunner& runner, FiredSet& fired, QObject* parent)
    : QObject(parent), dm_(dm), s_(state), clock_(clock), today_(today), runner_(runner), fired_(fired) {}

int PlayCommands::indexOfId(qint64 id) const {
  if (id == 0) return -1;
  for (std::size_t i = 0; i < s_.todayentries.size(); ++i)
    if (s_.todayentries[i].id == id) return int(i);
  return -1;
}

void PlayCommands::leave(PlayState to, const QString& label) {
  if (s_.playstate == PlayState::Auto) leftAuto_ = clock_.now();
  s_.playstate = to;
  stateLabel_ = label;
}

bool PlayCommands::RefuseDuringTrial() {
  if (s_.playstate != PlayState::TryPlay) return false;
  orvane::MessageBox(QStringLiteral("请先退出试播状态再来操作。"), QStringLiteral("提示"), orvane::mb::OK);
  return true;
}

void PlayCommands::TrialPlay() {
  const orvane::db::Query& grid = dm_.qry_show;
  if (grid.isEmpty()) return;
  // An insertion's window is modal; nothing else may take the state from it.
  if (s_.playstate == PlayState::Insert) return;
  bool ok = false;
  const qint64 id = grid.fieldAsInteger(QStringLiteral("id"), &ok);
  // The state changes first, so nothing stopped here is taken for an automatic end.
  leave(PlayState::TryPlay, TrialLabel());
  trialindex_ = -1;
  trialid_ = 0;
  emit changed();
  guarded("stopping for the trial", [this] { runner_.StopAll(); });
  const int i = ok ? indexOfId(id) : -1;
  if (i < 0) {
    // Not in today's programme: nothing plays, and the trial stays until it is ended.
    qInfo().noquote() << "play commands: the row to try (id" << id << ") is not in today's programme";
    return;
  }
  trialindex_ = i;
  trialid_ = id;
  guarded("the trial start", [this, i] { runner_.StartEntry(i, EntryMode::TryPlay); });
}

void PlayCommands::EndTrial() {
  if (s_.playstate != PlayState::TryPlay) return;
  // By id: a reload during the trial may have replaced today's entries, and the entry at the
  // old index may be another one (whose program would be ended by name).
  const int i = indexOfId(trialid_);
  if (i >= 0) guarded("the trial end", [this, i] { runner_.EndEntry(i, EntryMode::TryPlay); });
  guarded("stopping after the trial", [this] { runner_.StopAll(); });
  trialindex_ = -1;
  trialid_ = 0;
  if (stopChecked_) {
    s_.playstate = PlayState::StopPlay;
    stateLabel_ = StoppedLabel();
  } else {
    backToAuto();
    today_.ShowNextEntry();
    today_.CatchUpEntry();
  }
  emit changed();
}

void PlayCommands::Insert(const std::function<void()>& showModal) {
  // One insertion at a time.
  if (s_.playstate == PlayState::Insert) return;
  if (s_.playstate == PlayState::TryPlay) EndTrial();
  leave(PlayState::Insert, InsertLabel());
  runner_.HoldForInsertion();
  emit changed();
  // The operator plays by hand meanwhile; the dispatcher starts and ends nothing.
  guarded("the inserted window", [&showModal] {
    if (showModal) showModal();
  });
  if (stopChecked_) {
    // Stopped: what was held stays held until automatic play resumes.
    s_.playstate = PlayState::StopPlay;
    stateLabel_ = StoppedLabel();
  } else if (!backToAuto()) {
    today_.ShowNextEntry();
  }
  emit changed();
}

void PlayCommands::ToggleStop() {
  // The item is disabled during a trial.
  if (s_.playstate == PlayState::TryPlay) return;
  stopChecked_ = !stopChecked_;
  if (s_.playstate == PlayState::Insert) {
    // The insertion's end reads the check mark.
    emit changed();
    return;
  }
  if (stopChecked_) {
    const bool wasAuto = s_.playstate == PlayState::Auto;
    leave(PlayState::StopPlay, StoppedLabel());
    if (wasAuto) guarded("stopping", [this] { runner_.StopAll(); });
    if (view_) view_->setNextEntryLabel(QString());
  } else {
    // Nothing already due is caught up: the next start is awaited.
    backToAuto();
    today_.ShowNextEntry();
  }
  emit changed();
}

bool PlayCommands::backToAuto() {
  s_.playstate = PlayState::Auto;
  stateLabel_.clear();
  endPassedEntries();
  return runner_.ResumeAfterInsertion();
}

void PlayCommands::endPassedEntries() {
  const QDateTime left = leftAuto_;
  leftAuto_ = QDateTime();
  if (!left.isValid()) return;
  const QDateTime now = clock_.now();
  const QDate day = now.date();
  // Ends in the seconds automatic play did not walk: from the second it was left (the tick of
  // that second may not have come yet; an end it did apply is in the fired set), up to now
  // (a new day has been loaded afresh, so all of today counts).
  const int from = left.date() == day ? secondOfDay(left) : -1;
  const int to = secondOfDay(now);
  for (std::size_t i = 0; i < s_.todayentries.size(); ++i) {
    const rjmb e = s_.todayentries[i];
    if (e.isDummy() || e.endtime == kTextEnd) continue;
    const int end = TimeToSeconds(e.endtime);
    if (end < from || end > to) continue;
    // Only entries that were under way: started today and not yet ended.
    if (!fired_.has(day, FiredKind::Start, e.id, e.starttime)) continue;
    if (!fired_.mark(day, FiredKind::End, e.id, e.endtime)) continue;
    qInfo().noquote() << "play commands:" << e.pname << "ended at" << e.endtime << "while automatic play waited; ending it now";
    guarded("a late end", [this, i] { runner_.EndEntry(int(i), EntryMode::Auto); });
  }
}
