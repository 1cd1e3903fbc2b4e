#include "codec/Base64Body.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "support/ReferenceBase64.h"

#include <array>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

constexpr ContainerClass bothClasses[] = {ContainerClass::Standard, ContainerClass::HighLevel};

struct Built {
    std::string file;
    std::vector<std::string> scratch; // what the writer handed to the scratch file
};

Built build(std::span<const std::uint8_t> source, ContainerClass level,
            std::string_view password = "abcde") {
    KeyGenerator generator;
    Built built;
    built.file = buildContainer(source, level, password, generator,
                                [&](std::string_view text) { built.scratch.emplace_back(text); });
    return built;
}

// The body as the writer left it: its first 20 characters stand before the last eight.
std::string bodyOf(std::string x) {
    std::erase_if(x, [](char c) { return c == '\r' || c == '\n'; });
    return x.substr(x.size() - 28, 20) + x.substr(20, x.size() - 48);
}

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(KeyGenerator, GivesTheFirstThreeContainersTheirKeysAndFiller) {
    KeyGenerator generator;
    std::string drawn;
    for (int i = 0; i < 12; ++i) {
        drawn.push_back(generator.drawCharacter());
    }
    EXPECT_EQ(drawn, "!#q3:_>0CH(M");
}

TEST(BuildContainer, StandardWorkedExample) {
    const auto source = bytesOf("abc???def???ghi???");
    const Built built = build(source, ContainerClass::Standard);
    // "!" gives the shift 6: "a" is 97 - 6 = 0x5B, a pad blank 32 - 6 = 0x1A.
    EXPECT_EQ(built.file, "5B5C5D5E5F1A1A1A1A1APz8/YWJjPz8/ZGVmPz8/Z2hp!#q3****\r\n");
    EXPECT_TRUE(built.scratch.empty());
    EXPECT_EQ(readContainer(built.file), source);
}

TEST(BuildContainer, HighLevelWorkedExample) {
    const auto source = bytesOf("abc???def???ghi???");
    const Built built = build(source, ContainerClass::HighLevel);
    EXPECT_EQ(built.file, "5B5C5D5E5F1A1A1A1A1APz8/YWJjPz8\\YGVmPz8\\W2hp!#q3@@@@\r\n");
    EXPECT_EQ(built.scratch, std::vector<std::string>{"YWJjPz8/ZGVmPz8/Z2hpPz8/\r\n"});
    EXPECT_EQ(readContainer(built.file), source);
}

TEST(BuildContainer, HighLevelMarksLoneSlashesAndLowersTheirFollowers) {
    const std::pair<std::string, std::string> cases[] = {
        {"/AAAAAAAAAAAAAAAAAAA", "\\@AAAAAAAAAAAAAAAAAA"}, // first position is marked
        {"AAAAAAAAAAAAAAAAAAA/", "AAAAAAAAAAAAAAAAAAA/"},  // last position stays
        {"AAAA//AAAAAAAAAAAAAA", "AAAA//AAAAAAAAAAAAAA"},  // runs stay
        {"AAA///AAAAAAAAAAAAAA", "AAA///AAAAAAAAAAAAAA"},
        {"AAA/BBB/CCCCCCCCCCCC", "AAA\\ABB\\?CCCCCCCCCCC"}, // shift 1, then 4 mod 5 = 4
        {"AAAA/BBBB/CCCCCCCCCC", "AAAA\\ABBB\\CCCCCCCCCC"}, // position 5 gives shift 0
        {"A/0AAAAAAAAAAAAAAAAA", "A\\/AAAAAAAAAAAAAAAAA"},  // a follower may become "/"
    };
    for (const auto& [plainBody, markedBody] : cases) {
        SCOPED_TRACE(plainBody);
        const auto source = test::referenceDecode(plainBody);
        const Built built = build(source, ContainerClass::HighLevel);
        EXPECT_EQ(bodyOf(built.file), markedBody);
        EXPECT_EQ(readContainer(built.file), source);
    }
}

