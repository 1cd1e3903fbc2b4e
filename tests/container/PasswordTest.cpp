#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "container/PasswordField.h"
#include "container/Probe.h"
#include "passwords/PasswordRules.h"

#include <cctype>
#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(Strto10, PadsWithBlanksToTenCharacters) {
    EXPECT_EQ(strto10(""), std::string(10, ' '));
    EXPECT_EQ(strto10("abcde"), "abcde     ");
    EXPECT_EQ(strto10("0123456789"), "0123456789");
    EXPECT_EQ(strto10("0123456789ab"), "0123456789ab");
}

TEST(HexPairToByte, ReadsTwoDigitsOfEitherCase) {
    const std::pair<std::string_view, int> cases[] = {
        {"00", 0},  {"7E", 126}, {"7e", 126}, {"fF", 255},
        {"1A", 26}, {"", 0},     {"7", 0},    {"123", 0}, // not two characters
        {"G1", 1},  {"1z", 16},  {"zz", 0},               // a non-digit counts as 0
    };
    for (const auto& [pair, value] : cases) {
        EXPECT_EQ(HexPairToByte(pair), value) << pair;
    }
}

TEST(PasswordField, ShiftsEveryPaddedCodeDownAndWraps) {
    struct Case {
        std::string_view password;
        int shift;
        std::string_view field;
    };
    const Case cases[] = {
        {"abcde", 6, "5B5C5D5E5F1A1A1A1A1A"},
        {"0123456789", 0, "30313233343536373839"},
        {"~~~~~", 8, "76767676761818181818"},
        {"", 0, "20202020202020202020"},
        {"abcdefghijkl", 0, "6162636465666768696A"}, // only ten characters fit
        {"\x01\x02\x03\x04\x05", 8, "F9FAFBFCFD1818181818"},
        {"\xc3\xa9\xc3\xa9\xc3", 3, "C0A6C0A6C01D1D1D1D1D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(passwordField(c.password, c.shift), c.field) << c.password;
    }
}

TEST(CheckPassword, ReportsOnlyTheFirstFailingRuleOfTheDesignedClasses) {
    struct Case {
        std::string_view typed;
        PasswordProblem problem;
        std::string_view offending;
    };
    const Case cases[] = {
        {"", PasswordProblem::TooShort, ""},
        {"ab d", PasswordProblem::TooShort, ""},
        {"ab de", PasswordProblem::Blank, ""},
        {"ab d\x01", PasswordProblem::Blank, ""},
        {"ab\x01 d", PasswordProblem::IllegalCharacter, "\x01"},
        {"abcd\x7f", PasswordProblem::IllegalCharacter, "\x7f"},
        {"abcd\xc3\xa9", PasswordProblem::IllegalCharacter, "\xc3\xa9"},
        {"\xe4\xb8\xad\xe6\x96\x87", PasswordProblem::IllegalCharacter, "\xe4\xb8\xad"},
        {"abcd\xa9x", PasswordProblem::IllegalCharacter, "\xa9"},        // stray continuation
        {"abcd\xe4\xb8", PasswordProblem::IllegalCharacter, "\xe4\xb8"}, // cut short
        {"Abc~!", PasswordProblem::None, ""},
        {"abcdefghij", PasswordProblem::None, ""},
        {"abcdefghijk", PasswordProblem::TooLong, ""},
        {"abcdefghijklmnop", PasswordProblem::TooLong, ""},
        {"abc defghijk", PasswordProblem::TooLong, ""}, // before the characters
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", PasswordProblem::IllegalCharacter,
         "\xc3\xa9"}, // 6 characters of 12 bytes
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         PasswordProblem::TooLong, ""}, // 11 characters
    };
    for (const ContainerClass level : {ContainerClass::Standard, ContainerClass::HighLevel}) {
        for (const auto& c : cases) {
            const PasswordVerdict verdict = checkPassword(level, c.typed);
            EXPECT_EQ(verdict.problem, c.problem) << c.typed;
            EXPECT_EQ(verdict.offending, c.offending) << c.typed;
        }
    }
}

