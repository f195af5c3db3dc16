// The program's main block: one instance per home folder, the data module, the main window.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "audiotools/windows/audiotools.h"
#include "platform/audio/pulsesystemvolume.h"
#include "platform/forms/messageform.h"
#include "platform/forms/qttranslations.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/msgbox/messagebox.h"
#include "platform/speech/espeakvoices.h"
#include "platform/system/autostart.h"
#include "platform/system/clockcontrol.h"
#include "platform/system/memorypolicy.h"
#include "platform/system/power.h"
#include "platform/system/processes.h"
#include "platform/system/shell.h"
#include "scheduler/app/broadcastcarry.h"
#include "scheduler/app/displayloss.h"
#include "platform/system/endsignals.h"
#include "scheduler/app/handover.h"
#include "scheduler/app/restart.h"
#include "scheduler/core/broadcastlog.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/windows/Unit_main_tamu.h"

namespace {
// How long a start on a desktop waits for the program without windows to show there.
constexpr int kComeBackWaitMs = 30000;

// Runs what waits for the main window's first frame on the screen, from the event loop, once.
class AfterFirstFrame : public QObject {
 public:
  // After the window's show().
  AfterFirstFrame(QWidget& window, std::vector<std::function<void()>> then) : window_(window), then_(std::move(then)) {
    if (then_.empty()) return;
    if (window.windowHandle()->isExposed()) afterThisFrame();
    else window.windowHandle()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
      watched->removeEventFilter(this);
      afterThisFrame();
    }
    return false;
  }

 private:
  // The expose paints the window; what waits follows once that frame is out.
  void afterThisFrame() {
    QTimer::singleShot(0, this, [this] {
      for (const auto& f : then_) f();
      then_.clear();
    });
  }

  QWidget& window_;
  std::vector<std::function<void()>> then_;
};
}  // namespace

