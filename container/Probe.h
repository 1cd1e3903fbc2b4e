#pragma once

#include <string_view>

namespace tarvex {

struct ProbeResult {
    bool containerFound = false;
    bool passwordMatches = false;
};

// Looks at the level marker and the stored password of the file content `fileBytes` (up to its
// first NUL, without CR and LF) and compares the stored password with `typed`, exactly. An empty
// text gives false for both; a short one reads what it has.
ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed);

} // namespace tarvex
