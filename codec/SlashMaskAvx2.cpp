// The lister of lone "/" for processors with AVX2. Only the functions of this file use the
// instructions; the caller checks the processor first.
#include "codec/Base64Kernels.h"
#include "codec/SlashMask.h"

#if defined(__x86_64__)

#include <immintrin.h>

namespace tarvex {

namespace {

#define TARVEX_AVX2 __attribute__((target("avx2")))

// 0xFF where the character at `from` + k, of 32, is a "/".
TARVEX_AVX2 __m256i slashesAt(const char* from, __m256i slashes) {
    return _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)), slashes);
}

// Bit k set where the character at `text` + k, of 32, is a "/" with no "/" on either side: the
// characters are compared as loaded from one before, at and one after `text`.
TARVEX_AVX2 std::uint64_t loneSlashesOf32(const char* text, __m256i slashes) {
    const __m256i neighbours =
        _mm256_or_si256(slashesAt(text - 1, slashes), slashesAt(text + 1, slashes));
    const __m256i lone = _mm256_andnot_si256(neighbours, slashesAt(text, slashes));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(lone));
}

} // namespace

TARVEX_AVX2 std::size_t listLoneSlashesAvx2(const char* text, std::size_t blocks,
                                            std::uint16_t offset, std::uint16_t* out) {
    const __m256i slashes = _mm256_set1_epi8('/');
    std::size_t count = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        const char* const at = text + block * slashMaskCharacters;
        const std::uint64_t lone = loneSlashesOf32(at, slashes) |
                                   loneSlashesOf32(at + slashMaskCharacters / 2, slashes) << 32;
        count += listBits(lone, static_cast<std::uint16_t>(offset + block * slashMaskCharacters),
                          out + count);
    }
    return count;
}

} // namespace tarvex

#endif
