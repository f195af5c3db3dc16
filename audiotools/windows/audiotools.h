// The audio tool windows as the rest of the program sees them: set up once, then made by
// factories the main window is handed.
#pragma once

#include <memory>

#include "audiotools/windows/audiotoolscontext.h"
#include "platform/forms/form.h"

// Stores the context and connects the windows to each other (the recorder plays its result in
// the player).
void InstallAudioTools(const AudioToolsContext& context);

// A new player window, without owner.
std::unique_ptr<orvane::Form> MakePlayer();

// A new speech studio window, without owner.
std::unique_ptr<orvane::Form> MakeSpeechStudio();
