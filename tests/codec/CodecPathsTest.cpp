// Every codec path this processor supports, against the plain contract, on the texts that
// take the fast loops and on every way out of them.
#include "codec/Base64Body.h"
#include "codec/Base64Kernels.h"
#include "codec/SlashMask.h"
#include "support/ReferenceBase64.h"

#include <array>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

std::string pathName(const testing::TestParamInfo<CodecPath>& info) {
    switch (info.param) {
    case CodecPath::Portable:
        return "Portable";
    case CodecPath::Avx2:
        return "Avx2";
    case CodecPath::Avx512Vbmi:
        return "Avx512Vbmi";
    }
    return "Unknown";
}

class CodecPaths : public testing::TestWithParam<CodecPath> {
protected:
    std::string encode(std::span<const std::uint8_t> source, std::string text = {}) {
        encodeBodyOn(GetParam(), source, text);
        return text;
    }
    std::vector<std::uint8_t> decode(std::string_view text) {
        std::vector<std::uint8_t> bytes = {7}; // decoding appends
        decodeBodyOn(GetParam(), text, bytes);
        bytes.erase(bytes.begin());
        return bytes;
    }
};

INSTANTIATE_TEST_SUITE_P(Supported, CodecPaths, testing::ValuesIn(supportedCodecPaths()), pathName);

TEST_P(CodecPaths, EncodeEqualsReferenceAroundLineAndBlockLengths) {
    std::mt19937_64 random(test::testSeed(11));
    for (std::size_t lines = 0; lines <= 5; ++lines) {
        for (std::size_t extra = 0; extra <= 60; ++extra) {
            const auto source = test::randomBytes(random, lines * 57 + extra);
            ASSERT_EQ(encode(source, "head"), "head" + test::referenceBody(source))
                << source.size() << " bytes";
        }
    }
    // Every byte value in every place of a group.
    std::vector<std::uint8_t> all(3 * 256 * 3);
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<std::uint8_t>(i / 3 + (i % 3) * 85);
    }
    EXPECT_EQ(encode(all), test::referenceBody(all));
    // Sources that end at, just before and just after the end of a piece that the encoder makes
    // at a time, and one of several pieces.
    for (const std::size_t size : {encodePieceBytes - 1, encodePieceBytes, encodePieceBytes + 1,
                                   2 * encodePieceBytes, 5 * encodePieceBytes + 1000}) {
        const auto source = test::randomBytes(random, size);
        ASSERT_EQ(encode(source, "head"), "head" + test::referenceBody(source)) << size << " bytes";
    }
}

// The body lines, and the same characters without their line breaks, written by one call: both
// as the plain encoder makes them, with nothing written beyond either.
TEST_P(CodecPaths, EncodeLinesTwiceGivesTheLinesWithAndWithoutBreaks) {
    const CodecKernels& kernels = kernelsFor(GetParam());
    std::mt19937_64 random(test::testSeed(13));
    constexpr char untouched = '#';
    for (const std::size_t lines : {0, 1, 2, 3, 7, 64, 1500}) {
        const auto source = test::randomBytes(random, lines * bodyLineBytes);
        std::string out(lines * (bodyLineCharacters + 2) + 64, untouched);
        std::string unbroken(lines * bodyLineCharacters + 64, untouched);
        kernels.encodeLinesTwice(source.data(), lines, out.data(), unbroken.data());

        std::string expected = test::referenceBody(source);
        ASSERT_EQ(out, expected + std::string(64, untouched)) << lines << " lines";
        std::erase_if(expected, [](char c) { return c == '\r' || c == '\n'; });
        ASSERT_EQ(unbroken, expected + std::string(64, untouched)) << lines << " lines";
    }
}

