// Surroundings that a hostile or careless user makes: output folders that are links back into the
// selection, a source without end, a folder that cannot be made, another copy holding the scratch
// file, and a huge file that is no container.
#include "OwnCacheFolder.h"
#include "codec/Base64Body.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/LocalFileSystem.h"
#include "files/PathParts.h"
#include "files/ScratchFile.h"
#include "support/CliProcess.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedReport.h"
#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;

void writeContainer(const std::string& path, const Bytes& source) {
    KeyGenerator generator;
    const std::string text = buildContainer(source, ContainerClass::Standard, "secret1", generator,
                                            [](std::string_view) {});
    writeFile(path, {text.begin(), text.end()});
}

// With the output folder a link back to the folder of the selection, an output whose name is
// that of another selected file would take its place: the link is refused as an output folder,
// the run ends as on a file error, and every selected file stays as it was.
TEST(HostileSurroundings, NoOutputReplacesAFileOfTheSelection) {
    struct Case {
        bool encrypt;
        std::vector<std::string> names; // the first one's output has the second one's name
    };
    for (const Case& c : {Case{false, {"a.JPGE", "a.JPG"}}, Case{true, {"abc.JPG", "abc.JPGE"}}}) {
        TempFolder temp;
        std::vector<std::string> selected;
        std::vector<Bytes> before;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            selected.push_back(temp / c.names[i]);
            const Bytes bytes = patternBytes(3000, static_cast<unsigned>(10 + i));
            c.encrypt ? writeFile(selected.back(), bytes) : writeContainer(selected.back(), bytes);
            before.push_back(readFile(selected.back()));
        }
        fs::create_directory_symlink(".", temp / (c.encrypt ? "encrypted" : "decrypted"));
        ScriptedRuns runs(localFileSystem());
        const RunResult result = c.encrypt ? runs.encrypt(selected, ContainerClass::Standard, true)
                                           : runs.decrypt(selected, true);
        // The output folder is a link: nothing is written through it.
        ASSERT_EQ(result.end, RunEnd::FileFailed) << c.names[0];
        EXPECT_EQ(result.fileError->reason(), FileProblem::FolderIsALink) << c.names[0];
        for (std::size_t i = 0; i < selected.size(); ++i) {
            EXPECT_EQ(readFile(selected[i]), before[i]) << c.names[i];
        }
    }
}

// The machine's calls, but every read of the file named "endless.jpg" fills its buffer: a file
// that says it is small and never ends, as /proc/self/pagemap or a file growing as it is read.
class EndlessFile : public PosixCalls {
public:
    explicit EndlessFile(const std::string& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        inode_ = status.st_ino;
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        struct stat status {};
        if (::fstat(fd, &status) != 0 || status.st_ino != inode_) {
            return PosixCalls::read(fd, buffer, size);
        }
        std::memset(buffer, 'x', size);
        bytesRead += size;
        return static_cast<ssize_t>(size);
    }

    std::atomic<std::uint64_t> bytesRead = 0;

private:
    ino_t inode_ = 0;
};

// A source that goes on beyond the size limit as it is read is over the limit: left out as too
// large, with nothing left of it; the reading stops soon after the limit, and the file after it
// gets the container it would have had.
TEST(HostileSurroundings, ASourceWithoutEndStopsAtTheSizeLimit) {
    TempFolder temp;
    writeFile(temp / "endless.jpg", patternBytes(100, 1));
    const Bytes good = patternBytes(2000, 2);
    writeFile(temp / "good.jpg", good);
    EndlessFile calls(temp / "endless.jpg");
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    ScriptedRuns runs(*files);
    EXPECT_EQ(runs.encrypt({temp / "endless.jpg", temp / "good.jpg"}).end, RunEnd::Completed);

    EXPECT_THAT(runs.report.eventsOf("left out"),
                ElementsAre("left out: endless.jpg: larger than 5MB"));
    EXPECT_EQ(fs::directory_iterator(temp / "encrypted")->path().filename(), "good.jpg");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp / "encrypted"), fs::directory_iterator()),
              1);
    EXPECT_GT(calls.bytesRead, 5'119'999U);
    EXPECT_LT(calls.bytesRead, 5'120'000U + 8 * readPieceSize);
    const Bytes text = readFile(temp / "encrypted/good.jpg");
    const std::string_view container(reinterpret_cast<const char*>(text.data()), text.size());
    EXPECT_TRUE(container.ends_with("!#q3****\r\n")) << "the key of the first container";
    EXPECT_EQ(readContainer(container), good);
}

