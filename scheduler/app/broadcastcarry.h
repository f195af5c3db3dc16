// The broadcast of the main window as it is carried across a start in place: what is under
// way and what the program holds in memory, captured just before the new image is executed,
// and taken up by the new image once its window is shown.
#pragma once

#include "scheduler/core/carriedstate.h"

class TForm_main_tamu;
namespace orvane {
class Processes;
}

namespace broadcastcarry {

// Never asks a player anything that could wait (the positions are the ones already known).
CarriedState capture(TForm_main_tamu& window, const orvane::Processes* processes);

// After the new window's first showing: the stop of automatic broadcasting as it was, the
// songs, the text and the program under way go on (logged as taken up, never started a
// second time), a radio or web page is started again; the programs started before are ended
// at their entries' ends as if started here.
void takeUp(TForm_main_tamu& window, const CarriedState& carried, orvane::Processes* processes);

}  // namespace broadcastcarry
