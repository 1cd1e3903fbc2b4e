#pragma once

#include "container/ContainerClass.h"

#include <string>
#include <string_view>

namespace tarvex {

enum class PasswordProblem { None, TooShort, TooLong, Blank, IllegalCharacter };

struct PasswordVerdict {
    PasswordProblem problem = PasswordProblem::None;
    std::string offending; // the first illegal character, for IllegalCharacter
};

// The rule a password typed for containers of `level` must meet; only the first failing part is
// reported, in this order: too short, too long (see the class's PasswordLimits), then the
// characters from the first on. The text is UTF-8.
//
// Standard and High level: at least 5 bytes and at most 10 characters, no blank and no code
// outside 33 to 126. An offending byte of 0x80 or above is reported with the rest of its sequence
// (as far as the text holds it).
//
// Protected: 1 to 1,024 bytes in normalisation form C, any printable character and blanks; a
// control character (C0, DEL or C1) is illegal, and so is a byte that is not part of valid UTF-8,
// reported alone. A text that is not valid UTF-8 has no form C to measure: it is refused for its
// first such byte, however long it is.
PasswordVerdict checkPassword(ContainerClass level, std::string_view typed);

} // namespace tarvex