// A High level source that goes beyond the size limit as it is read leaves nothing of itself in
// the scratch file: it still holds the body of the last file encrypted.
TEST(HostileSurroundings, ASourceLeftOutLeavesTheScratchFileAsItWas) {
    TempFolder temp;
    const OwnCacheFolder cache(temp / "cache");
    const Bytes good = patternBytes(3000, 2);
    writeFile(temp / "good.jpg", good);
    writeFile(temp / "endless.jpg", patternBytes(100, 1));
    EndlessFile calls(temp / "endless.jpg");
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    ScriptedRuns runs(*files);
    EXPECT_EQ(
        runs.encrypt({temp / "good.jpg", temp / "endless.jpg"}, ContainerClass::HighLevel).end,
        RunEnd::Completed);

    std::string body;
    encodeBody(good, body);
    const Bytes scratch = readFile(temp / "cache/tarvex/thummb.db");
    EXPECT_EQ(std::string(scratch.begin(), scratch.end()), body + "\r\n");
}

// The machine's file system, but a container is written anew, with other content of the same
// size, right after the file before it has been read: the reading thread has begun to read it
// ahead by then, and its end is read after.
class RewrittenWhileReadAhead : public ForwardingFileSystem {
public:
    RewrittenWhileReadAhead(std::string before, std::string rewritten, Bytes content)
        : before_(std::move(before)), rewritten_(std::move(rewritten)),
          content_(std::move(content)) {}

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override {
        const FileVersion version = ForwardingFileSystem::readFile(path, next, opened, take);
        if (path == before_ && !done_) {
            done_ = true;
            writeFile(rewritten_, content_);
        }
        return version;
    }

private:
    std::string before_;
    std::string rewritten_;
    Bytes content_;
    bool done_ = false;
};

// A container rewritten in place while the run reads it ahead is restored from one version, the
// one it holds at the end: never a mix of the two, even when they begin alike.
TEST(HostileSurroundings, AContainerRewrittenWhileReadIsNeverRestoredAsAMix) {
    TempFolder temp;
    Bytes oldSource = patternBytes(3'000'000, 1);
    Bytes newSource = patternBytes(3'000'000, 2);
    std::copy_n(oldSource.begin(), 1000, newSource.begin());
    writeContainer(temp / "a.jpg", patternBytes(2'000'000, 3));
    writeContainer(temp / "b.jpg", oldSource);
    writeContainer(temp / "new.jpg", newSource);
    // The system's clock must tell the two writes of b.jpg apart, as it does for any file that
    // was not made the moment before.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RewrittenWhileReadAhead files(temp / "a.jpg", temp / "b.jpg", readFile(temp / "new.jpg"));
    ScriptedRuns runs(files);
    EXPECT_EQ(runs.decrypt({temp / "a.jpg", temp / "b.jpg"}).end, RunEnd::Completed);
    EXPECT_EQ(readFile(temp / "decrypted/b.jpg"), newSource);
}

// Every source that an encrypt run leaves out is told with its reason, in English as the console
// names them.
TEST(HostileSurroundings, EverySourceLeftOutIsNamedWithItsReason) {
    TempFolder temp;
    writeFile(temp / "a.jpg", patternBytes(100, 1));
    ASSERT_EQ(::mkfifo((temp / "pipe.jpg").c_str(), 0600), 0);
    const int fd = ::open((temp / "big.jpg").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 5'120'000), 0);
    ::close(fd);
    ScriptedRuns runs(localFileSystem());
    const RunResult result =
        runs.encrypt({temp / "a.jpg", temp / "pipe.jpg", temp / "missing.jpg", temp / "big.jpg"});
    EXPECT_EQ(result.end, RunEnd::Completed);
    EXPECT_EQ(result.done, 1);
    EXPECT_THAT(runs.report.eventsOf("left out"),
                ElementsAre("left out: pipe.jpg: not a regular file",
                            "left out: missing.jpg: cannot be read: No such file or directory",
                            "left out: big.jpg: larger than 5MB"));
}

