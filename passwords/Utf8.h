#pragma once

#include <cstddef>
#include <string_view>

namespace tarvex {

// The character that begins a text of UTF-8: how many bytes it takes, and whether it is printable,
// that is valid UTF-8 and no control character (C0, DEL or C1). A byte that begins no valid
// sequence (a lone continuation byte, a sequence cut short or overlong, a surrogate) is a
// character of that one byte, not printable.
struct Utf8Character {
    std::size_t length = 0;
    bool printable = false;
};

// The first character of `text`, which is not empty.
Utf8Character firstCharacter(std::string_view text);

} // namespace tarvex
