#pragma once

// The inner loops of the body codec, in one portable version and in versions for processor
// extensions. Every version gives the same bytes; `encodeBody` and `decodeBody` use the fastest
// one that the processor supports, and the tests run each of them against the plain contract.

#include "codec/Base64Body.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

    // The same, and the same characters once more at `unbroken`, without the CR LF pairs.
    void (*encodeLinesTwice)(const std::uint8_t* in, std::size_t lines, char* out, char* unbroken);

    // Decodes groups of four alphabet characters (no "=") from `in` on, as long as they come,
    // and returns where it stopped: at a group that holds something else, or before the last
    // few characters. May pass over CR LF pairs that stand between whole groups. Writes the
    // bytes at `out`, advancing it, and may write up to `decodeOverrun` bytes beyond them.
    const char* (*decodeGroups)(const char* in, const char* end, std::uint8_t*& out);

    // Lists where a "/" stands that has no "/" before or after it, in `blocks` whole blocks of
    // 64 characters from `text` on, as positions from `text` plus `offset`, and gives their
    // number. Reads the character before `text` and the block after the last one as well.
    // `out` needs room for 32 places per block and two more.
    std::size_t (*listLoneSlashes)(const char* text, std::size_t blocks, std::uint16_t offset,
                                   std::uint16_t* out);
};

// encodeLinesTwice for kernels without a loop of their own: each line encoded, then copied.
template <void (*encodeLines)(const std::uint8_t*, std::size_t, char*)>
void encodeLinesThenCopy(const std::uint8_t* in, std::size_t lines, char* out, char* unbroken) {
    encodeLines(in, lines, out);
    for (std::size_t line = 0; line < lines; ++line) {
        std::memcpy(unbroken + line * bodyLineCharacters, out + line * bodyLineWithBreak,
                    bodyLineCharacters);
    }
}

// Avx512Vbmi encodes with AVX-512 VBMI, and decodes and lists lone "/" as Avx2 does.
enum class CodecPath { Portable, Avx2, Avx512Vbmi };

// The paths this processor can run, the portable one first and the fastest last.
std::vector<CodecPath> supportedCodecPaths();

// The kernels of a path, which must be supported.
const CodecKernels& kernelsFor(CodecPath path);

// The fastest path of this processor.
CodecPath fastestCodecPath();

// Writes the text that `encodeBody` appends for `source` from `out` on, with `kernels`, where
// there must be room for encodedBodyLength(source.size()) characters; gives the end.
char* encodeWith(const CodecKernels& kernels, std::span<const std::uint8_t> source, char* out);

// The lister of lone "/" that needs no processor extension.
std::size_t listLoneSlashesPortable(const char* text, std::size_t blocks, std::uint16_t offset,
                                    std::uint16_t* out);

#if defined(__x86_64__)
const CodecKernels& avx2Kernels();
const CodecKernels& avx512VbmiKernels();
std::size_t listLoneSlashesAvx2(const char* text, std::size_t blocks, std::uint16_t offset,
                                std::uint16_t* out);
#endif

// Decodes a text that comes a piece at a time as decodeBody decodes it whole: a group of four
// accepted characters may be split between pieces, and an incomplete last group is dropped.
class BodyDecoder {
public:
    // Decodes with the kernels of `path`, which must be supported.
    explicit BodyDecoder(CodecPath path = fastestCodecPath());

    // Begins the next text.
    void start() { held_ = 0; }
    // Appends the bytes of the next piece of the text to `destination`.
    void append(std::string_view source, std::vector<std::uint8_t>& destination);
    // The same at `out`, where there must be room for capacityFor(source.size()) bytes; gives
    // the end of the bytes written.
    std::uint8_t* append(std::string_view source, std::uint8_t* out);
    std::size_t capacityFor(std::size_t characters) const {
        return (held_ + characters) / 4 * 3 + decodeOverrun;
    }

private:
    const CodecKernels* kernels_;
    std::array<std::uint8_t, 4> group_{}; // decoding values of the group begun so far
    std::size_t held_ = 0;
};

// Decodes a text that comes a piece at a time and must be Base64 of the alphabet and nothing else.
// CR and LF may stand anywhere and are passed over; "=" only pads the last group, as "x==" or
// "xx=", with zero bits where the padding leaves them unused. Any other character, a misplaced
// "=" or a character after the padded group fails the text, which then stays failed until the
// next start(). Whether the text was whole groups is known at its end, from complete().
class StrictDecoder {
public:
    // Decodes with the kernels of `path`, which must be supported.
    explicit StrictDecoder(CodecPath path = fastestCodecPath());

    // Begins the next text.
    void start();
    // Writes the bytes of the next piece of the text at `out`, where there must be room for
    // capacityFor(source.size()) bytes, and gives their end. What it gives for a piece that fails
    // the text is of no use.
    std::uint8_t* append(std::string_view source, std::uint8_t* out);
    std::size_t capacityFor(std::size_t characters) const {
        return (held_ + characters) / 4 * 3 + decodeOverrun;
    }
    bool failed() const { return failed_; }
    // Whether the text so far has not failed and ends with a whole group.
    bool complete() const { return !failed_ && held_ == 0; }

private:
    const CodecKernels* kernels_;
    std::array<std::uint8_t, 4> group_{}; // decoding values of the group begun so far
    std::size_t held_ = 0;
    bool padded_ = false;
    bool failed_ = false;
};

// `encodeBody` and `decodeBody` on a chosen path, which must be supported.
void encodeBodyOn(CodecPath path, std::span<const std::uint8_t> source, std::string& destination);
void decodeBodyOn(CodecPath path, std::string_view source, std::vector<std::uint8_t>& destination);

} // namespace tarvex
