// tarvex-cli killed (SIGKILL) at random moments of its batches, many times over: every file under
// a final name in an output folder holds exactly the bytes of its source, and what a killed run
// leaves behind is only ever a temporary file that no one can take for an output.
#include "OwnCacheFolder.h"
#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/ScratchFile.h"
#include "support/CliProcess.h"
#include "support/TempFolder.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr int killCount = 48;
constexpr unsigned seed = 6061;
constexpr int fileCount = 30;
constexpr std::size_t largestFile = 1 << 20;
const std::string password = "secret1\n";

bool isTemporaryName(const std::string& name) {
    return name.starts_with(".") && name.ends_with(".tmp");
}

std::string asText(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

enum class Mode { EncryptStandard, EncryptHighLevel, EncryptWithSuffix, Decrypt };

class InterruptedRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(seed);
        const char* const extensions[] = {".jpg", ".png", ".gif", ".bmp"};
        fs::create_directory(temp / "containers");
        KeyGenerator generator;
        for (int i = 0; i < fileCount; ++i) {
            // Empty and tiny sources first, then anything up to the largest size.
            // Empty and tiny sources, two of the largest size, the rest spread evenly over the
            // orders of magnitude in between.
            constexpr std::array<std::size_t, 6> fixed{0, 5, 12, 13, largestFile, largestFile - 1};
            const std::size_t size =
                i < 6 ? fixed[static_cast<std::size_t>(i)]
                      : static_cast<std::size_t>(
                            std::exp2(std::uniform_real_distribution<double>(4, 20)(random)));
            char name[16];
            std::snprintf(name, sizeof name, "f%02d%s", i, extensions[i % 4]);
            sources[name] = patternBytes(size, static_cast<unsigned>(i));
            writeFile(temp / name, sources[name]);
            sourcePaths.push_back(temp / name);

            // Containers of both classes, every other one under a name ending in E.
            const std::string containerName = name + std::string(i % 2 == 1 ? "E" : "");
            const auto level = i % 3 == 0 ? ContainerClass::HighLevel : ContainerClass::Standard;
            const std::string text =
                buildContainer(sources[name], level, "secret1", generator, [](std::string_view) {});
            writeFile(temp / ("containers/" + containerName), {text.begin(), text.end()});
            containerPaths.push_back(temp / ("containers/" + containerName));
            restoredSources[restoredName(containerName, false)] = sources[name];
        }
    }

    std::vector<std::string> argumentsOf(Mode mode) const {
        std::vector<std::string> arguments;
        if (mode == Mode::Decrypt) {
            arguments = {"decrypt", "--yes", "--password-stdin"};
        } else {
            arguments = {"encrypt", "--password-stdin"};
            if (mode == Mode::EncryptHighLevel) {
                arguments.push_back("--high");
            } else if (mode == Mode::EncryptWithSuffix) {
                arguments.push_back("--suffix");
            }
        }
        const auto& files = mode == Mode::Decrypt ? containerPaths : sourcePaths;
        arguments.insert(arguments.end(), files.begin(), files.end());
        return arguments;
    }

    // The time of a whole run of `mode`, which must complete.
    Clock::duration timeOf(Mode mode) const {
        const auto start = Clock::now();
        EXPECT_EQ(runCli(argumentsOf(mode), password, temp.path()), 0);
        return Clock::now() - start;
    }

    // Checks every file of `folder`: a temporary file is counted, a final name must hold the
    // bytes of the source that `sourceOf` gives for it (nullptr: no such output may exist).
    template <typename SourceOf> void checkFolder(const std::string& folder, SourceOf sourceOf) {
        if (!fs::exists(folder)) {
            return;
        }
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.is_directory()) {
                continue;
            }
            if (name.starts_with(".")) {
                EXPECT_TRUE(isTemporaryName(name)) << name;
                ++temporaryFiles;
                continue;
            }
            const Bytes* source = sourceOf(name);
            ASSERT_NE(source, nullptr) << "an output of no source: " << folder << "/" << name;
            ++outputsChecked;
            const Bytes content = readFile(entry.path().string());
            if (folder.ends_with("/decrypted")) {
                ASSERT_EQ(content, *source) << name;
            } else {
                ASSERT_EQ(readContainer(asText(content)), *source) << name;
            }
        }
    }

    void checkOutputs(bool encrypted = true, bool decrypted = true) {
        if (encrypted) {
            checkEncrypted();
        }
        if (decrypted) {
            checkFolder(temp / "containers/decrypted",
                        [this](const std::string& name) -> const Bytes* {
                            const auto found = restoredSources.find(name);
                            return found == restoredSources.end() ? nullptr : &found->second;
                        });
        }
        for (const auto& entry : fs::directory_iterator(scratchFolderPath())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "thummb.db" || isTemporaryName(name)) << name;
        }
    }

    void checkEncrypted() {
        checkFolder(temp / "encrypted", [this](const std::string& name) -> const Bytes* {
            for (const std::string& candidate : {name, name.substr(0, name.size() - 1)}) {
                if (const auto found = sources.find(candidate); found != sources.end()) {
                    return &found->second;
                }
            }
            return nullptr;
        });
    }

    TempFolder temp;
    // The killed runs' own scratch folder, whose temporary files go with the test's folder.
    OwnCacheFolder cache{temp / "cache"};
    std::map<std::string, Bytes> sources;         // by source name
    std::map<std::string, Bytes> restoredSources; // by the name its container restores to
    std::vector<std::string> sourcePaths;
    std::vector<std::string> containerPaths;
    int outputsChecked = 0;
    int temporaryFiles = 0;
};

TEST_F(InterruptedRunTest, KilledRunsLeaveOnlyCompleteOutputs) {
    // Whole runs first: they must complete, and give the span of time the kills fall in (the
    // early part of it, as later runs find the files in the cache and go faster).
    const Clock::duration encryptTime = timeOf(Mode::EncryptHighLevel);
    const Clock::duration decryptTime = timeOf(Mode::Decrypt);
    checkOutputs();
    ASSERT_EQ(outputsChecked, 2 * fileCount);

    std::mt19937 random(seed);
    int killed = 0;
    int endedFirst = 0;
    for (int round = 0; round < killCount; ++round) {
        const auto mode = static_cast<Mode>(std::uniform_int_distribution<int>(0, 3)(random));
        const Clock::duration span = mode == Mode::Decrypt ? decryptTime : encryptTime;
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(span) *
                           std::uniform_real_distribution<double>(0.0, 0.7)(random);
        {
            CliProcess process(argumentsOf(mode), password, temp.path());
            std::this_thread::sleep_for(delay);
            process.kill();
            const int status = process.wait();
            if (WIFSIGNALED(status)) {
                ++killed;
            } else {
                ++endedFirst;
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            }
        }
        SCOPED_TRACE("round " + std::to_string(round));
        checkOutputs(mode != Mode::Decrypt, mode == Mode::Decrypt);
    }

    // The temporary files of killed runs do not disturb a later run.
    timeOf(Mode::EncryptStandard);
    timeOf(Mode::Decrypt);
    outputsChecked = 0;
    temporaryFiles = 0;
    checkOutputs();
    EXPECT_GE(outputsChecked, 2 * fileCount);

    std::printf("kills survived: %d of %d rounds (%d runs ended before their kill); "
                "temporary files left by killed runs: %d\n",
                killed, killCount, endedFirst, temporaryFiles);
    EXPECT_GE(killed, killCount / 3) << "too few kills landed inside a run";
}

} // namespace
} // namespace tarvex::testing
