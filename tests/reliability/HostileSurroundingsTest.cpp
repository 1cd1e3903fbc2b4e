// Surroundings that a hostile or careless user makes: output folders that are links back into the
// selection, a source without end, a folder that cannot be made, another copy holding the scratch
// file, and a huge file that is no container.
#include "OwnCacheFolder.h"
#include "ScriptedWindow.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/LocalFileSystem.h"
#include "files/PathParts.h"
#include "files/ScratchFile.h"
#include "support/CliProcess.h"
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
#include <unistd.h>

namespace tarvex::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void writeContainer(const std::string& path, const Bytes& source) {
    KeyGenerator generator;
    const std::string text = buildContainer(source, ContainerClass::Standard, "secret1", generator,
                                            [](std::string_view) {});
    writeFile(path, {text.begin(), text.end()});
}

// With the output folder a link back to the folder of the selection, an output whose name is
// that of another selected file would take its place: it is refused, the run ends as on a file
// error, and every selected file stays as it was.
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
        Window window(localFileSystem());
        window.platform.suffix = 1;
        window.select(selected);
        const RunOutcome outcome =
            c.encrypt ? window.runs.btnencClick() : window.runs.btndecClick();
        EXPECT_EQ(outcome, RunOutcome::FileError) << c.names[0];
        EXPECT_THAT(window.platform.messages(),
                    ElementsAre(HasSubstr("/" + c.names[1] + "\". File exists")));
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

// A source that goes on beyond the size limit as it is read is over the limit: counted in the
// summary, with nothing left of it; the reading stops soon after the limit, and the file after it
// gets the container it would have had.
TEST(HostileSurroundings, ASourceWithoutEndStopsAtTheSizeLimit) {
    TempFolder temp;
    writeFile(temp / "endless.jpg", patternBytes(100, 1));
    const Bytes good = patternBytes(2000, 2);
    writeFile(temp / "good.jpg", good);
    EndlessFile calls(temp / "endless.jpg");
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    Window window(*files);
    window.select({temp / "endless.jpg", temp / "good.jpg"});
    window.platform.script.answerNextQuestion(false);
    EXPECT_EQ(window.runs.btnencClick(), RunOutcome::Completed);

    EXPECT_THAT(window.platform.messages(),
                ElementsAre("1 of 2 images are larger than 5MB which not support, 1 images done."));
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

// The machine's calls, but no folder named "encrypted" can be made: the file system is read-only.
class ReadOnlyFolder : public PosixCalls {
public:
    int mkdir(const char* path, mode_t mode) override {
        if (namePart(path) == "encrypted") {
            errno = EROFS;
            return -1;
        }
        return PosixCalls::mkdir(path, mode);
    }
};

TEST(HostileSurroundings, TheFirstFileOfAFolderThatCouldNotBeMadeSaysWhy) {
    TempFolder temp;
    writeFile(temp / "a.jpg", patternBytes(100, 1));
    ReadOnlyFolder calls;
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    Window window(*files);
    window.select({temp / "a.jpg"});
    EXPECT_EQ(window.runs.btnencClick(), RunOutcome::FileError);
    EXPECT_THAT(window.platform.messages(),
                ElementsAre("Cannot create file \"" + temp.path() +
                            "/encrypted/a.jpg\". Read-only file system"));
}

// While another copy of the program writes the scratch file, a High level run says so and waits;
// Cancel ends the wait as it ends a run, with nothing of the file in hand left.
TEST(HostileSurroundings, CancelEndsTheWaitForTheScratchFile) {
    TempFolder temp;
    const OwnCacheFolder cache(temp / "cache");
    writeFile(temp / "a.jpg", patternBytes(100, 1));
    const std::unique_ptr<FileWriter> held = openScratchFile(systemCalls(), [] { return false; });
    ASSERT_NE(held, nullptr);
    Window window(localFileSystem());
    window.platform.level = ContainerClass::HighLevel;
    window.platform.onProcessMessages = [&window](int call) {
        if (call == 3) {
            window.runs.btncancelClick();
        }
    };
    window.select({temp / "a.jpg"});
    EXPECT_EQ(window.runs.btnencClick(), RunOutcome::EndedEarly);

    const auto& events = window.platform.events();
    const auto waiting =
        std::find(events.begin(), events.end(),
                  "waiting: another copy of the program is writing its scratch file; waiting");
    ASSERT_NE(waiting, events.end());
    EXPECT_THAT(std::vector(waiting + 1, events.end()),
                ::testing::IsSupersetOf({"waiting: ", "message: Canceled!", "height: resting"}));
    EXPECT_EQ(window.platform.processMessagesCalls(), 3);
    EXPECT_TRUE(fs::is_empty(temp / "encrypted"));
}

// A huge file that is no container (a sparse one, all NUL bytes) is asked about at once, and
// even restored when the user says Yes, in the memory that a run over a 5 MB container takes: the
// console program never holds a file whole.
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

    const long restoring =
        decrypt({"decrypt", "--yes", "--password-stdin", "good.jpg", "large.jpg"}, 0);
    EXPECT_LT(restoring, small + marginKb);
    EXPECT_EQ(readFile(temp / "encrypted/decrypted/good.jpg"), good);
    EXPECT_EQ(fs::file_size(temp / "encrypted/decrypted/large.jpg"), 0U);

    const auto started = std::chrono::steady_clock::now();
    const long asking = decrypt({"decrypt", "--password-stdin", "huge.jpg"}, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_LT(asking, small + marginKb);
}

} // namespace
} // namespace tarvex::testing
