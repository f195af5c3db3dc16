// Reading a 100-character Chinese text: the time from the request to the first audible sample
// at the sound server's sink, on the same server in the same run (median of several):
//  - cold: the program itself started (exec) on a home whose day holds a text entry under way,
//    which its start-up catches up and reads, beside a fresh espeak-ng command speaking the
//    same text;
//  - warm: the engine of a running process speaking again (alone and as a text entry started
//    in the main window), beside a running espeak-ng given the text as a line on its input.
#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
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
#include "scheduler/core/timetext.h"
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

// The Mandarin voice's description, as a text entry names its voice.
QString MandarinVoice() {
  orvane::EspeakVoiceCatalog voices;
  for (const orvane::VoiceInfo& v : voices.voices())
    if (v.identifier.endsWith(QLatin1String("cmn-Latn-pinyin"))) return v.description;
  return {};
}

// The program: a text entry of today started in the main window, as the clock or a trial does.
class Program {
 public:
  Program() {
    qputenv("XDG_CONFIG_HOME", (home_.path() + QStringLiteral("/config")).toUtf8());
    const QString mandarin = MandarinVoice();
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

// A fresh process from start to first sound: the command as given, killed once heard.
double coldOnce(MonitorRecorder& monitor, const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  const auto t0 = Steady::now();
  p.start(program, args);
  const double ms = onsetMs(monitor, t0, 10000);
  p.kill();
  p.waitForFinished(3000);
  return ms;
}

// The program started cold on a home of its own whose day holds the text from two seconds ago
// to two minutes ahead: showing its main window catches the entry up and reads it. From exec
// to the first sound.
double programColdOnce(MonitorRecorder& monitor, const QString& voice) {
  QTemporaryDir home, config;
  const QDateTime now = QDateTime::currentDateTime();
  const int second = now.time().msecsSinceStartOfDay() / 1000;
  if (second < 2 || second > 86399 - 120) return -1;  // the entry would cross midnight
  {
    TDataModule1 dm;
    if (!dm.ConnectDatabase(QStringLiteral("accesspw"), home.filePath(QStringLiteral("gsk.mdb")), {}, {}, {},
                            orvane::db::Connection::Mode::CreateIfMissing))
      return -1;
    dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0"));
    dm.SetSetting(EnglishWeekday(now.date()), QStringLiteral("日常"));
    dm.ExecQuery(dm.qry_temp,
                 QStringLiteral("insert into sjb(pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,"
                                "mainchannel,txt) values('通知',:s,:e,'通知','00:00:00',:m,100,'日常',4,'主通道',:t)"),
                 {{QStringLiteral(":s"), SecondsToTime(second - 2)},
                  {QStringLiteral(":e"), SecondsToTime(second + 120)},
                  {QStringLiteral(":m"), voice + QStringLiteral("|0|100|1|0")},
                  {QStringLiteral(":t"), kText}});
  }
  return coldOnce(monitor, QStringLiteral(ORVANE_PROGRAM), {}, bench::programEnvironment(home.path(), config.path()));
}

// The warm peer: a running espeak-ng that reads each line of its input aloud as it comes,
// warmed by a one-syllable line before the measured one (and killed after it).
class WarmPeer {
 public:
  explicit WarmPeer(MonitorRecorder& monitor) {
    p_.start(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), orvane::kMandarinVoice});
    if (!p_.waitForStarted(5000)) return;
    const auto t0 = Steady::now();
    p_.write(QStringLiteral("好\n").toUtf8());
    p_.waitForBytesWritten(1000);
    if (onsetMs(monitor, t0) < 0) return;
    // Quiet for half a second: the warming syllable is over.
    while (monitor.firstLouder(kAudible, Steady::now() - std::chrono::milliseconds(500))) bench::runEventsFor(50);
    ok_ = true;
  }
  ~WarmPeer() {
    p_.kill();
    p_.waitForFinished(3000);
  }
  double once(MonitorRecorder& monitor) {
    if (!ok_) return -1;
    const auto t0 = Steady::now();
    p_.write(kText.toUtf8() + '\n');
    p_.waitForBytesWritten(1000);
    return onsetMs(monitor, t0);
  }

 private:
  QProcess p_;
  bool ok_ = false;
};

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
  const QString voice = MandarinVoice();
  std::vector<double> coldOurs, coldPeer, start, engine, warmPeer;
  // The window's first text makes its speech voice; reported apart.
  const double first = program.once(monitor);
  bench::runEventsFor(300);
  for (int i = 0; i < kRuns; ++i) {
    coldOurs.push_back(programColdOnce(monitor, voice));
    bench::runEventsFor(300);
    coldPeer.push_back(coldOnce(monitor, QStringLiteral("espeak-ng"), {QStringLiteral("-v"), orvane::kMandarinVoice, kText}));
    bench::runEventsFor(300);
  }
  for (int i = 0; i < kRuns; ++i) {
    start.push_back(program.once(monitor));
    bench::runEventsFor(300);
    engine.push_back(engineOnce(monitor));
    bench::runEventsFor(300);
    {
      WarmPeer peer(monitor);
      warmPeer.push_back(peer.once(monitor));
    }
    bench::runEventsFor(300);
  }
  const double co = bench::median(coldOurs), cp = bench::median(coldPeer);
  const double s = bench::median(start), e = bench::median(engine), wp = bench::median(warmPeer);
  auto verdict = [](double ours, double peer) { return ours > 0 && peer > 0 && ours <= 1.5 * peer ? "holds" : "MISSED"; };
  auto row = [](const char* what, double ms) { std::printf("  %-44s %7.1f ms\n", what, ms); };
  std::printf("first audible sample of a 100-character Chinese text (median of %d, same server and sink):\n", kRuns);
  std::printf(" cold (a fresh process, its first text, from exec):\n");
  row("orvane started with a text entry under way", co);
  row("espeak-ng -v cmn-latn-pinyin \"text\"", cp);
  std::printf("  ours / espeak-ng %.2fx (target within 1.5x: %s)\n", co / cp, verdict(co, cp));
  std::printf(" warm (a running process, a further text):\n");
  row("StartEntry in the main window", s);
  std::printf("  %-44s %7.1f ms\n", "  (the window's first text)", first);
  row("speech engine speak() alone", e);
  row("running espeak-ng, a line on its input", wp);
  std::printf("  StartEntry / espeak-ng %.2fx, speak() / espeak-ng %.2fx (target within 1.5x and under 300 ms: %s)\n",
              s / wp, e / wp, verdict(s, wp)[0] == 'h' && s < 300 ? "holds" : "MISSED");
  return 0;
}
