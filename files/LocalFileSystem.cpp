#include "files/LocalFileSystem.h"

#include "files/FileReplacement.h"
#include "files/FolderListing.h"
#include "files/FolderRoots.h"
#include "files/PathParts.h"
#include "files/ReadAhead.h"
#include "files/ScratchFile.h"
#include "files/Trash.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarvex {

namespace {

// Anyone may look into an output folder, only its owner write to it, unless it is owner-only; the
// umask may take more.
constexpr mode_t newFolderMode = 0755;
constexpr mode_t ownerOnlyFolderMode = 0700;

// The first piece of a reading of a file's start: the head and record of a Protected container
// come in one.
constexpr std::size_t startPieceSize = 16 * 1024;

FileIdentity identityOf(const struct stat& status) {
    return {status.st_dev, status.st_ino};
}

// `path` without the separators at its end, as a key for the folder it names.
std::string folderKey(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return std::string(path);
}

class LocalFileSystem final : public FileSystem {
public:
    explicit LocalFileSystem(PosixCalls& calls) : calls_(calls), roots_(calls) {}

    void openRoots(const std::vector<std::string>& folders) override;
    void closeRoots() override;
    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override;
    FileVersion readFileStart(const std::string& path, const VersionReceiver& opened,
                              const PieceReceiver& take) override;
    FileEnd readFileEnd(const std::string& path, std::size_t count) override;
    void stopReadingAhead() override;
    FileIdentities identify(const std::vector<std::string>& paths) override;
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep,
                                           std::optional<std::int64_t> modified) override;
    SourceSize readableSize(const std::string& path) override;
    void createFolder(const std::string& path, bool ownerOnly) override;
    void flushToDisk(const std::string& path) override;
    bool moveToTrash(const std::string& path, const FileVersion& version) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    bool ownerOnly(const std::string& folder) override;
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override;

private:
    // The folder of the output `path`, open, if it is one that outputs may be written to.
    SharedFolder openOutputFolder(const std::string& path);
    // The regular file `path`, open for reading, or why it is not.
    OpenedFile openRegular(const std::string& path);
    // The end of the small file `opened`, read whole and kept while it is steady.
    FileEnd readWholeEnd(const std::string& path, const OpenedFile& opened, std::size_t count);
    // Hands over the whole of `path` when it is the file kept, as readFile does, and lets it go;
    // nothing when it is not.
    std::optional<FileVersion> readKeptWhole(const std::string& path, const VersionReceiver& opened,
                                             const PieceReceiver& take);
    // Whether the open folder of `status` is one that is never listed.
    bool systemFolder(const struct stat& status);

    PosixCalls& calls_;
    FolderRoots roots_;
    // The system's root folder and the kernel's, as far as they are there; looked up once.
    std::optional<std::vector<FileIdentity>> systemFolders_;
    // Started by the first file read in pieces.
    std::unique_ptr<ReadAhead> readAhead_;
    // The folders that could not be made, with the reason.
    std::map<std::string, std::error_code> folderErrors_;
    // The output folders cleaned of what killed writers left, at the first file made in each.
    std::set<std::string> cleanedFolders_;
    // The output folder that the last file was made in, found to be one that outputs may go to.
    SharedFolder checkedFolder_;
    // The whole of the small file whose end was read last, for the reading of the whole.
    struct KeptWhole {
        std::string path;
        FileVersion version;
        std::vector<std::uint8_t> bytes;
    };
    std::optional<KeptWhole> keptWhole_;
};

std::optional<FileVersion> LocalFileSystem::readKeptWhole(const std::string& path,
                                                          const VersionReceiver& opened,
                                                          const PieceReceiver& take) {
    if (!keptWhole_ || keptWhole_->path != path) {
        keptWhole_.reset();
        return std::nullopt;
    }
    const KeptWhole kept = std::move(*keptWhole_);
    keptWhole_.reset();
    FileVersion asOpened = kept.version;
    asOpened.steady = true;
    if ((!opened || opened(asOpened)) && !kept.bytes.empty()) {
        take(kept.bytes);
    }
    return kept.version;
}

