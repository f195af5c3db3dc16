// Set-up and factories of the audio tool windows.
#include "audiotools/windows/audiotools.h"

#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"

void InstallAudioTools(const AudioToolsContext& context) {
  AudioTools() = context;
  TForm_recorder::PlayRecording = [](const QString& path) { TForm_player::Open()->PlayFile(path); };
}

std::unique_ptr<orvane::Form> MakePlayer() { return std::make_unique<TForm_player>(); }

std::unique_ptr<orvane::Form> MakeSpeechStudio() { return std::make_unique<TForm_ttsplay>(); }
