#pragma once

// The payload of a Protected container, byte by byte:
//
//   magic (8) | opslimit (LE32) | memlimit in KiB (LE32) | salt (16) | stream header (24) | pieces
//
// The first 32 bytes are the head, the additional data of the first piece. The magic is
// "TARVEXP2" for version 2, which the writer makes, or "TARVEXP1" for version 1, which the reader
// still reads. Version 2's first piece is the source's record (below), always 290 bytes
// enciphered and not final. Then the source is cut into pieces of 65,536 bytes from its start,
// each enciphered with 17 bytes more: all are full but the last, which holds what is left (0
// bytes for an empty source or a whole number of pieces) and alone is tagged as final. The
// container's text is the body codec's text of the payload (lines of 76 characters, CR LF after
// every full one), then the class's marker and CR LF.
//
// The record, 273 bytes: the name's length N (LE16, 1..255) | the source's file name in the first
// N of 255 bytes, zeros after it | its modification time in nanoseconds since 1970 UTC (signed
// LE64) | its size in bytes (LE64).

#include "container/ProtectedStart.h"
#include "container/SourceRecord.h"
#include "protected/ProtectedKey.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr std::string_view protectedMagic1 = "TARVEXP1";
inline constexpr std::string_view protectedMagic2 = "TARVEXP2";
inline constexpr std::size_t protectedHeadBytes = 32;
inline constexpr std::size_t streamHeaderBytes = 24;
// The head and the stream header, which stand before the first piece.
inline constexpr std::size_t payloadFrontBytes = protectedHeadBytes + streamHeaderBytes;
inline constexpr std::size_t protectedPieceBytes = 65536;
// What enciphering adds to each piece: its tag and its authenticator.
inline constexpr std::size_t pieceOverhead = 17;
inline constexpr std::size_t fullCipherPieceBytes = protectedPieceBytes + pieceOverhead;

inline constexpr std::size_t recordNameBytes = 255;
inline constexpr std::size_t recordBytes = 2 + recordNameBytes + 8 + 8;
inline constexpr std::size_t recordPieceBytes = recordBytes + pieceOverhead;
static_assert(recordBytes == 273 && recordPieceBytes == 290);

using ProtectedHead = std::array<std::uint8_t, protectedHeadBytes>;
using RecordBytes = std::array<std::uint8_t, recordBytes>;

// The `count` low bytes of `value` at `at`, least significant first.
constexpr void putLittleEndian(std::uint8_t* at, std::uint64_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The value of the `count` bytes at `at`, least significant first.
constexpr std::uint64_t littleEndian(const std::uint8_t* at, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= std::uint64_t{at[i]} << (8 * i);
    }
    return value;
}

// The head of a container that the writer makes: version 2's.
inline ProtectedHead protectedHead(const ProtectedParameters& parameters) {
    ProtectedHead head{};
    std::copy(protectedMagic2.begin(), protectedMagic2.end(), head.begin());
    putLittleEndian(head.data() + 8, parameters.cost.opslimit, 4);
    putLittleEndian(head.data() + 12, parameters.cost.memlimitKiB, 4);
    std::copy(parameters.salt.begin(), parameters.salt.end(), head.begin() + 16);
    return head;
}

// The version whose magic `head` begins with, 1 or 2; 0 for none.
inline int versionOfHead(const ProtectedHead& head) {
    const std::string_view magic(reinterpret_cast<const char*>(head.data()), 8);
    return magic == protectedMagic2 ? 2 : magic == protectedMagic1 ? 1 : 0;
}

// The parameters that `head` holds, or nothing when it does not begin with the magic.
inline std::optional<ProtectedParameters> parametersOfHead(const ProtectedHead& head) {
    if (versionOfHead(head) == 0) {
        return std::nullopt;
    }
    ProtectedParameters parameters{{},
                                   {static_cast<std::uint32_t>(littleEndian(head.data() + 8, 4)),
                                    static_cast<std::uint32_t>(littleEndian(head.data() + 12, 4))}};
    std::copy(head.begin() + 16, head.end(), parameters.salt.begin());
    return parameters;
}

// Whether `name` can be a record's: one path component of 1 to 255 bytes, that is no '/' nor NUL
// in it, and neither "." nor "..".
constexpr bool recordableName(std::string_view name) {
    return !name.empty() && name.size() <= recordNameBytes &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos &&
           name != "." && name != "..";
}

// The plain bytes of `record`, whose name must be recordable.
inline RecordBytes recordBytesOf(const SourceRecord& record) {
    RecordBytes bytes{};
    putLittleEndian(bytes.data(), record.name.size(), 2);
    std::copy(record.name.begin(), record.name.end(), bytes.begin() + 2);
    putLittleEndian(bytes.data() + 2 + recordNameBytes,
                    static_cast<std::uint64_t>(record.modifiedNs), 8);
    putLittleEndian(bytes.data() + 2 + recordNameBytes + 8, record.size, 8);
    return bytes;
}

// The record that `bytes` hold, or nothing when they are not one: a length outside 1..255, bytes
// other than zero after the name, or a name that is not one path component.
inline std::optional<SourceRecord> recordOf(std::span<const std::uint8_t, recordBytes> bytes) {
    const std::size_t length = littleEndian(bytes.data(), 2);
    const auto nameBytes = bytes.subspan(2, recordNameBytes);
    if (length == 0 || length > recordNameBytes ||
        !std::all_of(nameBytes.begin() + static_cast<std::ptrdiff_t>(length), nameBytes.end(),
                     [](std::uint8_t byte) { return byte == 0; })) {
        return std::nullopt;
    }
    SourceRecord record{
        std::string(nameBytes.begin(), nameBytes.begin() + length),
        static_cast<std::int64_t>(littleEndian(bytes.data() + 2 + recordNameBytes, 8)),
        littleEndian(bytes.data() + 2 + recordNameBytes + 8, 8)};
    if (!recordableName(record.name)) {
        return std::nullopt;
    }
    return record;
}

} // namespace tarvex