std::string repeated(std::string_view text, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST(CheckPassword, TakesAnyPrintablePassphraseOfUpTo1024BytesInFormCForProtected) {
    using enum PasswordProblem;
    struct Case {
        std::string typed;
        PasswordProblem problem;
        std::string offending;
    };
    const std::string composed = "\xc3\xa9";     // U+00E9, two bytes
    const std::string decomposed = "e\xcc\x81";  // U+0065 U+0301, three bytes
    const std::string excluded = "\xe0\xa5\x98"; // U+0958, which form C writes in six bytes
    const Case cases[] = {
        {"", TooShort, ""},
        {"a", None, ""},
        {"correct horse battery staple", None, ""},
        {"\xe5\xaf\x86\xe7\xa0\x81 \xe5\xaf\x86\xe7\xa0\x81", None, ""},
        {" ~ ", None, ""},
        {"tab\there", IllegalCharacter, "\t"},
        {std::string("nul\0", 4), IllegalCharacter, std::string(1, '\0')},
        {"del\x7f", IllegalCharacter, "\x7f"},
        {"next line \xc2\x85", IllegalCharacter, "\xc2\x85"}, // C1
        {"nbsp\xc2\xa0", None, ""},
        {"abc\xff", IllegalCharacter, "\xff"},
        {"ab\xe4\xb8", IllegalCharacter, "\xe4"},   // cut short
        {"ab\xa9-", IllegalCharacter, "\xa9"},      // stray continuation
        {"\xed\xa0\x80", IllegalCharacter, "\xed"}, // a surrogate
        {"\xc0\xaf", IllegalCharacter, "\xc0"},     // overlong
        {std::string(1024, 'a'), None, ""},
        {std::string(1025, 'a'), TooLong, ""},
        {std::string(2000, 'a') + "\t", TooLong, ""},                // before the characters
        {std::string(2000, 'a') + "\xff", IllegalCharacter, "\xff"}, // no form C to measure
        {repeated(decomposed, 512), None, ""},                       // 1,536 bytes, 1,024 in form C
        {repeated(composed, 512) + "a", TooLong, ""},
        {repeated(excluded, 170), None, ""},
        {repeated(excluded, 171), TooLong, ""}, // 513 bytes, 1,026 in form C
    };
    for (const auto& c : cases) {
        const PasswordVerdict verdict = checkPassword(ContainerClass::Protected, c.typed);
        EXPECT_EQ(verdict.problem, c.problem) << c.typed;
        EXPECT_EQ(verdict.offending, c.offending) << c.typed;
    }
}

std::string containerFor(std::string_view password, ContainerClass level) {
    KeyGenerator generator;
    const std::string_view source = "any source of some length";
    return buildContainer(std::vector<std::uint8_t>(source.begin(), source.end()), level, password,
                          generator, [](std::string_view) {});
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(ProbeContainer, FindsTheMarkerAndComparesTheStoredPassword) {
    const std::string standard = containerFor("Secret7", ContainerClass::Standard);
    const std::string highLevel = containerFor("Secret7", ContainerClass::HighLevel);
    std::string lowerCase = standard;
    for (std::size_t i = 0; i < 20; ++i) {
        lowerCase[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowerCase[i])));
    }
    const std::string noMarker = replaced(standard, "****", "***x");
    const std::string nul(1, '\0');
    struct Case {
        std::string file;
        std::string_view typed;
        bool found;
        bool matches;
    };
    const Case cases[] = {
        {standard, "Secret7", true, true},
        {highLevel, "Secret7", true, true},
        {standard, "secret7", true, false}, // letter case counts
        {standard, "Secret", true, false},
        {standard, "Secret7 ", true, false}, // the typed text is not trimmed
        {lowerCase, "Secret7", true, true},
        {noMarker, "Secret7", false, true},
        {replaced(standard, "\r\n", "\r") + nul + "tail", "Secret7", true, true},
        {replaced(standard, "\r\n", "\n"), "Secret7", true, true},
        {nul + standard, "Secret7", false, false},
        // Line breaks inside the field, the key and the marker are passed over.
        {"\r\n" + standard.substr(0, 3) + "\n\r" + standard.substr(3, standard.size() - 5) + "\r" +
             standard.substr(standard.size() - 2) + "\n\n",
         "Secret7", true, true},
        {standard.substr(0, standard.size() - 9) + "\n" + standard.substr(standard.size() - 9, 2) +
             "\r\n" + standard.substr(standard.size() - 7),
         "Secret7", true, true},
        {"\r\n\n", "", false, false},
        {"AB\r\nC****", "\xAD\xC2", true, true}, // 7 characters: the key is the first, "A"
        {"", "", false, false},
        {"ABC", "\xAD", false, true}, // key "A" shifts by 2; "AB" is 171, "C" no pair
        {"\x89PNG\r\n\x1a\nIHDR", "Secret7", false, false},
    };
    for (const auto& c : cases) {
        const ProbeResult result = probeContainer(c.file, c.typed);
        EXPECT_EQ(result.containerFound, c.found) << c.file;
        EXPECT_EQ(result.passwordMatches, c.matches) << c.file;
    }
}

} // namespace
} // namespace tarvex
