// Starting again without windows when the display is lost, and giving way to the desktop
// when it comes back.
#include "scheduler/app/displayloss.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QByteArray>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "platform/files/homefolder.h"
#include "platform/media/mediachannel.h"
#include "platform/system/processes.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/guarded.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/core/songentries.h"
#include "scheduler/windows/Unit_main_tamu.h"

namespace displayloss {

namespace {
char** args = nullptr;
QtMessageHandler previous = nullptr;
TForm_main_tamu* carried = nullptr;
QByteArray resumed;  // what the previous image carried over (empty: a start of its own)
bool resumedStart = false;
constexpr const char* kMarker = "ORVANE_DISPLAY_LOST";
constexpr const char* kState = "ORVANE_RESUME";
// How long the statuses still queued get to be written before the new image starts.
constexpr int kStatusWaitMs = 1000;
// How long a program taking over waits for the one without windows to end.
constexpr int kTakeOverWaitMs = 10000;

QString noteFile() { return orvane::HomeFolder::file(QStringLiteral("TForm_main_tamu.windowless")); }

// "main=id,song,ms,file" for a song entry whose song is playing on the channel (the file's
// name in hexadecimal, as it may hold any character).
void addChannel(QList<QByteArray>& parts, const char* name, qint64 owner, int selected, orvane::MediaChannel* player) {
  if (owner == 0 || selected < 0 || !player || !player->isPlaying()) return;
  parts << QByteArray(name) + '=' + QByteArray::number(owner) + ',' + QByteArray::number(selected) + ',' +
               QByteArray::number(player->positionMs()) + ',' + player->fileName().toUtf8().toHex();
}

// What is under way, as the next image reads it: the stop of automatic broadcasting, the
// songs playing with their place, and a radio or web page playing (started again: a stream
// has no place to go back to). A text or a program under way is left as it is: read or run
// once, never twice.
QByteArray capture(TForm_main_tamu& w) {
  QList<QByteArray> parts{QByteArray("stopped=") + (w.N8->isChecked() ? '1' : '0')};
  SongEntries& songs = w.songs();
  addChannel(parts, "main", songs.mainOwner(), songs.main().selected(), songs.main().player());
  addChannel(parts, "second", songs.secondOwner(), songs.second().selected(), songs.second().player());
  const MainState& s = w.state();
  if (w.SomethingPlaying() && s.currentid != 0)
    for (const rjmb& e : s.todayentries)
      if (e.id == s.currentid && (e.jmlx == 5 || e.jmlx == 6)) parts << "restart=" + QByteArray::number(e.id);
  return parts.join(';');
}

// Nothing of this image may reach the next one but what it opens itself.
void closeOnExec() {
  const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
  for (const QString& fd : fds) {
    const int n = fd.toInt();
    if (n > 2) fcntl(n, F_SETFD, FD_CLOEXEC);
  }
}

[[noreturn]] void startAgain() {
  std::fprintf(stderr, "display: the display is gone; the program starts again without windows and broadcasts on\n");
  WriteLog(BroadcastLog::NoticeLine(QDateTime::currentDateTime(), QStringLiteral("显示已断开，程序在无窗口状态下继续播音")));
  if (carried) {
    setenv(kState, capture(*carried).constData(), 1);
    carried->core().today.statusQueue().Close(kStatusWaitMs);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv(kMarker, QByteArray::number(qint64(getpid())).constData(), 1);
  closeOnExec();
  execv("/proc/self/exe", args);
  // Not started again: the window system ends the process as it would have.
  std::fprintf(stderr, "display: could not start again without windows\n");
  std::_Exit(1);
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (previous) previous(type, context, message);
  else std::fprintf(stderr, "%s\n", qPrintable(message));
  // Qt's X11 platform says this just before it ends the process.
  if (type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke"))) startAgain();
}

// The value after "key=" in the carried state, empty when absent.
QByteArray field(const char* key) {
  for (const QByteArray& part : resumed.split(';'))
    if (part.startsWith(QByteArray(key) + '=')) return part.mid(int(qstrlen(key)) + 1);
  return {};
}

// Starts the entry again if it is in today's programme and still under way; its index, or -1.
int startAgainIfUnderWay(TForm_main_tamu& w, qint64 id) {
  const std::vector<rjmb>& entries = w.state().todayentries;
  const QDateTime now = w.core().clock().now();
  const int second = now.time().msecsSinceStartOfDay() / 1000;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const rjmb& e = entries[i];
    if (e.id != id) continue;
    const std::optional<int> start = e.startSeconds(), end = e.endSeconds();
    if (!start || !end || *start > second || *end <= second) return -1;
    // Its start has passed: the clock must not start it a second time today.
    w.core().fired.mark(now.date(), FiredKind::Start, e.id, e.starttime);
    // Runs before the event loop: a start that throws must not end the program it keeps going.
    RunGuarded(QStringLiteral("display: taking up ") + e.pname, [&] { w.StartEntry(int(i), EntryMode::Auto); });
    return int(i);
  }
  return -1;
}

// A song entry's song, at its place.
template <typename Channel, typename Play>
void resumeSong(TForm_main_tamu& w, const QByteArray& value, Channel& channel, Play play) {
  const QList<QByteArray> v = value.split(',');
  if (v.size() != 4) return;
  orvane::MediaChannel* player = channel.player();
  const qint64 at = v[2].toLongLong();
  const QString file = QString::fromUtf8(QByteArray::fromHex(v[3]));
  // The song opens at its place: its start is never heard a second time.
  if (player) player->startNextOpenAt(file, at);
  if (startAgainIfUnderWay(w, v[0].toLongLong()) >= 0) {
    const int song = v[1].toInt();
    if (song != channel.selected() && song >= 0 && song < channel.songs().size()) {
      channel.selectSong(song);
      play(channel.songs().at(song));
    }
    // Opened some other way (ahead of time, or not by this channel's player): moved there.
    if (player && player->startAtWaiting() && player->isPlaying() && player->fileName() == file) player->seek(at);
  }
  if (player) player->startNextOpenAt({}, 0);
}
}  // namespace

void watch(char** argv) {
  args = argv;
  previous = qInstallMessageHandler(handler);
}

void carry(TForm_main_tamu* window) { carried = window; }

bool resumedAfterLoss() {
  const QByteArray marker = qgetenv(kMarker);
  resumed = qgetenv(kState);
  qunsetenv(kMarker);
  qunsetenv(kState);
  if (marker.isEmpty() || marker.toLongLong() != qint64(getpid())) {
    resumed.clear();
    return false;
  }
  // The lock names this process, but its former image: it is ours to take again.
  QFile::remove(InstanceLock::LockPath());
  resumedStart = true;
  return true;
}

void beforeShow(TForm_main_tamu& window) {
  if (!resumedStart) return;
  // What was under way is taken up below, not by the catch-up of a start of its own.
  window.state().startpending = false;
  if (field("stopped") == "1" && !window.N8->isChecked()) window.N8->trigger();
}

void afterShow(TForm_main_tamu& window) {
  if (!resumedStart) return;
  resumedStart = false;
  if (window.state().playstate != PlayState::Auto) return;
  SongEntries& songs = window.songs();
  if (const QByteArray main = field("main"); !main.isEmpty())
    resumeSong(window, main, songs.main(), [&](const QString& f) { songs.main().PlayMainFile(false, f); });
  if (const QByteArray second = field("second"); !second.isEmpty())
    resumeSong(window, second, songs.second(), [&](const QString& f) { songs.second().PlaySecondFile(f); });
  if (const QByteArray restart = field("restart"); !restart.isEmpty()) startAgainIfUnderWay(window, restart.toLongLong());
  resumed.clear();
}

void noteRunningWithoutWindows() {
  QFile note(noteFile());
  if (note.open(QIODevice::WriteOnly | QIODevice::Truncate)) note.write(QByteArray::number(qint64(getpid())));
}

void forgetRunningWithoutWindows() {
  QFile note(noteFile());
  if (note.open(QIODevice::ReadOnly) && note.readAll().trimmed().toLongLong() == qint64(getpid())) {
    note.close();
    note.remove();
  }
}

void takeOverFromWindowless() {
  // Only a program with a desktop takes over: one without windows has nothing more to give.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  QFile note(noteFile());
  if (!note.open(QIODevice::ReadOnly)) return;
  const qint64 pid = note.readAll().trimmed().toLongLong();
  note.close();
  if (pid <= 0 || pid == qint64(getpid())) return;
  // The same program, still running (a number left over may since belong to another one; the
  // program file may have been replaced by an update since it started).
  const QString exe = orvane::Processes::executableName(pid);
  if (exe.isEmpty() || exe != orvane::Processes::executableName(getpid())) return;
  qWarning().noquote() << "display: the program running without windows (process" << pid
                       << ") gives way to this one on the desktop";
  if (kill(pid_t(pid), SIGTERM) != 0) return;
  QElapsedTimer waited;
  waited.start();
  while (QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)) && waited.elapsed() < kTakeOverWaitMs)
    QThread::msleep(50);
}

}  // namespace displayloss
