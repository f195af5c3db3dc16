// What the audio tool windows use of the rest of the program: the media layer, the settings,
// the main window's switches, the shell and the voices. The program's main block sets it
// once before any of these windows opens; tests set their fakes.
#pragma once

#include <QString>
#include <functional>

class TDataModule1;
struct MainState;
namespace orvane {
class MediaBackend;
class Shell;
class VoiceCatalog;
}  // namespace orvane

struct AudioToolsContext {
  orvane::MediaBackend* media = nullptr;
  TDataModule1* dm = nullptr;
  const MainState* state = nullptr;  // usebass, chinesevoices
  orvane::Shell* shell = nullptr;
  orvane::VoiceCatalog* voices = nullptr;
  // Opens a document or address with the desktop's handler (never runs it as a program).
  std::function<bool(const QString& pathOrUrl)> openDocument;
};

AudioToolsContext& AudioTools();
