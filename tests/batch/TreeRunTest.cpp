// Folders chosen whole: every file under them encrypted into a mirrored tree and restored from
// it, byte for byte, with what a library holds besides its pictures left out and told.
#include "BatchFixture.h"
#include "files/PathParts.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvex::testing {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

class TreeRunTest : public BatchTest {
protected:
    TreeRunTest() {
        for (const char* name : {"lib/a.jpg", "lib/2024/may/b.jpg", "lib/2024/may/b.jpgE",
                                 "lib/2024/june/b.jpg", "lib/.thumbs/t.jpg", "lib/2024/.hid.jpg",
                                 "lib/encrypted/old.jpg", "lib/locked/c.jpg"}) {
            fs::create_directories(fs::path(temp / name).parent_path());
            writeFile(temp / name, patternBytes(1000 + name[6], name[9]));
        }
        fs::create_directory_symlink(temp / "lib", temp / "lib/2024/up");
        ::mkfifo((temp / "lib/pipe.jpg").c_str(), 0600);
    }

    EncryptRequest treeRequest() const {
        EncryptRequest request = runs.encryptRequest({});
        request.trees = {temp / "lib"};
        request.ownFolderNames = outputFolderNames();
        return request;
    }
};

TEST_F(TreeRunTest, ATreeIsEncryptedIntoAMirrorAndRestoredByteForByte) {
    // A folder that cannot be read is named, and the run goes on.
    ASSERT_EQ(::chmod((temp / "lib/locked").c_str(), 0), 0);
    const bool rootReadsAnyway = ::geteuid() == 0;
    const RunResult encrypted = runs.batch.encrypt(treeRequest(), report);
    ::chmod((temp / "lib/locked").c_str(), 0700);
    ASSERT_EQ(encrypted.end, RunEnd::Completed);

    const std::vector<std::string> taken{"2024/june/b.jpg", "2024/may/b.jpg", "2024/may/b.jpgE",
                                         "a.jpg"};
    std::vector<std::string> expected = taken;
    if (rootReadsAnyway) {
        expected.push_back("locked/c.jpg");
    }
    EXPECT_EQ(encrypted.done, static_cast<int>(expected.size()));
    // In the order of their paths, each in the folders it is in.
    std::vector<std::string> handled;
    for (const std::string& event : report.eventsOf("file ")) {
        handled.push_back(event.substr(event.rfind(' ') + 1));
    }
    std::vector<std::string> names{"b.jpg", "b.jpg", "b.jpgE", "a.jpg"};
    if (rootReadsAnyway) {
        names.push_back("c.jpg");
    }
    EXPECT_EQ(handled, names);
    for (const std::string& path : expected) {
        EXPECT_TRUE(fs::exists(temp / ("lib/encrypted/" + path))) << path;
    }
    std::vector<std::string> notTaken;
    for (const LeftOutRecord& entry : encrypted.notTaken) {
        notTaken.push_back(entry.path.substr(temp.path().size() + 5));
    }
    EXPECT_THAT(notTaken, ::testing::IsSupersetOf(
                              {".thumbs", "2024/.hid.jpg", "2024/up", "encrypted", "pipe.jpg"}));
    EXPECT_EQ(notTaken.size(), rootReadsAnyway ? 5u : 6u);
    if (!rootReadsAnyway) {
        EXPECT_THAT(report.eventsOf("left out"),
                    ::testing::Contains(::testing::StartsWith("left out: locked: a folder that "
                                                              "cannot be read")));
    }

    // The containers' tree restores into the decrypted tree beside it, each name as it was:
    // b.jpg and b.jpgE coincide in one folder only. The picture that was in the containers'
    // folder before is no container, asked about, and left out.
    report.script.answerNextQuestion(false);
    DecryptRequest decrypt = runs.decryptRequest({});
    decrypt.trees = {temp / "lib/encrypted"};
    decrypt.ownFolderNames = outputFolderNames();
    const RunResult restored = runs.batch.decrypt(decrypt, report);
    ASSERT_EQ(restored.done, encrypted.done);
    EXPECT_THAT(restored.renamed,
                ElementsAre(std::pair<std::string, std::string>("b.jpgE", "b (2).jpg")));
    for (const std::string& path : expected) {
        const std::string name = path == "2024/may/b.jpgE" ? "2024/may/b (2).jpg" : path;
        EXPECT_EQ(readFile(temp / ("lib/encrypted/decrypted/" + name)),
                  readFile(temp / ("lib/" + path)))
            << path;
    }
    // A second run takes none of the first run's outputs.
    const RunResult again = runs.batch.encrypt(treeRequest(), report);
    EXPECT_EQ(again.done, encrypted.done);
}

