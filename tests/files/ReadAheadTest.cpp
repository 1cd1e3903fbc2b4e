#include "files/ReadAhead.h"

#include "FileFailure.h"
#include "files/PathParts.h"
#include "support/TempFolder.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

namespace tarvex {
namespace {

constexpr std::size_t piece = readPieceSize;

// Opens a file as the system resolves its path.
OpenedFile plainOpener(const std::string& path) {
    const UniqueFd folder(systemCalls().open(folderPart(path).c_str(), O_PATH | O_DIRECTORY));
    return openRegularFile(systemCalls(), folder.get(), namePart(path));
}

// Files of every size that matters to the pieces, the ring of pieces and the end of a file.
class ReadAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, piece - 1, piece, piece + 1,
                                       4 * piece, 9 * piece + 5}) {
            const std::vector<std::uint8_t> bytes =
                testing::patternBytes(size, static_cast<unsigned>(size));
            const std::string path = folder_ / ("f" + std::to_string(size));
            testing::writeFile(path, bytes);
            files_.push_back({path, std::string(bytes.begin(), bytes.end())});
        }
    }

    // What `reader` hands over for `path`, checking that every piece but the last is whole.
    static std::string readAll(ReadAhead& reader, const std::string& path,
                               const std::string& next) {
        std::string content;
        bool shortSeen = false;
        reader.read(path, next, {}, [&](std::span<const std::uint8_t> bytes) {
            EXPECT_FALSE(shortSeen) << "a short piece before the end of " << path;
            EXPECT_FALSE(bytes.empty());
            EXPECT_LE(bytes.size(), piece);
            shortSeen = bytes.size() < piece;
            content.append(bytes.begin(), bytes.end());
            return true;
        });
        return content;
    }

    struct File {
        std::string path;
        std::string bytes;
    };
    testing::TempFolder folder_;
    std::vector<File> files_;
};

TEST_F(ReadAheadTest, EveryFileComesWholeWhateverWasNamedNext) {
    ReadAhead reader(systemCalls(), plainOpener);
    // Named rightly: each file was read ahead while the one before it was taken.
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const std::string next = i + 1 < files_.size() ? files_[i + 1].path : "";
        EXPECT_EQ(readAll(reader, files_[i].path, next), files_[i].bytes) << files_[i].path;
    }
    // Named wrongly, or the file itself named next: what was read ahead is not handed over.
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const File& file = files_[files_.size() - 1 - i];
        EXPECT_EQ(readAll(reader, file.path, files_[i].path), file.bytes) << file.path;
        EXPECT_EQ(readAll(reader, file.path, file.path), file.bytes) << file.path;
    }
}

TEST_F(ReadAheadTest, ATakerThatThrowsGivesUpItsFileOnly) {
    ReadAhead reader(systemCalls(), plainOpener);
    const File& big = files_.back();
    const File& other = files_[4];
    int pieces = 0;
    EXPECT_THROW(reader.read(big.path, other.path, {},
                             [&](std::span<const std::uint8_t>) {
                                 if (++pieces == 2) {
                                     throw std::runtime_error("disk full");
                                 }
                                 return true;
                             }),
                 std::runtime_error);
    EXPECT_EQ(pieces, 2);
    EXPECT_EQ(readAll(reader, other.path, big.path), other.bytes);
    EXPECT_EQ(readAll(reader, big.path, ""), big.bytes);
}

TEST_F(ReadAheadTest, AFileThatCannotBeReadIsReportedWhenItIsAskedFor) {
    ReadAhead reader(systemCalls(), plainOpener);
    const std::string missing = folder_ / "missing.jpg";
    const std::string folder = folder_.path();
    EXPECT_EQ(readAll(reader, files_[2].path, missing), files_[2].bytes);
    const auto failureOf = [&](const std::string& path, const std::string& next) {
        return testing::failureOf([&] { readAll(reader, path, next); });
    };
    EXPECT_EQ(failureOf(missing, folder), testing::cannotOpenBecause(missing, ENOENT));
    EXPECT_EQ(failureOf(folder, ""), testing::cannotOpenBecause(folder, EISDIR));
    EXPECT_EQ(readAll(reader, files_[2].path, ""), files_[2].bytes);
}

// Files asked for in any order, named next rightly or not, refused at their version or given up
// at any piece by a taker that throws or that stops: each one that is read to its end comes whole.
// Under the sanitizers this also looks for races between the threads.
TEST_F(ReadAheadTest, AnyOrderOfAskingGivesEveryFileWhole) {
    std::mt19937 random(11);
    const auto anyFile = [&] { return files_[random() % files_.size()]; };
    ReadAhead reader(systemCalls(), plainOpener);
    File next = anyFile();
    for (int round = 0; round < 300; ++round) {
        const File file = random() % 4 == 0 ? anyFile() : next;
        next = anyFile();
        const std::string named = random() % 5 == 0 ? "" : next.path;
        const int giveUpAt = random() % 6 == 0 ? static_cast<int>(random() % 3) + 1 : 0;
        const bool throws = random() % 2 == 0;
        const bool refused = random() % 7 == 0;
        std::string content;
        int pieces = 0;
        try {
            const auto opened = [refused](const FileVersion&) { return !refused; };
            reader.read(file.path, named, opened, [&](std::span<const std::uint8_t> bytes) {
                if (++pieces == giveUpAt) {
                    if (throws) {
                        throw std::runtime_error("given up");
                    }
                    return false;
                }
                content.append(bytes.begin(), bytes.end());
                return true;
            });
        } catch (const std::runtime_error&) {
            EXPECT_EQ(pieces, giveUpAt);
        }
        if (refused) {
            EXPECT_EQ(pieces, 0);
            continue;
        }
        if (pieces == giveUpAt) {
            EXPECT_EQ(content, file.bytes.substr(0, content.size()));
            continue;
        }
        EXPECT_EQ(content, file.bytes) << "round " << round << ", " << file.path;
    }
}

