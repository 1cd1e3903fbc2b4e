#pragma once

#include "container/ContainerClass.h"

#include <string>
#include <string_view>

namespace tarvex {

// `text` followed by blanks up to 10 characters; a longer text is returned unchanged.
std::string strto10(std::string_view text);

// The value of two hexadecimal digits (either case); 0 for a text that is not two characters.
// A character that is not a hexadecimal digit counts as the digit 0.
int HexPairToByte(std::string_view pair);

// The 20 upper-case hexadecimal digits of the first ten characters of the padded password, each
// code lowered by `shift` (wrapping modulo 256), whatever the password holds.
std::string passwordField(std::string_view password, int shift);

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
