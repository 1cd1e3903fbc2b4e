#include "batch/ProcessSetup.h"

#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace tarvex {

void keepLargeBuffersBetweenFiles() {
    // The largest block the heap may serve (more goes straight to the system), and how much free
    // memory at the heap's top is kept rather than handed back.
    constexpr int heapBlockLimit = 32 * 1024 * 1024;
    constexpr int keptAtTop = 256 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, heapBlockLimit);
    mallopt(M_TRIM_THRESHOLD, keptAtTop);
}

void keepMemoryPrivate() {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

} // namespace tarvex