// Whether this process has `path` open.
bool isOpen(const std::string& path) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path) {
            return true;
        }
    }
    return false;
}

TEST_F(ReadAheadTest, GivingUpClosesTheFileInHandAndTheOneNamedNext) {
    ReadAhead reader(systemCalls(), plainOpener);
    const File& big = files_.back();
    EXPECT_EQ(readAll(reader, files_[3].path, big.path), files_[3].bytes);
    const auto waited = std::chrono::steady_clock::now();
    while (!isOpen(big.path)) {
        ASSERT_LT(std::chrono::steady_clock::now() - waited, std::chrono::seconds(10))
            << "the file named next was never opened";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    reader.giveUp();
    EXPECT_FALSE(isOpen(big.path));
    EXPECT_EQ(readAll(reader, big.path, ""), big.bytes);

    // A run that stops between two pieces of a large file keeps it open no longer.
    reader.read(big.path, "", {}, [](std::span<const std::uint8_t>) { return false; });
    reader.giveUp();
    EXPECT_FALSE(isOpen(big.path));
}

// The version of each file comes once, before its first piece, even for an empty file. A file
// refused at its version hands over nothing, whether it was read to its end already or is still
// being read, and the file named after one of a piece or more is read ahead all the same.
TEST_F(ReadAheadTest, TheVersionComesFirstAndCanRefuseTheFile) {
    ReadAhead reader(systemCalls(), plainOpener);
    for (const File& file : files_) {
        int versions = 0;
        std::string content;
        const auto opened = [&](const FileVersion& version) {
            EXPECT_TRUE(content.empty());
            EXPECT_EQ(version.size, file.bytes.size());
            return ++versions == 1;
        };
        reader.read(file.path, "", opened, [&](std::span<const std::uint8_t> bytes) {
            content.append(bytes.begin(), bytes.end());
            return true;
        });
        EXPECT_EQ(versions, 1) << file.path;
        EXPECT_EQ(content, file.bytes) << file.path;
    }

    const PieceReceiver noPiece = [](std::span<const std::uint8_t>) {
        ADD_FAILURE() << "a piece of a refused file was handed over";
        return true;
    };
    const auto refuse = [](const FileVersion&) { return false; };
    // The file named next is larger than the ring of pieces: the thread holds it open once it
    // has filled the ring.
    for (const File& file : files_) {
        if (file.bytes.size() < piece) {
            continue;
        }
        const File& next = &file == &files_.back() ? files_[5] : files_.back();
        EXPECT_EQ(reader.read(file.path, next.path, refuse, noPiece).size, file.bytes.size());
        const auto waited = std::chrono::steady_clock::now();
        while (!isOpen(next.path)) {
            ASSERT_LT(std::chrono::steady_clock::now() - waited, std::chrono::seconds(10))
                << "the file named after " << file.path << " was not read ahead";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(readAll(reader, next.path, ""), next.bytes) << file.path;
    }
}

// Notes the threads that read files.
class ThreadNotingCalls final : public PosixCalls {
public:
    ssize_t read(int fd, void* buffer, std::size_t count) override {
        {
            const std::lock_guard lock(mutex_);
            readers_.insert(std::this_thread::get_id());
        }
        return PosixCalls::read(fd, buffer, count);
    }
    std::set<std::thread::id> takeReaders() {
        const std::lock_guard lock(mutex_);
        return std::exchange(readers_, {});
    }

private:
    std::mutex mutex_;
    std::set<std::thread::id> readers_;
};

// Among small files, handing each over from the reading thread would cost more than reading it:
// a file of less than a piece that was not read ahead is read on the caller's thread, and the file
// named after it is not read ahead. Larger ones go to the reading thread.
TEST_F(ReadAheadTest, AFileOfOnePieceIsReadByItsCallerAndNamesNoNext) {
    ThreadNotingCalls calls;
    ReadAhead reader(calls, plainOpener);
    const std::set<std::thread::id> caller = {std::this_thread::get_id()};
    const File& big = files_.back();
    for (std::size_t small : {1, 2}) {
        EXPECT_EQ(readAll(reader, files_[small].path, big.path), files_[small].bytes);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(calls.takeReaders(), caller) << files_[small].path;
    }
    EXPECT_EQ(readAll(reader, big.path, files_[4].path), big.bytes);
    EXPECT_EQ(readAll(reader, files_[4].path, ""), files_[4].bytes);
    const std::set<std::thread::id> readers = calls.takeReaders();
    EXPECT_EQ(readers.size(), 1U);
    EXPECT_EQ(readers.count(std::this_thread::get_id()), 0U);
}

TEST_F(ReadAheadTest, EndsWhileReadingAhead) {
    for (int i = 0; i < 20; ++i) {
        ReadAhead reader(systemCalls(), plainOpener);
        EXPECT_EQ(readAll(reader, files_[1].path, files_.back().path), files_[1].bytes);
    }
}

} // namespace
} // namespace tarvex
