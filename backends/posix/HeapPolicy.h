// How the Linux programs ask the C library to hold their memory.
#pragma once

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tv::posix {

// A saver runs for days, allocating and freeing large blocks all the while: tube meshes at
// every knot change, the translucent list when a heavy knot comes and goes, the GL's vertex
// buffers. glibc raises its mapping threshold each time such a block is freed; from then on
// blocks of that size come from the heap, whose pages stay with the process, and the peak
// creeps up by fragments. A fixed threshold gives every block of 1 MiB or more its own
// mapping, handed back to the system when it is freed. Fixing it also fixes the trim
// threshold, which would otherwise hand back and take again the heap's top every frame.
inline void ReturnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  mallopt(M_TRIM_THRESHOLD, 4 << 20);
#endif
}

}  // namespace tv::posix
