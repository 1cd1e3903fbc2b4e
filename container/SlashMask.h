#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvex {

// The High level steps look at every "/" of a body; these find them 64 characters at a time.
inline constexpr std::size_t slashMaskCharacters = 64;

// Bit k of the result is set exactly where the character at `block` + k is "/", for the 64
// characters from `block` on; eight characters at a time in plain integer arithmetic, for any
// processor.
std::uint64_t slashMaskPortable(const char* block);

// The same, in the fastest version this build has. Inline: it runs once per 64 characters of
// every High level body.
inline std::uint64_t slashMask(const char* block) {
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