// With hidden names a library's containers lie in one folder that says nothing of its folders,
// and they restore the tree they came from, each file at its recorded path and time: into a
// folder chosen for them too, where nothing that the folder held before is replaced.
TEST_F(TreeRunTest, HiddenNamesHideTheFoldersAndTheContainersRestoreTheTreeWhereChosen) {
    EncryptRequest request = treeRequest();
    request.containerClass = ContainerClass::Protected;
    request.hideNames = true;
    request.cost = {1, 8192};
    report.acceptPassphrase(runs.password);
    const RunResult encrypted = runs.batch.encrypt(request, report);
    ASSERT_EQ(encrypted.end, RunEnd::Completed);
    const std::vector<std::string> taken{"2024/june/b.jpg", "2024/may/b.jpg", "2024/may/b.jpgE",
                                         "a.jpg", "locked/c.jpg"};
    ASSERT_EQ(encrypted.done, static_cast<int>(taken.size()));
    int containers = 0;
    for (const auto& entry : fs::directory_iterator(temp / "lib/encrypted")) {
        if (entry.path().filename() == "old.jpg") {
            continue;
        }
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_EQ(entry.path().extension(), ".tvx");
        ++containers;
    }
    EXPECT_EQ(containers, encrypted.done);
    fs::remove(temp / "lib/encrypted/old.jpg");

    fs::create_directory(temp / "back");
    writeFile(temp / "back/a.jpg", {9});
    DecryptRequest decrypt = runs.decryptRequest({});
    decrypt.trees = {temp / "lib/encrypted"};
    decrypt.ownFolderNames = outputFolderNames();
    decrypt.into = temp / "back";
    const RunResult restored = runs.batch.decrypt(decrypt, report);
    ASSERT_EQ(restored.done, encrypted.done);
    EXPECT_EQ(restored.outputFolder, temp / "back");
    for (const std::string& path : taken) {
        const std::string back = temp / ("back/" + (path == "a.jpg" ? "a (2).jpg" : path));
        EXPECT_EQ(readFile(back), readFile(temp / ("lib/" + path))) << path;
        EXPECT_EQ(fs::last_write_time(back), fs::last_write_time(temp / ("lib/" + path))) << path;
    }
    EXPECT_EQ(readFile(temp / "back/a.jpg"), std::vector<std::uint8_t>{9});
    EXPECT_EQ(namesIn(temp / "back"),
              (std::set<std::string>{"2024", "a (2).jpg", "a.jpg", "locked"}));
}

// Output folders below the tree's output folder keep others out where their source folders do.
TEST_F(TreeRunTest, OutputFoldersAreOwnerOnlyWhereTheirSourcesAre) {
    ASSERT_EQ(::chmod((temp / "lib/2024/may").c_str(), 0700), 0);
    ASSERT_EQ(::chmod((temp / "lib/2024").c_str(), 0755), 0);
    ASSERT_EQ(runs.batch.encrypt(treeRequest(), report).end, RunEnd::Completed);
    struct stat status {};
    ASSERT_EQ(::stat((temp / "lib/encrypted/2024/may").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
    ASSERT_EQ(::stat((temp / "lib/encrypted/2024").c_str(), &status), 0);
    EXPECT_NE(status.st_mode & 055, 0u);
}

} // namespace
} // namespace tarvex::testing
