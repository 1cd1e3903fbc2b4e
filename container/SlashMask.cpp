#include "SlashMask.h"

#include <bit>
#include <cstring>

namespace tarvex {

namespace {

// Bit k set where the k-th of the eight characters at `text` is "/".
std::uint64_t slashBitsOfEight(const char* text) {
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    const std::uint64_t differences = word ^ 0x2F2F2F2F2F2F2F2F; // zero bytes where "/" stands
    // The top bit of each byte: set exactly for a zero byte (no carry crosses a byte).
    const std::uint64_t zeros = ~(((differences & low7) + low7) | differences | low7);
    // Gathers the eight top bits, byte k's to bit 56 + k, and moves them down.
    return ((zeros >> 7) * 0x0102040810204080) >> 56;
}

} // namespace

std::uint64_t slashMaskPortable(const char* block) {
    std::uint64_t mask = 0;
    for (std::size_t at = 0; at < slashMaskCharacters; at += 8) {
        mask |= slashBitsOfEight(block + at) << at;
    }
    return mask;
}

} // namespace tarvex
