// The program's main block: one instance per home folder, the data module, the main window.
#include <unistd.h>

#include <QApplication>
#include <QIcon>

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
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/instancelock.h"
#include "scheduler/windows/Unit_main_tamu.h"

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
  // Qt's own pickers and buttons speak the program's language.
  orvane::installQtTranslations();
  orvane::installMessageFormHandler();

  InstanceLock instance;
  if (!instance.acquire()) {
    orvane::MessageBox(QStringLiteral("该程序已经在运行中!"), QStringLiteral("提示"), orvane::mb::OK);
    return 0;
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
  mainWindow.show();
  const int rc = QApplication::exec();
  DataModule1 = nullptr;
  return rc;
}
