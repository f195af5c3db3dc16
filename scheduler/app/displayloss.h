// What the program does when its display goes away under it (the X server ends): the window
// system library would end the process, and with it every bell of the day; instead the
// program starts itself again in place, without windows, and broadcasts on from where it
// was: the stop of automatic broadcasting is kept, songs under way go on at their place, and
// nothing that had started is started a second time. When the operator's desktop comes back
// and the program is started on it, the one without windows gives way to it.
#pragma once

class TForm_main_tamu;

namespace displayloss {
// Watches the program's messages for the window system's "connection broke" notice. argv is
// kept for starting again (it must live as long as the program).
void watch(char** argv);
// The main window whose broadcast is carried across such a start (null when it goes).
void carry(TForm_main_tamu* window);

// On a start that follows a lost display: true, and the lock the previous image of this same
// process left behind is given up so that the single-instance check takes it again.
bool resumedAfterLoss();
// After resumedAfterLoss, before the new main window is first shown: the stop of automatic
// broadcasting as it was, and no catch-up of its own.
void beforeShow(TForm_main_tamu& window);
// After the first showing: what was under way goes on.
void afterShow(TForm_main_tamu& window);

// A program without windows that took over from a lost display says so in the home folder,
// for the program started later on a desktop; the note goes at the end.
void noteRunningWithoutWindows();
void forgetRunningWithoutWindows();
// Started on a desktop while such a program runs: asks it to end (it writes what it holds
// and goes) and waits for it, so that this one can take the broadcast over.
void takeOverFromWindowless();
}  // namespace displayloss
