#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <memory>
#include <string>

namespace tarvex {

// The per-user folder of the scratch file: $XDG_CACHE_HOME/tarvex, else $HOME/.cache/tarvex, else
// the same below the home folder of the user's account; empty when there is no home folder. Root
// takes the one of its account when the other belongs to another user (as under `sudo -E`),
// which it looks at through `calls`.
std::string scratchFolderPath(PosixCalls& calls = systemCalls());

// A new content for the scratch file "thummb.db" of the scratch folder. The folder is created
// owner-only; it must be a real folder of this user. Another user's folder or file at its name
// (root's, after a run under `sudo -E`) is taken away when the user owns the cache folder,
// renamed aside when the user may not remove it; otherwise the error says what to remove. The
// file is owner-only and written over in place, which costs the system far less than a new file
// per container; anything else standing at its name (a link, a second name of another file, a
// pipe, another user's file) is taken away first, never written through. Writers take turns on a
// lock, so two never mix their texts; while another holds it, `whileLocked` is asked every 50 ms
// whether to go on waiting, and nothing is given when it says no. A writer that fails or is
// killed half-way leaves a mix, which is harmless, as nothing reads the file back. Opening and
// writing go through `calls`. Throws FileError.
std::unique_ptr<FileWriter> openScratchFile(PosixCalls& calls, const WaitHandler& whileLocked);

} // namespace tarvex
