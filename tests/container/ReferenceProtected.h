#pragma once

// A plain writer and reader of the Protected class for the tests, whole-file and sharing none of
// the program's code: libsodium's own Base64 to read, the plain reference Base64 to write, and
// the payload and the record taken apart and put together as laid out, field by field. Keys are
// derived from the passphrase's bytes as given: the tests give it in normalisation form C.

#include "support/ReferenceBase64.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <sodium.h>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

using ReferenceKey = std::array<std::uint8_t, crypto_secretstream_xchacha20poly1305_KEYBYTES>;

inline std::uint32_t referenceLittleEndian(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

inline std::uint64_t referenceLittleEndian64(const std::uint8_t* bytes) {
    return referenceLittleEndian(bytes) | std::uint64_t{referenceLittleEndian(bytes + 4)} << 32;
}

// The key of `password` for the 32-byte `head`: its salt and cost figures.
inline ReferenceKey referenceKey(std::string_view password, std::span<const std::uint8_t> head) {
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot start");
    }
    ReferenceKey key{};
    if (crypto_pwhash(key.data(), key.size(), password.data(), password.size(), head.data() + 16,
                      referenceLittleEndian(head.data() + 8),
                      std::size_t{referenceLittleEndian(head.data() + 12)} * 1024,
                      crypto_pwhash_ALG_ARGON2ID13) != 0) {
        throw std::runtime_error("crypto_pwhash failed");
    }
    return key;
}

