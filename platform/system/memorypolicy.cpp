// The process's memory policy (see memorypolicy.h).
#include "platform/system/memorypolicy.h"

#include <malloc.h>

namespace orvane {

// Left alone, glibc starts with a 128 KiB threshold and raises it to the size of every larger
// mmapped block that is freed (up to 32 MiB). libmpv allocates one zeroed block of 10 MiB and
// 64 bytes for every file it loads, on a short-lived thread of its own; after the first such
// block was freed the later ones came from the asking thread's arena and stayed resident
// after free, one per arena, up to eight arenas per core: memory grew with every song until
// hundreds of megabytes. Setting the threshold fixes it at the default and switches the
// adjustment (and that of the trim threshold) off: blocks from 128 KiB up are mapped and
// unmapped, so nothing that large outlives its free.
//
// Each arena also keeps what its threads freed for reuse by them; the program's threads
// (libmpv's, the sound server connections, speech) come and go all day, and glibc gives them
// up to eight arenas per core. Two arenas keep the interface thread's allocations apart from
// the rest without a heap for every thread that ever ran.
bool ApplyMemoryPolicy() {
  const bool threshold = mallopt(M_MMAP_THRESHOLD, kMmapThresholdBytes) == 1;
  const bool arenas = mallopt(M_ARENA_MAX, kArenaMax) == 1;
  return threshold && arenas;
}

}  // namespace orvane
