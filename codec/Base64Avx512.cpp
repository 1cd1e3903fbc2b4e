// The body encoder's inner loop for processors with AVX-512 VBMI, a line of 76 characters in two
// steps. Decoding stays with the AVX2 loop. Only the functions of this file use the instructions;
// the caller checks the processor first.
#include "codec/Base64Kernels.h"

#if defined(__x86_64__)

#include <cstring>
#include <immintrin.h>

namespace tarvex {

namespace {

#define TARVEX_AVX512_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Every byte. The byte-wise steps are written in their zero-masking form with this mask, the same
// instructions: GCC 12 warns that the plain forms use an uninitialized value.
constexpr __mmask64 allBytes = ~__mmask64{0};

// The 48 bytes at `in` into 64 characters, reading nothing beyond them.
TARVEX_AVX512_VBMI __m512i encode48(const std::uint8_t* in, __m512i alphabet) {
    constexpr __mmask64 first48 = (__mmask64{1} << 48) - 1;
    const __m512i bytes = _mm512_maskz_loadu_epi8(first48, in);
    // Each group of three bytes b0 b1 b2 becomes the four bytes b1 b0 b2 b1 of a 32-bit lane.
    const __m512i spread = _mm512_maskz_permutexvar_epi8(
        allBytes,
        _mm512_setr_epi32(0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10,
                          0x13141213, 0x16171516, 0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122,
                          0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e),
        bytes);
    // The four 6-bit values of each group, at bits 10, 4, 22 and 16 of its lane, one per byte
    // (the top two bits of each are left over, and the alphabet lookup ignores them).
    const __m512i values =
        _mm512_maskz_multishift_epi64_epi8(allBytes, _mm512_set1_epi64(0x3036242a1016040a), spread);
    return _mm512_maskz_permutexvar_epi8(allBytes, values, alphabet);
}

// A line of 57 bytes is two overlapping steps: bytes 0..47 and 9..56 give the characters 0..63
// and 12..75. With `twice`, each line's two steps are stored once more at `unbroken`, without the
// line break.
template <bool twice>
TARVEX_AVX512_VBMI void encodeLinesVbmi(const std::uint8_t* in, std::size_t lines, char* out,
                                        char* unbroken) {
    const __m512i alphabet = _mm512_loadu_si512(encodingAlphabet.data());
    for (std::size_t line = 0; line < lines; ++line) {
        const __m512i first = encode48(in, alphabet);
        const __m512i second = encode48(in + 9, alphabet);
        _mm512_storeu_si512(out, first);
        _mm512_storeu_si512(out + 12, second);
        std::memcpy(out + bodyLineCharacters, bodyLineBreak.data(), bodyLineBreak.size());
        if constexpr (twice) {
            _mm512_storeu_si512(unbroken, first);
            _mm512_storeu_si512(unbroken + 12, second);
            unbroken += bodyLineCharacters;
        }
        in += bodyLineBytes;
        out += bodyLineWithBreak;
    }
}

TARVEX_AVX512_VBMI void encodeLinesAvx512Vbmi(const std::uint8_t* in, std::size_t lines,
                                              char* out) {
    encodeLinesVbmi<false>(in, lines, out, nullptr);
}

} // namespace

const CodecKernels& avx512VbmiKernels() {
    static const CodecKernels kernels{encodeLinesAvx512Vbmi, encodeLinesVbmi<true>,
                                      avx2Kernels().decodeGroups, avx2Kernels().listLoneSlashes};
    return kernels;
}

} // namespace tarvex

#endif