FileVersion LocalFileSystem::readFile(const std::string& path, const std::string& next,
                                      const VersionReceiver& opened, const PieceReceiver& take) {
    if (const std::optional<FileVersion> kept = readKeptWhole(path, opened, take)) {
        return *kept;
    }
    if (!readAhead_) {
        readAhead_ = std::make_unique<ReadAhead>(
            calls_, [this](const std::string& source) { return openRegular(source); });
    }
    return readAhead_->read(path, next, opened, take);
}

FileVersion LocalFileSystem::readFileStart(const std::string& path, const VersionReceiver& opened,
                                           const PieceReceiver& take) {
    if (const std::optional<FileVersion> kept = readKeptWhole(path, opened, take)) {
        return *kept;
    }
    const OpenedFile file = openRegular(path);
    if (file.reason) {
        throw cannotOpen(path, file.reason);
    }
    std::vector<std::uint8_t> buffer;
    return readOnThisThread(calls_, path, file, startPieceSize, opened, take, buffer);
}

void LocalFileSystem::openRoots(const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        roots_.add(folder);
    }
}

void LocalFileSystem::closeRoots() {
    roots_.clear();
    checkedFolder_.reset();
    keptWhole_.reset();
}

OpenedFile LocalFileSystem::openRegular(const std::string& path) {
    const SharedFolder folder = roots_.open(folderPart(path));
    if (!folder) {
        OpenedFile none;
        none.reason = systemReason(errno);
        return none;
    }
    return openRegularFile(calls_, folder->get(), namePart(path));
}

FileEnd LocalFileSystem::readFileEnd(const std::string& path, std::size_t count) {
    const OpenedFile opened = openRegular(path);
    if (opened.reason) {
        throw cannotOpen(path, opened.reason);
    }
    const std::uint64_t size = opened.version.size;
    if (size < readPieceSize) {
        return readWholeEnd(path, opened, count);
    }
    keptWhole_.reset();
    const std::uint64_t from = size > count ? size - count : 0;
    FileEnd end;
    end.bytes.resize(static_cast<std::size_t>(size - from));
    const long got = calls_.lseek(opened.file.get(), static_cast<off_t>(from), SEEK_SET) < 0
                         ? -1
                         : readAll(calls_, opened.file.get(), end.bytes);
    if (got < 0) {
        throw cannotOpen(path, errno);
    }
    end.bytes.resize(static_cast<std::size_t>(got));
    end.wholeFile = from == 0;
    end.version = opened.version;
    end.version.steady = keepsVersion(calls_, opened.file.get(), opened.version);
    return end;
}

// A file of less than a piece is read whole, and its bytes kept for the reading of the whole file
// that follows, which then needs no second opening; the two readings are of one content then.
// One byte more than its size is asked for: a file that holds more than it says is not steady,
// and is not kept.
FileEnd LocalFileSystem::readWholeEnd(const std::string& path, const OpenedFile& opened,
                                      std::size_t count) {
    KeptWhole kept{.path = path, .version = opened.version, .bytes = {}};
    kept.bytes.resize(static_cast<std::size_t>(opened.version.size) + 1);
    const long got = readAll(calls_, opened.file.get(), kept.bytes);
    if (got < 0) {
        throw cannotOpen(path, errno);
    }
    kept.bytes.resize(static_cast<std::size_t>(got));
    kept.version.steady = kept.bytes.size() <= opened.version.size &&
                          keepsVersion(calls_, opened.file.get(), opened.version);
    FileEnd end;
    const std::size_t from = kept.bytes.size() > count ? kept.bytes.size() - count : 0;
    end.bytes.assign(kept.bytes.begin() + static_cast<std::ptrdiff_t>(from), kept.bytes.end());
    end.wholeFile = from == 0;
    end.version = kept.version;
    if (kept.version.steady) {
        keptWhole_ = std::move(kept);
    } else {
        keptWhole_.reset();
    }
    return end;
}