// The machine's calls, but no folder named "encrypted" can be made: the file system is read-only.
class ReadOnlyFolder : public PosixCalls {
public:
    int mkdirAt(int folder, const char* name, mode_t mode) override {
        if (std::string_view(name) == "encrypted") {
            errno = EROFS;
            return -1;
        }
        return PosixCalls::mkdirAt(folder, name, mode);
    }
};

TEST(HostileSurroundings, TheFirstFileOfAFolderThatCouldNotBeMadeSaysWhy) {
    TempFolder temp;
    writeFile(temp / "a.jpg", patternBytes(100, 1));
    ReadOnlyFolder calls;
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    expectFileError(ScriptedRuns(*files).encrypt({temp / "a.jpg"}), FileAction::Create,
                    temp / "encrypted/a.jpg", EROFS);
}

// While another copy of the program writes the scratch file, a High level run says so and waits;
// a stop ends the wait, and the run, with nothing of the file in hand left.
TEST(HostileSurroundings, AStopEndsTheWaitForTheScratchFile) {
    TempFolder temp;
    const OwnCacheFolder cache(temp / "cache");
    writeFile(temp / "a.jpg", patternBytes(100, 1));
    const std::unique_ptr<FileWriter> held = openScratchFile(systemCalls(), [] { return false; });
    ASSERT_NE(held, nullptr);
    ScriptedRuns runs(localFileSystem());
    // The run is asked to stop the first time the wait asks.
    const std::string waiting =
        "notice: another copy of the program is writing its scratch file; waiting";
    runs.report.stopWhen = [&runs, &waiting](int) {
        return runs.report.events().back() == waiting;
    };
    EXPECT_EQ(runs.encrypt({temp / "a.jpg"}, ContainerClass::HighLevel).end, RunEnd::Stopped);
    EXPECT_THAT(runs.report.events(), ElementsAre("started 1", waiting, "wait over"));
    EXPECT_TRUE(fs::is_empty(temp / "encrypted"));
}

// A huge file that is no container (a sparse one, all NUL bytes) is asked about at once, in the
// memory that a run over a 5 MB container takes: the console program never holds a file whole.
TEST(HostileSurroundings, AHugeNonContainerIsAskedAboutAtOnceInLittleMemory) {
    TempFolder temp;
    const Bytes good = patternBytes(5'000'000, 3);
    writeFile(temp / "good.jpg", good);
    ASSERT_EQ(runCli({"encrypt", "--password-stdin", "good.jpg"}, "secret1\n", temp.path()), 0);
    for (const auto& [name, size] :
         {std::pair{"large.jpg", 256LL << 20}, {"huge.jpg", 8LL << 30}}) {
        const int fd =
            ::open((temp / ("encrypted/" + std::string(name))).c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    const auto decrypt = [&temp](const std::vector<std::string>& arguments, int status) {
        CliProcess cli(arguments, "secret1\n", temp / "encrypted");
        const int ended = cli.wait();
        EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == status)
            << ::testing::PrintToString(arguments) << ", status " << ended;
        return cli.usage().ru_maxrss;
    };
    const long small = decrypt({"decrypt", "--yes", "--password-stdin", "good.jpg"}, 0);
    constexpr long marginKb = 16 * 1024;

    // Told to go on, the run reads it no further than the largest container could be, and
    // leaves it out.
    auto started = std::chrono::steady_clock::now();
    const long restoring =
        decrypt({"decrypt", "--yes", "--password-stdin", "good.jpg", "large.jpg"}, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_LT(restoring, small + marginKb);
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/good.jpg"), good);
    EXPECT_FALSE(fs::exists(temp / "encrypted/decrypted/large.jpg"));

    started = std::chrono::steady_clock::now();
    const long asking = decrypt({"decrypt", "--password-stdin", "huge.jpg"}, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_LT(asking, small + marginKb);
}

} // namespace
} // namespace tarvex::testing
