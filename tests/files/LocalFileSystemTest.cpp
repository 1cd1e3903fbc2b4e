#include "files/LocalFileSystem.h"

#include "FileFailure.h"
#include "files/ScratchFile.h"
#include "support/Umask.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace tarvex {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, and the variables that choose the scratch folder put back afterwards.
class LocalFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarvex-fs-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        for (const char* name : {"XDG_CACHE_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
    }

    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        fs::remove_all(folder_);
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    static std::string contentOf(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static mode_t modeOf(const fs::path& file) {
        struct stat status {};
        EXPECT_EQ(::lstat(file.c_str(), &status), 0) << file;
        return status.st_mode & 07777;
    }

    std::vector<std::string> namesIn(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Replaces the content of the scratch file with `text`.
    void writeScratch(std::string_view text) {
        const std::unique_ptr<FileWriter> file = files_->openScratch([] { return false; });
        ASSERT_NE(file, nullptr) << "the scratch file is held";
        file->write(asBytes(text));
        file->complete();
    }

    // Replaces (or creates) `path` with `bytes`, made from `source`.
    void saveFile(const std::string& path, std::span<const std::uint8_t> bytes,
                  const std::string& source) {
        const std::unique_ptr<FileWriter> file = files_->createFile(path, source, {}, {});
        file->write(bytes);
        file->complete();
    }

    // The whole content of `path`, read in pieces.
    std::vector<std::uint8_t> loadFile(const std::string& path) {
        std::vector<std::uint8_t> bytes;
        files_->readFile(path, "", {}, [&bytes](std::span<const std::uint8_t> piece) {
            bytes.insert(bytes.end(), piece.begin(), piece.end());
            return true;
        });
        return bytes;
    }

    // The source of a file that a test makes without looking at its permissions: open to all.
    static constexpr const char* anySource = "/dev/null";

    FileSystem* files_ = &localFileSystem();
    fs::path folder_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The machine's calls, but on a file system without unnamed files, as NFS or FAT: outputs are
// written through named temporary files.
class NoUnnamedFiles : public PosixCalls {
public:
    int openAt(int folder, const char* name, int flags, mode_t mode) override {
        if ((flags & O_TMPFILE) == O_TMPFILE) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return PosixCalls::openAt(folder, name, flags, mode);
    }
};

// Outputs written both ways: through an unnamed file (true), and through a named one.
class ReplacementTest : public LocalFileSystemTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        LocalFileSystemTest::SetUp();
        if (!GetParam()) {
            files_ = named_.get();
        }
    }

    PosixCalls& calls() { return GetParam() ? systemCalls() : noUnnamed_; }

    NoUnnamedFiles noUnnamed_;
    std::unique_ptr<FileSystem> named_ = localFileSystemOver(noUnnamed_);
};

INSTANTIATE_TEST_SUITE_P(BothWays, ReplacementTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Unnamed" : "Named";
                         });

TEST_P(ReplacementTest, SaveFileReplacesAtomicallyAndLeavesNoTemporaryFile) {
    const std::string target = path("a.jpg");
    saveFile(target, asBytes("an earlier, longer content"), anySource);
    saveFile(target, asBytes("new"), anySource);
    EXPECT_EQ(contentOf(target), "new");
    EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"a.jpg"});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf(target), 0666 & ~mask);
    EXPECT_EQ(loadFile(target), std::vector<std::uint8_t>({'n', 'e', 'w'}));
}

// A private photo must not give a container that others can read: group and others get the read
// and write permissions they have on the source, less the umask, also when the new file replaces
// a more open one. The owner can always read and write what the program made.
TEST_P(ReplacementTest, NewFileIsNoMoreOpenThanItsSource) {
    const testing::Umask umask(022);
    struct Case {
        mode_t source;
        mode_t made;
    };
    for (const Case c : {Case{0600, 0600}, Case{0640, 0640}, Case{0755, 0644}, Case{0444, 0644},
                         Case{0000, 0600}, Case{0666, 0644}}) {
        const std::string source = path("source");
        saveFile(source, asBytes("photo"), anySource);
        ASSERT_EQ(::chmod(source.c_str(), c.source), 0);
        const std::string target = path("made");
        saveFile(target, asBytes("open to all"), anySource);
        saveFile(target, asBytes("photo"), source);
        EXPECT_EQ(modeOf(target), c.made) << std::oct << c.source;
        EXPECT_EQ(contentOf(target), "photo");
    }
    saveFile(path("orphan"), asBytes("x"), path("vanished"));
    EXPECT_EQ(modeOf(path("orphan")), 0600u);
    const testing::Umask strict(077);
    saveFile(path("strict"), asBytes("x"), anySource);
    EXPECT_EQ(modeOf(path("strict")), 0600u);
}

using testing::cannotCreateBecause;
using testing::cannotOpenBecause;
using testing::failureOf;
using testing::FileFailure;

