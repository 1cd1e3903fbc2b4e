#pragma once

#include "cli/ConsoleInput.h"

#include <string>

namespace tarvex {

// Asks for the password at the terminal on standard input, without echo, and reads it into
// `password` as readInputLine does; the terminal's settings are restored however the prompt ends.
InputLine promptPassword(std::string& password);

} // namespace tarvex
