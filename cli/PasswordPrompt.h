#pragma once

#include "cli/ConsoleInput.h"

#include <string>
#include <string_view>

namespace tarvex {

// Asks for a password at the terminal on standard input with `prompt`, without echo, and reads it
// into `password` as readInputLine does; the terminal's settings are restored however the prompt
// ends.
InputLine promptPassword(std::string_view prompt, Secret& password);

} // namespace tarvex
