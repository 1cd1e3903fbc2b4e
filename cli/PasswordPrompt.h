#pragma once

#include <optional>
#include <string>

namespace tarvex {

// Asks for the password at the terminal on standard input, without echo; the terminal's settings
// are restored however the prompt ends. Nothing when Ctrl-C interrupts or the input ends.
std::optional<std::string> promptPassword();

} // namespace tarvex
