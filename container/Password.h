#pragma once

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

enum class PasswordProblem { None, TooShort, Blank, IllegalCharacter };

struct PasswordVerdict {
    PasswordProblem problem = PasswordProblem::None;
    std::string offending; // the first illegal character, for IllegalCharacter
};

// The rules a typed password must meet, in this order: at least 5 bytes, then from the first
// character on, no blank and no code outside 33 to 126. Only the first failing rule is reported.
// The text is UTF-8: an offending byte of 0x80 or above is reported with the rest of its
// sequence (as far as the text holds it).
PasswordVerdict checkPassword(std::string_view typed);

} // namespace tarvex
