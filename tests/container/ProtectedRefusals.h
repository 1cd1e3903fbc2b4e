#pragma once

// Version 3 containers that the writer never makes, enciphered by the plain writer of the tests:
// records, thumbnails and content out of their rules, each a file that a reader must refuse and a
// run must leave out. The container tests read them with the program's reader, the run tests
// decrypt them.

#include "ReferenceProtected.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

// Makes version 3 containers of a short source and thumbnail with one passphrase and head.
class Version3Maker {
public:
    static constexpr std::size_t sourceBytes = 10;
    static constexpr std::size_t thumbnailBytes = 20;

    Version3Maker(std::string_view password, std::span<const std::uint8_t, 16> salt,
                  std::uint32_t opslimit, std::uint32_t memlimitKiB)
        : head_(referenceHead("TARVEXP3", opslimit, memlimitKiB, salt)),
          key_(referenceKey(password, head_)) {}

    // The source's first `size` bytes, and `size` bytes of thumbnail.
    static std::vector<std::uint8_t> source(std::size_t size = sourceBytes) {
        return std::vector<std::uint8_t>(size, 0x5A);
    }
    static std::vector<std::uint8_t> thumbnail(std::size_t size = thumbnailBytes) {
        return std::vector<std::uint8_t>(size, 0xD8);
    }
    // A record of `path` as the format has it.
    static std::vector<std::uint8_t> record(std::string_view path, std::uint64_t size,
                                            std::uint32_t thumbnail) {
        return referencePathRecord(static_cast<std::uint16_t>(path.size()), path, 7, size,
                                   thumbnail);
    }
    // The file of `pieces` alone.
    std::string piecesAlone(const std::vector<ReferencePiece>& pieces) const {
        return referenceProtectedFile(referencePayload(head_, key_, pieces));
    }
    // The file of the pieces `front` (the record, the thumbnail) and then those of the source.
    std::string sealed(std::vector<ReferencePiece> front) const {
        for (ReferencePiece& piece : referencePieces(source())) {
            front.push_back(std::move(piece));
        }
        return piecesAlone(front);
    }
    // A container of the format, with its thumbnail.
    std::string wellFormed() const {
        return sealed(
            {{record("2024/06 June/a.png", sourceBytes, thumbnailBytes), referenceMessageTag},
             {thumbnail(), referenceMessageTag}});
    }

private:
    std::vector<std::uint8_t> head_;
    ReferenceKey key_;
};

struct Version3Refusal {
    std::string what;
    std::string file;
    // Whether the reader can tell that the file is damaged; otherwise a piece does not open, as
    // with a wrong passphrase (a piece of another length than the record says).
    bool damaged;
    // The first piece that is wrong: the record, the thumbnail, or the content (or its end).
    enum class Wrong { Record, Thumbnail, Content } wrong;
};

inline std::vector<Version3Refusal> version3Refusals(const Version3Maker& maker) {
    using M = Version3Maker;
    constexpr auto message = referenceMessageTag;
    constexpr auto final = referenceFinalTag;
    constexpr std::size_t size = M::sourceBytes;
    const auto withPath = [&](std::string_view path) {
        return maker.sealed({{M::record(path, size, 0), message}});
    };
    const auto lengthAndField = [&](std::uint16_t length, std::string_view field) {
        return maker.sealed({{referencePathRecord(length, field, 7, size, 0), message}});
    };
    const std::string longest(4095, 'p');
    using enum Version3Refusal::Wrong;
    const ReferencePiece withThumbnail{M::record("a.png", size, M::thumbnailBytes), message};
    return {
        {"no path", lengthAndField(0, ""), true, Record},
        {"a path of 4,096 bytes", lengthAndField(4096, longest), true, Record},
        {"bytes after the path", lengthAndField(5, {"a.png\0x", 7}), true, Record},
        {"a NUL in the path", withPath({"a\0b", 3}), true, Record},
        {"a slash in front", withPath("/a.png"), true, Record},
        {"a slash at the end", withPath("a/"), true, Record},
        {"two slashes together", withPath("a//b.png"), true, Record},
        {"a component .", withPath("a/./b.png"), true, Record},
        {"a component ..", withPath("../b.png"), true, Record},
        {"the path ..", withPath(".."), true, Record},
        {"a component of 256 bytes", withPath(std::string(256, 'n') + "/b.png"), true, Record},
        {"a thumbnail of 65,537 bytes",
         maker.sealed({{M::record("a.png", size, 65537), message}, {M::thumbnail(65537), message}}),
         true, Record},
        {"a record tagged final", maker.sealed({{M::record("a.png", size, 0), final}}), true,
         Record},
        {"a record one byte short", maker.sealed({{std::vector<std::uint8_t>(4116, 1), message}}),
         false, Record},
        {"content without a record", maker.sealed({}), true, Record},
        {"a thumbnail tagged final", maker.sealed({withThumbnail, {M::thumbnail(), final}}), true,
         Thumbnail},
        {"a thumbnail one byte short", maker.sealed({withThumbnail, {M::thumbnail(19), message}}),
         false, Thumbnail},
        {"a thumbnail one byte long", maker.sealed({withThumbnail, {M::thumbnail(21), message}}),
         false, Thumbnail},
        {"a thumbnail missing", maker.sealed({withThumbnail}), true, Thumbnail},
        {"a size one short", maker.sealed({{M::record("a.png", size - 1, 0), message}}), true,
         Content},
        {"a size one long", maker.sealed({{M::record("a.png", size + 1, 0), message}}), true,
         Content},
        {"a record without content", maker.piecesAlone({{M::record("a.png", 0, 0), message}}), true,
         Content},
        {"a record and a thumbnail without content",
         maker.piecesAlone(
             {{M::record("a.png", 0, M::thumbnailBytes), message}, {M::thumbnail(), message}}),
         true, Content},
    };
}

} // namespace tarvex::test
