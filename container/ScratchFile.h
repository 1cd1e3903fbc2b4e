#pragma once

#include "PosixFile.h"

#include <string>
#include <string_view>

namespace tarvex {

// The per-user folder of the scratch file: $XDG_CACHE_HOME/tarvex, else $HOME/.cache/tarvex, else
// the same below the home folder of the user's account; empty when there is no home folder.
std::string scratchFolderPath();

// Replaces the scratch file "thummb.db" of the scratch folder with `text`. The folder is created
// owner-only; it must be a real folder of this user. The file is owner-only and written through
// a temporary file renamed over it, so a link planted at its name is replaced, not followed, and
// two writers never mix their texts. Every step goes through `calls`. Throws FileError.
void writeScratchFile(PosixCalls& calls, std::string_view text);

} // namespace tarvex
