#pragma once

#include "batch/Classes.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex {

// A command line that cannot be run; what() says why, in the language of the line.
class UsageError : public std::runtime_error {
public:
    UsageError(const std::string& why, bool english) : std::runtime_error(why), english_(english) {}
    bool english() const { return english_; }

private:
    bool english_;
};

// What the program is asked to do: a run, or to print its usage or version.
enum class Command { Encrypt, Decrypt, Help, Version };

struct CommandLine {
    Command command = Command::Encrypt;
    ContainerClass containerClass = ContainerClass::Standard; // encrypt --class and short forms
    bool appendSuffix = false;                                // encrypt --suffix
    bool hideNames = false;                                   // encrypt --hide-names
    bool removeOriginals = false;                             // encrypt --remove-originals
    bool stripSuffix = false;                                 // decrypt --strip-suffix
    std::optional<bool> answer; // --yes, --no: the answer to every question; none asks
    bool passwordFromStdin = false;
    bool recursive = false; // --recursive, -r: a folder among the FILEs stands for its tree
    bool english = true;
    std::string into; // --into: the folder that the outputs go straight into; empty for none
    std::vector<std::string> files; // full paths in the given order
    std::vector<std::string> trees; // the folders among them, with --recursive
};

// The command line `arguments` (without the program name): options before or after the command,
// every argument after "--" a file. --help (-h) and --version stand for the command whatever
// else is given. Relative paths are taken from `workingFolder`. Throws UsageError in the
// language of --lang, wherever it is; a bad value of --lang itself in English.
CommandLine parseCommandLine(std::span<const std::string> arguments,
                             const std::string& workingFolder);

// The text that --help prints, in English or Chinese.
std::string usageText(bool english);

} // namespace tarvex