TEST_F(LocalFileSystemTest, MissingFilesAndFoldersAreNamedInTheError) {
    const std::string target = path("missing/a.jpg");
    EXPECT_EQ(failureOf([&] { saveFile(target, asBytes("x"), anySource); }),
              cannotCreateBecause(target, ENOENT));
    const std::string missing = path("none.jpg");
    EXPECT_EQ(failureOf([&] { loadFile(missing); }), cannotOpenBecause(missing, ENOENT));
}

// An output in the place of its own source, or of another file of the run that it reaches under
// a second name, would destroy it: the output is refused, and the file kept.
TEST_P(ReplacementTest, OutputIsNeverWrittenOverAFileOfTheRun) {
    const std::string source = path("a.jpg");
    const std::string other = path("b.jpg");
    saveFile(source, asBytes("photo"), anySource);
    saveFile(other, asBytes("other photo"), anySource);
    EXPECT_EQ(failureOf([&] { saveFile(source, asBytes("container"), source); }),
              cannotCreateBecause(source, EEXIST));

    fs::create_directory(folder_ / "encrypted");
    fs::create_hard_link(other, folder_ / "encrypted/a.jpg");
    const std::string output = path("encrypted/a.jpg");
    EXPECT_EQ(failureOf([&] { files_->createFile(output, source, files_->identify({other}), {}); }),
              cannotCreateBecause(output, EEXIST));
    EXPECT_EQ(contentOf(source), "photo");
    EXPECT_EQ(contentOf(other), "other photo");
    EXPECT_EQ(namesIn(folder_ / "encrypted"), std::vector<std::string>{"a.jpg"});
}

// In a folder that all may write to, as /tmp, another user may make the output folder first, or
// a link by its name: the outputs would be open to that user, or go anywhere. Such a folder is
// refused, and nothing is written into it; a folder that others may write to but where only
// the owner of a file may remove it (sticky) is the user's to use.
TEST_F(LocalFileSystemTest, OutputsGoOnlyIntoFoldersThatAreTheUsersOwn) {
    const std::string source = path("a.jpg");
    saveFile(source, asBytes("photo"), anySource);
    const fs::path elsewhere = folder_ / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, folder_ / "link");
    struct Case {
        std::string folder;
        mode_t mode;
        FileProblem problem;
    };
    std::vector<Case> cases = {{"link", 0, FileProblem::FolderIsALink},
                               {"open", 0777, FileProblem::FolderOpenToOthers},
                               {"group", 0770, FileProblem::FolderOpenToOthers}};
    if (::geteuid() == 0) {
        cases.push_back({"nobody's", 0755, FileProblem::FolderOfAnotherUser});
    }
    for (const Case& c : cases) {
        const fs::path folder = folder_ / c.folder;
        if (c.mode != 0) {
            fs::create_directory(folder);
            ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        }
        if (c.problem == FileProblem::FolderOfAnotherUser) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        }
        const std::string output = (folder / "a.jpg").string();
        EXPECT_EQ(failureOf([&] { saveFile(output, asBytes("restored"), source); }),
                  FileFailure(FileAction::Create, output, c.problem, folder.string()));
        EXPECT_TRUE(fs::is_empty(folder));
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));

    fs::create_directory(folder_ / "sticky");
    ASSERT_EQ(::chmod(path("sticky").c_str(), 01777), 0);
    saveFile(path("sticky/a.jpg"), asBytes("restored"), source);
    EXPECT_EQ(contentOf(path("sticky/a.jpg")), "restored");
}

TEST_P(ReplacementTest, FailedWriteKeepsTheEarlierFileAndRemovesTheTemporaryOne) {
    const std::string target = path("a.jpg");
    saveFile(target, asBytes("earlier"), anySource);
    // A file size limit makes the write fail even for root.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto failure =
        failureOf([&] { saveFile(target, asBytes("much more than four bytes"), anySource); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(failure, cannotCreateBecause(target, EFBIG));
    EXPECT_EQ(contentOf(target), "earlier");
    EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"a.jpg"});
}

