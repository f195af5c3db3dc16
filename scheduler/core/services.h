// The operating-system services the scheduler acts through. Windows and the core receive
// them; the program passes the real layers, tests pass recording fakes.
#pragma once

#include <QString>

namespace orvane {
class MediaBackend;
class Autostart;
class ClockControl;
class MediaProbe;
class PowerControl;
class ProgramLauncher;
class Shell;
class SystemVolume;
class VoiceCatalog;
}  // namespace orvane

struct SystemServices {
  orvane::PowerControl* power = nullptr;
  orvane::MediaProbe* mediaProbe = nullptr;
  orvane::VoiceCatalog* voices = nullptr;
  orvane::MediaBackend* media = nullptr;         // the players of both channels
  orvane::SystemVolume* systemVolume = nullptr;  // the computer's output volume
  // Start at log-in; null when there is no place for it (the switch then stays off).
  orvane::Autostart* autostart = nullptr;
  // External programs of entries, and the desktop's handler for other paths.
  orvane::ProgramLauncher* launcher = nullptr;
  // Opening a folder and showing a file in its folder (the grid's double-click).
  orvane::Shell* shell = nullptr;
  // Setting the computer's clock (network time); null leaves the clock alone.
  orvane::ClockControl* clockControl = nullptr;
  // The skin package the main window's skin component reads (a file or a ":/" resource);
  // empty places no skin component, and every window keeps the native look.
  QString skinPackage;
};
