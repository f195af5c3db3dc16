// The skin over the running program: a full repaint of the main window without the engine,
// with its window filter installed (skin off) and with the skin on; and switching the skin
// off and on with every window of the program open, after the switch's delay, against its
// 50 ms limit. All in one run, on a home with a 1,000-entry day.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "bench/benchsupport.h"
#include "platform/forms/messageform.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinStore.h"

namespace {

using orvane::skin::SkinManager;

// Milliseconds of one synchronous full repaint of the window, warm: the median of 1000 in each
// of three phases, the slowest phase reported, so that neither side gains from one lucky run.
double repaintMs(QWidget* w) {
  for (int i = 0; i < 300; ++i) w->repaint();  // warm caches and the processor's clock
  double worst = 0;
  for (int phase = 0; phase < 3; ++phase) {
    std::vector<double> times;
    for (int i = 0; i < 1000; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      w->repaint();
      times.push_back(bench::msSince(t0));
    }
    worst = std::max(worst, bench::median(times));
  }
  return worst;
}

// Carries out the queued switch at once (its 250 ms delay is over) and handles everything it
// queued, and what that queued in turn (posted messages, layouts, repaints), until no event is
// left: the milliseconds that takes.
double switchMs(TForm_main_tamu& w, bool on) {
  w.SetSkinActive(on);
  const auto t0 = std::chrono::steady_clock::now();
  SkinManager->TimerAction();
  QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
  for (int pass = 0; pass < 50 && events->processEvents(QEventLoop::AllEvents); ++pass) {
  }
  return bench::msSince(t0);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bench::printMessageBoxes();
  bench::FilledHome home(1000);
  orvane::RecordingPower power;
  SystemServices services{&power};
  SystemClock clock;

  // A main window measured before any skin engine exists, and again once the engine's window
  // filter is installed (by a second main window that places the skin) with the skin off.
  TDataModule1 bareDm;
  TForm_main_tamu a(bareDm, clock, services);
  a.show();
  bench::runEventsFor(300);
  const double bare = repaintMs(&a);

  services.skinPackage = QStringLiteral(":/skin/default.skn");
  TDataModule1 dm;
  TForm_main_tamu w(dm, clock, services);
  w.show();
  bench::runEventsFor(600);  // loaded, switched on after its delay
  if (!SkinManager || !SkinManager->FindSkinForm(&w)) {
    std::printf("the main window was not skinned; nothing to measure\n");
    return 1;
  }
  const double skinned = repaintMs(&w);
  w.SetSkinActive(false);
  bench::runEventsFor(600);
  const double filter = repaintMs(&a);
  a.hide();
  std::printf("full repaint of the main window (warm, slowest of three medians of 1000):\n"
              "  without the engine %.3f ms, filter installed (skin off) %.3f ms (%+.1f %%, target < 5 %%: %s),\n"
              "  skin on %.3f ms (%+.1f %%)\n",
              bare, filter, 100 * (filter - bare) / bare, filter < 1.05 * bare ? "holds" : "MISSED", skinned,
              100 * (skinned - bare) / bare);

  // Every window of the program open.
  auto* manager = new TForm_sjbp(dm, w.state(), services, clock, &w);
  const EntryDialogContext context{dm, services, clock, true};
  auto* dialog = new TForm_sjbp_add(context, manager);
  auto* player = new TForm_player;
  const std::vector<orvane::Form*> forms = {
      manager, dialog, player, new TForm_recorder(player), new TForm_sjsj(dm, clock, &w),
      new TForm_mm(dm, w.state(), {}, &w), new TForm_mmsj(dm, w.state(), {}, &w), new TForm_sysj(dm, w, nullptr, &w),
      new TForm_sjbp_addmuch(context, manager), new TForm_nettime(nullptr, &w), new TForm_syfa(dm),
      new TForm_testshowtts(dm, &w), new TAboutFrm(dm, nullptr), new TForm_closepc(TForm_closepc::Action::Shutdown, power, &w),
      new TForm_findsong({}), new TForm_ttsplay,
      new orvane::TMessageForm(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16, &w)};
  for (orvane::Form* f : forms) f->show();
  bench::runEventsFor(300);
  // The first switch-on of these windows builds their caption buttons and caches for the first time.
  const double coldOn = switchMs(w, true), coldOff = switchMs(w, false);
  std::vector<double> on, off;
  int windows = 0;
  for (int round = 0; round < 10; ++round) {
    on.push_back(switchMs(w, true));
    windows = static_cast<int>(SkinManager->Forms().size());
    off.push_back(switchMs(w, false));
  }
  const double worst = std::max(*std::max_element(on.begin(), on.end()), *std::max_element(off.begin(), off.end()));
  std::printf("switching with every window open (%d skinned windows), after the 250 ms delay, repaints included:\n"
              "  first: on %.2f ms, off %.2f ms; then 10 rounds: on median %.2f ms, off median %.2f ms, worst %.2f ms;\n"
              "  limit 50 ms -> %s\n",
              windows, coldOn, coldOff, bench::median(on), bench::median(off), worst,
              std::max({worst, coldOn, coldOff}) < 50 ? "holds" : "MISSED");
  for (orvane::Form* f : forms)
    if (f != dialog && f != manager && f != player && !f->parentWidget()) delete f;
  delete player;
  return 0;
}
