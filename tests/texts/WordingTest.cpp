// The shown form of names, and the messages that fill names in.
#include "texts/Wording.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(ShownNameTest, EscapesWhatWouldActOnATerminalAndKeepsPrintableText) {
    struct Case {
        std::string_view name;
        std::string_view shown;
    };
    using namespace std::string_view_literals;
    const Case cases[] = {
        {"plain.jpg", "plain.jpg"},
        {"照片 2024.jpg", "照片 2024.jpg"},
        {"a\x1b]0;owned\x07.jpg", "a\\x1b]0;owned\\x07.jpg"},
        {"line\r\nnext\tcolumn", "line\\r\\nnext\\tcolumn"},
        {"nul\0byte"sv, "nul\\x00byte"},
        {"\x1f\x7f", "\\x1f\\x7f"},
        // U+009B, the one-character CSI of C1, and U+0085, its next line.
        {"\xc2\x9b"
         "2J\xc2\x85",
         "\\xc2\\x9b2J\\xc2\\x85"},
        // U+00A0 is the first printable character past C1.
        {"\xc2\xa0", "\xc2\xa0"},
        {"lone\x80", "lone\\x80"},
        {"\xff\xfe", "\\xff\\xfe"},
        // 照 cut after two of its three bytes, at the end and before more text.
        {"cut\xe7\x85", "cut\\xe7\\x85"},
        {"\xe7\x85照", "\\xe7\\x85照"},
        // An overlong "/" and a surrogate are no valid UTF-8.
        {"\xc0\xaf", "\\xc0\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"back\\slash", "back\\slash"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shownName(c.name), c.shown) << c.shown;
    }
}

// Each message that names a file fills in its shown form, and keeps its own line breaks.
TEST(ShownNameTest, MessagesShowNamesEscaped) {
    const std::string hostile = "/in/a\x1b[2J\nLeft out: x.jpg";
    RunResult result;
    result.end = RunEnd::Completed;
    result.count = 2;
    result.done = 1;
    result.outputFolder = "/in/out\x07";
    result.leftOut.push_back({.path = hostile, .reason = LeftOutReason::Damaged, .error = {}});
    result.notTaken.push_back(
        {.path = hostile, .reason = LeftOutReason::FolderUnreadable, .error = {}});
    result.replaced.push_back(hostile);
    result.renamed.emplace_back("b\x1b.jpg", "b\x1b (2).jpg");
    std::vector<std::string> said;
    for (const RunCommand command : {RunCommand::Encrypt, RunCommand::Decrypt}) {
        const RunEndWords words = endWords(result, command, false, englishTable());
        said.insert(said.end(), words.messages.begin(), words.messages.end());
        said.push_back(words.openFolder);
    }
    for (const auto kind : {RunQuestion::Kind::FileNoContainer, RunQuestion::Kind::Unauthenticated,
                            RunQuestion::Kind::ReplaceProtected}) {
        said.push_back(worded(RunQuestion{.kind = kind, .path = hostile}, englishTable()));
    }
    result.end = RunEnd::FirstDamaged;
    result.firstFile = hostile;
    said.push_back(endWords(result, RunCommand::Decrypt, false, englishTable()).messages.at(0));
    said.push_back(
        worded(FileError(FileAction::Open, hostile, std::make_error_code(std::errc::io_error)),
               englishTable()));
    said.push_back(
        worded(FileError(FileAction::Create, "/in/out", FileProblem::BlockerNotAFolder, hostile),
               englishTable()));
    for (const std::string& message : said) {
        EXPECT_THAT(message, HasSubstr("\\x")) << shownName(message);
        EXPECT_THAT(message, Not(HasSubstr("\x1b"))) << shownName(message);
        EXPECT_THAT(message, Not(HasSubstr("\x07"))) << shownName(message);
        EXPECT_THAT(message, Not(HasSubstr("\nLeft out: x.jpg"))) << shownName(message);
    }
    EXPECT_THAT(said, Contains(HasSubstr("a\\x1b[2J\\nLeft out: x.jpg")));
    // The lists keep the line breaks of their own.
    EXPECT_THAT(said, Contains(HasSubstr("\r")));
}

} // namespace
} // namespace tarvex::testing
