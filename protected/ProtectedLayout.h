#pragma once

// The payload of a Protected container, byte by byte:
//
//   magic (8) | opslimit (LE32) | memlimit in KiB (LE32) | salt (16) | stream header (24) | pieces
//
// The first 32 bytes are the head, the additional data of the first piece. The magic is
// "TARVEXP3" for version 3, which the writer makes, or "TARVEXP2" and "TARVEXP1" for versions 2
// and 1, which the reader still reads. Version 3's first piece is the source's path record
// (below), always 4,134 bytes enciphered and not final, and when the record says the container
// carries a thumbnail of T bytes, a piece of T bytes (T + 17 enciphered, not final) follows it.
// Version 2's first piece is the source's name record (below), always 290 bytes enciphered and
// not final. Then the source is cut into pieces of 65,536 bytes from its start, each enciphered
// with 17 bytes more: all are full but the last, which holds what is left (0 bytes for an empty
// source or a whole number of pieces) and alone is tagged as final. The container's text is the
// body codec's text of the payload (lines of 76 characters, CR LF after every full one), then the
// class's marker and CR LF.
//
// The path record, 4,117 bytes: the path's length P (LE16, 1..4,095) | the source's path below
// its run's root in the first P of 4,095 bytes, zeros after it | its modification time in
// nanoseconds since 1970 UTC (signed LE64) | its size in bytes (LE64) | the thumbnail's length T
// (LE32, 0..65,536).
//
// The name record, 273 bytes: the name's length N (LE16, 1..255) | the source's file name in the
// first N of 255 bytes, zeros after it | its modification time | its size, as in the path record.

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
inline constexpr std::string_view protectedMagic3 = "TARVEXP3";
inline constexpr std::size_t protectedHeadBytes = 32;
inline constexpr std::size_t streamHeaderBytes = 24;
// The head and the stream header, which stand before the first piece.
inline constexpr std::size_t payloadFrontBytes = protectedHeadBytes + streamHeaderBytes;
inline constexpr std::size_t protectedPieceBytes = 65536;
// What enciphering adds to each piece: its tag and its authenticator.
inline constexpr std::size_t pieceOverhead = 17;
inline constexpr std::size_t fullCipherPieceBytes = protectedPieceBytes + pieceOverhead;

inline constexpr std::size_t recordNameBytes = 255;
inline constexpr std::size_t recordPathBytes = 4095;
inline constexpr std::size_t largestThumbnailBytes = 65536;
inline constexpr std::size_t nameRecordBytes = 2 + recordNameBytes + 8 + 8;
inline constexpr std::size_t nameRecordPieceBytes = nameRecordBytes + pieceOverhead;
inline constexpr std::size_t pathRecordBytes = 2 + recordPathBytes + 8 + 8 + 4;
inline constexpr std::size_t pathRecordPieceBytes = pathRecordBytes + pieceOverhead;
static_assert(nameRecordBytes == 273 && nameRecordPieceBytes == 290);
static_assert(pathRecordBytes == 4117 && pathRecordPieceBytes == 4134);
// A thumbnail piece is never larger than a content piece.
static_assert(largestThumbnailBytes <= protectedPieceBytes);

using ProtectedHead = std::array<std::uint8_t, protectedHeadBytes>;
using PathRecordBytes = std::array<std::uint8_t, pathRecordBytes>;

// What a record holds: the source's, and the length of the thumbnail behind it (0 for none, and
// always in version 2).
struct SealedRecord {
    SourceRecord source;
    std::size_t thumbnailBytes = 0;
};

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

// The head of a container that the writer makes: version 3's.
inline ProtectedHead protectedHead(const ProtectedParameters& parameters) {
    ProtectedHead head{};
    std::copy(protectedMagic3.begin(), protectedMagic3.end(), head.begin());
    putLittleEndian(head.data() + 8, parameters.cost.opslimit, 4);
    putLittleEndian(head.data() + 12, parameters.cost.memlimitKiB, 4);
    std::copy(parameters.salt.begin(), parameters.salt.end(), head.begin() + 16);
    return head;
}

