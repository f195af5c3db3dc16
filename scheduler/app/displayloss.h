// The display the program shows its windows on, and what it does without one. Without a
// reachable display (none named, or one that does not answer) the program runs without
// windows on Qt's offscreen platform and broadcasts all the same; when the display goes away
// under it (the X server ends) the window system library would end the process, and with it
// every bell of the day: instead the program starts itself again in place, without windows,
// and broadcasts on from where it was.
#pragma once

#include <QString>
#include <functional>

#include "scheduler/core/carriedstate.h"

namespace displayloss {

// Before the application object exists: when the X display the program is to use does not
// answer, the offscreen platform is chosen instead. Returns the line that tells so (empty when
// the display answers, or the platform was chosen by the caller or by the absence of any
// display); the variable set here is taken back by forgetChoice() once the application exists.
QString chooseDisplay();
void forgetChoice();

// Watches the program's messages for the window system's "connection broke" notice. argv is
// kept for starting again (it must live as long as the program); `capture` gives the state to
// carry (the broadcast under way), and is replaced once the main window exists; without one
// (a program that is ending) the window system library ends the process.
void watch(char** argv, std::function<CarriedState()> capture);

// What the operator reads in log.txt.
QString LostText();

}  // namespace displayloss
