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

} // namespace tarvex
