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

// --into takes a folder that exists, relative to the working folder, for either command; one
// that names no folder, or no value, is refused in the language of the line.
TEST(CommandLineTest, IntoNamesAFolderThatExists) {
    TempFolder temp;
    fs::create_directories(temp / "back/up");
    writeFile(temp / "file", {1});
    EXPECT_EQ(parse({"decrypt", "--into", "back/./up", "a.tvx"}, temp.path()).into,
              temp / "back/up");
    EXPECT_EQ(parse({"encrypt", "a.jpg", "--into=."}, temp.path()).into, temp.path());
    EXPECT_EQ(parse({"encrypt", "a.jpg"}, temp.path()).into, "");
    const auto refusal = [&](std::vector<std::string> arguments) {
        try {
            parse(std::move(arguments), temp.path());
        } catch (const UsageError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal({"encrypt", "a.jpg", "--into", "file"}),
              "\"file\" is no folder to write into");
    EXPECT_EQ(refusal({"encrypt", "a.jpg", "--into", "gone"}),
              "\"gone\" is no folder to write into");
    EXPECT_EQ(refusal({"encrypt", "a.jpg", "--into"}), "--into needs a folder");
    EXPECT_EQ(refusal({"encrypt", "a.jpg", "--into="}), "--into needs a folder");
    EXPECT_EQ(refusal({"--lang", "zh", "decrypt", "a.tvx", "--into", "gone"}),
              "“gone”不是可以写入的文件夹");
}

// --help and --version stand for the command wherever they are, whatever else is given, until
// "--" ends the options.
TEST(CommandLineTest, HelpAndVersionAreOptionsUntilTheOptionsEnd) {
    EXPECT_EQ(parse({"--help"}).command, Command::Help);
    EXPECT_EQ(parse({"encrypt", "--frob", "a.jpg", "-h"}).command, Command::Help);
    EXPECT_EQ(parse({"--version", "shred"}).command, Command::Version);
    const CommandLine line = parse({"encrypt", "--", "--help"});
    EXPECT_EQ(line.command, Command::Encrypt);
    EXPECT_EQ(line.files, std::vector<std::string>{"/work/--help"});
}

// Every class of the table is a value of --class, and every class but the default one has an
// option of its own; decrypt reads the class from each container and takes none. Each naming
// option goes with the classes it names.
TEST(CommandLineTest, ClassOptionsComeFromTheClassTable) {
    for (const ClassRow& row : containerClasses) {
        const std::string name(row.name);
        EXPECT_EQ(parse({"encrypt", "--class", name, "a.jpg"}).containerClass, row.id) << name;
        EXPECT_EQ(parse({"--class=" + name, "encrypt", "a.jpg"}).containerClass, row.id) << name;
    }
    EXPECT_EQ(parse({"encrypt", "a.jpg"}).containerClass, ContainerClass::Standard);
    EXPECT_EQ(parse({"encrypt", "--high", "a.jpg"}).containerClass, ContainerClass::HighLevel);
    EXPECT_EQ(parse({"--protected", "encrypt", "a.jpg"}).containerClass, ContainerClass::Protected);
    EXPECT_TRUE(parse({"encrypt", "--hide-names", "--protected", "a.jpg"}).hideNames);
    EXPECT_TRUE(parse({"encrypt", "--suffix", "--high", "a.jpg"}).appendSuffix);
    EXPECT_TRUE(parse({"encrypt", "--protected", "a.jpg", "--remove-originals"}).removeOriginals);
    const std::vector<std::vector<std::string>> refused{
        {"encrypt", "--class", "ultra", "a.jpg"},
        {"encrypt", "a.jpg", "--class"},
        {"decrypt", "--protected", "a.jpg"},
        {"--class=high", "decrypt", "a.jpg"},
        // A naming option of another class, which the run would drop without a word.
        {"encrypt", "--hide-names", "a.jpg"},
        {"encrypt", "--high", "--hide-names", "a.jpg"},
        {"encrypt", "--protected", "--suffix", "a.jpg"},
        // Originals go only where their containers protect them.
        {"encrypt", "--remove-originals", "a.jpg"},
        {"decrypt", "--remove-originals", "a.tvx"},
    };
    for (const auto& arguments : refused) {
        EXPECT_THROW(parse(arguments), UsageError) << ::testing::PrintToString(arguments);
    }
}

} // namespace
} // namespace tarvex::testing
