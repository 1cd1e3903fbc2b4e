#pragma once

#include <span>
#include <string>

namespace tarvex {

// The exit statuses of tarvex-cli.
enum ExitStatus : int {
    exitCompleted = 0,
    exitEndedEarly = 1,
    exitUsageError = 2,
    exitFileError = 3,
    exitUnreadable = 4,
};

// Runs tarvex-cli with `arguments` (without the program name): reads the password, makes the FILE
// list the selection and runs the command through the same runs as the window. Gives the exit
// status.
int runFrontEnd(std::span<const std::string> arguments);

} // namespace tarvex
