// Two copies of the program writing High level containers at the same time share the one scratch
// file: neither corrupts a container of the other, and the scratch file ends up holding one whole
// body, never a mix of two.
#include "OwnCacheFolder.h"
#include "codec/Base64Body.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/ScratchFile.h"
#include "support/CliProcess.h"
#include "support/TempFolder.h"

#include <csignal>
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

constexpr std::string_view waitingNotice =
    "another copy of the program is writing its scratch file; waiting";

// Whether the file `path` comes to hold `text` within 20 seconds.
bool comesToHold(const std::string& path, std::string_view text) {
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const Bytes said = fs::exists(path) ? readFile(path) : Bytes{};
        if (std::string_view(reinterpret_cast<const char*>(said.data()), said.size()).find(text) !=
            std::string_view::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// How a run of one High level file ended that got the signal `number` while another run held
// the scratch file; `ignored` starts the program with the signal ignored, as nohup does.
struct HeldUpRun {
    int status = 0;
    std::string said;            // standard error
    bool containerWhole = false; // the container is there and reads back to the source
    bool outputLeft = false;     // anything at all in the output folder
};

HeldUpRun signalWhileTheScratchFileIsHeld(int number, bool ignored) {
    TempFolder folder;
    const OwnCacheFolder cache(folder / "cache");
    const Bytes source = patternBytes(5'000, 7);
    writeFile(folder / "a.jpg", source);
    std::unique_ptr<FileWriter> held = openScratchFile(systemCalls(), [] { return false; });
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    if (ignored) {
        ::sigaction(number, &ignore, &previous);
    }
    const CliOutputs outputs{.out = folder / "out.txt", .err = folder / "err.txt"};
    CliProcess cli({"encrypt", "--high", "--password-stdin", folder / "a.jpg"}, "secret1\n",
                   folder.path(), outputs);
    if (ignored) {
        ::sigaction(number, &previous, nullptr);
    }
    // One signal only, once the program says it waits: a second one ends it at once.
    EXPECT_TRUE(comesToHold(outputs.err, waitingNotice)) << "the program never said it waits";
    cli.sendSignal(number);
    if (ignored) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } else {
        // The wait ends by itself, the scratch file still held.
        EXPECT_TRUE(comesToHold(outputs.err, "Canceled!")) << "the wait did not end";
    }
    held->complete();
    HeldUpRun run;
    run.status = cli.wait();
    const Bytes said = readFile(folder / "err.txt");
    run.said.assign(said.begin(), said.end());
    if (fs::exists(folder / "encrypted/a.jpg")) {
        const Bytes text = readFile(folder / "encrypted/a.jpg");
        run.containerWhole =
            readContainer({reinterpret_cast<const char*>(text.data()), text.size()}) == source;
    }
    run.outputLeft = !fs::is_empty(folder / "encrypted");
    return run;
}

// Ctrl-C, SIGTERM or the terminal closing while the program waits for the scratch file that
// another run holds end the wait as a cancel does: no container, no temporary file, exit status
// 1. Ignored from the start, they stay so, and the run completes once the file is free.
TEST(ScratchConcurrencyTest, StopSignalsEndTheWaitForTheScratchFileAsACancel) {
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        const HeldUpRun run = signalWhileTheScratchFileIsHeld(number, false);
        ASSERT_TRUE(WIFEXITED(run.status)) << "signal " << number << ", status " << run.status;
        EXPECT_EQ(WEXITSTATUS(run.status), 1) << "signal " << number;
        EXPECT_NE(run.said.find("Canceled!"), std::string::npos) << run.said;
        EXPECT_FALSE(run.outputLeft) << "signal " << number;
    }
    const HeldUpRun run = signalWhileTheScratchFileIsHeld(SIGHUP, true);
    ASSERT_TRUE(WIFEXITED(run.status)) << "status " << run.status;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.said;
    EXPECT_EQ(run.said.find("Canceled!"), std::string::npos) << run.said;
    EXPECT_TRUE(run.containerWhole);
}

} // namespace
} // namespace tarvex::testing