// The version whose magic `head` begins with, 1 to 3; 0 for none.
inline int versionOfHead(const ProtectedHead& head) {
    const std::string_view magic(reinterpret_cast<const char*>(head.data()), 8);
    for (const auto& [version, known] :
         {std::pair{1, protectedMagic1}, {2, protectedMagic2}, {3, protectedMagic3}}) {
        if (magic == known) {
            return version;
        }
    }
    return 0;
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

// Whether `name` can be a path component of a record: 1 to 255 bytes, no '/' nor NUL in it, and
// neither "." nor "..".
constexpr bool recordableName(std::string_view name) {
    return !name.empty() && name.size() <= recordNameBytes &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos &&
           name != "." && name != "..";
}

// Whether `path` can be a path record's: 1 to 4,095 bytes of recordable names apart by one '/',
// so with no '/' at either end.
constexpr bool recordablePath(std::string_view path) {
    if (path.size() > recordPathBytes) {
        return false;
    }
    for (;;) {
        const std::size_t slash = path.find('/');
        if (!recordableName(path.substr(0, slash))) {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        path.remove_prefix(slash + 1);
    }
}

// The plain bytes of the path record of `record`, whose path must be recordable, for a thumbnail
// of `thumbnailBytes`.
inline PathRecordBytes pathRecordBytesOf(const SourceRecord& record, std::size_t thumbnailBytes) {
    PathRecordBytes bytes{};
    putLittleEndian(bytes.data(), record.path.size(), 2);
    std::copy(record.path.begin(), record.path.end(), bytes.begin() + 2);
    std::uint8_t* const after = bytes.data() + 2 + recordPathBytes;
    putLittleEndian(after, static_cast<std::uint64_t>(record.modifiedNs), 8);
    putLittleEndian(after + 8, record.size, 8);
    putLittleEndian(after + 16, thumbnailBytes, 4);
    return bytes;
}

// The text of the field of `fieldBytes` at the front of `bytes`, behind its length in two bytes:
// nothing for a length outside 1..`fieldBytes` or bytes other than zero after the text.
inline std::optional<std::string> recordField(std::span<const std::uint8_t> bytes,
                                              std::size_t fieldBytes) {
    const std::size_t length = littleEndian(bytes.data(), 2);
    const auto field = bytes.subspan(2, fieldBytes);
    if (length == 0 || length > fieldBytes ||
        !std::all_of(field.begin() + static_cast<std::ptrdiff_t>(length), field.end(),
                     [](std::uint8_t byte) { return byte == 0; })) {
        return std::nullopt;
    }
    return std::string(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(length));
}

// The record that the path record `bytes` hold, or nothing when they are not one: a path field
// that is not one (see recordField), a path that is not recordable, or a thumbnail of more than
// 65,536 bytes.
inline std::optional<SealedRecord>
pathRecordOf(std::span<const std::uint8_t, pathRecordBytes> bytes) {
    std::optional<std::string> path = recordField(bytes, recordPathBytes);
    const std::uint8_t* const after = bytes.data() + 2 + recordPathBytes;
    const std::size_t thumbnailBytes = littleEndian(after + 16, 4);
    if (!path || !recordablePath(*path) || thumbnailBytes > largestThumbnailBytes) {
        return std::nullopt;
    }
    return SealedRecord{{std::move(*path), static_cast<std::int64_t>(littleEndian(after, 8)),
                         littleEndian(after + 8, 8)},
                        thumbnailBytes};
}

// The record that the name record `bytes` hold, its name as the path, or nothing when they are
// not one: a name field that is not one (see recordField), or a name that is not recordable.
inline std::optional<SealedRecord>
nameRecordOf(std::span<const std::uint8_t, nameRecordBytes> bytes) {
    std::optional<std::string> name = recordField(bytes, recordNameBytes);
    const std::uint8_t* const after = bytes.data() + 2 + recordNameBytes;
    if (!name || !recordableName(*name)) {
        return std::nullopt;
    }
    return SealedRecord{{std::move(*name), static_cast<std::int64_t>(littleEndian(after, 8)),
                         littleEndian(after + 8, 8)}};
}

} // namespace tarvex
