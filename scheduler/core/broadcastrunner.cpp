// Broadcast runner.
#include "scheduler/core/broadcastrunner.h"

#include <QDebug>
#include <algorithm>
#include <exception>

#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/todayprogramme.h"

namespace {
bool isSongKind(int kind) { return kind >= 1 && kind <= 3; }
}  // namespace

BroadcastRunner::BroadcastRunner(TDataModule1& dm, MainState& state, const Clock& clock, TodayProgramme& today)
    : dm_(dm), s_(state), clock_(clock), today_(today) {}

void BroadcastRunner::setHandler(int kind, EntryKindHandler* handler) {
  if (kind >= 1 && kind <= 7) handlers_[std::size_t(kind)] = handler;
}

EntryKindHandler* BroadcastRunner::handler(int kind) const {
  return kind >= 1 && kind <= 7 ? handlers_[std::size_t(kind)] : nullptr;
}

void BroadcastRunner::StartEntry(int index, EntryMode mode) { start(index, mode, false); }

void BroadcastRunner::TakeUpEntry(int index) { start(index, EntryMode::Auto, true); }

void BroadcastRunner::start(int index, EntryMode mode, bool takenUp) {
  if (index < 0 || index >= int(s_.todayentries.size())) return;
  const rjmb e = s_.todayentries[std::size_t(index)];
  EntryKindHandler* h = handler(e.jmlx);
  if (!h) {
    // Nothing here can play it: it neither counts as playing nor as played.
    qWarning().noquote() << "runner: entry" << e.pname << "at" << e.starttime << "has the unknown kind" << e.jmlx
                         << "and is not started";
    return;
  }
  s_.currentid = e.id;
  // The sound first: the status, the log line and the grid come after it, so none of them
  // (nor a database locked by another program) can make a bell late.
  std::exception_ptr failed;
  s_.takingup = takenUp;
  try {
    h->StartKind(index, e, mode);
  } catch (...) {
    failed = std::current_exception();
  }
  s_.takingup = false;
  // A start that failed half-way still counts as started, as the status says.
  if (mode == EntryMode::Auto) today_.WriteStatus(e.id, QStringLiteral("正播"));
  if (s_.logenabled)
    WriteLog(takenUp ? BroadcastLog::EntryTakenUpLine(clock_.now(), e.starttime, e.slpath)
                     : BroadcastLog::EntryStartLine(clock_.now(), mode, e.starttime, e.slpath));
  today_.ShowEntryRow(index);
  if (failed) std::rethrow_exception(failed);
}

void BroadcastRunner::PrepareEntry(int index) {
  if (index < 0 || index >= int(s_.todayentries.size())) return;
  const rjmb& e = s_.todayentries[std::size_t(index)];
  if (EntryKindHandler* h = handler(e.jmlx)) h->PrepareKind(e);
}

void BroadcastRunner::EndEntry(int index, EntryMode mode) {
  if (index < 0 || index >= int(s_.todayentries.size())) return;
  const rjmb e = s_.todayentries[std::size_t(index)];
  // An entry of an unknown kind was never started: there is nothing to end or to mark played.
  EntryKindHandler* h = handler(e.jmlx);
  if (!h) return;
  s_.currentid = 0;
  // Song entries write their status when their channel has really stopped (after a fade).
  if (!isSongKind(e.jmlx) && mode == EntryMode::Auto) today_.WriteStatus(e.id, QStringLiteral("已播"), true);
  if (s_.logenabled) WriteLog(BroadcastLog::EntryEndLine(clock_.now(), mode, e.endtime, e.slpath));
  h->EndKind(index, e, mode);
  // Songs arm the end of the day when their channel stops; a text handler once its panel is
  // down. Everything else arms here, but not while a text is still being read.
  const bool armsItself = isSongKind(e.jmlx) || e.jmlx == 4;
  if (!armsItself && mode == EntryMode::Auto && !s_.textshown) today_.ArmEndShutdown(&e);
}

template <typename F>
void BroadcastRunner::forEachHandler(F&& f) const {
  std::array<EntryKindHandler*, 8> seen{};
  std::size_t n = 0;
  for (EntryKindHandler* h : handlers_) {
    if (!h || std::find(seen.begin(), seen.begin() + n, h) != seen.begin() + n) continue;
    seen[n++] = h;
    f(h);
  }
}

void BroadcastRunner::StopAll() {
  // Every output is stopped on its own: one that fails must not keep the others sounding,
  // and a reload that calls this must go on.
  forEachHandler([](EntryKindHandler* h) {
    try {
      h->StopKind();
    } catch (const std::exception& e) {
      qWarning().noquote() << "stop of an output failed:" << e.what();
    }
  });
  if (onStopAll_) onStopAll_();
}

bool BroadcastRunner::HoldForInsertion() {
  bool held = false;
  forEachHandler([&held](EntryKindHandler* h) { held = h->HoldForInsertion() || held; });
  return held;
}

bool BroadcastRunner::ResumeAfterInsertion() {
  bool resumed = false;
  forEachHandler([&resumed](EntryKindHandler* h) { resumed = h->ResumeAfterInsertion() || resumed; });
  return resumed;
}

bool BroadcastRunner::MainChannelBusy() const {
  for (EntryKindHandler* h : handlers_)
    if (h && h->MainChannelBusy()) return true;
  return false;
}

bool BroadcastRunner::SomethingPlaying() const {
  for (EntryKindHandler* h : handlers_)
    if (h && h->Sounding()) return true;
  return false;
}
