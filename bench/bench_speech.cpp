// Reading a 100-character Chinese text: the time from the request to the first audible sample
// at the sound server's sink, for the program beside espeak-ng's own command speaking the same
// text to the same server, in the same run (median of several).
#include <QCoreApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/soundserver.h"
#include "platform/speech/speechengine.h"
#include "platform/speech/voicechoice.h"
#include "tests/support/monitorrecorder.h"

using testing_support::MonitorRecorder;
using Clock = MonitorRecorder::Clock;

namespace {
// 100 characters of an announcement.
const QString kText = QStringLiteral(
    "各位老师、各位同学，大家好。现在是课间操时间，请同学们按照班级顺序有序下楼，到操场集合。"
    "下楼时请注意安全，不要推挤，不要奔跑。各班班主任请到操场组织本班学生做操，谢谢大家。");
constexpr double kAudible = 0.003;
constexpr int kRuns = 7;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

void settle(int ms) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Waits for the first audible sample after t0; -1 when none came in time.
double onsetMs(MonitorRecorder& monitor, Clock::time_point t0, int timeoutMs = 5000) {
  const auto until = t0 + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    if (auto heard = monitor.firstLouder(kAudible, t0)) return std::chrono::duration<double, std::milli>(*heard - t0).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1;
}

double engineOnce(MonitorRecorder& monitor) {
  orvane::SpeechEngine engine;
  const auto t0 = Clock::now();
  if (!engine.speak(kText, orvane::SpeechParams{orvane::kMandarinVoice, 0, 100})) {
    std::fprintf(stderr, "speak failed: %s\n", qPrintable(engine.lastError()));
    return -1;
  }
  const double ms = onsetMs(monitor, t0);
  engine.stop();
  return ms;
}

double peerOnce(MonitorRecorder& monitor) {
  QProcess p;
  const auto t0 = Clock::now();
  p.start(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), orvane::kMandarinVoice, kText});
  const double ms = onsetMs(monitor, t0);
  p.kill();
  p.waitForFinished(3000);
  return ms;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
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
  std::vector<double> engine, peer;
  engineOnce(monitor);  // the engine's first start (voice data) is paid once per program run
  settle(300);
  for (int i = 0; i < kRuns; ++i) {
    engine.push_back(engineOnce(monitor));
    settle(300);
    peer.push_back(peerOnce(monitor));
    settle(300);
  }
  const double e = median(engine), p = median(peer);
  std::printf("first audible sample of a 100-character Chinese text (median of %d, same server and sink):\n", kRuns);
  std::printf("  speech engine speak()            %7.1f ms\n", e);
  std::printf("  espeak-ng -v cmn-latn-pinyin     %7.1f ms\n", p);
  std::printf("  ratio %.2fx (target within 1.5x and under 300 ms: %s)\n", e / p,
              e > 0 && p > 0 && e <= 1.5 * p && e < 300 ? "holds" : "MISSED");
  return 0;
}
