#pragma once

// The layout of a container, character by character. Its text (line breaks not counted) is:
//
//   password field (20) | body from its 21st character | body's first 20 | key | filler (3) |
//   marker (4)
//
// followed by CR LF. The body is the source in Base64; the High level class takes its line breaks
// out and marks its lone "/".

#include "container/ContainerClass.h"

#include <cstddef>
#include <string_view>

namespace tarvex {

// The password, padded with blanks to this length, is stored at the front as two hexadecimal
// digits a character.
inline constexpr std::size_t paddedPasswordLength = 10;
inline constexpr std::size_t fieldLength = 2 * paddedPasswordLength;
// The body characters that the password field takes the place of, moved to the end.
inline constexpr std::size_t headLength = 20;
inline constexpr std::size_t fillerLength = 3;
// The key character stands this far from the end: before the filler and the marker.
inline constexpr std::size_t keyFromEnd = 1 + fillerLength + markerLength;
// The moved head, the key, the filler and the marker.
inline constexpr std::size_t trailerLength = headLength + keyFromEnd;
// The shift of the password field is the key's code modulo this.
inline constexpr int keyShiftModulus = 9;

// A container file ends in CR LF. Read back, a line ends at CR LF or a lone LF, a lone CR is
// dropped, and a Ctrl-Z ends the input.
inline constexpr std::string_view fileLineEnd = "\r\n";
inline constexpr char endOfInput = 26;
inline constexpr bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The shift that the key character `key` gives the password field.
inline constexpr int keyShift(char key) {
    return static_cast<unsigned char>(key) % keyShiftModulus;
}

} // namespace tarvex
