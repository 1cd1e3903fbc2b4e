// The steps of the file layer that no run makes fail on its own, each made to fail straight
// through LocalFileSystem: the error names the action, the file and the system's reason, nothing
// of the file is handed over, and nothing that was on disk before is lost or left behind.
#include "../files/FileFailure.h"
#include "FaultyCalls.h"
#include "OwnCacheFolder.h"
#include "files/LocalFileSystem.h"
#include "files/ScratchFile.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A source larger than a piece, and an earlier output of it that a failed step must leave.
class FileLayerFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(source, sourceBytes);
        fs::create_directory(temp / "out");
        writeFile(output, earlierBytes);
    }

    TempFolder temp;
    OwnCacheFolder cache{temp / "cache"};
    const std::string source = temp / "a.jpg";
    const std::string output = temp / "out/a.jpg";
    const Bytes sourceBytes = patternBytes(3 * readPieceSize + 7, 1);
    const Bytes earlierBytes = patternBytes(100, 2);
};

TEST_F(FileLayerFaultTest, EveryStepThatFailsIsReportedAndLosesNothing) {
    const PieceReceiver noPiece = [](std::span<const std::uint8_t>) {
        ADD_FAILURE() << "a piece was handed over";
        return true;
    };
    const std::string scratch = scratchFolderPath() + "/thummb.db";
    struct Case {
        FaultStep step;
        std::string target; // the name of the file whose step fails
        FileAction action;
        std::string shown; // the path that the error names
        std::function<void(FileSystem&)> steps;
    };
    const std::vector<Case> cases = {
        // The status of a source just opened, which gives the version and size of what is read.
        {FaultStep::Status, "a.jpg", FileAction::Open, source,
         [&](FileSystem& files) { files.readFile(source, "", {}, noPiece); }},
        {FaultStep::Status, "a.jpg", FileAction::Open, source,
         [&](FileSystem& files) { files.readFileStart(source, {}, noPiece); }},
        {FaultStep::Status, "a.jpg", FileAction::Open, source,
         [&](FileSystem& files) { files.readFileEnd(source, 10); }},
        {FaultStep::Seek, "a.jpg", FileAction::Open, source,
         [&](FileSystem& files) { files.readFileEnd(source, 10); }},
        // A complete output that was written without a name gets its temporary name.
        {FaultStep::Link, "a.jpg", FileAction::Create, output,
         [&](FileSystem& files) {
             const std::unique_ptr<FileWriter> file = files.createFile(output, source, {}, {});
             file->write(sourceBytes);
             file->complete();
         }},
        // The scratch file is cut to its new length once written.
        {FaultStep::Truncate, "thummb.db", FileAction::Create, scratch,
         [&](FileSystem& files) {
             const std::unique_ptr<FileWriter> file = files.openScratch([] { return false; });
             file->write(asBytes("body\r\n"));
             file->complete();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.step)) + " of " + c.target);
        FaultyCalls calls(c.step, c.target);
        const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
        EXPECT_EQ(failureOf([&] { c.steps(*files); }),
                  FileFailure(c.action, c.shown, systemReason(errorOf(c.step))));
        EXPECT_EQ(calls.injected(), 1);
        EXPECT_EQ(readFile(source), sourceBytes);
        EXPECT_EQ(readFile(output), earlierBytes);
        EXPECT_EQ(namesIn(temp / "out"), std::set<std::string>{"a.jpg"});
    }
}

} // namespace
} // namespace tarvex::testing