// Whether a writer holds `file` locked.
bool isLocked(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// A plain picture must not outlive a run killed half-way under a name of its own: where the file
// system has unnamed files, nothing at all is left; elsewhere the named file, owner-only and
// locked while written, is taken away by the next run's first output in its folder.
TEST_P(ReplacementTest, AWriterGivenUpOrKilledLeavesNothingBehind) {
    const fs::path out = folder_ / "out";
    fs::create_directory(out);
    const std::string target = (out / "a.jpg").string();
    {
        const std::unique_ptr<FileWriter> file = files_->createFile(target, anySource, {}, {});
        file->write(asBytes("plain picture"));
        const std::vector<std::string> names = namesIn(out);
        if (GetParam()) {
            EXPECT_TRUE(names.empty());
        } else {
            ASSERT_EQ(names.size(), 1u);
            EXPECT_TRUE(names[0].starts_with(".a.jpg.") && names[0].ends_with(".tmp")) << names[0];
            EXPECT_EQ(modeOf(out / names[0]), 0600u);
            EXPECT_TRUE(isLocked(out / names[0]));
        }
    }
    EXPECT_TRUE(fs::is_empty(out));

    const pid_t child = ::fork();
    if (child == 0) {
        try {
            const std::unique_ptr<FileSystem> files = localFileSystemOver(calls());
            const std::unique_ptr<FileWriter> file = files->createFile(target, anySource, {}, {});
            file->write(asBytes("plain picture"));
            ::raise(SIGKILL);
        } catch (...) {
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(namesIn(out).size(), GetParam() ? 0u : 1u);

    const std::unique_ptr<FileSystem> nextRun = localFileSystemOver(calls());
    const std::unique_ptr<FileWriter> file = nextRun->createFile(target, anySource, {}, {});
    file->write(asBytes("restored"));
    file->complete();
    EXPECT_EQ(namesIn(out), std::vector<std::string>{"a.jpg"});
}

// Only a regular file of the user's with a name that a writer gives, that no living writer holds
// locked, is taken for one that a killed writer left.
TEST_F(LocalFileSystemTest, OnlyWhatKilledWritersLeftIsTakenAway) {
    const fs::path out = folder_ / "out";
    fs::create_directory(out);
    NoUnnamedFiles noUnnamed;
    const std::unique_ptr<FileSystem> otherRun = localFileSystemOver(noUnnamed);
    const std::unique_ptr<FileWriter> living =
        otherRun->createFile((out / "b.jpg").string(), anySource, {}, {});
    const std::vector<std::string> livingNames = namesIn(out);
    ASSERT_EQ(livingNames.size(), 1u);

    const auto put = [&out](const std::string& name) { std::ofstream(out / name) << "picture"; };
    put(".a.jpg.Ab3dE9.tmp");
    std::vector<std::string> kept = {".a.jpg.tmp",        "a.jpg.Ab3dE9.tmp",   ".a.jpg.Ab3dE.tmp",
                                     ".a.jpg.Ab-dE9.tmp", ".a.jpg.Ab3dE9.tmp~", "..Ab3dE9.tmp"};
    for (const std::string& name : kept) {
        put(name);
    }
    fs::create_directory(out / ".c.jpg.Ab3dE9.tmp");
    saveFile(path("victim"), asBytes("keep"), anySource);
    fs::create_symlink(path("victim"), out / ".d.jpg.Ab3dE9.tmp");
    kept.insert(kept.end(), {".c.jpg.Ab3dE9.tmp", ".d.jpg.Ab3dE9.tmp", livingNames[0], "new.jpg"});
    if (::geteuid() == 0) {
        put(".e.jpg.Ab3dE9.tmp");
        ASSERT_EQ(::chown((out / ".e.jpg.Ab3dE9.tmp").c_str(), 65534, 65534), 0);
        kept.push_back(".e.jpg.Ab3dE9.tmp");
    }

    const std::unique_ptr<FileSystem> nextRun = localFileSystemOver(systemCalls());
    const std::unique_ptr<FileWriter> file =
        nextRun->createFile((out / "new.jpg").string(), anySource, {}, {});
    file->complete();
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(namesIn(out), kept);
    EXPECT_EQ(contentOf(path("victim")), "keep");
    living->write(asBytes("picture"));
    living->complete();
    EXPECT_EQ(contentOf(out / "b.jpg"), "picture");
}

// A file that cannot be taken says why, so that the user is not told it is too large; a pipe
// is not waited for.
TEST_F(LocalFileSystemTest, ReadableSizeSaysWhyAFileCannotBeTaken) {
    saveFile(path("five"), asBytes("12345"), anySource);
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    EXPECT_EQ(files_->readableSize(path("five")).bytes, 5u);
    const std::error_code notRegular = FileProblem::NotRegularFile;
    for (const auto& [file, reason] : {std::pair{path("five"), std::error_code()},
                                       {path("none"), systemReason(ENOENT)},
                                       {folder_.string(), systemReason(EISDIR)},
                                       {path("pipe"), notRegular},
                                       {"/dev/null", notRegular},
                                       {path(std::string(300, 'x')), systemReason(ENAMETOOLONG)}}) {
        EXPECT_EQ(files_->readableSize(file).reason, reason) << file;
    }
}

TEST_F(LocalFileSystemTest, OnlyRegularFilesAreReadAndNoneIsWaitedFor) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    const std::string pipe = path("pipe");
    const std::string device = "/dev/zero";
    const PieceReceiver ignore = [](std::span<const std::uint8_t>) { return true; };
    const std::error_code notRegular = FileProblem::NotRegularFile;
    for (const auto& [file, reason] : {std::pair{pipe, notRegular}, std::pair{device, notRegular},
                                       std::pair{folder_.string(), systemReason(EISDIR)}}) {
        const FileFailure expected{FileAction::Open, file, reason};
        EXPECT_EQ(failureOf([&] { loadFile(file); }), expected);
        EXPECT_EQ(failureOf([&] { files_->readFile(file, "", {}, ignore); }), expected);
        EXPECT_EQ(failureOf([&] { files_->readFileEnd(file, 10); }), expected);
    }
}

// Whether this process has `file` open with its offset beyond its start: a reading of it began.
bool isBeingRead(const fs::path& file) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) != file) {
            continue;
        }
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        std::string field;
        long long position = 0;
        if (info >> field >> position && field == "pos:" && position > 0) {
            return true;
        }
    }
    return false;
}

