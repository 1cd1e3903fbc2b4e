#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvex {

// The High level steps look at every "/" of a body as they write it and at every "\" as they
// read it; these find them 64 characters at a time.
inline constexpr std::size_t slashMaskCharacters = 64;

// Bit k of the result is set exactly where the character at `block` + k is `slash`, for the 64
// characters from `block` on; eight characters at a time in plain integer arithmetic, for any
// processor.
std::uint64_t slashMaskPortable(const char* block, char slash);

// The same, in the fastest version this build has. Inline: it runs once per 64 characters of
// every High level body.
inline std::uint64_t slashMask(const char* block, char slash) {
#if defined(__SSE2__)
    // Every x86-64 processor has SSE2: 16 characters compared at once.
    const __m128i slashes = _mm_set1_epi8(slash);
    const auto slashesOf16 = [&](std::size_t at) -> std::uint64_t {
        const __m128i characters = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        return static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(characters, slashes)));
    };
    return slashesOf16(0) | slashesOf16(16) << 16 | slashesOf16(32) << 32 | slashesOf16(48) << 48;
#else
    return slashMaskPortable(block, slash);
#endif
}

// Of the "/" of a block, as slashMask gives them, those with no "/" beside them: `slashBefore` is
// 1 when the character before the block is a "/", `nextSlashes` are the "/" of the block after.
inline std::uint64_t loneSlashes(std::uint64_t slashes, std::uint64_t slashBefore,
                                 std::uint64_t nextSlashes) {
    return slashes & ~((slashes << 1) | slashBefore) & ~((slashes >> 1) | (nextSlashes << 63));
}

// Places that listing the marks of a block writes whatever the block holds. Two marks or fewer
// is what nine blocks in ten of a random body hold.
inline constexpr std::size_t placesAlwaysWritten = 2;

// Writes the positions of the set bits of `bits`, each plus `offset`, to `out` and gives their
// number. The first places are written whatever `bits` holds, so that no branch depends on how
// many bits there are unless there are more than those. Inline in every loop that
// lists, where it runs once per 64 characters.
[[gnu::always_inline]] inline std::size_t listBits(std::uint64_t bits, std::uint16_t offset,
                                                   std::uint16_t* out) {
    // With the top bit set the lowest set bit is found without a test for none.
    constexpr std::uint64_t top = std::uint64_t{1} << 63;
    std::size_t count = 0;
    for (std::size_t k = 0; k < placesAlwaysWritten; ++k) {
        out[k] = static_cast<std::uint16_t>(offset + __builtin_ctzll(bits | top));
        count += static_cast<std::size_t>(bits != 0);
        bits &= bits - 1;
    }
    for (; bits != 0; bits &= bits - 1) {
        out[count++] = static_cast<std::uint16_t>(offset + __builtin_ctzll(bits));
    }
    return count;
}

} // namespace tarvex
