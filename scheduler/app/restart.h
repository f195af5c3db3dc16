// Starting the program again in place: the same process executes its own program file anew
// (with the environment of the desktop it is to show on, or without a display) and hands the
// new image what its broadcast carries, through a memory file it inherits. Nothing else of
// the old image reaches the new one but the descriptors named.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "scheduler/core/carriedstate.h"

namespace restart {

// What the former image of this process carried over, once; nothing on a start of its own.
// The variables that named it are taken out of the environment, so that no program started
// later inherits them. Call it first in main, before any thread exists.
std::optional<CarriedState> takeCarried();

// Executes the program again with `environment` ("NAME=value" each) and the state; the
// descriptors the state names (lock, reply) stay open for the new image. Returns only when
// that failed, with why. The environment is built here for the call, never set in this
// process, whose other threads keep running until the call.
QString startAgain(char** argv, const QStringList& environment, const CarriedState& state);

// The environment of this process, without what names a display (for an image without
// windows: Qt's offscreen platform).
QStringList windowlessEnvironment();

}  // namespace restart
