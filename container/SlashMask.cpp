#include "SlashMask.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

std::uint64_t slashMask(const char* block) {
#if defined(__SSE2__)
    // Every x86-64 processor has SSE2: 16 characters compared at once.
    const __m128i slashes = _mm_set1_epi8('/');
    std::uint64_t mask = 0;
    for (std::size_t at = 0; at < slashMaskCharacters; at += 16) {
        const __m128i characters = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        const auto found =
            static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(characters, slashes)));
        mask |= std::uint64_t{found} << at;
    }
    return mask;
#else
    return slashMaskPortable(block);
#endif
}

} // namespace tarvex
