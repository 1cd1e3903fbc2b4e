#include "passwords/Utf8.h"

#include <cstdint>
#include <unistr.h>

namespace tarvex {

namespace {

// C0, DEL and C1.
bool isControl(ucs4_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

Utf8Character firstCharacter(std::string_view text) {
    ucs4_t c = 0;
    const int length =
        u8_mbtoucr(&c, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (length < 0) {
        return {.length = 1, .printable = false};
    }
    return {.length = static_cast<std::size_t>(length), .printable = !isControl(c)};
}

} // namespace tarvex
