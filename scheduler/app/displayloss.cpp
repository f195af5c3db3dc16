// The display, and starting again without windows when it is lost.
#include "scheduler/app/displayloss.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QLibraryInfo>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "scheduler/app/restart.h"
#include "scheduler/core/broadcastlog.h"

namespace displayloss {

namespace {
char** args = nullptr;
QtMessageHandler previous = nullptr;
std::function<CarriedState()> captured;
bool installed = false;
bool chosen = false;  // the offscreen platform was set here

bool waylandPlatformInstalled() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("libqwayland*.so")}, QDir::Files).isEmpty();
}

// Qt's X11 platform says this just before it ends the process.
void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (previous) previous(type, context, message);
  else std::fprintf(stderr, "%s\n", qPrintable(message));
  if (type != QtWarningMsg || !message.startsWith(QLatin1String("The X11 connection broke"))) return;
  // A program that is ending ends.
  if (!captured) return;
  std::fprintf(stderr, "display: the display is gone; the program starts again without windows and broadcasts on\n");
  // The line waits with the others when the disk refuses it, and goes across with them.
  WriteLog(BroadcastLog::NoticeLine(QDateTime::currentDateTime(), LostText()));
  CarriedState state;
  if (captured) state = captured();
  const QString why = restart::startAgain(args, restart::windowlessEnvironment(), state);
  // Not started again: the window system ends the process as it would have.
  std::fprintf(stderr, "display: could not start again without windows: %s\n", qPrintable(why));
  std::_Exit(1);
}
}  // namespace

QString LostText() { return QStringLiteral("显示已断开，程序在无窗口状态下继续播音"); }

QString chooseDisplay() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const QByteArray display = qgetenv("DISPLAY");
  // A platform chosen by whoever started the program is theirs (only the X11 one is looked
  // at here, the one the program uses on a desktop).
  if (!platform.isEmpty() && !platform.startsWith("xcb")) return {};
  if (display.isEmpty() && platform.isEmpty()) {
    // A Wayland desktop is Qt's to reach where its platform is installed.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && waylandPlatformInstalled()) return {};
    // No display at all: a start without a desktop, on purpose.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    chosen = true;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return {};
  }
  if (!chosen) {
    // The window system library would abort the program on a display that does not answer.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool answers = c && xcb_connection_has_error(c) == 0;
    if (c) xcb_disconnect(c);
    if (answers) return {};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    chosen = true;
  }
  std::fprintf(stderr, "display: %s does not answer; the program runs without windows\n",
               display.isEmpty() ? "no display" : display.constData());
  return QStringLiteral("无法连接显示（%1），程序在无窗口状态下播音")
      .arg(display.isEmpty() ? QStringLiteral("DISPLAY 未设置") : QStringLiteral("DISPLAY=") + QString::fromLocal8Bit(display));
}

void forgetChoice() {
  // Programs the broadcast starts get the environment the program was given.
  if (chosen) qunsetenv("QT_QPA_PLATFORM");
  chosen = false;
}

void watch(char** argv, std::function<CarriedState()> capture) {
  args = argv;
  captured = std::move(capture);
  if (installed) return;
  installed = true;
  previous = qInstallMessageHandler(handler);
}

}  // namespace displayloss
