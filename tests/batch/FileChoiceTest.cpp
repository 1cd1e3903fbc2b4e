#include "batch/FileChoice.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;

// The rules of a choice, with the names of one folder written in several ways: a link to a file
// elsewhere lies in the folder of the link, a link to the folder is the folder.
TEST(FileChoice, KeepsTheFilesOfOneFolderWhateverLinksLeadThere) {
    TempFolder temp;
    fs::create_directories(temp / "pics/encrypted");
    fs::create_directories(temp / "pics/sub");
    fs::create_directories(temp / "other");
    for (const char* name : {"pics/a.jpg", "pics/b.jpg", "other/c.jpg"}) {
        writeFile(temp / name, {1});
    }
    fs::create_symlink(temp / "other/c.jpg", temp / "pics/c.jpg");
    fs::create_directory_symlink(temp / "pics", temp / "link");

    const struct {
        std::vector<std::string> paths;
        std::vector<std::string> files;
        std::vector<std::string> leftOut;
        std::string missing;
        std::string otherFolder;
    } choices[] = {
        {{temp / "pics/b.jpg", temp / "pics/encrypted", temp / "pics/c.jpg", temp / "link/a.jpg",
          temp / "pics/sub/../a.jpg"},
         {temp / "pics/b.jpg", temp / "pics/c.jpg", temp / "link/a.jpg",
          temp / "pics/sub/../a.jpg"},
         {temp / "pics/encrypted"},
         "",
         ""},
        {{temp / "pics/a.jpg", temp / "other/c.jpg", temp / "pics/gone.jpg"},
         {temp / "pics/a.jpg", temp / "other/c.jpg", temp / "pics/gone.jpg"},
         {},
         temp / "pics/gone.jpg",
         temp / "other/c.jpg"},
        {{temp / "pics/encrypted", temp / "link"},
         {},
         {temp / "pics/encrypted", temp / "link"},
         "",
         ""},
    };
    for (const auto& expected : choices) {
        const FileChoice choice = chooseFiles(expected.paths);
        const std::string shown = ::testing::PrintToString(expected.paths);
        EXPECT_EQ(choice.files, expected.files) << shown;
        EXPECT_EQ(choice.leftOut, expected.leftOut) << shown;
        EXPECT_EQ(choice.missing, expected.missing) << shown;
        EXPECT_EQ(choice.otherFolder, expected.otherFolder) << shown;
    }
}

} // namespace
} // namespace tarvex::testing
