#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvex {

// The language-dependent texts that the runs read: output folder names and messages, in UTF-8.
// Each language's table fills one of these (see ui/catalogue); applying a language hands it to
// the shared state. The texts are static, so a catalogue is plain views that are copied freely.
struct StringCatalogue {
    std::string_view encFolderName;
    std::string_view decFolderName;
    std::string_view msgNoBlank;
    std::string_view msgIllegalChar;
    // The first of the two messages about an illegal character, which the character follows;
    // the same in both languages.
    std::string_view illegalCharPrefix;
    std::string_view msgTooShort;
    std::string_view msgEncDone;
    std::string_view msgNoImageEnc;
    std::string_view msgNotContainer;
    std::string_view msgDecDone;
    std::string_view msgIllegalPassword;
    std::string_view msgNoImageDec;
    std::string_view msgTooManyTries;
    std::string_view msgCanceled;
    // Encrypting in a class that only the password opens asks for it once more, and ends the run
    // when the two differ.
    std::string_view msgPasswordAgain;
    std::string_view msgPasswordsDiffer;
    // A key needs a few hundred megabytes.
    std::string_view msgNoMemoryForKey;
    // The end of a decrypt run names the files it left out, each with one of the reasons, and
    // the files it wrote under another name than their own.
    std::string_view msgLeftOut;
    std::string_view msgRenamed;
    std::string_view reasonNotOpened;
    std::string_view reasonDamaged;
    std::string_view reasonNotContainer;
    std::string_view reasonNothingRestored;
    std::string_view reasonBeyondContainers;
    std::string_view reasonChanged;
    // Why an encrypt run leaves a source out; the console names each one. The system's own text
    // follows the second.
    std::string_view reasonTooLarge;
    std::string_view reasonUnreadable;
    std::string_view reasonNotRegular;
    // "label|patterns|label|patterns": the image types first, then all files.
    std::string_view openDialogFilter;
    // The summary after an encrypt run that skipped large files puts its counts between these.
    std::array<std::string_view, 3> skippedSummaryPieces;
    // Shown while a High level run waits for another copy of the program to finish writing the
    // scratch file.
    std::string_view scratchWaitNotice;
};

// The texts `parts` one after another: a message made of catalogue texts, numbers and names.
inline std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

} // namespace tarvex
