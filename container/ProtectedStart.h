#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tarvex {

// What the text of every Protected container begins with: the Base64 of the magic's first seven
// characters, which no designed container begins with (its password field is hexadecimal).
inline constexpr std::string_view protectedTextStart = "VEFSVkVYUD";

// Whether the file whose first bytes are `fileStart` begins as a Protected container, with or
// without a UTF-8 byte order mark in front.
inline bool beginsAsProtected(std::span<const std::uint8_t> fileStart) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    std::string_view text(reinterpret_cast<const char*>(fileStart.data()), fileStart.size());
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    }
    return text.starts_with(protectedTextStart);
}

} // namespace tarvex
