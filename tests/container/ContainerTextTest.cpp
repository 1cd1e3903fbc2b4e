#include "container/ContainerText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarvex {
namespace {

// The text that ContainerText makes of `file`, given in pieces of `pieceSize` bytes (all at once
// for 0).
std::string textOf(std::string_view file, std::size_t pieceSize, char endByte = endOfInput) {
    ContainerText text(endByte);
    text.start();
    std::string made;
    const TextReceiver add = [&made](std::string_view part) { made.append(part); };
    const std::size_t step = pieceSize == 0 ? file.size() : pieceSize;
    for (std::size_t at = 0; at < file.size() && !text.ended(); at += step) {
        const std::string_view piece = file.substr(at, step);
        text.take({reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()}, add);
    }
    text.finish(add);
    return made;
}

// Every case in one piece and in pieces of a few bytes, which split the byte order mark and the
// runs of blanks.
TEST(ContainerText, TakesOutByteOrderMarkAndLineEndBlanksOnlyInAnyPieces) {
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
        {"\xEF\xBB"
         "A",
         "\xEF\xBB"
         "A"},
        {"AB  \r\nCD\t\r\n", "AB\r\nCD\r\n"},
        {"AB \nCD \rEF \t ", "AB\nCD\rEF"},
        {"A B\r\n", "A B\r\n"},
        {"   \r\n\r\n", "\r\n\r\n"},
        {"\xEF\xBB\xBF"
         " AB ",
         " AB"},
        // The end byte ends no line: blanks before it stay, and nothing after it is text.
        {"AB \x1a"
         "CD",
         "AB "},
        {"AB\r\n\x1a", "AB\r\n"},
        // Of a long run, the characters before the last eight count as blanks.
        {"A" + std::string(20, '\t') + "B",
         "A" + std::string(12, ' ') + std::string(8, '\t') + "B"},
        {"A" + std::string(300, '\t') + "\r\nB", "A\r\nB"},
    };
    for (const Case& c : cases) {
        for (const std::size_t pieceSize : {0, 1, 2, 3, 7}) {
            EXPECT_EQ(textOf(c.file, pieceSize), c.text)
                << "file: " << c.file << ", pieces of " << pieceSize;
        }
    }
}

TEST(ContainerText, TheProbeEndsAtANul) {
    const std::string file("AB \0CD \r\n", 9);
    EXPECT_EQ(textOf(file, 0, '\0'), "AB ");
    EXPECT_EQ(textOf(file, 0), file.substr(0, 6) + "\r\n");
}

} // namespace
} // namespace tarvex