int main(int argc, char** argv) {
  // Before any thread exists: large blocks go back to the system when freed, whichever
  // thread freed them, so that memory stays flat over days of songs.
  orvane::ApplyMemoryPolicy();
  // A file-size limit makes a write fail, which is told and kept for later, instead of
  // ending the broadcast.
  ::signal(SIGXFSZ, SIG_IGN);
  // What the former image of this process hands over when it started itself again in place.
  const std::optional<CarriedState> carried = restart::takeCarried();
  // Without a reachable display the program still broadcasts: Qt's offscreen platform stands in.
  const QString displayNote = displayloss::chooseDisplay();
  // The web engine refuses to run as root with its sandbox on.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  displayloss::forgetChoice();
  const bool windowless = QGuiApplication::platformName() == QLatin1String("offscreen");
  // Nobody can answer a box without a display: each is logged and takes its default.
  orvane::SetWindowless(windowless);
  // Until the main window exists, a lost display starts the program again as a start of its own.
  displayloss::watch(argv, [] { return CarriedState(); });
  // Qt's own pickers and buttons speak the program's language.
  orvane::installQtTranslations();
  orvane::installMessageFormHandler();

  // One program per home folder. A second start is told so and ends; a start on a desktop
  // while the program runs without windows brings that program onto the desktop, and ends
  // once its window is shown. A lock that cannot be made ends with what failed.
  InstanceLock instance(carried ? carried->lockFd : -1);
  const int rc = instance.Check([windowless]() -> int {
    if (windowless) return -1;
    QString why;
    switch (handover::askToComeBack(kComeBackWaitMs, &why)) {
      case handover::Answer::Shown: return 0;
      case handover::Answer::CouldNotShow:
        orvane::MessageBox(QStringLiteral("程序正在无窗口状态下播音，但无法显示到此桌面上（%1）。").arg(why),
                           QStringLiteral("提示"), orvane::mb::ICONEXCLAMATION);
        return 1;
      case handover::Answer::Running:
      case handover::Answer::None: return -1;
    }
    return -1;
  });
  if (rc >= 0) {
    if (carried) handover::tellAsker(carried->replyFd, false, QStringLiteral("the home folder's lock was lost"));
    return rc;
  }
  QApplication::setApplicationName(QStringLiteral("Orvane "));
  // Windows and the notification-area icon show it.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvane.xpm")));

  TDataModule1 dm;
  DataModule1 = &dm;
  SystemClock clock;
  orvane::LogindPower power = orvane::LogindPower::fromEnvironment();
  orvane::MpvBackend media;
  orvane::MpvMediaProbe probe(media.midi());
  orvane::PulseSystemVolume systemVolume;
  orvane::EspeakVoiceCatalog voices;
  SystemServices services;
  services.power = &power;
  services.media = &media;
  services.mediaProbe = &probe;
  services.systemVolume = &systemVolume;
  orvane::Autostart autostart(orvane::Autostart::DefaultFolder());
  services.autostart = &autostart;
  services.voices = &voices;
  orvane::Processes processes;
  services.launcher = &processes;
  orvane::DesktopShell shell;
  services.shell = &shell;
  orvane::TimedatedClock clockControl = orvane::TimedatedClock::fromEnvironment();
  services.clockControl = &clockControl;
  services.skinPackage = QStringLiteral(":/skin/default.skn");
  // The program ends when its main window closes (after the close question), not when the
  // last visible window goes: with the main window in the notification area, closing a
  // prompt or another window must not end the broadcast.
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main_tamu mainWindow(dm, clock, services, carried ? &*carried : nullptr);
  if (!mainWindow.created()) {
    if (carried) handover::tellAsker(carried->replyFd, false, QStringLiteral("the program could not start again"));
    return 1;
  }
  // Told once, in the log the broadcast writes.
  if (!displayNote.isEmpty()) WriteLog(BroadcastLog::NoticeLine(clock.now(), displayNote));
  AudioToolsContext tools;
  tools.media = &media;
  tools.dm = &dm;
  tools.state = &mainWindow.core().state;
  tools.shell = &shell;
  tools.voices = &voices;
  InstallAudioTools(tools);
  mainWindow.setInsertWindows(MakePlayer, MakeSpeechStudio);
  QObject::connect(&mainWindow, &orvane::Form::formClosed, &app, [argv] {
    // Closed: a display lost from here on ends the program, as it is ending anyway.
    displayloss::watch(argv, {});
    QApplication::quit();
  });
  // Shutdown, logout: the same end as the operator's close.
  orvane::endsignals::install([&mainWindow] { mainWindow.EndOnRequest(); });
  // From here on, any start in place carries the broadcast under way.
  const auto capture = [&mainWindow, &processes, &instance] {
    CarriedState state = broadcastcarry::capture(mainWindow, &processes);
    state.lockFd = instance.folderFd();
    return state;
  };
  displayloss::watch(argv, capture);
  handover::Server handover(windowless, [&](const QStringList& environment, int replyFd) {
    CarriedState state = capture();
    state.replyFd = replyFd;
    // Written by the new image, after what this one still holds.
    state.logLines << BroadcastLog::NoticeLine(clock.now(), QStringLiteral("程序回到桌面显示，播音继续"));
    return restart::startAgain(argv, environment, state);
  });
  mainWindow.show();
  if (carried) broadcastcarry::takeUp(mainWindow, *carried, &processes);
  std::vector<std::function<void()>> afterShown;
  // With ORVANE_READY_LINE set, one line on standard error once the main window's first frame
  // is on the screen with the dispatcher armed: the moment the program is up as its user sees
  // it, for a benchmark or a supervising script to wait for.
  if (qEnvironmentVariableIsSet("ORVANE_READY_LINE"))
    afterShown.push_back([&mainWindow] {
      std::fprintf(stderr, "orvane: ready: main window shown, dispatcher %s\n",
                   mainWindow.dispatcher().running() ? "armed" : "not armed");
      std::fflush(stderr);
    });
  // A program that asked this one onto its desktop ends once the window is shown.
  if (carried && carried->replyFd >= 0) {
    if (windowless) handover::tellAsker(carried->replyFd, false, displayNote.isEmpty() ? QStringLiteral("no display") : displayNote);
    else afterShown.push_back([fd = carried->replyFd] { handover::tellAsker(fd, true); });
  }
  AfterFirstFrame firstFrame(mainWindow, std::move(afterShown));
  const int exitCode = QApplication::exec();
  displayloss::watch(argv, {});
  DataModule1 = nullptr;
  return exitCode;
}
