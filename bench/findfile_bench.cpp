// File search speed on a generated tree of 100,000 files in about 5,000 folders, warm cache,
// median of 5, beside GNU find (names) and grep (content) on the same tree in the same run:
// (a) the song finder's masks through the threaded component, (b) "*.*", (c) a content phrase
// over 10,000 files of 64 KiB, (d) the finder window listing (a) without stalling its events.
// In (a) to (c) both sides do the same work for each file found inside their timers: one text
// line into an output buffer (find and grep print into a pipe this process reads, the
// component's match event appends to a buffer); each side's lines become a set for the
// comparison after its timer has stopped.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "audiotools/windows/Unit_findsong.h"
#include "bench/benchsupport.h"
#include "platform/system/shell.h"

namespace {

constexpr int kRuns = 5;
const QString kPhrase = QStringLiteral("Bell Rings Now");

void MakeFile(const QString& path, const QByteArray& bytes) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (!bytes.isEmpty() && ::write(fd, bytes.constData(), size_t(bytes.size())) < 0) std::perror("write");
  ::close(fd);
}

QStringList MakeFolders(const QString& root, int count, int maxDepth, QRandomGenerator& rng) {
  QStringList folders{root};
  QList<int> depth{0};
  while (folders.size() < count) {
    const int p = rng.bounded(int(folders.size()));
    if (depth[p] >= maxDepth) continue;
    folders << folders[p] + (rng.bounded(3) ? "/Folder" : "/sub") + QString::number(folders.size());
    depth << depth[p] + 1;
    QDir().mkdir(folders.last());
  }
  return folders;
}

void MakeNameTree(const QString& root) {
  QRandomGenerator rng(100000);
  const QStringList folders = MakeFolders(root, 5000, 6, rng);
  for (int i = 0; i < 100000; ++i) {
    const int kind = rng.bounded(100);
    QString name = kind < 2    ? QString("My LoVe Song %1.mp3").arg(i)
                   : kind < 3  ? QString("Track %1.WMA").arg(i)
                   : kind < 8  ? QString(".hidden%1.mp3").arg(i)
                   : kind < 40 ? QString("Song%1.MP3").arg(i)
                               : QString("doc%1.txt").arg(i);
    if (kind == 2 && i % 3 == 0) name = QString("Glove %1.wma").arg(i);
    MakeFile(folders[rng.bounded(int(folders.size()))] + "/" + name, QByteArray(i % 97, 'x'));
  }
}

void MakeContentTree(const QString& root) {
  QRandomGenerator rng(64);
  const QStringList folders = MakeFolders(root, 500, 4, rng);
  QByteArray data(64 * 1024, ' ');
  const char letters[] = "abcdefghij klmnopqrstuvwxyz ABCDEFG\n";
  for (int i = 0; i < 10000; ++i) {
    for (char& c : data) c = letters[rng.bounded(int(sizeof letters - 1))];
    if (i % 50 == 0) data.replace(rng.bounded(data.size() - 20), kPhrase.size(), kPhrase.toLower().toUtf8());
    MakeFile(folders[rng.bounded(int(folders.size()))] + QString("/text%1.txt").arg(i), data);
  }
}

struct Timed {
  double ms;
  QSet<QString> results;
};

// The lines of an output as a set (made after the timer).
QSet<QString> LineSet(const QString& out) {
  QSet<QString> lines;
  for (const QString& l : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) lines << l;
  return lines;
}

// The peer: its wall time until its output is all read, and its lines.
Timed Command(const QString& program, const QStringList& args) {
  QProcess p;
  QElapsedTimer t;
  t.start();
  p.start(program, args);
  p.waitForFinished(-1);
  const QByteArray out = p.readAllStandardOutput();
  const double ms = double(t.nsecsElapsed()) / 1e6;
  return {ms, LineSet(QString::fromUtf8(out))};
}

// The component, threaded, its match event writing a "size path" line (or the path alone) into
// a buffer, as the peer prints one; its wall time until the finish event, and its lines.
Timed Search(const QString& root, const QStringList& masks, const QString& phrase) {
  TFindFile f;
  f.Threaded = true;
  f.Criteria.Files.FileMasks = masks;
  f.Criteria.Files.Location = root;
  f.Criteria.Content.SetPhrase(phrase);
  // Written by the worker only; read after the finish event, which follows the worker's end.
  QString out;
  f.OnFileMatch = [&](TFindFile*, const QString& folder, const TFileInfo& info) {
    if (phrase.isEmpty()) out += QString::number(info.Size) + QLatin1Char(' ');
    out += folder + info.Name + QLatin1Char('\n');
  };
  bool done = false;
  f.OnSearchFinish = [&](TFindFile*) { done = true; };
  QElapsedTimer t;
  t.start();
  f.Execute();
  while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double ms = double(t.nsecsElapsed()) / 1e6;
  return {ms, LineSet(out)};
}

