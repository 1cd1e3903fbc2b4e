// The body codec's inner loops for processors with AVX2, 32 characters at a time. Only the
// functions of this file use the instructions; the caller checks the processor first.
#include "codec/Base64Kernels.h"

#if defined(__x86_64__)

#include <cstring>
#include <immintrin.h>

namespace tarvex {

namespace {

#define TARVEX_AVX2 __attribute__((target("avx2")))

// 24 bytes into 32 characters. The low lane takes bytes 0..11 from `in`, the high lane bytes
// 12..23 from `in` + 8 (at its places 4..15), so nothing beyond the 24 bytes is read.
TARVEX_AVX2 __m256i encodeBlock(const std::uint8_t* in) {
    const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(in + 8),
                                              reinterpret_cast<const __m128i*>(in));
    // Each group of three bytes b0 b1 b2 becomes the four bytes b1 b0 b2 b1.
    const __m256i spread = _mm256_shuffle_epi8(
        bytes, _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10, //
                                5, 4, 6, 5, 8, 7, 9, 8, 11, 10, 12, 11, 14, 13, 15, 14));
    // The four 6-bit values of each group, one per byte.
    const __m256i high = _mm256_mulhi_epu16(_mm256_and_si256(spread, _mm256_set1_epi32(0x0fc0fc00)),
                                            _mm256_set1_epi32(0x04000040));
    const __m256i low = _mm256_mullo_epi16(_mm256_and_si256(spread, _mm256_set1_epi32(0x003f03f0)),
                                           _mm256_set1_epi32(0x01000010));
    const __m256i values = _mm256_or_si256(high, low);
    // The offset from value to character: one per range of the alphabet, chosen by a small index
    // (0 for a-z, 1..10 for 0-9, 11 for "+", 12 for "/", 13 for A-Z).
    __m256i range = _mm256_subs_epu8(values, _mm256_set1_epi8(51));
    const __m256i upper = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), values);
    range = _mm256_or_si256(range, _mm256_and_si256(upper, _mm256_set1_epi8(13)));
    const __m256i offsets =
        _mm256_setr_epi8(71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0, //
                         71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0);
    return _mm256_add_epi8(values, _mm256_shuffle_epi8(offsets, range));
}

TARVEX_AVX2 void store(char* out, __m256i characters) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), characters);
}

// A line of 57 bytes is three overlapping blocks: bytes 0..23, 24..47 and 33..56 give the
// characters 0..31, 32..63 and 44..75.
TARVEX_AVX2 void encodeLinesAvx2(const std::uint8_t* in, std::size_t lines, char* out) {
    for (std::size_t line = 0; line < lines; ++line) {
        store(out, encodeBlock(in));
        store(out + 32, encodeBlock(in + 24));
        store(out + 44, encodeBlock(in + 33));
        std::memcpy(out + bodyLineCharacters, bodyLineBreak.data(), bodyLineBreak.size());
        in += bodyLineBytes;
        out += bodyLineWithBreak;
    }
}

// Decodes the 32 characters at `in` into 24 bytes at `out` (writing 32) and returns a bit for
// every character that is not one of the 64 of the alphabet; "=" is one of those.
TARVEX_AVX2 std::uint32_t decodeBlock(const char* in, std::uint8_t* out) {
    const __m256i text = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
    const __m256i mask2F = _mm256_set1_epi8(0x2f);
    const __m256i highNibbles = _mm256_and_si256(_mm256_srli_epi32(text, 4), mask2F);
    const __m256i lowNibbles = _mm256_and_si256(text, mask2F);
    // A character is in the alphabet exactly when the classes of its two nibbles share no bit.
    const __m256i lowClasses = _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                                0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A, //
                                                0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                                0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m256i highClasses = _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                                                 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, //
                                                 0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08,
                                                 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    const __m256i shared = _mm256_and_si256(_mm256_shuffle_epi8(lowClasses, lowNibbles),
                                            _mm256_shuffle_epi8(highClasses, highNibbles));
    const auto invalid = ~static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(shared, _mm256_setzero_si256())));

    // Character to value: an offset chosen by the high nibble, and one of its own for "/".
    const __m256i offsets =
        _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0, //
                         0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i slash = _mm256_cmpeq_epi8(text, mask2F);
    const __m256i values =
        _mm256_add_epi8(text, _mm256_shuffle_epi8(offsets, _mm256_add_epi8(slash, highNibbles)));
    // Four 6-bit values into three bytes, then the bytes of both lanes side by side.
    const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
    const __m256i groups = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
    const __m256i packed = _mm256_shuffle_epi8(
        groups, _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, //
                                 2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
    const __m256i bytes =
        _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), bytes);
    return invalid;
}

// Whole lines of 76 characters ending in CR LF go as three overlapping blocks (characters 0..31,
// 32..63 and 44..75); anything else 32 characters at a time, and the clean groups before the
// first other character of a block.
TARVEX_AVX2 const char* decodeGroupsAvx2(const char* in, const char* end, std::uint8_t*& out) {
    for (;;) {
        if (end - in >= static_cast<std::ptrdiff_t>(bodyLineWithBreak) &&
            in[bodyLineCharacters] == '\r' && in[bodyLineCharacters + 1] == '\n') {
            const std::uint32_t invalid = decodeBlock(in, out) | decodeBlock(in + 32, out + 24) |
                                          decodeBlock(in + 44, out + 33);
            if (invalid == 0) {
                in += bodyLineWithBreak;
                out += bodyLineBytes;
                continue;
            }
        }
        if (end - in < 32) {
            return in;
        }
        const std::uint32_t invalid = decodeBlock(in, out);
        if (invalid != 0) {
            const int groups = __builtin_ctz(invalid) / 4;
            in += 4 * groups;
            out += 3 * groups;
            return in;
        }
        in += 32;
        out += 24;
    }
}

} // namespace

const CodecKernels& avx2Kernels() {
    static const CodecKernels kernels{encodeLinesAvx2, encodeLinesThenCopy<encodeLinesAvx2>,
                                      decodeGroupsAvx2, listLoneSlashesAvx2};
    return kernels;
}

} // namespace tarvex

#endif
