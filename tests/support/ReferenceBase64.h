#pragma once

// Plain, obviously correct versions of the body codec, for differential tests of the fast one,
// and seeded random input for them. Set TARVEX_TEST_SEED to replay a failing run.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::test {

inline constexpr std::string_view referenceAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// RFC 4648 Base64 with "=" padding and no line breaks.
inline std::string referenceEncode(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t present = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t bits = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            bits = bits << 8 | (j < present ? bytes[i + j] : 0u);
        }
        for (std::size_t j = 0; j < 4; ++j) {
            text.push_back(j <= present ? referenceAlphabet[(bits >> (18 - 6 * j)) & 63] : '=');
        }
    }
    return text;
}

// The Base64 text cut into lines of 76 characters, every full line ending in CR LF.
inline std::string referenceBody(std::span<const std::uint8_t> bytes) {
    const std::string plain = referenceEncode(bytes);
    std::string text;
    for (std::size_t i = 0; i < plain.size(); i += 76) {
        text += plain.substr(i, 76);
        if (plain.size() - i >= 76) {
            text += "\r\n";
        }
    }
    return text;
}

// The decoding contract step by step: keep the alphabet and "=", cut into groups of four, give
// one byte for a "=" in third place, two for a "=" in fourth place, drop an incomplete group.
inline std::vector<std::uint8_t> referenceDecode(std::string_view text) {
    std::string accepted;
    for (const char c : text) {
        if (c == '=' || referenceAlphabet.find(c) != std::string_view::npos) {
            accepted.push_back(c);
        }
    }
    const auto value = [](char c) -> unsigned {
        return c == '=' ? 64u : static_cast<unsigned>(referenceAlphabet.find(c));
    };
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 4 <= accepted.size(); i += 4) {
        const unsigned x1 = value(accepted[i]), x2 = value(accepted[i + 1]);
        const unsigned x3 = value(accepted[i + 2]), x4 = value(accepted[i + 3]);
        bytes.push_back(static_cast<std::uint8_t>(((x1 << 2) | (x2 >> 4)) & 255));
        if (accepted[i + 2] != '=') {
            bytes.push_back(static_cast<std::uint8_t>(((x2 << 4) | (x3 >> 2)) & 255));
            if (accepted[i + 3] != '=') {
                bytes.push_back(static_cast<std::uint8_t>(((x3 << 6) | x4) & 255));
            }
        }
    }
    return bytes;
}

// Strict Base64: the text without its CR and LF must be exactly the encoding of its bytes (the
// alphabet only, "=" padding, zero bits where the padding leaves them unused). Nothing when it
// is not.
inline std::optional<std::vector<std::uint8_t>> referenceStrictDecode(std::string_view text) {
    std::string kept(text);
    std::erase_if(kept, [](char c) { return c == '\r' || c == '\n'; });
    std::vector<std::uint8_t> bytes = referenceDecode(kept);
    if (referenceEncode(bytes) != kept) {
        return std::nullopt;
    }
    return bytes;
}

// TARVEX_TEST_SEED when it is set, else `fallback`.
inline std::uint64_t testSeed(std::uint64_t fallback) {
    const char* text = std::getenv("TARVEX_TEST_SEED");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : fallback;
}

inline std::vector<std::uint8_t> randomBytes(std::mt19937_64& random, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// Text that is mostly Base64, with "=" anywhere and stray bytes of every value.
inline std::string randomBodyText(std::mt19937_64& random, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const auto kind = random() % 10;
        if (kind == 0) {
            text.push_back('=');
        } else if (kind <= 2) {
            text.push_back(static_cast<char>(random()));
        } else {
            text.push_back(referenceAlphabet[random() % 64]);
        }
    }
    return text;
}

} // namespace tarvex::test
