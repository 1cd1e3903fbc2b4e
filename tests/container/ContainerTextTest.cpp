#include "container/ContainerText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarvex {
namespace {

TEST(ContainerText, TakesOutByteOrderMarkAndLineEndBlanksOnly) {
    struct Case {
        std::string file;
        std::string text;
    };
    const std::vector<Case> cases{
        {"", ""},
        {"ABCD****\r\n", "ABCD****\r\n"},
        {"\xEF\xBB\xBF"
         "ABCD****\r\n",
         "ABCD****\r\n"},
        {"\xEF\xBB", "\xEF\xBB"},
        {"AB  \r\nCD\t\r\n", "AB\r\nCD\r\n"},
        {"AB \nCD \rEF \t ", "AB\nCD\rEF"},
        {"A B\r\n", "A B\r\n"},
        {"   \r\n\r\n", "\r\n\r\n"},
        {"\xEF\xBB\xBF"
         " AB ",
         " AB"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes(c.file.begin(), c.file.end());
        EXPECT_EQ(containerText(bytes), c.text) << "file: " << c.file;
    }
}

} // namespace
} // namespace tarvex
