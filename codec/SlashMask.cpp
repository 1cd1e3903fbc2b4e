#include "codec/SlashMask.h"

#include "codec/Base64Kernels.h"

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

std::size_t listLoneSlashesPortable(const char* text, std::size_t blocks, std::uint16_t offset,
                                    std::uint16_t* out) {
    constexpr char slash = '/';
    std::uint64_t slashBefore = text[-1] == slash ? 1 : 0;
    std::uint64_t slashes = slashMask(text, slash);
    std::size_t count = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        const char* const next = text + (block + 1) * slashMaskCharacters;
        const std::uint64_t nextSlashes = slashMask(next, slash);
        count +=
            listBits(loneSlashes(slashes, slashBefore, nextSlashes),
                     static_cast<std::uint16_t>(offset + block * slashMaskCharacters), out + count);
        slashBefore = slashes >> 63;
        slashes = nextSlashes;
    }
    return count;
}

} // namespace tarvex