// A file written to, or replaced, while it is read ahead, between the reading of its end and the
// reading of the whole, or during that, would be restored as a mix of two versions: the versions
// of the two readings do not match then. The file's time is set back first, as that of a file
// written long before, so that a rewrite within one tick of the clock cannot hide it.
TEST_F(LocalFileSystemTest, AFileThatChangesWhileItIsReadIsSeenToChange) {
    const std::string file = path("a.jpg");
    const std::vector<std::uint8_t> first(6 * readPieceSize + 10, 'a');
    const std::vector<std::uint8_t> second(first.size(), 'b');
    const auto makeOld = [&file] {
        const timespec longAgo[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), longAgo, 0), 0);
    };
    const std::function<void()> rewrite = [&file, &second] {
        std::ofstream out(file, std::ios::binary | std::ios::in);
        out.write(reinterpret_cast<const char*>(second.data()),
                  static_cast<std::streamsize>(second.size()));
    };
    const std::function<void()> replace = [&] { saveFile(file, second, anySource); };
    const PieceReceiver ignore = [](std::span<const std::uint8_t>) { return true; };
    // A file read ahead follows one of more than a piece.
    const std::string other = path("other.jpg");
    saveFile(other, std::vector<std::uint8_t>(readPieceSize, 'o'), anySource);

    saveFile(file, first, anySource);
    makeOld();
    const FileEnd untouched = files_->readFileEnd(file, 10);
    EXPECT_TRUE(files_->readFile(file, "", {}, ignore).matches(untouched.version));
    EXPECT_TRUE(
        files_->readFile(file, "", {}, ignore).matches(files_->readFileEnd(file, 10).version));

    for (const std::function<void()>& change : {rewrite, replace}) {
        // Between the reading of its end and that of the whole file.
        saveFile(file, first, anySource);
        makeOld();
        const FileEnd end = files_->readFileEnd(file, 10);
        change();
        EXPECT_FALSE(files_->readFile(file, "", {}, ignore).matches(end.version));

        // While the file named next was read ahead, before its end was read.
        saveFile(file, first, anySource);
        makeOld();
        files_->readFile(other, file, {}, ignore);
        const auto waited = std::chrono::steady_clock::now();
        while (!isBeingRead(file)) {
            ASSERT_LT(std::chrono::steady_clock::now() - waited, std::chrono::seconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        change();
        const FileEnd aheadEnd = files_->readFileEnd(file, 10);
        EXPECT_EQ(aheadEnd.bytes, std::vector<std::uint8_t>(10, 'b'));
        EXPECT_FALSE(files_->readFile(file, "", {}, ignore).matches(aheadEnd.version));
    }

    // Written to in place while the whole file is read, after its first pieces.
    saveFile(file, first, anySource);
    makeOld();
    const FileEnd end = files_->readFileEnd(file, 10);
    bool rewritten = false;
    const FileVersion whole = files_->readFile(file, "", {}, [&](std::span<const std::uint8_t>) {
        if (!rewritten) {
            rewrite();
            rewritten = true;
        }
        return true;
    });
    EXPECT_FALSE(whole.matches(end.version));
    EXPECT_FALSE(whole.steady);
}

// Counts the files opened for reading, and the bytes read.
class CountedOpens final : public PosixCalls {
public:
    int openAt(int folder, const char* name, int flags, mode_t mode) override {
        if ((flags & O_ACCMODE) == O_RDONLY && (flags & (O_DIRECTORY | O_PATH)) == 0) {
            ++opened;
        }
        return PosixCalls::openAt(folder, name, flags, mode);
    }
    ssize_t read(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixCalls::read(fd, buffer, size);
        bytesRead += got > 0 ? static_cast<std::size_t>(got) : 0;
        return got;
    }
    int opened = 0;
    std::size_t bytesRead = 0;
};

// A file of less than a piece is opened once for its end and its whole, which are of one content
// then: changed between the two readings, it is read as it was when its end was.
TEST_F(LocalFileSystemTest, ASmallFileIsOpenedOnceForItsEndAndItsWhole) {
    CountedOpens calls;
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    const std::string file = path("small.tvx");
    const std::vector<std::uint8_t> first(readPieceSize - 1, 'a');
    saveFile(file, first, anySource);
    saveFile(path("other.tvx"), asBytes("other"), anySource);
    const auto changed = [] {
        const std::span<const std::uint8_t> bytes = asBytes("changed");
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }();
    const auto whole = [&](const std::string& path) {
        std::vector<std::uint8_t> bytes;
        const FileVersion version =
            files->readFile(path, "", {}, [&](std::span<const std::uint8_t> piece) {
                bytes.insert(bytes.end(), piece.begin(), piece.end());
                return true;
            });
        return std::pair(bytes, version);
    };

    const FileEnd end = files->readFileEnd(file, 10);
    EXPECT_EQ(end.bytes, std::vector<std::uint8_t>(10, 'a'));
    EXPECT_FALSE(end.wholeFile);
    saveFile(file, asBytes("changed"), anySource);
    const auto [bytes, version] = whole(file);
    EXPECT_EQ(calls.opened, 1);
    EXPECT_EQ(bytes, first);
    EXPECT_TRUE(version.matches(end.version));

    // Kept for the reading that follows only.
    EXPECT_EQ(whole(file).first, changed);
    files->readFileEnd(file, 10);
    whole(path("other.tvx"));
    EXPECT_EQ(whole(file).first, changed);
    EXPECT_EQ(calls.opened, 5);
}

// A reading of a file's start reads no further than its caller takes, on the caller's thread, and
// hands the whole file over in order to a caller that takes it all.
TEST_F(LocalFileSystemTest, AFileStartIsReadNoFurtherThanItIsTaken) {
    CountedOpens calls;
    const std::unique_ptr<FileSystem> files = localFileSystemOver(calls);
    const std::string file = path("large.tvx");
    std::vector<std::uint8_t> content(3 * readPieceSize + 5);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    saveFile(file, content, anySource);

    std::vector<std::uint8_t> first;
    files->readFileStart(file, {}, [&](std::span<const std::uint8_t> piece) {
        first.assign(piece.begin(), piece.end());
        return false;
    });
    ASSERT_FALSE(first.empty());
    EXPECT_LT(first.size(), readPieceSize);
    EXPECT_EQ(calls.bytesRead, first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), content.begin()));

    std::vector<std::uint8_t> whole;
    const FileVersion version =
        files->readFileStart(file, {}, [&](std::span<const std::uint8_t> piece) {
            whole.insert(whole.end(), piece.begin(), piece.end());
            return true;
        });
    EXPECT_EQ(whole, content);
    EXPECT_TRUE(version.steady);
    EXPECT_EQ(calls.bytesRead, first.size() + content.size());
}

