#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex {

// A command line that cannot be run; what() says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Command { Encrypt, Decrypt };

struct CommandLine {
    bool help = false;
    Command command = Command::Encrypt;
    bool highLevel = false;    // encrypt --high
    bool appendSuffix = false; // encrypt --suffix
    bool stripSuffix = false;  // decrypt --strip-suffix
    bool assumeYes = false;    // decrypt --yes
    bool passwordFromStdin = false;
    bool english = true;
    std::vector<std::string> files; // full paths in the given order, all in one folder
};

// The command line `arguments` (without the program name). Relative paths are taken from
// `workingFolder`. Throws UsageError.
CommandLine parseCommandLine(std::span<const std::string> arguments,
                             const std::string& workingFolder);

// The text that --help prints.
std::string usageText();

} // namespace tarvex
