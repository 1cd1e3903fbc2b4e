#include "batch/BufferReuse.h"

#include <malloc.h>

namespace tarvex {

void keepLargeBuffersBetweenFiles() {
    // The largest block the heap may serve (more goes straight to the system), and how much free
    // memory at the heap's top is kept rather than handed back.
    constexpr int heapBlockLimit = 32 * 1024 * 1024;
    constexpr int keptAtTop = 256 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, heapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, keptAtTop);
}

} // namespace tarvex