TEST_F(LocalFileSystemTest, CreateFolderIgnoresExistingAndImpossibleFolders) {
    files_->createFolder(path("out"), false);
    files_->createFolder(path("out"), false);
    files_->createFolder(path("no/such/parent"), false);
    EXPECT_TRUE(fs::is_directory(path("out")));
    EXPECT_FALSE(fs::exists(path("no")));
}

// Others could put files into an output folder that they may write to, whatever the umask; an
// owner-only folder keeps them from even looking.
TEST_F(LocalFileSystemTest, OutputFoldersAreWrittenToByTheirOwnerOnly) {
    for (const mode_t mask : {0000, 0022, 0077}) {
        const testing::Umask umask(mask);
        for (const bool ownerOnly : {false, true}) {
            const std::string folder = path("out" + std::to_string(mask) + ":" +
                                            std::to_string(static_cast<int>(ownerOnly)));
            files_->createFolder(folder, ownerOnly);
            EXPECT_EQ(modeOf(folder), (ownerOnly ? 0700 : 0755) & ~mask) << folder;
        }
    }
}

// The machine's calls, but the folders' entries come without their kinds, as on file systems
// that keep none: they are looked up, links not followed.
class EntriesWithoutKinds : public PosixCalls {
public:
    ssize_t getdents64(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixCalls::getdents64(fd, buffer, size);
        auto* const bytes = static_cast<unsigned char*>(buffer);
        for (ssize_t at = 0; at < got;) {
            const unsigned char unknown = DT_UNKNOWN;
            std::memcpy(bytes + at + offsetof(dirent64, d_type), &unknown, 1);
            unsigned short length = 0;
            std::memcpy(&length, bytes + at + offsetof(dirent64, d_reclen), sizeof length);
            at += length;
        }
        return got;
    }
};

TEST_F(LocalFileSystemTest, AFolderIsListedWithTheKindOfEachEntry) {
    const fs::path listed = folder_ / "listed";
    fs::create_directories(listed / "sub");
    saveFile((listed / "a.jpg").string(), asBytes("photo"), anySource);
    fs::create_symlink("sub", listed / "to-folder");
    fs::create_symlink("gone", listed / "dangling");
    ASSERT_EQ(::mkfifo((listed / "pipe").c_str(), 0600), 0);
    // Each entry comes with the file it is, as its own status says.
    const auto entry = [&](const char* name, EntryKind kind) {
        struct stat status {};
        EXPECT_EQ(::lstat((listed / name).c_str(), &status), 0);
        return FolderEntry{name, kind, {status.st_dev, status.st_ino}};
    };
    const std::vector<FolderEntry> expected = {
        entry("a.jpg", EntryKind::RegularFile), entry("dangling", EntryKind::Link),
        entry("pipe", EntryKind::Other), entry("sub", EntryKind::Folder),
        entry("to-folder", EntryKind::Link)};
    const auto byName = [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; };
    const auto shown = [](const std::vector<FolderEntry>& entries) {
        std::vector<std::tuple<std::string, EntryKind, dev_t, ino_t>> rows;
        for (const FolderEntry& e : entries) {
            rows.emplace_back(e.name, e.kind, e.identity.device, e.identity.inode);
        }
        return rows;
    };
    EntriesWithoutKinds withoutKinds;
    for (PosixCalls* calls : {&systemCalls(), static_cast<PosixCalls*>(&withoutKinds)}) {
        const std::unique_ptr<FileSystem> files = localFileSystemOver(*calls);
        std::vector<FolderEntry> entries = files->listFolder(listed.string());
        std::sort(entries.begin(), entries.end(), byName);
        EXPECT_EQ(shown(entries), shown(expected));
        EXPECT_TRUE(files->listFolder((listed / "sub").string()).empty());
        for (const auto& [folder, error] : {std::pair{listed / "none", ENOENT},
                                            {listed / "a.jpg", ENOTDIR},
                                            {listed / "pipe", ENOTDIR}}) {
            EXPECT_EQ(failureOf([&] { files->listFolder(folder.string()); }),
                      cannotOpenBecause(folder.string(), error));
        }
    }
}

