#pragma once

#include "batch/StringCatalogue.h"
#include "container/KeyGenerator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex {

// The variables that every handler of the main window shares. One per process.
struct SharedState {
    std::vector<std::string> selectedFiles; // full paths, in the dialog's order
    std::int32_t selectedCount = 0;
    bool cancelRequested = false;
    std::string outputSuffix; // "" or "E"
    bool stripSuffix = false;
    bool passwordValid = false;
    bool passwordMatches = true;
    bool containerFound = false;
    std::int32_t failedTries = 0;
    bool englishUi = true;
    StringCatalogue catalogue; // the texts of the language applied last
    KeyGenerator generator;
};

} // namespace tarvex