// Where a "/" stands with no "/" beside it, by a plain look at its neighbours; the character
// before the first block counts as a neighbour, and so does the one after the last.
std::vector<std::uint16_t> loneSlashesByHand(std::string_view text, std::size_t blocks,
                                             std::uint16_t offset) {
    std::vector<std::uint16_t> positions;
    for (std::size_t k = 1; k <= blocks * slashMaskCharacters; ++k) {
        if (text[k] == '/' && text[k - 1] != '/' && text[k + 1] != '/') {
            positions.push_back(static_cast<std::uint16_t>(offset + k - 1));
        }
    }
    return positions;
}

// Texts of every density of "/", with runs, "/" on every other place (as many lone ones as a
// block holds) and the bytes next to "/" about; "/" just outside the blocks listed too.
TEST_P(CodecPaths, ListLoneSlashesEqualsAPlainLookAtTheNeighbours) {
    const CodecKernels& kernels = kernelsFor(GetParam());
    std::mt19937_64 random(test::testSeed(14));
    constexpr std::array<char, 5> near = {'/', '.', '0', '\\', '\xAF'};
    for (int round = 0; round < 1500; ++round) {
        const std::size_t blocks = round < 1000 ? 1 + round % 5 : 1 + random() % 70;
        // One character before the blocks and a whole block after them.
        std::string text((blocks + 1) * slashMaskCharacters + 1, 'A');
        const unsigned density = round % 9;
        for (char& c : text) {
            c = random() % 8 < density ? near[random() % near.size()] : static_cast<char>(random());
        }
        if (round % 7 == 0) {
            const std::size_t from = random() % text.size();
            for (std::size_t at = from; at < std::min(text.size(), from + 200); at += 2) {
                text[at] = '/';
            }
        }
        const auto offset = static_cast<std::uint16_t>(random() % 2000);
        std::vector<std::uint16_t> listed(blocks * slashMaskCharacters / 2 + placesAlwaysWritten);
        const std::size_t count =
            kernels.listLoneSlashes(text.data() + 1, blocks, offset, listed.data());
        ASSERT_LE(count, listed.size() - placesAlwaysWritten);
        listed.resize(count);
        ASSERT_EQ(listed, loneSlashesByHand(text, blocks, offset)) << "round " << round;
    }
}

// One change to an encoded body, at a random place: the kinds of text that leave a fast loop.
std::string disturb(std::string text, std::mt19937_64& random) {
    if (text.empty()) {
        return text;
    }
    const std::size_t at = random() % text.size();
    switch (random() % 8) {
    case 0: // a stray byte of any value
        text.insert(at, 1, static_cast<char>(random()));
        break;
    case 1: // a "=" where the encoder never puts one
        text.insert(at, 1, '=');
        break;
    case 2: // a character lost: the groups after it are cut differently
        text.erase(at, 1);
        break;
    case 3: // a line break of the other kind
        text.insert(at, random() % 2 == 0 ? "\n" : "\r");
        break;
    case 4: // every CR LF made a lone LF
        for (std::size_t i; (i = text.find("\r\n")) != std::string::npos;) {
            text.erase(i, 1);
        }
        break;
    case 5: // line breaks taken out, as in a joined container
        std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
        break;
    case 6: // a character replaced by an accepted one or by a byte above 127
        text[at] = random() % 2 == 0 ? test::referenceAlphabet[random() % 64]
                                     : static_cast<char>(0x80 | random());
        break;
    default: // CR LF in a place of its own
        text.insert(at, "\r\n");
        break;
    }
    return text;
}

TEST_P(CodecPaths, DecodeEqualsContractOnDisturbedBodies) {
    const std::uint64_t seed = test::testSeed(12);
    std::mt19937_64 random(seed);
    for (int round = 0; round < 4000; ++round) {
        const std::size_t size = round < 3000 ? random() % 400 : random() % 6000;
        std::string text = test::referenceBody(test::randomBytes(random, size));
        const auto changes = random() % 4;
        for (std::size_t i = 0; i < changes; ++i) {
            text = disturb(std::move(text), random);
        }
        ASSERT_EQ(decode(text), test::referenceDecode(text))
            << "seed " << seed << ", round " << round;
    }
}

