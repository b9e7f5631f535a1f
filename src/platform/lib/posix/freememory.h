// Handing memory the process no longer uses back to the system.
#pragma once

#include <malloc.h>

namespace tunedeck {

// Returns the free memory of every allocation arena to the system: after a long burst of
// allocations on a worker thread (the walk of a big library), its arena keeps what the burst
// freed resident for the rest of the run otherwise. Costs a pass over the arenas' free lists;
// call it once a burst is over, never in a loop. The result (whether anything was released)
// does not matter.
inline void releasefreememory() {
    (void)::malloc_trim(0);
}

}  // namespace tunedeck
