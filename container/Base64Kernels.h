#pragma once

// The inner loops of the body codec, in one portable version and in versions for processor
// extensions. Every version gives the same bytes; `encodeBody` and `decodeBody` use the fastest
// one that the processor supports, and the tests run each of them against the plain contract.

#include "Base64Body.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The 64 characters of the body, in the order of their values.
inline constexpr std::string_view encodingAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Source bytes that `encodeBody` encodes at a time: whole lines, about 57 KB.
inline constexpr std::size_t encodePieceBytes = 1024 * bodyLineBytes;

// Bytes that a decoding loop may write beyond the last byte it delivers.
inline constexpr std::size_t decodeOverrun = 32;

struct CodecKernels {
    // Encodes `lines` lines of 57 bytes into lines of 76 characters, each followed by CR LF.
    void (*encodeLines)(const std::uint8_t* in, std::size_t lines, char* out);

    // Decodes groups of four alphabet characters (no "=") from `in` on, as long as they come,
    // and returns where it stopped: at a group that holds something else, or before the last
    // few characters. May pass over CR LF pairs that stand between whole groups. Writes the
    // bytes at `out`, advancing it, and may write up to `decodeOverrun` bytes beyond them.
    const char* (*decodeGroups)(const char* in, const char* end, std::uint8_t*& out);
};

// Avx512Vbmi encodes with AVX-512 VBMI and decodes as Avx2 does.
enum class CodecPath { Portable, Avx2, Avx512Vbmi };

// The paths this processor can run, the portable one first and the fastest last.
std::vector<CodecPath> supportedCodecPaths();

#if defined(__x86_64__)
const CodecKernels& avx2Kernels();
const CodecKernels& avx512VbmiKernels();
#endif

// `encodeBody` and `decodeBody` on a chosen path, which must be supported.
void encodeBodyOn(CodecPath path, std::span<const std::uint8_t> source, std::string& destination);
void decodeBodyOn(CodecPath path, std::string_view source, std::vector<std::uint8_t>& destination);

} // namespace tarvex