void LocalFileSystem::stopReadingAhead() {
    if (readAhead_) {
        readAhead_->giveUp();
    }
}

FileIdentities LocalFileSystem::identify(const std::vector<std::string>& paths) {
    FileIdentities identities;
    for (const std::string& path : paths) {
        const SharedFolder folder = roots_.open(folderPart(path));
        struct stat status {};
        if (folder && calls_.fstatAt(folder->get(), namePart(path).c_str(), &status,
                                     AT_SYMLINK_NOFOLLOW) == 0) {
            identities.push_back(identityOf(status));
        }
    }
    return identities;
}

// The output folder is the user's own, and only the user may put files into it: in another
// user's folder, or in one that others may write to, another user could read what is written
// there, or put a link where an output goes; a link may lead anywhere. The folder is opened
// without the separator at its end, which would have a link at its name followed.
SharedFolder LocalFileSystem::openOutputFolder(const std::string& path) {
    const std::string folder = folderKey(folderPart(path));
    const std::string shown = folder.empty() ? "." : folder;
    const auto refused = [&](FileProblem problem, const std::string& blocker) {
        return FileError(FileAction::Create, path, problem, blocker);
    };
    std::string failed;
    SharedFolder opened = roots_.open(shown, &failed);
    struct stat status {};
    if (!opened) {
        const int error = errno;
        if ((error == ENOTDIR || error == ELOOP) && calls_.lstat(failed.c_str(), &status) == 0 &&
            S_ISLNK(status.st_mode)) {
            throw refused(FileProblem::FolderIsALink, failed);
        }
        // A folder that the run could not make says why.
        const auto made = folderErrors_.find(folder);
        throw cannotCreate(path, error == ENOENT && made != folderErrors_.end()
                                     ? made->second
                                     : systemReason(error));
    }
    // The folder held open stays the one checked: only its owner could open it to others.
    if (opened == checkedFolder_) {
        return opened;
    }
    if (calls_.fstat(opened->get(), &status) != 0) {
        throw cannotCreate(path, errno);
    }
    if (status.st_uid != ::geteuid()) {
        throw refused(FileProblem::FolderOfAnotherUser, shown);
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0) {
        throw refused(FileProblem::FolderOpenToOthers, shown);
    }
    checkedFolder_ = opened;
    return opened;
}

std::unique_ptr<FileWriter> LocalFileSystem::createFile(const std::string& path,
                                                        const std::string& source,
                                                        const FileIdentities& keep,
                                                        std::optional<std::int64_t> modified) {
    const std::string name = namePart(path);
    // Refused before anything is made: no file of the name can be.
    if (name.size() > NAME_MAX) {
        throw cannotCreate(path, ENAMETOOLONG);
    }
    const SharedFolder folder = openOutputFolder(path);
    if (cleanedFolders_.insert(folderKey(folderPart(path))).second) {
        removeLeftTemporaries(calls_, folder->get());
    }
    const SharedFolder sourceFolder = roots_.open(folderPart(source));
    const std::string sourceName = namePart(source);
    struct stat sourceStatus {};
    const bool sourceFound =
        sourceFolder && calls_.fstatAt(sourceFolder->get(), sourceName.c_str(), &sourceStatus,
                                       AT_SYMLINK_NOFOLLOW) == 0;
    // An output that would take the place of a file of the run, its own source or another one,
    // under a second name of it say, is refused, and the file stays. A link at the output's name
    // would be replaced, not followed, so only the name itself counts.
    struct stat standing {};
    if (calls_.fstatAt(folder->get(), name.c_str(), &standing, AT_SYMLINK_NOFOLLOW) == 0) {
        const FileIdentity target = identityOf(standing);
        if ((sourceFound && target == identityOf(sourceStatus)) ||
            std::find(keep.begin(), keep.end(), target) != keep.end()) {
            throw cannotCreate(path, EEXIST);
        }
    }
    const Permissions permissions =
        sourceFound ? permissionsFrom(calls_, sourceFolder->get(), sourceName, sourceStatus)
                    : Permissions{.mode = 0600};
    return std::make_unique<ReplacementFile>(calls_, folder, name, permissions, path, modified);
}

