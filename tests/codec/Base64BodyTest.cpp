#include "codec/Base64Body.h"

#include "support/ReferenceBase64.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

std::string encoded(std::span<const std::uint8_t> source) {
    std::string text;
    encodeBody(source, text);
    return text;
}

std::vector<std::uint8_t> decoded(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    decodeBody(text, bytes);
    return bytes;
}

std::vector<std::size_t> lineLengths(const std::string& text) {
    std::vector<std::size_t> lengths;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lengths.push_back(end - start);
    }
    if (start < text.size()) {
        lengths.push_back(text.size() - start);
    }
    return lengths;
}

TEST(EncodeBody, CutsLinesOf76CharactersAcrossBlocks) {
    struct Case {
        std::size_t sourceBytes;
        std::size_t fullLines;
        std::size_t lastLine; // characters after the last CR LF
        std::size_t total;
    };
    const Case cases[] = {{0, 0, 0, 0},   {1, 0, 4, 4},   {2, 0, 4, 4},      {3, 0, 4, 4},
                          {57, 1, 0, 78}, {58, 1, 4, 82}, {510, 8, 72, 696}, {1020, 17, 68, 1394}};
    std::mt19937_64 random(test::testSeed(1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sourceBytes);
        const auto source = test::randomBytes(random, c.sourceBytes);
        const std::string text = encoded(source);
        EXPECT_EQ(text.size(), c.total);
        std::vector<std::size_t> expected(c.fullLines, 76);
        if (c.lastLine > 0) {
            expected.push_back(c.lastLine);
        }
        EXPECT_EQ(lineLengths(text), expected);
        EXPECT_EQ(text.ends_with("\r\n"), c.lastLine == 0 && c.fullLines > 0);
    }
}

TEST(EncodeBody, EqualsReferenceForEverySmallLengthAndSomeLargeOnes) {
    std::mt19937_64 random(test::testSeed(2));
    std::vector<std::size_t> sizes;
    for (std::size_t n = 0; n <= 300; ++n) {
        sizes.push_back(n);
    }
    sizes.insert(sizes.end(), {4095, 65536, 100001});
    for (const std::size_t size : sizes) {
        const auto source = test::randomBytes(random, size);
        std::string text = "head"; // encoding appends
        encodeBody(source, text);
        ASSERT_EQ(text, "head" + test::referenceBody(source)) << size << " bytes";
    }
}

TEST(DecodeBody, EqualsSignEndsOnlyItsOwnGroup) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"Zg==Zm9v", "ffoo"}, // two texts one after the other
        {"Zm8=Zg==", "fof"},
        {"Zg=AZm9v", "ffoo"}, // "=" third, a letter fourth: the first byte
                              // only
        {"Zm9vY", "foo"},     // incomplete last groups are dropped
        {"Zm9vYm", "foo"},
        {"Zm9vYmF", "foo"},
        {"\r\n \t!*.", ""}, // nothing accepted
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(decoded(text), bytesOf(bytes)) << text;
    }
}

TEST(DecodeBody, PassesOverEveryByteOutsideTheAlphabet) {
    std::mt19937_64 random(test::testSeed(3));
    const auto source = test::randomBytes(random, 2000);
    const std::string text = encoded(source);
    std::string noisy;
    for (std::size_t i = 0; i < text.size(); ++i) {
        noisy.push_back(text[i]);
        const auto stray = static_cast<unsigned char>(i % 256);
        if (stray != '=' &&
            test::referenceAlphabet.find(static_cast<char>(stray)) == std::string_view::npos) {
            noisy.push_back(static_cast<char>(stray));
        }
    }
    EXPECT_EQ(decoded(noisy), source);
}

TEST(DecodeBody, EqualsPlainContractOnRandomText) {
    const std::uint64_t seed = test::testSeed(20240611);
    std::mt19937_64 random(seed);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = round < 2900 ? random() % 200 : random() % 20000;
        const std::string text = test::randomBodyText(random, length);
        std::vector<std::uint8_t> bytes = {1, 2, 3}; // decoding appends
        decodeBody(text, bytes);
        auto expected = test::referenceDecode(text);
        expected.insert(expected.begin(), {1, 2, 3});
        ASSERT_EQ(bytes, expected) << "seed " << seed << ", round " << round;
    }
}

} // namespace
} // namespace tarvex
