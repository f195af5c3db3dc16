// The real dispatcher in real time: for an entry due every second, the offset between the
// wall-clock second and the entry-runner call, idle and with random stalls of the interface
// thread; then the program idle on a 1,000-entry day and its CPU use.
#include <sys/resource.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>

#include "bench/benchsupport.h"
#include "bench/starttimes.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/dispatcher.h"
#include "scheduler/core/entryrunner.h"
#include "scheduler/core/mainunit.h"
#include "scheduler/windows/Unit_main_tamu.h"

namespace {

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

void realTime(int seconds, bool stalls) {
  SystemClock clock;
  TDataModule1 dm;
  MainUnit unit(dm, clock);
  bench::StartTimes t;
  t.s = &unit.state;
  unit.state.programmeday = QDate::currentDate();
  const qint64 first = QDateTime::currentSecsSinceEpoch() + 2;
  unit.state.todayentries.clear();
  std::map<int, qint64> due;  // id -> epoch second
  for (int k = 0; k < seconds; ++k) {
    rjmb e;
    e.id = k + 1;
    e.pname = QString::number(k);
    const QDateTime at = QDateTime::fromSecsSinceEpoch(first + k);
    e.starttime = ClockText(at);
    e.endtime = kNever;
    e.jmlx = 1;
    unit.state.todayentries.push_back(e);
    due[e.id] = first + k;
  }
  Dispatcher d(unit.state, clock, t, t, unit.fired, unit.today);
  QTimer staller;
  if (stalls) {
    staller.setSingleShot(true);
    QObject::connect(&staller, &QTimer::timeout, [&] {
      QThread::msleep(QRandomGenerator::global()->bounded(1501));
      staller.start(QRandomGenerator::global()->bounded(500));
    });
    staller.start(100);
  }
  d.start();
  bench::runEventsFor((seconds + 3) * 1000 + 1600);
  d.stop();
  staller.stop();

  std::vector<double> offsets;
  int missed = 0, doubled = 0;
  for (const auto& [id, second] : due) {
    const auto it = t.calls.find(id);
    if (it == t.calls.end()) {
      ++missed;
      continue;
    }
    if (it->second.size() > 1) ++doubled;
    offsets.push_back(double(it->second.front() - second * 1000));
  }
  std::printf("%-28s %3d entries: offset median %6.1f ms, p99 %7.1f ms, max %7.1f ms; missed %d, doubled %d\n",
              stalls ? "stalls of 0-1500 ms:" : "idle interface thread:", seconds, percentile(offsets, 0.5),
              percentile(offsets, 0.99), offsets.empty() ? 0.0 : *std::max_element(offsets.begin(), offsets.end()),
              missed, doubled);
  if (stalls) std::printf("%-28s target: missed 0 and doubled 0 -> %s\n", "", missed == 0 && doubled == 0 ? "holds" : "MISSED");
  else
    std::printf("%-28s target: median < 40 ms, max < 100 ms -> %s\n", "",
                percentile(offsets, 0.5) < 40 && !offsets.empty() &&
                        *std::max_element(offsets.begin(), offsets.end()) < 100
                    ? "holds"
                    : "MISSED");
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void idleCpu(int seconds) {
  bench::FilledHome home(1000);
  orvane::RecordingPower power;
  SystemServices services{&power};
  SystemClock clock;
  TDataModule1 dm;
  TForm_main_tamu w(dm, clock, services);
  w.show();
  bench::runEventsFor(1500);
  const double c0 = cpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  bench::runEventsFor(seconds * 1000);
  const double share = 100.0 * (cpuSeconds() - c0) / (bench::msSince(t0) / 1000.0);
  std::printf("program idle for %d s on a 1,000-entry day: CPU %.3f %% of one core (limit 0.5 %% -> %s)\n", seconds,
              share, share < 0.5 ? "holds" : "MISSED");
  w.close();
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  orvane::setMessageBoxHandler([](const orvane::MessageBoxRequest& r) { return orvane::mb::defaultResultOf(r.flags); });
  int seconds = 60;
  for (int i = 1; i + 1 < argc; ++i)
    if (QByteArray(argv[i]) == "--seconds") seconds = QByteArray(argv[i + 1]).toInt();
  std::printf("dispatcher in real time, an entry due every second for %d s:\n", seconds);
  realTime(seconds, false);
  realTime(seconds, true);
  idleCpu(seconds);
  return 0;
}
