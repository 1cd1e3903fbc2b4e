#include "BatchFixture.h"
#include "batch/OutputNames.h"
#include "batch/RunFiles.h"

#include <array>
#include <filesystem>
#include <gmock/gmock.h>

namespace tarvex::testing {
namespace {

TEST(RestoredName, DropsOnlyAnAppendedE) {
    struct Case {
        std::string container;
        bool stripSuffix;
        std::string restored;
    };
    const std::vector<Case> cases{
        {"abc.JPGE", false, "abc.JPG"},
        {"abc.JPG", false, "abc.JPG"},
        {"abc.JPGEE", false, "abc.JPG"},
        {"photo.jpeg", false, "photo.jpeg"},
        {"photo.jpegE", false, "photo.jpeg"},
        {"archive.tar.gz", false, "archive.tar.gz"},
        {"archive.tar.gzE", false, "archive.tar.gz"},
        {"notes", false, "notes"},
        {"notesE", false, "notes"},
        {"readme", false, "readme"},
        {"readmeE", false, "readme"},
        {"abe", false, "abe"},
        {"a.pnge", false, "a.png"},
        {"a.svgE", false, "a.svg"},
        {"a.psdE", false, "a.psd"},
        {"a.bmpE", false, "a.bmp"},
        {"a.gifE", false, "a.gif"},
        {"x.E", false, "x.E"},
        {"图片.jpgE", false, "图片.jpg"},
        {"图片", false, "图片"},
        {"abc.JPGE", true, "abc.JPG"},
        {"abc.PNG", true, "abc.PNG"},
        {"picture.jpe", true, "picture.jp"},
        {"abc.JPGEE", true, "abc.JPGE"},
        {"E", true, "E"},
        {".E", true, ".E"},
        {"..E", true, "..E"},
        {"...E", true, "..."},
        {"..e", true, "..e"},
        {"", true, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(restoredName(c.container, c.stripSuffix), c.restored)
            << c.container << " strip " << c.stripSuffix;
    }
}

// Each container is written once, under its restored name, in the run's output folder.
TEST_F(BatchTest, DecryptWritesEachContainerOnceUnderItsRestoredName) {
    const std::vector<std::string> names{"abc.JPG", "photo.jpeg", "notes", "archive.tar.gz"};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < names.size(); ++i) {
        sources.push_back(source(names[i], patternBytes(40 + i, static_cast<unsigned>(i))));
    }
    for (const bool appendE : {false, true}) {
        encryptAll(sources, ContainerClass::Standard, appendE);
        for (const bool strip : {false, true}) {
            std::vector<std::string> containers;
            for (const std::string& name : names) {
                containers.push_back(inFolder("encrypted/") + name + (appendE ? "E" : ""));
            }
            std::filesystem::remove_all(inFolder("encrypted/decrypted"));
            files.saved.clear();
            ASSERT_EQ(runs.decrypt(containers, strip).end, RunEnd::Completed);

            EXPECT_EQ(files.saved.size(), names.size());
            EXPECT_EQ(namesIn(inFolder("encrypted/decrypted")),
                      std::set<std::string>(names.begin(), names.end()))
                << "appended E " << appendE << ", strip " << strip;
        }
    }
}

TEST_F(BatchTest, DotInAFolderNamePlaysNoPart) {
    std::filesystem::create_directory(inFolder("my.pics"));
    encryptAll({source("my.pics/abc.JPG", {1, 2})});
    ASSERT_EQ(runs.decrypt({inFolder("my.pics/encrypted/abc.JPG")}).end, RunEnd::Completed);
    EXPECT_EQ(namesIn(inFolder("my.pics/encrypted/decrypted")), std::set<std::string>{"abc.JPG"});
}

// An output goes into its root's output folder, or the folder chosen for it, in the folders its
// file is in below the root.
TEST(OutputPath, KeepsTheFoldersBelowTheRoot) {
    const struct {
        RunFile file;
        OutputPlace place;
        std::string_view name;
        std::string expected;
    } cases[] = {
        {{"/home/u/pics/a.jpg", "/home/u/pics"},
         {"encrypted"},
         "a.jpgE",
         "/home/u/pics/encrypted/a.jpgE"},
        {{"/home/u/pics/a.jpg", "/home/u/pics"}, {"已加密"}, "a.jpg", "/home/u/pics/已加密/a.jpg"},
        {{"/a.png", "/"}, {"encrypted"}, "a.png", "/encrypted/a.png"},
        {{"/lib/2024/may/a.png", "/lib"}, {"decrypted"}, "b.png", "/lib/decrypted/2024/may/b.png"},
        {{"/lib/2024/may/a.png", "/lib"},
         {"decrypted", "/home/u/back/"},
         "b.png",
         "/home/u/back/2024/may/b.png"},
        {{"/lib/a.png", "/lib"}, {"decrypted", "/"}, "a.png", "/a.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outputPath(c.file, c.place, c.name), c.expected) << c.file.path;
    }
}

} // namespace
} // namespace tarvex::testing