TEST(BuildContainer, StandardFileKeepsTheBodyLines) {
    const std::pair<std::size_t, std::vector<std::size_t>> cases[] = {
        {13, {48}},     {15, {48}},         {54, {20 + 52 + 28}}, {56, {76, 28}},
        {57, {76, 28}}, {58, {76, 4 + 28}}, {114, {76, 76, 28}}};
    std::mt19937_64 random(test::testSeed(4));
    for (const auto& [size, lines] : cases) {
        SCOPED_TRACE(size);
        const Built built = build(test::randomBytes(random, size), ContainerClass::Standard);
        std::vector<std::size_t> lengths;
        std::size_t start = 0;
        for (std::size_t end; (end = built.file.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lengths.push_back(end - start);
        }
        EXPECT_EQ(start, built.file.size()); // the last line ends in CR LF too
        EXPECT_EQ(lengths, lines);
    }
}

TEST(BuildContainer, PasswordFieldIsAlwaysTwentyHexDigits) {
    const std::string_view passwords[] = {"",
                                          "a",
                                          "abcde",
                                          "0123456789",
                                          "much longer than ten",
                                          "\x01\x02\x03\x04\x05",
                                          "\xe4\xb8\xad\xe6\x96\x87"};
    for (const auto password : passwords) {
        const Built built = build(bytesOf("some source bytes"), ContainerClass::Standard, password);
        const std::string field = built.file.substr(0, 20);
        EXPECT_EQ(field.find_first_not_of("0123456789ABCDEF"), std::string::npos) << field;
        EXPECT_EQ(readContainer(built.file), bytesOf("some source bytes"));
    }
}

TEST(BuildContainer, SourcesShorterThanThirteenBytesReadBackExactly) {
    std::mt19937_64 random(test::testSeed(5));
    for (const auto level : bothClasses) {
        for (std::size_t size = 0; size <= 15; ++size) {
            SCOPED_TRACE(testing::Message()
                         << "class " << static_cast<int>(level) << ", " << size << " bytes");
            // Slashes and plus signs exercise the High level steps next to the filled part.
            auto source = test::randomBytes(random, size);
            for (std::size_t i = 0; i < size; i += 2) {
                source[i] |= 0xFC;
            }
            const Built built = build(source, level);
            EXPECT_EQ(built.file.size(), 48u + 2u);
            EXPECT_EQ(readContainer(built.file), source);
        }
    }
}

TEST(ReadContainer, RoundTripsRandomSourcesOfBothClassesWithEitherLineEnd) {
    const std::uint64_t seed = test::testSeed(6);
    std::mt19937_64 random(seed);
    const std::size_t sizes[] = {13, 16, 56, 57, 58, 1000, 4096, 65543, 5 * 1024 * 1024};
    for (const auto level : bothClasses) {
        for (const std::size_t size : sizes) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", class "
                                            << static_cast<int>(level) << ", " << size << " bytes");
            const auto source = test::randomBytes(random, size);
            const Built built = build(source, level);
            ASSERT_EQ(readContainer(built.file), source);
            std::string lineFeedsOnly;
            for (const char c : built.file) {
                if (c != '\r') {
                    lineFeedsOnly.push_back(c);
                }
            }
            ASSERT_EQ(readContainer(lineFeedsOnly), source);
        }
    }
}

TEST(ReadContainer, UndoesHighLevelStepsOnlyForItsExactMarker) {
    const std::string file = build(bytesOf("abc???def???ghi???"), ContainerClass::HighLevel).file;
    const std::string body = "YWJjPz8\\YGVmPz8\\W2hpPz8/";
    std::vector<std::uint8_t> unchanged;
    decodeBody(body, unchanged);
    const std::string_view otherMarkers[] = {"****", "@@@*", "*@@@", "@@@A"};
    for (const auto marker : otherMarkers) {
        std::string changed = file;
        changed.replace(changed.size() - 6, 4, marker);
        EXPECT_EQ(readContainer(changed), unchanged) << marker;
    }
}

TEST(ReadContainer, TakesWhatClampedBoundsGiveForShortTexts) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {"\r\n", ""},
        {"Zm9v****", ""},
        {"Zm9vYmFy!abc****", "foobar"},
        {"AAAAAAAAAAAAZm9vYmFyZm9vYmFyZm9v!abc****", "foobarfoobarfoo"},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(readContainer(text), bytesOf(bytes)) << text;
    }
    std::mt19937_64 random(test::testSeed(7));
    for (std::size_t size = 0; size < 60; ++size) {
        std::string text = test::randomBodyText(random, size);
        if (size % 2 == 0 && size >= 4) {
            text.replace(size - 4, 4, classRow(ContainerClass::HighLevel).marker);
        }
        EXPECT_LE(readContainer(text).size(), size * 3 / 4);
    }
}

} // namespace
} // namespace tarvex
