#include "SlashMask.h"

#include <bit>
#include <cstring>

namespace tarvex {

namespace {

// Bit k set where the k-th of the eight characters at `text` is `slash`.
std::uint64_t slashBitsOfEight(const char* text, char slash) {
    std::uint64_t word = 0;
    std::memcpy(&word, text, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7F;
    // Zero bytes where `slash` stands.
    const std::uint64_t differences =
        word ^ (0x0101010101010101 * static_cast<unsigned char>(slash));
    // The top bit of each byte: set exactly for a zero byte (no carry crosses a byte).
    const std::uint64_t zeros = ~(((differences & low7) + low7) | differences | low7);
    // Gathers the eight top bits, byte k's to bit 56 + k, and moves them down.
    return ((zeros >> 7) * 0x0102040810204080) >> 56;
}

} // namespace

std::uint64_t slashMaskPortable(const char* block, char slash) {
    std::uint64_t mask = 0;
    for (std::size_t at = 0; at < slashMaskCharacters; at += 8) {
        mask |= slashBitsOfEight(block + at, slash) << at;
    }
    return mask;
}

} // namespace tarvex
