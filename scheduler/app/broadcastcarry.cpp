// Capturing the broadcast for a start in place, and taking it up again.
#include "scheduler/app/broadcastcarry.h"

#include <QAction>

#include "platform/media/mediachannel.h"
#include "platform/system/processes.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/guarded.h"
#include "scheduler/core/songentries.h"
#include "scheduler/core/textentries.h"
#include "scheduler/windows/Unit_main_tamu.h"

namespace broadcastcarry {

namespace {
// The song a song entry plays on a channel, on its media player or its stream player, at its
// place (a song paused by an insertion too).
template <typename Channel>
std::optional<CarriedState::Song> songOf(qint64 owner, const Channel& channel) {
  if (owner == 0 || channel.selected() < 0) return std::nullopt;
  for (orvane::MediaChannel* player : {channel.player(), channel.stream()})
    if (player && player->isOpen() && !player->fileName().isEmpty())
      return CarriedState::Song{owner, channel.selected(), player->knownPositionMs(), player->fileName()};
  return std::nullopt;
}

// The index of an entry of today's programme whose start has fired and whose end has not: it
// was under way in the former image. -1 otherwise.
int underWay(TForm_main_tamu& w, qint64 id) {
  const MainState& s = w.state();
  const FiredSet& fired = w.core().fired;
  for (std::size_t i = 0; i < s.todayentries.size(); ++i) {
    const rjmb& e = s.todayentries[i];
    if (e.id != id || id == 0) continue;
    if (!fired.has(s.programmeday, FiredKind::Start, e.id, e.starttime)) return -1;
    if (fired.has(s.programmeday, FiredKind::End, e.id, e.endtime)) return -1;
    return int(i);
  }
  return -1;
}

void takeUpEntry(TForm_main_tamu& w, int index) {
  // Runs before the event loop: a start that throws must not end the program it keeps going.
  RunGuarded(QStringLiteral("taking up ") + w.state().todayentries[std::size_t(index)].pname,
             [&] { w.TakeUpEntry(index); });
}
}  // namespace

CarriedState capture(TForm_main_tamu& w, const orvane::Processes* processes) {
  CarriedState c;
  MainUnit& core = w.core();
  c.walked = w.dispatcher().watermark();
  c.fired = core.fired.Saved();
  c.statuses = core.today.statusQueue().Saved();
  c.logLines = core.log.pending();
  c.logDropped = core.log.dropped();
  c.databaseFailing = core.disk.failing(DiskWatch::Place::Database);
  c.logFailing = core.disk.failing(DiskWatch::Place::Log);
  c.soundLost = w.songs().soundNotice().lost();
  c.stopped = w.N8->isChecked();
  SongEntries& songs = w.songs();
  c.main = songOf(songs.mainOwner(), songs.main());
  c.second = songOf(songs.secondOwner(), songs.second());
  const MainState& s = w.state();
  // A stream has no place to go back to: started again.
  if (w.SomethingPlaying() && s.currentid != 0)
    for (const rjmb& e : s.todayentries)
      if (e.id == s.currentid && (e.jmlx == 5 || e.jmlx == 6)) c.restart = e.id;
  const TextEntries& texts = w.texts();
  if (const qint64 id = texts.readingId())
    c.text = CarriedState::Text{id, texts.memoText(), texts.textrepeat(), texts.selStart(), texts.paused()};
  if (processes) c.groups = processes->runningGroups();
  return c;
}

void takeUp(TForm_main_tamu& w, const CarriedState& c, orvane::Processes* processes) {
  if (processes) processes->adoptGroups(c.groups);
  if (c.stopped && !w.N8->isChecked()) w.N8->trigger();
  if (w.state().playstate != PlayState::Auto) return;
  // Each output under way is told what it takes up, then its entry starts as taken up.
  const auto takeUpWith = [&w](const auto& carriedPart, auto& output) {
    if (!carriedPart) return;
    if (const int i = underWay(w, carriedPart->id); i >= 0) {
      output.TakeUpAt(*carriedPart);
      takeUpEntry(w, i);
    }
  };
  takeUpWith(c.main, w.songs().main());
  takeUpWith(c.second, w.songs().second());
  takeUpWith(c.text, w.texts());
  if (const int i = underWay(w, c.restart); i >= 0) takeUpEntry(w, i);
  // An external program runs on by itself; the day's reload marked it played, but it is
  // still under way until its end.
  const MainState& s = w.state();
  for (std::size_t i = 0; i < s.todayentries.size(); ++i) {
    const rjmb& e = s.todayentries[i];
    if (e.jmlx == 7 && underWay(w, e.id) == int(i)) w.core().today.WriteStatus(e.id, QStringLiteral("正播"));
  }
}

}  // namespace broadcastcarry
