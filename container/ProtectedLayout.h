#pragma once

// The payload of a Protected container, byte by byte:
//
//   "TARVEXP1" | opslimit (LE32) | memlimit in KiB (LE32) | salt (16) | stream header (24) |
//   pieces
//
// The first 32 bytes are the head, the additional data of the first piece. The source is cut into
// pieces of 65,536 bytes from its start, each enciphered with 17 bytes more: all are full but the
// last, which holds what is left (0 bytes for an empty source or a whole number of pieces) and
// alone is tagged as final. The container's text is the body codec's text of the payload (lines
// of 76 characters, CR LF after every full one), then the class's marker and CR LF.

#include "container/ProtectedKey.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tarvex {

inline constexpr std::string_view protectedMagic = "TARVEXP1";
inline constexpr std::size_t protectedHeadBytes = 32;
inline constexpr std::size_t streamHeaderBytes = 24;
// The head and the stream header, which stand before the first piece.
inline constexpr std::size_t payloadFrontBytes = protectedHeadBytes + streamHeaderBytes;
inline constexpr std::size_t protectedPieceBytes = 65536;
// What enciphering adds to each piece: its tag and its authenticator.
inline constexpr std::size_t pieceOverhead = 17;
inline constexpr std::size_t fullCipherPieceBytes = protectedPieceBytes + pieceOverhead;

using ProtectedHead = std::array<std::uint8_t, protectedHeadBytes>;

inline ProtectedHead protectedHead(const ProtectedParameters& parameters) {
    ProtectedHead head{};
    std::copy(protectedMagic.begin(), protectedMagic.end(), head.begin());
    const auto putLittleEndian = [&head](std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            head[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    putLittleEndian(8, parameters.cost.opslimit);
    putLittleEndian(12, parameters.cost.memlimitKiB);
    std::copy(parameters.salt.begin(), parameters.salt.end(), head.begin() + 16);
    return head;
}

// What the text of every Protected container begins with: the Base64 of the magic's first seven
// characters, which no designed container begins with (its password field is hexadecimal).
inline constexpr std::string_view protectedTextStart = "VEFSVkVYUD";

// Whether the file whose first bytes are `fileStart` begins as a Protected container, with or
// without a UTF-8 byte order mark in front.
inline bool beginsAsProtected(std::span<const std::uint8_t> fileStart) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    std::string_view text(reinterpret_cast<const char*>(fileStart.data()), fileStart.size());
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    }
    return text.starts_with(protectedTextStart);
}

// The parameters that `head` holds, or nothing when it does not begin with the magic.
inline std::optional<ProtectedParameters> parametersOfHead(const ProtectedHead& head) {
    if (!std::equal(protectedMagic.begin(), protectedMagic.end(), head.begin())) {
        return std::nullopt;
    }
    const auto getLittleEndian = [&head](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            value |= std::uint32_t{head[at + i]} << (8 * i);
        }
        return value;
    };
    ProtectedParameters parameters{{}, {getLittleEndian(8), getLittleEndian(12)}};
    std::copy(head.begin() + 16, head.end(), parameters.salt.begin());
    return parameters;
}

} // namespace tarvex