SourceSize LocalFileSystem::readableSize(const std::string& path) {
    const OpenedFile opened = openRegular(path);
    return {.bytes = opened.version.size, .reason = opened.reason};
}

void LocalFileSystem::createFolder(const std::string& path, bool ownerOnly) {
    const std::string key = folderKey(path);
    const SharedFolder parent = roots_.open(folderPart(key));
    const mode_t mode = ownerOnly ? ownerOnlyFolderMode : newFolderMode;
    if (!parent ||
        (calls_.mkdirAt(parent->get(), namePart(key).c_str(), mode) != 0 && errno != EEXIST)) {
        folderErrors_[key] = systemReason(errno);
    } else {
        folderErrors_.erase(key);
    }
}

void LocalFileSystem::flushToDisk(const std::string& path) {
    const SharedFolder folder = roots_.open(folderPart(path));
    if (!folder) {
        throw cannotCreate(path, errno);
    }
    const UniqueFd file(
        calls_.openAt(folder->get(), namePart(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0));
    const UniqueFd listing(
        calls_.openAt(folder->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!file || !listing || calls_.fsync(file.get()) != 0 || calls_.fsync(listing.get()) != 0 ||
        calls_.dropCachedPages(file.get()) != 0) {
        throw cannotCreate(path, errno);
    }
}

bool LocalFileSystem::moveToTrash(const std::string& path, const FileVersion& version) {
    const std::string folderPath = folderKey(folderPart(path));
    const SharedFolder folder = roots_.open(folderPath);
    if (!folder) {
        throw cannotCreate(path, errno);
    }
    return moveFileToTrash(calls_, folder->get(), folderPath, namePart(path), version);
}

bool LocalFileSystem::systemFolder(const struct stat& status) {
    if (!systemFolders_) {
        systemFolders_.emplace();
        for (const char* folder : {"/", "/proc", "/sys", "/dev"}) {
            struct stat found {};
            if (calls_.stat(folder, &found) == 0) {
                systemFolders_->push_back(identityOf(found));
            }
        }
    }
    return std::find(systemFolders_->begin(), systemFolders_->end(), identityOf(status)) !=
           systemFolders_->end();
}

std::vector<FolderEntry> LocalFileSystem::listFolder(const std::string& folder) {
    const SharedFolder found = roots_.open(folder);
    const UniqueFd opened(
        found ? calls_.openAt(found->get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0) : -1);
    struct stat status {};
    if (!opened || calls_.fstat(opened.get(), &status) != 0) {
        throw cannotOpen(folder, errno);
    }
    if (systemFolder(status)) {
        throw cannotOpen(folder, FileProblem::SystemFolder);
    }
    std::vector<FolderEntry> entries;
    if (const std::error_code reason = listOpenFolder(calls_, opened.get(), entries)) {
        throw cannotOpen(folder, reason);
    }
    // A listing gives an entry's inode; its device is the folder's, but for a folder mounted there.
    for (FolderEntry& entry : entries) {
        if (entry.identity.device == 0) {
            entry.identity.device = status.st_dev;
        }
    }
    return entries;
}

bool LocalFileSystem::ownerOnly(const std::string& folder) {
    const SharedFolder found = roots_.open(folder);
    struct stat status {};
    return found && calls_.fstat(found->get(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

std::unique_ptr<FileWriter> LocalFileSystem::openScratch(const WaitHandler& whileLocked) {
    return openScratchFile(calls_, whileLocked);
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
