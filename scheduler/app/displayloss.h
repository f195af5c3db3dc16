// What the program does when its display goes away under it (the X server ends): the window
// system library would end the process, and with it every bell of the day; instead the
// program starts itself again in place, without windows, and broadcasts on.
#pragma once

namespace displayloss {
// Watches the program's messages for the window system's "connection broke" notice. argv is
// kept for starting again (it must live as long as the program).
void watch(char** argv);
// On a start that follows a lost display: true, and the lock the previous image of this same
// process left behind is given up so that the single-instance check takes it again.
bool resumedAfterLoss();
}  // namespace displayloss
