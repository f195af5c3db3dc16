// The speech studio: a 200,000-character text read aloud (memory above idle beside its 100 MB
// limit, and how late a one-second timer of the interface thread fires meanwhile beside the
// 300 ms a due entry may be late), and the export of 1,000 Chinese characters beside
// espeak-ng -w followed by lame on the same text. Run it through studio_bench.sh.
#include <QApplication>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "audiotools/windows/Unit_ttsplay.h"
#include "audiotools/windows/audiotools.h"
#include "bench/benchsupport.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/espeakvoices.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir home;
  qputenv("ORVANE_HOME", home.path().toUtf8());
  bench::printMessageBoxes();
  orvane::EspeakVoiceCatalog voices;
  AudioToolsContext c;
  c.voices = &voices;
  InstallAudioTools(c);
  const QString sentence = QStringLiteral("今天下午三点在礼堂召开全体教师会议请准时参加。");
  QString big;
  while (big.size() < 200000) big += sentence;
  big.truncate(200000);
  QString thousand;
  while (thousand.size() < 1000) thousand += sentence;
  thousand.truncate(1000);

  {
    TForm_ttsplay w;
    w.show();
    bench::runEventsFor(500);
    const long idle = bench::rssKb();
    w.Memo1->setPlainText(big);
    w.Button1->click();
    // A one-second timer stands for the dispatcher's tick: how late it fires while reading.
    using Clock = std::chrono::steady_clock;
    double worst = 0;
    auto due = Clock::now() + std::chrono::seconds(1);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setSingleShot(true);
    QObject::connect(&tick, &QTimer::timeout, [&] {
      worst = std::max(worst, std::chrono::duration<double, std::milli>(Clock::now() - due).count());
      due += std::chrono::seconds(1);
      tick.start(int(std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count())));
    });
    tick.start(1000);
    bench::runEventsFor(10000);
    const long peak = bench::rssKb();
    w.Button3->click();
    std::printf("speech studio reading 200,000 characters for 10 s:\n");
    std::printf("  memory above idle: %.1f MB (limit 100): %s\n", (peak - idle) / 1024.0, peak - idle < 100 * 1024 ? "within" : "OVER");
    std::printf("  worst lateness of a one-second tick: %.1f ms (limit 300): %s\n", worst, worst <= 300 ? "within" : "OVER");
  }

  TForm_ttsplay w;
  w.Memo1->setPlainText(thousand);
  const QString ours = home.filePath(QStringLiteral("ours.mp3"));
  const auto t0 = std::chrono::steady_clock::now();
  w.Export(ours);
  while (w.Exporting()) bench::runEventsFor(5);
  const double a = bench::msSince(t0);
  const QString wav = home.filePath(QStringLiteral("peer.wav"));
  const double e = bench::timeCommand(QStringLiteral("espeak-ng"), {QStringLiteral("-v"), QStringLiteral("cmn-latn-pinyin"),
                                                                     QStringLiteral("-w"), wav, thousand});
  const double l = bench::timeCommand(QStringLiteral("lame"), {QStringLiteral("--silent"), QStringLiteral("-V"), QStringLiteral("0"),
                                                               QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("-B"),
                                                               QStringLiteral("320"), QStringLiteral("-q"), QStringLiteral("2"),
                                                               QStringLiteral("-t"), wav, home.filePath(QStringLiteral("peer.mp3"))});
  const double b = e >= 0 && l >= 0 ? e + l : -1;
  std::printf("export of 1,000 Chinese characters to MP3:\n");
  std::printf("  the studio: %.1f ms, %lld bytes\n", a, QFileInfo(ours).size());
  std::printf("  espeak-ng -w then lame: %.1f ms (%.1f + %.1f), %lld bytes\n", b, e, l, QFileInfo(home.filePath(QStringLiteral("peer.mp3"))).size());
  std::printf("  ratio %.2f (limit 1.50): %s\n", b > 0 ? a / b : -1.0, b > 0 && a <= 1.5 * b ? "within" : "OVER");
  return 0;
}
