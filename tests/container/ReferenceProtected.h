#pragma once

// A plain writer and reader of the Protected class for the tests, whole-file and sharing none of
// the program's streaming code: libsodium's own Base64 to read, the plain reference Base64 to
// write, and the payload taken apart and put together as laid out, field by field.

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
inline std::vector<std::uint8_t> referenceHead(std::uint32_t opslimit, std::uint32_t memlimitKiB,
                                               std::span<const std::uint8_t, 16> salt) {
    std::vector<std::uint8_t> head = {'T', 'A', 'R', 'V', 'E', 'X', 'P', '1'};
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

// The source that `payload` holds, opened with `key`; nothing when it does not open or is not
// laid out as the class lays it out.
inline std::optional<std::vector<std::uint8_t>>
referenceOpenPayload(std::span<const std::uint8_t> payload, const ReferenceKey& key) {
    constexpr std::size_t front = 32 + crypto_secretstream_xchacha20poly1305_HEADERBYTES;
    constexpr std::size_t fullPiece = 65536 + crypto_secretstream_xchacha20poly1305_ABYTES;
    if (payload.size() < front ||
        std::string_view(reinterpret_cast<const char*>(payload.data()), 8) != "TARVEXP1") {
        return std::nullopt;
    }
    crypto_secretstream_xchacha20poly1305_state state;
    crypto_secretstream_xchacha20poly1305_init_pull(&state, payload.data() + 32, key.data());
    std::vector<std::uint8_t> source;
    for (std::size_t at = front;;) {
        const std::size_t size = std::min(fullPiece, payload.size() - at);
        const bool last = size < fullPiece;
        if (size < crypto_secretstream_xchacha20poly1305_ABYTES) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> plain(size - crypto_secretstream_xchacha20poly1305_ABYTES);
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(
                &state, plain.data(), nullptr, &tag, payload.data() + at, size,
                at == front ? payload.data() : nullptr, at == front ? 32 : 0) != 0 ||
            tag != (last ? referenceFinalTag : referenceMessageTag)) {
            return std::nullopt;
        }
        source.insert(source.end(), plain.begin(), plain.end());
        if (last) {
            return source;
        }
        at += size;
    }
}

// The source that the file `file`, as the writer makes it, holds, opened with `password` and
// the salt and cost of its head.
inline std::optional<std::vector<std::uint8_t>> referenceOpenProtected(std::string_view file,
                                                                       std::string_view password) {
    const auto payload = referencePayloadOf(file);
    if (!payload || payload->size() < 32) {
        return std::nullopt;
    }
    return referenceOpenPayload(*payload, referenceKey(password, std::span(*payload).first(32)));
}

} // namespace tarvex::test
