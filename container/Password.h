#pragma once

#include <string>
#include <string_view>

namespace tarvex {

// `text` followed by blanks up to 10 characters; a longer text is returned unchanged.
std::string strto10(std::string_view text);

// The value of two hexadecimal digits (either case); 0 for a text that is not two characters.
int HexPairToByte(std::string_view pair);

// The 20 upper-case hexadecimal digits of the padded password, each code lowered by `shift`
// (wrapping modulo 256).
std::string passwordField(std::string_view password, int shift);

enum class PasswordProblem { None, TooShort, Blank, IllegalCharacter };

struct PasswordVerdict {
    PasswordProblem problem = PasswordProblem::None;
    std::string offending; // the first illegal character, for IllegalCharacter
};

// The rules a typed password must meet: at least 5 characters, no blank, codes 33 to 126.
PasswordVerdict checkPassword(std::string_view typed);

struct ProbeResult {
    bool containerFound = false;
    bool passwordMatches = false;
};

// Looks at the level marker and the stored password of the file content `fileBytes` and
// compares the stored password with `typed`.
ProbeResult probeContainer(std::string_view fileBytes, std::string_view typed);

} // namespace tarvex
