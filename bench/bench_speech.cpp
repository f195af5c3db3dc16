// Reading a 100-character Chinese text: the time from the request to the first audible sample
// at the sound server's sink, for the program beside espeak-ng's own command speaking the same
// text to the same server, in the same run (median of several).
#include <QApplication>
#include <QProcess>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/benchsupport.h"
#include "bench/soundserver.h"
#include "platform/media/mpvbackend.h"
#include "platform/speech/espeakvoices.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "tests/support/monitorrecorder.h"

using testing_support::MonitorRecorder;
using Steady = MonitorRecorder::Clock;

namespace {
// 100 characters of an announcement.
const QString kText = QStringLiteral(
    "各位老师、各位同学，大家好。现在是课间操时间，请同学们按照班级顺序有序下楼，到操场集合。"
    "下楼时请注意安全，不要推挤，不要奔跑。各班班主任请到操场组织本班学生做操，谢谢大家。");
constexpr double kAudible = 0.003;
constexpr int kRuns = 7;

// Waits for the first audible sample after t0; -1 when none came in time.
double onsetMs(MonitorRecorder& monitor, Steady::time_point t0, int timeoutMs = 5000) {
  const auto until = t0 + std::chrono::milliseconds(timeoutMs);
  while (Steady::now() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    if (auto heard = monitor.firstLouder(kAudible, t0)) return std::chrono::duration<double, std::milli>(*heard - t0).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1;
}

double engineOnce(MonitorRecorder& monitor) {
  orvane::SpeechEngine engine;
  const auto t0 = Steady::now();
  if (!engine.speak(kText, orvane::SpeechParams{orvane::kMandarinVoice, 0, 100})) {
    std::fprintf(stderr, "speak failed: %s\n", qPrintable(engine.lastError()));
    return -1;
  }
  const double ms = onsetMs(monitor, t0);
  engine.stop();
  return ms;
}

// The program: a text entry of today started in the main window, as the clock or a trial does.
class Program {
 public:
  Program() {
    qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toUtf8());
    QString mandarin;
    for (const orvane::VoiceInfo& v : voices_.voices())
      if (v.identifier.endsWith(QLatin1String("cmn-Latn-pinyin"))) mandarin = v.description;
    TDataModule1 dm;
    dm.ConnectDatabase(QStringLiteral("accesspw"), home_.database());
    dm.ExecQuery(dm.qry_temp,
                 QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                                "mainchannel,txt) values('通知','23:59:59','00:00:00','通知','00:00:00',:m,100,'日常',4,"
                                "'主通道',:t)"),
                 {{QStringLiteral(":m"), mandarin + QStringLiteral("|0|100|1|0")}, {QStringLiteral(":t"), kText}});
    services_.power = &power_;
    services_.media = &media_;
    services_.voices = &voices_;
    window_ = std::make_unique<TForm_main_tamu>(windowDm_, clock_, services_);
    for (std::size_t i = 0; i < window_->state().todayentries.size(); ++i)
      if (window_->state().todayentries[i].pname == QStringLiteral("通知")) index_ = int(i);
  }
  bool ok() const { return window_ && window_->created() && index_ >= 0; }
  double once(MonitorRecorder& monitor) {
    const auto t0 = Steady::now();
    window_->StartEntry(index_, EntryMode::TryPlay);
    const double ms = onsetMs(monitor, t0);
    window_->StopAll();
    return ms;
  }

 private:
  bench::FilledHome home_{0};  // today's schedule "日常", empty but for the text
  TDataModule1 windowDm_;
  SystemClock clock_;
  orvane::RecordingPower power_;
  orvane::MpvBackend media_;
  orvane::EspeakVoiceCatalog voices_;
  SystemServices services_;
  std::unique_ptr<TForm_main_tamu> window_;
  int index_ = -1;
};

double peerOnce(MonitorRecorder& monitor) {
  QProcess p;
  const auto t0 = Steady::now();
  p.start(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), orvane::kMandarinVoice, kText});
  const double ms = onsetMs(monitor, t0);
  p.kill();
  p.waitForFinished(3000);
  return ms;
}
}  // namespace

int main(int argc, char** argv) {
  bench::prepareWebEngine();
  QApplication app(argc, argv);
  bench::printMessageBoxes();
  bench::SoundServer server;
  if (!server.ok()) {
    std::fprintf(stderr, "no private sound server\n");
    return 1;
  }
  MonitorRecorder monitor(server.sink());
  QString error;
  if (!monitor.start(&error)) {
    std::fprintf(stderr, "cannot record the sink: %s\n", qPrintable(error));
    return 1;
  }
  Program program;
  if (!program.ok()) {
    std::fprintf(stderr, "the main window could not be made\n");
    return 1;
  }
  std::vector<double> start, engine, peer;
  // The first text of a run makes the speech voice and loads the engine's data; it counts.
  const double first = program.once(monitor);
  bench::runEventsFor(300);
  for (int i = 0; i < kRuns; ++i) {
    start.push_back(program.once(monitor));
    bench::runEventsFor(300);
    engine.push_back(engineOnce(monitor));
    bench::runEventsFor(300);
    peer.push_back(peerOnce(monitor));
    bench::runEventsFor(300);
  }
  const double s = bench::median(start), e = bench::median(engine), p = bench::median(peer);
  std::printf("first audible sample of a 100-character Chinese text (median of %d, same server and sink):\n", kRuns);
  std::printf("  StartEntry in the main window    %7.1f ms (the run's first text: %.1f ms)\n", s, first);
  std::printf("  speech engine speak() alone      %7.1f ms\n", e);
  std::printf("  espeak-ng -v cmn-latn-pinyin     %7.1f ms\n", p);
  std::printf("  StartEntry / espeak-ng %.2fx (target within 1.5x and under 300 ms: %s)\n", s / p,
              s > 0 && p > 0 && s <= 1.5 * p && s < 300 ? "holds" : "MISSED");
  return 0;
}
