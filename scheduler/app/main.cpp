// The program's main block: one instance per home folder, the data module, the main window.
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

#include "audiotools/windows/audiotools.h"
#include "platform/audio/pulsesystemvolume.h"
#include "platform/forms/messageform.h"
#include "platform/forms/qttranslations.h"
#include "platform/media/mpvbackend.h"
#include "platform/media/mpvmediaprobe.h"
#include "platform/speech/espeakvoices.h"
#include "platform/system/autostart.h"
#include "platform/system/clockcontrol.h"
#include "platform/system/memorypolicy.h"
#include "platform/system/power.h"
#include "platform/system/processes.h"
#include "platform/system/shell.h"
#include "scheduler/app/displayloss.h"
#include "scheduler/app/endsignals.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/windows/Unit_main_tamu.h"

namespace {
// With ORVANE_READY_LINE set, one line on standard error once the main window's first frame
// is on the screen with the dispatcher armed: the moment the program is up as its user sees
// it, for a benchmark or a supervising script to wait for.
class ReadyLine : public QObject {
 public:
  // After the window's show().
  explicit ReadyLine(TForm_main_tamu& window) : window_(window) {
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
  // The expose paints the window; the line follows once that frame is out.
  void afterThisFrame() {
    QTimer::singleShot(0, this, [this] {
      std::fprintf(stderr, "orvane: ready: main window shown, dispatcher %s\n",
                   window_.dispatcher().running() ? "armed" : "not armed");
      std::fflush(stderr);
    });
  }

  TForm_main_tamu& window_;
};
}  // namespace

int main(int argc, char** argv) {
  // Before any thread exists: large blocks go back to the system when freed, whichever
  // thread freed them, so that memory stays flat over days of songs.
  orvane::ApplyMemoryPolicy();
  // Without a display the program still broadcasts: Qt's offscreen platform stands in.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The web engine refuses to run as root with its sandbox on.
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  displayloss::watch(argv);
  const bool resumed = displayloss::resumedAfterLoss();
  if (resumed) qWarning("display: started again without windows after the display was lost");
  // Qt's own pickers and buttons speak the program's language.
  orvane::installQtTranslations();
  orvane::installMessageFormHandler();

  // A second instance is told so and ends; a lock that cannot be made ends with what failed.
  // On the desktop again after a lost display: the program that went on without windows
  // gives way to this one.
  if (!resumed) displayloss::takeOverFromWindowless();
  InstanceLock instance;
  if (const int rc = instance.Check(); rc >= 0) return rc;
  if (resumed) displayloss::noteRunningWithoutWindows();
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
  TForm_main_tamu mainWindow(dm, clock, services);
  if (!mainWindow.created()) return 1;
  AudioToolsContext tools;
  tools.media = &media;
  tools.dm = &dm;
  tools.state = &mainWindow.core().state;
  tools.shell = &shell;
  tools.voices = &voices;
  InstallAudioTools(tools);
  mainWindow.setInsertWindows(MakePlayer, MakeSpeechStudio);
  QObject::connect(&mainWindow, &orvane::Form::formClosed, &app, &QApplication::quit);
  // Shutdown, logout or a program taking over: the same end as the operator's close.
  endsignals::install([&mainWindow] { mainWindow.EndOnRequest(); });
  displayloss::beforeShow(mainWindow);
  mainWindow.show();
  displayloss::afterShow(mainWindow);
  displayloss::carry(&mainWindow);
  std::unique_ptr<ReadyLine> ready;
  if (qEnvironmentVariableIsSet("ORVANE_READY_LINE")) ready = std::make_unique<ReadyLine>(mainWindow);
  const int rc = QApplication::exec();
  displayloss::carry(nullptr);
  displayloss::forgetRunningWithoutWindows();
  DataModule1 = nullptr;
  return rc;
}
