#include "cli/CommandLine.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

CommandLine parse(std::vector<std::string> arguments, const std::string& folder = "/work") {
    return parseCommandLine(arguments, folder);
}

TEST(CommandLineTest, FilesAreFullPathsWithDotPartsTakenOut) {
    EXPECT_EQ(
        parse({"encrypt", "a.jpg", "./b.jpg", "/work//c.jpg", "/work/./d.jpg"}).files,
        (std::vector<std::string>{"/work/a.jpg", "/work/b.jpg", "/work/c.jpg", "/work/d.jpg"}));
    for (const char* notAFile : {"pics/", ".", "..", "pics/.", "pics/..", "/"}) {
        EXPECT_THROW(parse({"encrypt", notAFile}), UsageError) << notAFile;
    }
}

TEST(CommandLineTest, DotDotAfterALinkLeadsWhereTheSystemSays) {
    // "link/../b.jpg" is other/b.jpg when "link" stands for other/sub, not the b.jpg beside
    // "link", which a tidy-up of the text alone would name.
    TempFolder temp;
    fs::create_directories(temp / "other/sub");
    writeFile(temp / "other/b.jpg", {'o'});
    writeFile(temp / "b.jpg", {'x'});
    fs::create_directory_symlink(temp / "other/sub", temp / "link");

    const CommandLine line = parse({"decrypt", "link/../b.jpg"}, temp.path());
    ASSERT_EQ(line.files.size(), 1u);
    EXPECT_EQ(readFile(line.files[0]), std::vector<std::uint8_t>{'o'});
}

TEST(CommandLineTest, HelpIsAnOptionOnlyBeforeTheFiles) {
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"encrypt", "--high", "--help"}).help);
    const CommandLine line = parse({"encrypt", "--", "--help"});
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.files, std::vector<std::string>{"/work/--help"});
}

} // namespace
} // namespace tarvex::testing
