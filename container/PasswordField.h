#pragma once

// The password field of the designed classes: the padded password, shifted and written as
// hexadecimal at the front of a container.

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

} // namespace tarvex