// The 32-byte head of a container: magic, opslimit, memlimit in KiB, salt.
inline std::vector<std::uint8_t> referenceHead(std::string_view magic, std::uint32_t opslimit,
                                               std::uint32_t memlimitKiB,
                                               std::span<const std::uint8_t, 16> salt) {
    std::vector<std::uint8_t> head(magic.begin(), magic.end());
    for (const std::uint32_t value : {opslimit, memlimitKiB}) {
        for (int i = 0; i < 4; ++i) {
            head.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    head.insert(head.end(), salt.begin(), salt.end());
    return head;
}

inline constexpr unsigned char referenceMessageTag =
    crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
inline constexpr unsigned char referenceFinalTag = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

struct ReferencePiece {
    std::vector<std::uint8_t> plain;
    unsigned char tag;
};

// A payload of `pieces` as given, each with its own tag, behind `head` and a fresh stream header.
inline std::vector<std::uint8_t> referencePayload(std::span<const std::uint8_t> head,
                                                  const ReferenceKey& key,
                                                  const std::vector<ReferencePiece>& pieces) {
    std::vector<std::uint8_t> payload(head.begin(), head.end());
    payload.resize(head.size() + crypto_secretstream_xchacha20poly1305_HEADERBYTES);
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_push(&state, payload.data() + head.size(),
                                                    key.data());
    bool first = true;
    for (const ReferencePiece& piece : pieces) {
        const std::size_t at = payload.size();
        payload.resize(at + piece.plain.size() + crypto_secretstream_xchacha20poly1305_ABYTES);
        crypto_secretstream_xchacha20poly1305_push(
            &state, payload.data() + at, nullptr, piece.plain.data(), piece.plain.size(),
            first ? head.data() : nullptr, first ? head.size() : 0, piece.tag);
        first = false;
    }
    return payload;
}

// Version 2's record: the name's length `length` in two bytes, `nameField` in 255 (zeros after
// it), the time and the size in eight each. A record of the format has the name's own length
// and nothing after it; the tests give other ones.
inline std::vector<std::uint8_t> referenceRecord(std::uint16_t length, std::string_view nameField,
                                                 std::int64_t modifiedNs, std::uint64_t size) {
    std::vector<std::uint8_t> record(2 + 255 + 8 + 8);
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    std::copy(nameField.begin(), nameField.end(), record.begin() + 2);
    for (int i = 0; i < 8; ++i) {
        record[257 + i] =
            static_cast<std::uint8_t>(static_cast<std::uint64_t>(modifiedNs) >> (8 * i));
        record[265 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return record;
}

// Version 3's record: the path's length `length` in two bytes, `pathField` in 4,095 (zeros after
// it), the time and the size in eight each, the thumbnail's length in four. A record of the
// format has the path's own length and nothing after it; the tests give other ones.
inline std::vector<std::uint8_t> referencePathRecord(std::uint16_t length,
                                                     std::string_view pathField,
                                                     std::int64_t modifiedNs, std::uint64_t size,
                                                     std::uint32_t thumbnailBytes) {
    std::vector<std::uint8_t> record(2 + 4095 + 8 + 8 + 4);
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    std::copy(pathField.begin(), pathField.end(), record.begin() + 2);
    for (int i = 0; i < 8; ++i) {
        record[4097 + i] =
            static_cast<std::uint8_t>(static_cast<std::uint64_t>(modifiedNs) >> (8 * i));
        record[4105 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    for (int i = 0; i < 4; ++i) {
        record[4113 + i] = static_cast<std::uint8_t>(thumbnailBytes >> (8 * i));
    }
    return record;
}

// The pieces of `source` as the format cuts and tags them.
inline std::vector<ReferencePiece> referencePieces(std::span<const std::uint8_t> source) {
    std::vector<ReferencePiece> pieces;
    for (std::size_t at = 0;; at += 65536) {
        const std::size_t size = std::min<std::size_t>(65536, source.size() - at);
        const bool last = size < 65536;
        pieces.push_back({{source.begin() + at, source.begin() + at + size},
                          last ? referenceFinalTag : referenceMessageTag});
        if (last) {
            return pieces;
        }
    }
}

// The container file of `payload`: its Base64 in lines of 76, the marker, CR LF.
inline std::string referenceProtectedFile(std::span<const std::uint8_t> payload) {
    return referenceBody(payload) + "$$$$\r\n";
}

// The payload of a file as the writer makes it: strict Base64 with CR LF line breaks before
// "$$$$" and CR LF. Nothing when it is not.
inline std::optional<std::vector<std::uint8_t>> referencePayloadOf(std::string_view file) {
    if (sodium_init() < 0 || !file.ends_with("$$$$\r\n")) {
        return std::nullopt;
    }
    const std::string_view text = file.substr(0, file.size() - 6);
    std::vector<std::uint8_t> payload(text.size() / 4 * 3 + 3);
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(payload.data(), payload.size(), text.data(), text.size(), "\r\n", &length,
                          &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size()) {
        return std::nullopt;
    }
    payload.resize(length);
    return payload;
}

struct ReferenceRecord {
    std::string path; // the name alone in version 2
    std::int64_t modifiedNs;
    std::uint64_t size;
    std::uint32_t thumbnailBytes = 0;
};

// What a container holds: its version, its record (versions 2 and 3), its thumbnail (version 3)
// and its source.
struct ReferenceOpened {
    int version;
    std::optional<ReferenceRecord> record;
    std::vector<std::uint8_t> thumbnail;
    std::vector<std::uint8_t> source;
};

// Whether `name` is one path component: 1 to 255 bytes, no '/' nor NUL, not "." nor "..".
inline bool referenceComponent(std::string_view name) {
    return !name.empty() && name.size() <= 255 && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos && name != "." && name != "..";
}

// The record that the plain first piece `plain` of version 2, tagged `tag`, holds; nothing when
// it is not one.
inline std::optional<ReferenceRecord> referenceRecordOf(const std::vector<std::uint8_t>& plain,
                                                        unsigned char tag) {
    if (plain.size() != 273 || tag != referenceMessageTag) {
        return std::nullopt;
    }
    const std::size_t length = plain[0] | plain[1] << 8;
    if (length < 1 || length > 255 ||
        std::any_of(plain.begin() + 2 + length, plain.begin() + 257, [](auto b) { return b; })) {
        return std::nullopt;
    }
    ReferenceRecord record{std::string(plain.begin() + 2, plain.begin() + 2 + length),
                           static_cast<std::int64_t>(referenceLittleEndian64(&plain[257])),
                           referenceLittleEndian64(&plain[265])};
    if (!referenceComponent(record.path)) {
        return std::nullopt;
    }
    return record;
}

// The record that the plain first piece `plain` of version 3, tagged `tag`, holds; nothing when
// it is not one.
inline std::optional<ReferenceRecord> referencePathRecordOf(const std::vector<std::uint8_t>& plain,
                                                            unsigned char tag) {
    if (plain.size() != 4117 || tag != referenceMessageTag) {
        return std::nullopt;
    }
    const std::size_t length = plain[0] | plain[1] << 8;
    if (length < 1 || length > 4095 ||
        std::any_of(plain.begin() + 2 + length, plain.begin() + 4097, [](auto b) { return b; })) {
        return std::nullopt;
    }
    ReferenceRecord record{std::string(plain.begin() + 2, plain.begin() + 2 + length),
                           static_cast<std::int64_t>(referenceLittleEndian64(&plain[4097])),
                           referenceLittleEndian64(&plain[4105]),
                           referenceLittleEndian(&plain[4113])};
    std::size_t from = 0;
    for (std::size_t slash = record.path.find('/');; slash = record.path.find('/', from)) {
        const std::size_t end = slash == std::string::npos ? record.path.size() : slash;
        if (!referenceComponent(std::string_view(record.path).substr(from, end - from))) {
            return std::nullopt;
        }
        if (slash == std::string::npos) {
            break;
        }
        from = slash + 1;
    }
    if (record.thumbnailBytes > 65536) {
        return std::nullopt;
    }
    return record;
}

// What `payload` holds, opened with `key`; nothing when it does not open or is not laid out as
// the class lays it out.
inline std::optional<ReferenceOpened> referenceOpenPayload(std::span<const std::uint8_t> payload,
                                                           const ReferenceKey& key) {
    constexpr std::size_t front = 32 + crypto_secretstream_xchacha20poly1305_HEADERBYTES;
    constexpr std::size_t abytes = crypto_secretstream_xchacha20poly1305_ABYTES;
    constexpr std::size_t fullPiece = 65536 + abytes;
    if (payload.size() < front) {
        return std::nullopt;
    }
    const std::string_view magic(reinterpret_cast<const char*>(payload.data()), 8);
    const int version = magic == "TARVEXP1"   ? 1
                        : magic == "TARVEXP2" ? 2
                        : magic == "TARVEXP3" ? 3
                                              : 0;
    ReferenceOpened opened{version, {}, {}, {}};
    if (opened.version == 0) {
        return std::nullopt;
    }
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_pull(&state, payload.data() + 32, key.data());
    // Opens the piece of `size` bytes at `at`, the first with the head as its additional data.
    const auto open = [&](std::size_t at, std::size_t size, unsigned char& tag) {
        std::vector<std::uint8_t> plain(size - abytes);
        const bool opens = crypto_secretstream_xchacha20poly1305_pull(
                               &state, plain.data(), nullptr, &tag, payload.data() + at, size,
                               at == front ? payload.data() : nullptr, at == front ? 32 : 0) == 0;
        return opens ? std::optional(plain) : std::nullopt;
    };
    std::size_t at = front;
    // Opens the piece of `size` plain bytes at `at`, which must be a message, and steps over it.
    const auto message = [&](std::size_t size) {
        unsigned char tag = 0;
        auto plain =
            payload.size() >= at + size + abytes ? open(at, size + abytes, tag) : std::nullopt;
        at += size + abytes;
        return plain && tag == referenceMessageTag ? plain : std::nullopt;
    };
    if (opened.version >= 2) {
        const std::size_t size = opened.version == 2 ? 273 : 4117;
        const auto plain = message(size);
        opened.record = !plain                ? std::nullopt
                        : opened.version == 2 ? referenceRecordOf(*plain, referenceMessageTag)
                                              : referencePathRecordOf(*plain, referenceMessageTag);
        if (!opened.record) {
            return std::nullopt;
        }
    }
    if (opened.record && opened.record->thumbnailBytes > 0) {
        const auto plain = message(opened.record->thumbnailBytes);
        if (!plain) {
            return std::nullopt;
        }
        opened.thumbnail = *plain;
    }
    for (;;) {
        const std::size_t size = std::min(fullPiece, payload.size() - at);
        const bool last = size < fullPiece;
        unsigned char tag = 0;
        const auto plain = size >= abytes ? open(at, size, tag) : std::nullopt;
        if (!plain || tag != (last ? referenceFinalTag : referenceMessageTag)) {
            return std::nullopt;
        }
        opened.source.insert(opened.source.end(), plain->begin(), plain->end());
        if (last) {
            break;
        }
        at += size;
    }
    if (opened.record && opened.record->size != opened.source.size()) {
        return std::nullopt;
    }
    return opened;
}

// What the file `file`, as the writer makes it, holds, opened with `password` and the salt and
// cost of its head.
inline std::optional<ReferenceOpened> referenceOpenProtected(std::string_view file,
                                                             std::string_view password) {
    const auto payload = referencePayloadOf(file);
    if (!payload || payload->size() < 32) {
        return std::nullopt;
    }
    return referenceOpenPayload(*payload, referenceKey(password, std::span(*payload).first(32)));
}

} // namespace tarvex::test
