// Two copies of the program writing High level containers at the same time share the one scratch
// file: neither corrupts a container of the other, and the scratch file ends up holding one whole
// body, never a mix of two.
#include "Base64Body.h"
#include "CliProcess.h"
#include "Container.h"
#include "OwnCacheFolder.h"
#include "ScratchFile.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int filesPerBatch = 20;
constexpr int rounds = 3;

TEST(ScratchConcurrencyTest, TwoProgramsWritingAtOnceCorruptNoContainer) {
    TempFolder folders[2];
    const OwnCacheFolder cache(folders[0] / "cache");
    std::vector<Bytes> sources[2];
    std::vector<std::string> arguments[2];
    std::set<std::string> bodies; // the scratch file's possible contents
    for (int batch = 0; batch < 2; ++batch) {
        arguments[batch] = {"encrypt", "--high", "--password-stdin"};
        for (int i = 0; i < filesPerBatch; ++i) {
            const auto seed = static_cast<unsigned>(batch * 100 + i);
            sources[batch].push_back(
                patternBytes(10'000 + 15'000 * static_cast<std::size_t>(i), seed));
            const std::string name = "f" + std::to_string(i) + ".jpg";
            writeFile(folders[batch] / name, sources[batch].back());
            arguments[batch].push_back(folders[batch] / name);
            std::string body;
            encodeBody(sources[batch].back(), body);
            bodies.insert(body + "\r\n");
        }
    }

    for (int round = 0; round < rounds; ++round) {
        CliProcess first(arguments[0], "secret1\n", folders[0].path());
        CliProcess second(arguments[1], "secret1\n", folders[1].path());
        for (CliProcess* process : {&first, &second}) {
            const int status = process->wait();
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        for (int batch = 0; batch < 2; ++batch) {
            for (int i = 0; i < filesPerBatch; ++i) {
                const Bytes text =
                    readFile(folders[batch] / ("encrypted/f" + std::to_string(i) + ".jpg"));
                EXPECT_EQ(readContainer({reinterpret_cast<const char*>(text.data()), text.size()}),
                          sources[batch][static_cast<std::size_t>(i)])
                    << "batch " << batch << ", file " << i << ", round " << round;
            }
        }
    }

    const std::string scratchFolder = scratchFolderPath();
    const Bytes scratch = readFile(scratchFolder + "/thummb.db");
    EXPECT_TRUE(bodies.contains(std::string(scratch.begin(), scratch.end())));
    struct stat status {};
    ASSERT_EQ(::stat((scratchFolder + "/thummb.db").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    for (const auto& entry : fs::directory_iterator(scratchFolder)) {
        EXPECT_EQ(entry.path().filename(), "thummb.db") << "a temporary file was left";
    }
}

// Ctrl-C while the program waits for the scratch file that another run holds cancels the run
// once the file in hand is done, as anywhere else in a run; it is no file error.
TEST(ScratchConcurrencyTest, CtrlCWhileWaitingForTheScratchFileCancelsTheRun) {
    TempFolder folder;
    const OwnCacheFolder cache(folder / "cache");
    const Bytes source = patternBytes(5'000, 7);
    writeFile(folder / "a.jpg", source);
    std::unique_ptr<FileWriter> held = openScratchFile(systemCalls());
    const CliOutputs outputs{.out = folder / "out.txt", .err = folder / "err.txt"};
    CliProcess cli({"encrypt", "--high", "--password-stdin", folder / "a.jpg"}, "secret1\n",
                   folder.path(), outputs);
    // One Ctrl-C only: a second one ends the program at once, as it should.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cli.interrupt();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    held->complete();
    const int status = cli.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const Bytes said = readFile(folder / "err.txt");
    EXPECT_NE(std::string(said.begin(), said.end()).find("Canceled!"), std::string::npos)
        << std::string(said.begin(), said.end());
    const Bytes text = readFile(folder / "encrypted/a.jpg");
    EXPECT_EQ(readContainer({reinterpret_cast<const char*>(text.data()), text.size()}), source);
}

} // namespace
} // namespace tarvex::testing
