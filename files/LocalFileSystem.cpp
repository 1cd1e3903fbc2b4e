#include "files/LocalFileSystem.h"

#include "files/FileReplacement.h"
#include "files/PathParts.h"
#include "files/ReadAhead.h"
#include "files/ScratchFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarvex {

namespace {

constexpr mode_t ownerReadAndWrite = 0600;
constexpr mode_t othersReadAndWrite = 0066; // group and others
constexpr mode_t newFolderMode = 0777;

// The permissions of a file made from a source of `status`: the owner may read and write it,
// group and others as they may the source, or not at all when the source's status is unknown.
mode_t permissionsFrom(const struct stat* status) {
    return ownerReadAndWrite | (status != nullptr ? status->st_mode & othersReadAndWrite : 0);
}

// Whether `name` in the open folder `folder` is the file of `status` itself.
bool isFile(int folder, std::string_view name, const struct stat& status) {
    struct stat standing {};
    return ::fstatat(folder, std::string(name).c_str(), &standing, AT_SYMLINK_NOFOLLOW) == 0 &&
           standing.st_dev == status.st_dev && standing.st_ino == status.st_ino;
}

class LocalFileSystem final : public FileSystem {
public:
    explicit LocalFileSystem(PosixCalls& calls) : calls_(calls) {}

    std::vector<std::uint8_t> loadFile(const std::string& path) override;
    void readFile(const std::string& path, const std::string& next,
                  const PieceReceiver& take) override;
    void stopReadingAhead() override;
    std::unique_ptr<FileWriter> createFile(const std::string& path,
                                           const std::string& source) override;
    std::optional<std::uint64_t> readableSize(const std::string& path) override;
    void createFolder(const std::string& path) override;
    std::unique_ptr<FileWriter> openScratch() override;

private:
    // openRegularFile, throwing its error.
    OpenedFile openForReading(const std::string& path);
    // Hands what is left of the open file `file` to `take` in pieces.
    void readRest(const UniqueFd& file, const std::string& path, const PieceReceiver& take);

    PosixCalls& calls_;
    std::vector<std::uint8_t> piece_ = std::vector<std::uint8_t>(readPieceSize);
    // Started by the first file read in pieces.
    std::unique_ptr<ReadAhead> readAhead_;
};

OpenedFile LocalFileSystem::openForReading(const std::string& path) {
    OpenedFile opened = openRegularFile(calls_, path);
    if (opened.error != 0) {
        throw cannotOpen(path, opened.error);
    }
    return opened;
}

void LocalFileSystem::readRest(const UniqueFd& file, const std::string& path,
                               const PieceReceiver& take) {
    for (;;) {
        const long got = readAll(calls_, file.get(), piece_);
        if (got < 0) {
            throw cannotOpen(path, errno);
        }
        if (got > 0) {
            take(std::span(piece_).first(static_cast<std::size_t>(got)));
        }
        if (static_cast<std::size_t>(got) < piece_.size()) {
            return;
        }
    }
}

std::vector<std::uint8_t> LocalFileSystem::loadFile(const std::string& path) {
    const OpenedFile opened = openForReading(path);
    // The size is a first guess only: reading goes on to the end of what the file holds.
    std::vector<std::uint8_t> bytes(opened.size);
    const long got = readAll(calls_, opened.file.get(), bytes);
    if (got < 0) {
        throw cannotOpen(path, errno);
    }
    bytes.resize(static_cast<std::size_t>(got));
    readRest(opened.file, path, [&bytes](std::span<const std::uint8_t> piece) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    });
    return bytes;
}

void LocalFileSystem::readFile(const std::string& path, const std::string& next,
                               const PieceReceiver& take) {
    if (!readAhead_) {
        readAhead_ = std::make_unique<ReadAhead>(calls_);
    }
    readAhead_->read(path, next, take);
}

void LocalFileSystem::stopReadingAhead() {
    if (readAhead_) {
        readAhead_->giveUp();
    }
}

std::unique_ptr<FileWriter> LocalFileSystem::createFile(const std::string& path,
                                                        const std::string& source) {
    const std::string folder = folderPart(path);
    const std::string name = namePart(path);
    UniqueFd folderFd(
        calls_.open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        throw cannotCreate(path, errno);
    }
    struct stat sourceStatus {};
    const bool sourceFound = ::stat(source.c_str(), &sourceStatus) == 0;
    // An output folder that is a link to the source's own folder would put the output in the
    // place of its source: the file is refused, and the source stays.
    if (sourceFound && isFile(folderFd.get(), name, sourceStatus)) {
        throw cannotCreate(path, EEXIST);
    }
    return std::make_unique<ReplacementFile>(calls_, std::move(folderFd), name,
                                             permissionsFrom(sourceFound ? &sourceStatus : nullptr),
                                             path);
}

std::optional<std::uint64_t> LocalFileSystem::readableSize(const std::string& path) {
    const OpenedFile opened = openRegularFile(calls_, path);
    if (opened.error != 0) {
        return std::nullopt;
    }
    return opened.size;
}

void LocalFileSystem::createFolder(const std::string& path) {
    calls_.mkdir(path.c_str(), newFolderMode);
}

std::unique_ptr<FileWriter> LocalFileSystem::openScratch() {
    return openScratchFile(calls_);
}

} // namespace

std::unique_ptr<FileSystem> localFileSystemOver(PosixCalls& calls) {
    return std::make_unique<LocalFileSystem>(calls);
}

FileSystem& localFileSystem() {
    static LocalFileSystem fileSystem(systemCalls());
    return fileSystem;
}

} // namespace tarvex