TEST_P(CodecPaths, DecodeEqualsContractOnNoisyText) {
    const std::uint64_t seed = test::testSeed(13);
    std::mt19937_64 random(seed);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = test::randomBodyText(random, random() % 300);
        ASSERT_EQ(decode(text), test::referenceDecode(text))
            << "seed " << seed << ", round " << round;
    }
}

// The strict decoder, fed in pieces of random lengths, takes a text exactly when it is the
// canonical Base64 of its bytes with line breaks anywhere, and then gives those bytes.
TEST_P(CodecPaths, StrictDecodeTakesExactlyCanonicalTextsInAnyPieces) {
    const std::uint64_t seed = test::testSeed(15);
    std::mt19937_64 random(seed);
    StrictDecoder decoder(GetParam());
    int taken = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::size_t size = round < 3000 ? random() % 400 : random() % 6000;
        std::string text = test::referenceBody(test::randomBytes(random, size));
        for (auto changes = random() % 3; changes > 0; --changes) {
            text = disturb(std::move(text), random);
        }
        decoder.start();
        std::vector<std::uint8_t> bytes;
        const std::size_t longest = round % 2 == 0 ? text.size() + 1 : 1 + random() % 100;
        for (std::string_view rest = text; !rest.empty();) {
            const std::string_view piece = rest.substr(0, 1 + random() % longest);
            rest.remove_prefix(piece.size());
            const std::size_t at = bytes.size();
            bytes.resize(at + decoder.capacityFor(piece.size()));
            bytes.resize(
                static_cast<std::size_t>(decoder.append(piece, bytes.data() + at) - bytes.data()));
        }
        const auto expected = test::referenceStrictDecode(text);
        ASSERT_EQ(decoder.complete(), expected.has_value())
            << "seed " << seed << ", round " << round;
        if (expected) {
            ASSERT_EQ(bytes, *expected) << "seed " << seed << ", round " << round;
            ++taken;
        }
    }
    // Both kinds of text come often enough to count.
    EXPECT_GT(taken, 1000);
    EXPECT_LT(taken, 3000);
}

TEST_P(CodecPaths, DecodeTellsEveryByteValueInEveryPlaceOfABlock) {
    std::mt19937_64 random(test::testSeed(14));
    const std::string clean = test::referenceEncode(test::randomBytes(random, 3 * 60));
    for (int value = 0; value < 256; ++value) {
        for (std::size_t at = 0; at < 80; at += 7) {
            std::string text = clean;
            text[at] = static_cast<char>(value);
            ASSERT_EQ(decode(text), test::referenceDecode(text)) << value << " at " << at;
        }
    }
}

// Both versions of the finder against a plain loop, for "/" and for "\", on blocks of every
// density of the character looked for, with the bytes nearest to it (one below and one above)
// and high bytes about.
TEST(SlashMask, BothVersionsFindExactlyTheSlashes) {
    std::mt19937_64 random(test::testSeed(12));
    for (const char slash : {'/', '\\'}) {
        const std::array<char, 6> near = {
            slash, static_cast<char>(slash - 1), static_cast<char>(slash + 1), '\x80', '\xAF',
            '\0'};
        for (int round = 0; round < 2000; ++round) {
            std::array<char, slashMaskCharacters> block{};
            const unsigned density = round % 9;
            std::uint64_t expected = 0;
            for (std::size_t k = 0; k < block.size(); ++k) {
                block[k] = random() % 8 < density ? near[random() % near.size()]
                                                  : static_cast<char>(random());
                expected |= std::uint64_t{block[k] == slash} << k;
            }
            ASSERT_EQ(slashMask(block.data(), slash), expected) << slash << " round " << round;
            ASSERT_EQ(slashMaskPortable(block.data(), slash), expected)
                << slash << " round " << round;
        }
    }
}

} // namespace
} // namespace tarvex
