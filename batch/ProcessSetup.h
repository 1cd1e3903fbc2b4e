#pragma once

namespace tarvex {

// Each file of a run needs buffers of a few megabytes. The C library hands such large blocks back
// to the system as soon as they are freed, so the next file pays again for fresh zeroed pages.
// Keeping them in the process makes a run of many files markedly faster; the peak memory of a run
// stays that of its largest file.
void keepLargeBuffersBetweenFiles();

// Passwords, keys and restored pictures live in the process's memory: a core dump would write
// them to a file, and another process of the user could read them through the debugger's
// interface. The process is made not dumpable, and its core files empty.
void keepMemoryPrivate();

} // namespace tarvex
