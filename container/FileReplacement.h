#pragma once

#include "PosixFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace tarvex {

// Replaces (or creates) the file `name` in the open folder `folder` with `bytes`. The bytes go to
// a new file of a unique hidden name in the same folder, created with `mode` (less the umask);
// only when it is complete and closed is it renamed over `name`. A failure removes it and throws
// FileError naming `shownPath`. A link standing at `name` is replaced, never followed. Every step
// goes through `calls`.
void replaceFileAt(PosixCalls& calls, int folder, std::string_view name,
                   std::span<const std::uint8_t> bytes, mode_t mode, const std::string& shownPath);

} // namespace tarvex