// The window: click to complete list, and the longest pause of its event loop meanwhile.
Timed Window(const QString& root, double* stallMs) {
  orvane::RecordingShell shell;
  TForm_findsong form(PlaylistProvider{}, &shell);
  form.Location->setText(root);
  form.Filename->setText("love");
  form.show();
  QElapsedTimer gap;
  QTimer ticker;
  ticker.setInterval(5);
  double worst = 0;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    worst = std::max(worst, double(gap.nsecsElapsed()) / 1e6 - 5);
    gap.start();
  });
  QElapsedTimer t;
  t.start();
  gap.start();
  ticker.start();
  form.FindButton->click();
  while (!form.FindButton->isEnabled()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double ms = double(t.nsecsElapsed()) / 1e6;
  *stallMs = std::max(*stallMs, worst);
  QSet<QString> lines;
  for (int i = 0; i < form.FoundFiles->topLevelItemCount(); ++i)
    lines << form.FoundFiles->topLevelItem(i)->text(1) + form.FoundFiles->topLevelItem(i)->text(0);
  return {ms, lines};
}

template <typename F>
Timed Median(F run) {
  run();  // warm the cache
  std::vector<double> times;
  Timed last;
  for (int i = 0; i < kRuns; ++i) {
    last = run();
    times.push_back(last.ms);
  }
  last.ms = bench::median(times);
  return last;
}

// "size path" lines keep only the path.
QSet<QString> Paths(const QSet<QString>& lines) {
  QSet<QString> out;
  for (const QString& l : lines) out << l.section(' ', 1);
  return out;
}

// A limit below 1 is met only below it ("below the peer"); others at or under it.
bool Report(const char* what, const Timed& ours, const Timed& peer, const char* peerName, double limit) {
  const double ratio = ours.ms / peer.ms;
  const bool equal = ours.results == peer.results;
  const bool met = limit < 1.0001 ? ratio < limit : ratio <= limit;
  std::printf("%-44s %8.1f ms  %-8s %8.1f ms  ratio %.2f (target %s %.1f) %s, %lld results %s\n", what, ours.ms,
              peerName, peer.ms, ratio, limit < 1.0001 ? "<" : "<=", limit, met ? "ok" : "MISSED",
              qlonglong(ours.results.size()), equal ? "equal" : "DIFFER");
  return met && equal;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bench::printMessageBoxes();
  QTemporaryDir dir;
  const QString names = QDir(dir.path()).canonicalPath() + "/names", texts = QDir(dir.path()).canonicalPath() + "/texts";
  QDir().mkdir(names);
  QDir().mkdir(texts);
  QElapsedTimer made;
  made.start();
  MakeNameTree(names);
  MakeContentTree(texts);
  std::printf("trees made in %.1f s\n", double(made.elapsed()) / 1000);
  std::printf("ours: the search component on its worker thread, each match written as a line into a buffer by its\n"
              "      match event; find -printf \"%%s %%p\\n\" and grep -rliF, each printing into a pipe read by this\n"
              "      process; both timers stop when the last line is in hand; result sets compared after them\n");
  bool ok = true;

  const QStringList loveFind{names, "-type", "f", "(", "-iname", "*love*.mp3", "-o", "-iname", "*love*.wma", ")",
                             "-printf", "%s %p\\n"};
  const Timed findLove = Median([&] { return Command("find", loveFind); });
  const Timed ourLove = Median([&] { return Search(names, {"*love*.mp3", "*love*.wma"}, {}); });
  ok &= Report("(a) song masks, threaded component", ourLove, findLove, "find", 1.0);

  const Timed findAll = Median([&] { return Command("find", {names, "-type", "f", "-printf", "%s %p\\n"}); });
  const Timed ourAll = Median([&] { return Search(names, {"*.*"}, {}); });
  ok &= Report("(b) \"*.*\", threaded component", ourAll, findAll, "find", 1.2);

  const Timed grep = Median([&] { return Command("grep", {"-rliF", kPhrase, texts}); });
  const Timed ourText = Median([&] { return Search(texts, {"*.*"}, kPhrase); });
  ok &= Report("(c) content phrase over 10,000 x 64 KiB", ourText, grep, "grep", 2.0);

  double stall = 0;
  Timed window = Median([&] { return Window(names, &stall); });
  Timed findPaths{findLove.ms, Paths(findLove.results)};
  ok &= Report("(d) finder window, list complete", window, findPaths, "find", 2.0);
  std::printf("(d) longest event-loop stall %.1f ms (limit 50) %s\n", stall, stall <= 50 ? "ok" : "MISSED");
  ok &= stall <= 50;
  return ok ? 0 : 1;
}
