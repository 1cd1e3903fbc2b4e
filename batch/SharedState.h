#pragma once

#include "container/KeyGenerator.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvex {

// The language-dependent texts that the runs read: output folder names and messages. Whoever
// applies a language fills them, in UTF-8.
struct StringCatalogue {
    std::string encFolderName;
    std::string decFolderName;
    std::string msgNoBlank;
    std::string msgIllegalChar;
    std::string msgTooShort;
    std::string msgEncDone;
    std::string msgNoImageEnc;
    std::string msgNotContainer;
    std::string msgDecDone;
    std::string msgIllegalPassword;
    std::string msgNoImageDec;
    std::string msgTooManyTries;
    std::string msgCanceled;
};

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
    StringCatalogue catalogue;
    // The other texts of the language that the runs read: the filter of the open dialog,
    // "label|patterns|label|patterns" with the image types first, the three pieces that the
    // summary of an encrypt run that skipped large files puts between its counts, and what a run
    // says while another copy of the program holds the scratch file.
    std::string openDialogFilter;
    std::array<std::string, 3> skippedSummaryPieces;
    std::string scratchWaitNotice;
    KeyGenerator generator;
};

} // namespace tarvex