// Runs `step` in a child process as the user nobody, with no group but nogroup; gives what it
// returns, or the FileFailure it throws as text, or "not run" when the machine does not let the
// test become nobody (not root).
std::string asNobody(const std::function<std::string()>& step) {
    constexpr uid_t nobody = 65534;
    int channel[2];
    if (::geteuid() != 0 || ::pipe(channel) != 0) {
        return "not run";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::string said = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0) {
            const auto failure = failureOf([&] { said = step(); });
            if (failure) {
                said = ::testing::PrintToString(*failure);
            }
        }
        const ssize_t written = ::write(channel[1], said.data(), said.size());
        ::_exit(written == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return said;
}

// An access control list in the binary form Linux keeps it in: a version, then entries of a tag,
// permissions and the id of a named user or group, in the order of their tags.
std::vector<std::uint8_t> accessList(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
    std::vector<std::uint8_t> list;
    const auto put = [&list](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            list.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    put(2, 4);
    for (const auto& [tag, permissions, id] : entries) {
        put(tag, 2);
        put(permissions, 2);
        put(id, 4);
    }
    return list;
}

// A file of a setgid folder takes the folder's group, and a folder's default access control list
// gives its files lists of their own: an output would let in whom its source does not. The group
// of a source is given to its output where the user may, and otherwise the group gets nothing;
// a source whose list names others gives an owner-only output.
TEST_P(ReplacementTest, NewFileLetsInNoOneItsSourceKeepsOut) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give files and folders to other users and groups";
    }
    const testing::Umask umask(022);
    constexpr gid_t users = 100;
    constexpr uid_t nobody = 65534;
    ASSERT_EQ(::chmod(folder_.c_str(), 0755), 0);
    const std::string source = path("source");
    saveFile(source, asBytes("photo"), anySource);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    // Folders of root's and of nobody's, that give their files the group users.
    const fs::path shared = folder_ / "shared";
    const fs::path nobodys = folder_ / "nobodys";
    for (const auto& [folder, owner] : {std::pair{shared, uid_t{0}}, {nobodys, nobody}}) {
        fs::create_directory(folder);
        ASSERT_EQ(::chown(folder.c_str(), owner, users), 0);
        ASSERT_EQ(::chmod(folder.c_str(), 02755), 0);
    }
    const auto statusOf = [](const fs::path& file) {
        struct stat status {};
        EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
        return status;
    };

    // Root may give the output the source's group.
    saveFile((shared / "by-root").string(), asBytes("photo"), source);
    EXPECT_EQ(statusOf(shared / "by-root").st_gid, statusOf(source).st_gid);
    EXPECT_EQ(modeOf(shared / "by-root"), 0640u);

    // Nobody, the owner of the source but no member of its group, may not.
    ASSERT_EQ(::chown(source.c_str(), nobody, 0), 0);
    const std::string said = asNobody([&] {
        const std::unique_ptr<FileSystem> files = localFileSystemOver(calls());
        const std::unique_ptr<FileWriter> file =
            files->createFile((nobodys / "by-nobody").string(), source, {}, {});
        file->write(asBytes("photo"));
        file->complete();
        return std::string("done");
    });
    EXPECT_EQ(said, "done");
    EXPECT_EQ(statusOf(nobodys / "by-nobody").st_gid, users);
    EXPECT_EQ(modeOf(nobodys / "by-nobody"), 0600u);

    // user::rw- group::--- group:nogroup:r-- mask::r-- other::---, shown as 0640.
    const std::vector<std::uint8_t> list = accessList(
        {{0x01, 6, ~0U}, {0x04, 0, ~0U}, {0x08, 4, nobody}, {0x10, 4, ~0U}, {0x20, 0, ~0U}});
    if (::setxattr(source.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0) {
        GTEST_SKIP() << "no access control lists here: " << std::strerror(errno);
    }
    ASSERT_EQ(modeOf(source), 0640u);
    saveFile(path("from-listed"), asBytes("photo"), source);
    EXPECT_EQ(modeOf(path("from-listed")), 0600u);

    // A folder whose default list lets nobody read what is made in it.
    const fs::path listing = folder_ / "listing";
    fs::create_directory(listing);
    ASSERT_EQ(::removexattr(source.c_str(), "system.posix_acl_access"), 0);
    const std::vector<std::uint8_t> defaults = accessList(
        {{0x01, 7, ~0U}, {0x02, 6, nobody}, {0x04, 5, ~0U}, {0x10, 7, ~0U}, {0x20, 5, ~0U}});
    ASSERT_EQ(::setxattr(listing.c_str(), "system.posix_acl_default", defaults.data(),
                         defaults.size(), 0),
              0);
    saveFile((listing / "made").string(), asBytes("photo"), source);
    EXPECT_LT(::getxattr((listing / "made").c_str(), "system.posix_acl_access", nullptr, 0), 0);
    EXPECT_EQ(errno, ENODATA);
    EXPECT_EQ(modeOf(listing / "made") & 0066, 0040u);
}

TEST_F(LocalFileSystemTest, ScratchFileIsOwnerOnlyAndReplaced) {
    writeScratch("first body\r\n");
    writeScratch("second\r\n");
    const fs::path scratchFolder = folder_ / "cache/tarvex";
    EXPECT_EQ(scratchFolderPath(), scratchFolder.string());
    EXPECT_EQ(modeOf(scratchFolder), 0700u);
    EXPECT_EQ(modeOf(scratchFolder / "thummb.db"), 0600u);
    EXPECT_EQ(contentOf(scratchFolder / "thummb.db"), "second\r\n");
    EXPECT_EQ(namesIn(scratchFolder), std::vector<std::string>{"thummb.db"});

    fs::remove_all(folder_ / "cache"); // taken away in the course of a run
    writeScratch("third\r\n");
    EXPECT_EQ(modeOf(scratchFolder), 0700u);
    EXPECT_EQ(contentOf(scratchFolder / "thummb.db"), "third\r\n");

    // A cache folder several levels below any that exists.
    ::setenv("XDG_CACHE_HOME", (folder_ / "new/deeper/cache").c_str(), 1);
    writeScratch("fourth\r\n");
    EXPECT_EQ(modeOf(folder_ / "new"), 0700u);
    EXPECT_EQ(contentOf(folder_ / "new/deeper/cache/tarvex/thummb.db"), "fourth\r\n");
}

TEST_F(LocalFileSystemTest, ScratchFileReplacesAPlantedLinkWithoutFollowingIt) {
    const fs::path scratchFolder = folder_ / "cache/tarvex";
    fs::create_directories(scratchFolder);
    saveFile(path("victim"), asBytes("keep"), anySource);
    fs::create_symlink(path("victim"), scratchFolder / "thummb.db");
    writeScratch("body\r\n");
    EXPECT_EQ(contentOf(path("victim")), "keep");
    EXPECT_FALSE(fs::is_symlink(scratchFolder / "thummb.db"));
    EXPECT_EQ(contentOf(scratchFolder / "thummb.db"), "body\r\n");
    EXPECT_EQ(modeOf(scratchFolder), 0700u); // a looser folder of the user is tightened
}

// What else may stand at the scratch file's name is taken away, never written through or waited
// on: a second name of another file, a pipe nobody reads, a file others may read (tightened).
TEST_F(LocalFileSystemTest, ScratchFileIsWrittenOnlyAsAFileOfItsOwn) {
    const fs::path scratchFolder = folder_ / "cache/tarvex";
    const fs::path scratch = scratchFolder / "thummb.db";
    fs::create_directories(scratchFolder);
    saveFile(path("victim"), asBytes("keep"), anySource);
    fs::create_hard_link(path("victim"), scratch);
    writeScratch("body\r\n");
    EXPECT_EQ(contentOf(path("victim")), "keep");
    EXPECT_EQ(contentOf(scratch), "body\r\n");

    fs::remove(scratch);
    ASSERT_EQ(::mkfifo(scratch.c_str(), 0600), 0);
    writeScratch("after a pipe\r\n");
    EXPECT_TRUE(fs::is_regular_file(scratch));
    EXPECT_EQ(contentOf(scratch), "after a pipe\r\n");

    ASSERT_EQ(::chmod(scratch.c_str(), 0644), 0);
    writeScratch("x\r\n");
    EXPECT_EQ(modeOf(scratch), 0600u);
    EXPECT_EQ(contentOf(scratch), "x\r\n"); // nothing left of the longer text before
    EXPECT_EQ(namesIn(scratchFolder), std::vector<std::string>{"thummb.db"});
}

TEST_F(LocalFileSystemTest, ScratchFolderThatIsALinkIsRefused) {
    fs::create_directories(folder_ / "cache");
    fs::create_directory(path("elsewhere"));
    fs::create_directory_symlink(path("elsewhere"), folder_ / "cache/tarvex");
    EXPECT_THROW(writeScratch("body\r\n"), FileError);
    EXPECT_TRUE(fs::is_empty(path("elsewhere")));
}

// What a run of root under `sudo -E` leaves in a user's cache folder, root's own scratch folder
// or file, would end every later High level run of the user: the user's program takes it away
// where the user may (renamed aside, as the user cannot look into it), and otherwise names it.
// Another user's file planted in a scratch folder that was open to all is removed too.
TEST_F(LocalFileSystemTest, ScratchFolderHealsWhatAnotherUserLeftInIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can leave files of other users";
    }
    constexpr uid_t nobody = 65534;
    ASSERT_EQ(::chmod(folder_.c_str(), 0755), 0);
    const auto cacheOf = [&](const std::string& name, uid_t owner, mode_t mode) {
        const fs::path cache = folder_ / name;
        fs::create_directories(cache / "tarvex");
        EXPECT_EQ(::chown(cache.c_str(), owner, owner), 0);
        EXPECT_EQ(::chmod(cache.c_str(), mode), 0);
        EXPECT_EQ(::chmod((cache / "tarvex").c_str(), 0700), 0);
        std::ofstream(cache / "tarvex/thummb.db") << "root's body";
        return cache;
    };
    const auto writeAsNobody = [](const fs::path& cache) {
        return asNobody([&cache] {
            ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
            const std::unique_ptr<FileWriter> file =
                openScratchFile(systemCalls(), [] { return false; });
            file->write(asBytes("nobody's body"));
            file->complete();
            return std::string("done");
        });
    };

    const fs::path own = cacheOf("own", nobody, 0700);
    EXPECT_EQ(writeAsNobody(own), "done");
    EXPECT_EQ(contentOf(own / "tarvex/thummb.db"), "nobody's body");
    EXPECT_EQ(modeOf(own / "tarvex"), 0700u);
    const std::vector<std::string> names = namesIn(own);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(names[1].starts_with("tarvex.set-aside.")) << names[1];
    EXPECT_EQ(contentOf(own / names[1] / "thummb.db"), "root's body");

    // A scratch folder of the user's, open to all, and a file that another user planted in it.
    ASSERT_EQ(::chmod((own / "tarvex").c_str(), 0777), 0);
    fs::remove(own / "tarvex/thummb.db");
    std::ofstream(own / "tarvex/thummb.db") << "planted";
    ASSERT_EQ(::chmod((own / "tarvex/thummb.db").c_str(), 0600), 0);
    EXPECT_EQ(writeAsNobody(own), "done");
    EXPECT_EQ(contentOf(own / "tarvex/thummb.db"), "nobody's body");
    EXPECT_EQ(modeOf(own / "tarvex"), 0700u);

    // In a cache folder of root's, the user can only be told what to remove.
    const fs::path roots = cacheOf("roots", 0, 0755);
    const fs::path closed = cacheOf("closed", 0, 0700);
    for (const auto& [cache, blocker] : {std::pair{roots, roots / "tarvex"}, {closed, closed}}) {
        const FileFailure refused{FileAction::Create, (cache / "tarvex/thummb.db").string(),
                                  FileProblem::BlockerOfAnotherUser, blocker.string()};
        EXPECT_EQ(writeAsNobody(cache), ::testing::PrintToString(refused));
        EXPECT_EQ(contentOf(cache / "tarvex/thummb.db"), "root's body");
    }

    // Root itself takes away what another user left in root's own cache folder.
    const fs::path scratchFolder = folder_ / "cache/tarvex";
    fs::create_directories(scratchFolder);
    ASSERT_EQ(::chown(scratchFolder.c_str(), nobody, nobody), 0);
    writeScratch("body\r\n");
    EXPECT_EQ(contentOf(scratchFolder / "thummb.db"), "body\r\n");
}

TEST_F(LocalFileSystemTest, ScratchFolderFallsBackToTheHomeFolder) {
    ::unsetenv("XDG_CACHE_HOME");
    ::setenv("HOME", folder_.c_str(), 1);
    EXPECT_EQ(scratchFolderPath(), path(".cache/tarvex"));
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1); // not absolute: ignored
    EXPECT_EQ(scratchFolderPath(), path(".cache/tarvex"));
}

// Root with a user's HOME (`sudo -E`) would leave in the user's cache a folder of root's that the
// user cannot use: it takes the one of its own account instead.
TEST_F(LocalFileSystemTest, RootNeverTakesTheCacheFolderOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a folder to another user";
    }
    ::unsetenv("XDG_CACHE_HOME");
    const fs::path home = folder_ / "home";
    fs::create_directory(home);
    ::setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(scratchFolderPath(), (home / ".cache/tarvex").string());
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    const passwd* const account = ::getpwuid(0);
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(scratchFolderPath(), std::string(account->pw_dir) + "/.cache/tarvex");
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    EXPECT_EQ(scratchFolderPath(), std::string(account->pw_dir) + "/.cache/tarvex");
}

} // namespace
} // namespace tarvex
