#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvex {

// The texts of the console program itself, in UTF-8: its usage, its errors and its prompts. Each
// language's table fills one of these (see Catalogue.cpp). In a text that takes values, "%1",
// "%2"... stand for them in the order the comment gives.
struct ConsoleTexts {
    // What --help prints. %1 is the names of the container classes joined by "|", %2 a line for
    // each short form of --class (made of classShortForm), in the place of the option lists.
    std::string_view usage;
    // What the short form of --class does: %1 is its class.
    std::string_view classShortForm;
    // The line after every usage error.
    std::string_view tryHelp;
    std::string_view noCommand;
    std::string_view unknownCommand;   // %1 the argument
    std::string_view unknownOption;    // %1 the argument
    std::string_view notAnOptionOf;    // %1 the option, %2 the command
    std::string_view optionNeedsValue; // %1 the option, %2 its values joined by "|"
    std::string_view optionTakes;      // %1 the option, %2 its values, %3 the value given
    std::string_view yesAndNo;
    std::string_view noFile;
    std::string_view emptyFileName;
    std::string_view notAFile;         // %1 the argument
    std::string_view noWorkingFolder;  // %1 the argument
    std::string_view notInOneFolder;   // %1 the file, %2 the folder of the first file
    std::string_view leavingOutFolder; // %1 the folder
    std::string_view onlyFolders;
    std::string_view noTerminal;
    std::string_view passwordPrompt;
    std::string_view noPassword;
    std::string_view passwordLineTooLong; // %1 the most bytes a line may hold
    std::string_view passwordTooLong;     // %1 the most characters of a password
    // The answers of a question, shown after it; "y" and "n" are what is typed.
    std::string_view yesOrNo;
    // Shown at a terminal while the run derives a key before its first file.
    std::string_view busy;
    // A file that the run leaves out: %1 the file, %2 why.
    std::string_view leftOut;
};

// `text` with "%1".."%9" replaced by `values` in their order; a placeholder without a value stays.
inline std::string filledIn(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && std::size_t(next - '1') < values.size()) {
            filled.append(values.begin()[next - '1']);
            ++i;
        } else {
            filled.push_back(text[i]);
        }
    }
    return filled;
}

} // namespace tarvex
