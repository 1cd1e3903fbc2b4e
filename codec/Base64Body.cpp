#include "codec/Base64Body.h"

#include "codec/Base64Kernels.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace tarvex {

namespace {

// Decoding values: 0..63 for the alphabet, 64 for "=", `skipped` for every other byte.
constexpr std::uint8_t padValue = 64;
constexpr std::uint8_t skipped = 0xFF;

constexpr std::array<std::uint8_t, 256> decodingValues = [] {
    std::array<std::uint8_t, 256> values{};
    values.fill(skipped);
    for (std::size_t i = 0; i < encodingAlphabet.size(); ++i) {
        values[static_cast<unsigned char>(encodingAlphabet[i])] = static_cast<std::uint8_t>(i);
    }
    values['='] = padValue;
    return values;
}();

char* encodeGroup(const std::uint8_t* in, char* out) {
    const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    out[0] = encodingAlphabet[bits >> 18];
    out[1] = encodingAlphabet[(bits >> 12) & 63];
    out[2] = encodingAlphabet[(bits >> 6) & 63];
    out[3] = encodingAlphabet[bits & 63];
    return out + 4;
}

// The last group of a source whose length is not a multiple of three: one or two bytes.
char* encodeTail(const std::uint8_t* in, std::size_t count, char* out) {
    const std::uint32_t second = count == 2 ? in[1] : 0;
    const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (second << 8);
    out[0] = encodingAlphabet[bits >> 18];
    out[1] = encodingAlphabet[(bits >> 12) & 63];
    out[2] = count == 2 ? encodingAlphabet[(bits >> 6) & 63] : '=';
    out[3] = '=';
    return out + 4;
}

char* endLine(char* out) {
    out[0] = bodyLineBreak[0];
    out[1] = bodyLineBreak[1];
    return out + bodyLineBreak.size();
}

// One group of four accepted characters, given by their decoding values. A "=" in third place
// leaves only the first byte, in fourth place the first two.
std::uint8_t* decodeGroup(const std::uint8_t* x, std::uint8_t* out) {
    *out++ = static_cast<std::uint8_t>((x[0] << 2) | (x[1] >> 4));
    if (x[2] == padValue) {
        return out;
    }
    *out++ = static_cast<std::uint8_t>((x[1] << 4) | (x[2] >> 2));
    if (x[3] == padValue) {
        return out;
    }
    *out++ = static_cast<std::uint8_t>((x[2] << 6) | x[3]);
    return out;
}

void encodeLinesPortable(const std::uint8_t* in, std::size_t lines, char* out) {
    for (std::size_t line = 0; line < lines; ++line) {
        for (std::size_t group = 0; group < bodyLineBytes; group += 3) {
            out = encodeGroup(in + group, out);
        }
        in += bodyLineBytes;
        out = endLine(out);
    }
}

const char* decodeGroupsPortable(const char* first, const char* end, std::uint8_t*& out) {
    const auto* in = reinterpret_cast<const unsigned char*>(first);
    const auto* const last = reinterpret_cast<const unsigned char*>(end);
    while (last - in >= 4) {
        const std::uint8_t x0 = decodingValues[in[0]];
        const std::uint8_t x1 = decodingValues[in[1]];
        const std::uint8_t x2 = decodingValues[in[2]];
        const std::uint8_t x3 = decodingValues[in[3]];
        if ((x0 | x1 | x2 | x3) >= padValue) {
            break;
        }
        out[0] = static_cast<std::uint8_t>((x0 << 2) | (x1 >> 4));
        out[1] = static_cast<std::uint8_t>((x1 << 4) | (x2 >> 2));
        out[2] = static_cast<std::uint8_t>((x2 << 6) | x3);
        out += 3;
        in += 4;
    }
    return reinterpret_cast<const char*>(in);
}

const CodecKernels portable{encodeLinesPortable, encodeLinesThenCopy<encodeLinesPortable>,
                            decodeGroupsPortable, listLoneSlashesPortable};

bool supports(CodecPath path) {
    switch (path) {
    case CodecPath::Portable:
        return true;
    case CodecPath::Avx2:
#if defined(__x86_64__)
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    case CodecPath::Avx512Vbmi:
#if defined(__x86_64__)
        return __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

} // namespace

const CodecKernels& kernelsFor(CodecPath path) {
    if (!supports(path)) {
        throw std::invalid_argument("codec path not supported by this processor");
    }
#if defined(__x86_64__)
    if (path == CodecPath::Avx2) {
        return avx2Kernels();
    }
    if (path == CodecPath::Avx512Vbmi) {
        return avx512VbmiKernels();
    }
#endif
    return portable;
}

CodecPath fastestCodecPath() {
    static const CodecPath fastest = supportedCodecPaths().back();
    return fastest;
}

char* encodeWith(const CodecKernels& kernels, std::span<const std::uint8_t> source, char* out) {
    const std::size_t lines = source.size() / bodyLineBytes;
    kernels.encodeLines(source.data(), lines, out);
    out += lines * bodyLineWithBreak;

    const std::uint8_t* in = source.data() + lines * bodyLineBytes;
    const std::uint8_t* const end = source.data() + source.size();
    const char* const lastLine = out;
    for (; end - in >= 3; in += 3) {
        out = encodeGroup(in, out);
    }
    if (in != end) {
        out = encodeTail(in, static_cast<std::size_t>(end - in), out);
    }
    // A padded last group can complete a line of its own (55 or 56 bytes after the last full one).
    if (static_cast<std::size_t>(out - lastLine) == bodyLineCharacters) {
        out = endLine(out);
    }
    return out;
}

namespace {

// The fastest kernels of this processor, chosen once.
const CodecKernels& fastestKernels() {
    static const CodecKernels& chosen = kernelsFor(fastestCodecPath());
    return chosen;
}

// Appends the text of `source` to `destination`, a piece at a time: growing the string fills
// its new characters with zeros, and a piece's are still in the cache when the encoder writes
// over them.
void appendEncoded(const CodecKernels& kernels, std::span<const std::uint8_t> source,
                   std::string& destination) {
    destination.reserve(destination.size() + encodedBodyLength(source.size()));
    do {
        const auto piece = source.first(std::min(source.size(), encodePieceBytes));
        source = source.subspan(piece.size());
        const std::size_t at = destination.size();
        destination.resize(at + encodedBodyLength(piece.size()));
        encodeWith(kernels, piece, destination.data() + at);
    } while (!source.empty());
}

} // namespace

std::vector<CodecPath> supportedCodecPaths() {
    std::vector<CodecPath> paths;
    for (const CodecPath path : {CodecPath::Portable, CodecPath::Avx2, CodecPath::Avx512Vbmi}) {
        if (supports(path)) {
            paths.push_back(path);
        }
    }
    return paths;
}

void encodeBodyOn(CodecPath path, std::span<const std::uint8_t> source, std::string& destination) {
    appendEncoded(kernelsFor(path), source, destination);
}

void decodeBodyOn(CodecPath path, std::string_view source, std::vector<std::uint8_t>& destination) {
    BodyDecoder(path).append(source, destination);
}

BodyDecoder::BodyDecoder(CodecPath path) : kernels_(&kernelsFor(path)) {}

void BodyDecoder::append(std::string_view source, std::vector<std::uint8_t>& destination) {
    const std::size_t start = destination.size();
    destination.resize(start + capacityFor(source.size()));
    const std::uint8_t* const end = append(source, destination.data() + start);
    destination.resize(static_cast<std::size_t>(end - destination.data()));
}

// The kernels take the clean runs; every other character goes through the exact rules here.
std::uint8_t* BodyDecoder::append(std::string_view source, std::uint8_t* out) {
    const char* in = source.data();
    const char* const end = in + source.size();
    while (in != end) {
        // The kernels start only where a group can: a run of other characters is passed over here.
        if (held_ == 0 && decodingValues[static_cast<unsigned char>(*in)] < padValue) {
            in = kernels_->decodeGroups(in, end, out);
            if (in == end) {
                break;
            }
        }
        const std::uint8_t value = decodingValues[static_cast<unsigned char>(*in++)];
        if (value == skipped) {
            continue;
        }
        group_[held_++] = value;
        if (held_ == group_.size()) {
            out = decodeGroup(group_.data(), out);
            held_ = 0;
        }
    }
    return out;
}

namespace {

// A whole group as strict Base64 has it: "=" only in the last two places, in the third only
// before one in the fourth, and zero bits where the padding leaves them unused.
bool strictGroup(const std::array<std::uint8_t, 4>& x) {
    if (x[0] == padValue || x[1] == padValue) {
        return false;
    }
    if (x[2] == padValue) {
        return x[3] == padValue && (x[1] & 0x0F) == 0;
    }
    return x[3] != padValue || (x[2] & 0x03) == 0;
}

} // namespace

StrictDecoder::StrictDecoder(CodecPath path) : kernels_(&kernelsFor(path)) {}

void StrictDecoder::start() {
    held_ = 0;
    padded_ = false;
    failed_ = false;
}

// The kernels take the runs of whole groups; line breaks, the padded group and whatever stops
// the kernels go through the rules here.
std::uint8_t* StrictDecoder::append(std::string_view source, std::uint8_t* out) {
    const char* in = source.data();
    const char* const end = in + source.size();
    while (in != end && !failed_) {
        if (held_ == 0 && !padded_) {
            in = kernels_->decodeGroups(in, end, out);
            if (in == end) {
                break;
            }
        }
        const char c = *in++;
        if (c == '\r' || c == '\n') {
            continue;
        }
        const std::uint8_t value = decodingValues[static_cast<unsigned char>(c)];
        if (value == skipped || padded_) {
            failed_ = true;
            break;
        }
        group_[held_++] = value;
        if (held_ == group_.size()) {
            failed_ = !strictGroup(group_);
            padded_ = group_[3] == padValue;
            out = decodeGroup(group_.data(), out);
            held_ = 0;
        }
    }
    return out;
}

bool acceptedByDecoding(char c) {
    return decodingValues[static_cast<unsigned char>(c)] != skipped;
}

void encodeBody(std::span<const std::uint8_t> source, std::string& destination) {
    appendEncoded(fastestKernels(), source, destination);
}

void decodeBody(std::string_view source, std::vector<std::uint8_t>& destination) {
    BodyDecoder().append(source, destination);
}

} // namespace tarvex
