#include "files/LocalFileSystem.h"

#include "files/FileReplacement.h"
#include "files/FolderListing.h"
#include "files/PathParts.h"
#include "files/ReadAhead.h"
#include "files/ScratchFile.h"

#include <algorithm>
#include <cerrno>
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
    explicit LocalFileSystem(PosixCalls& calls) : calls_(calls) {}

    FileVersion readFile(const std::string& path, const std::string& next,
                         const VersionReceiver& opened, const PieceReceiver& take) override;
    FileEnd readFileEnd(const std::string& path, std::size_t count) override;
    void stopReadingAhead() override;
    FileIdentities identify(const std::vector<std::string>& paths) override;
    std::unique_ptr<FileWriter> createFile(const std::string& path, const std::string& source,
                                           const FileIdentities& keep,
                                           std::optional<std::int64_t> modified) override;
    SourceSize readableSize(const std::string& path) override;
    void createFolder(const std::string& path, bool ownerOnly) override;
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    bool ownerOnly(const std::string& folder) override;
    std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) override;

private:
    // The folder of the output `path`, open, if it is one that outputs may be written to.
    UniqueFd openOutputFolder(const std::string& path);

    PosixCalls& calls_;
    // Started by the first file read in pieces.
    std::unique_ptr<ReadAhead> readAhead_;
    // The folders that could not be made, with the reason.
    std::map<std::string, std::error_code> folderErrors_;
    // The output folders cleaned of what killed writers left, at the first file made in each.
    std::set<std::string> cleanedFolders_;
};

FileVersion LocalFileSystem::readFile(const std::string& path, const std::string& next,
                                      const VersionReceiver& opened, const PieceReceiver& take) {
    if (!readAhead_) {
        readAhead_ = std::make_unique<ReadAhead>(calls_);
    }
    return readAhead_->read(path, next, opened, take);
}

FileEnd LocalFileSystem::readFileEnd(const std::string& path, std::size_t count) {
    const OpenedFile opened = openRegularFile(calls_, path);
    if (opened.reason) {
        throw cannotOpen(path, opened.reason);
    }
    const std::uint64_t size = opened.version.size;
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

void LocalFileSystem::stopReadingAhead() {
    if (readAhead_) {
        readAhead_->giveUp();
    }
}

FileIdentities LocalFileSystem::identify(const std::vector<std::string>& paths) {
    FileIdentities identities;
    for (const std::string& path : paths) {
        struct stat status {};
        if (calls_.stat(path.c_str(), &status) == 0) {
            identities.push_back(identityOf(status));
        }
    }
    return identities;
}

// The output folder is the user's own, and only the user may put files into it: in another
// user's folder, or in one that others may write to, another user could read what is written
// there, or put a link where an output goes; a link may lead anywhere. The folder is opened
// without the separator at its end, which would have a link at its name followed.
UniqueFd LocalFileSystem::openOutputFolder(const std::string& path) {
    const std::string folder = folderKey(folderPart(path));
    const std::string shown = folder.empty() ? "." : folder;
    const auto refused = [&](FileProblem problem) {
        return FileError(FileAction::Create, path, problem, shown);
    };
    UniqueFd opened(calls_.open(shown.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (!opened) {
        const int error = errno;
        if ((error == ENOTDIR || error == ELOOP) && calls_.lstat(shown.c_str(), &status) == 0 &&
            S_ISLNK(status.st_mode)) {
            throw refused(FileProblem::FolderIsALink);
        }
        // A folder that the run could not make says why.
        const auto made = folderErrors_.find(folder);
        throw cannotCreate(path, error == ENOENT && made != folderErrors_.end()
                                     ? made->second
                                     : systemReason(error));
    }
    if (calls_.fstat(opened.get(), &status) != 0) {
        throw cannotCreate(path, errno);
    }
    if (status.st_uid != ::geteuid()) {
        throw refused(FileProblem::FolderOfAnotherUser);
    }
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0) {
        throw refused(FileProblem::FolderOpenToOthers);
    }
    return opened;
}

std::unique_ptr<FileWriter> LocalFileSystem::createFile(const std::string& path,
                                                        const std::string& source,
                                                        const FileIdentities& keep,
                                                        std::optional<std::int64_t> modified) {
    UniqueFd folder = openOutputFolder(path);
    if (cleanedFolders_.insert(folderKey(folderPart(path))).second) {
        removeLeftTemporaries(calls_, folder.get());
    }
    const std::string name = namePart(path);
    struct stat sourceStatus {};
    const bool sourceFound = calls_.stat(source.c_str(), &sourceStatus) == 0;
    // An output that would take the place of a file of the run, its own source or another one,
    // under a second name of it say, is refused, and the file stays. A link at the output's name
    // would be replaced, not followed, so only the name itself counts.
    struct stat standing {};
    if (calls_.fstatAt(folder.get(), name.c_str(), &standing, AT_SYMLINK_NOFOLLOW) == 0) {
        const FileIdentity target = identityOf(standing);
        if ((sourceFound && target == identityOf(sourceStatus)) ||
            std::find(keep.begin(), keep.end(), target) != keep.end()) {
            throw cannotCreate(path, EEXIST);
        }
    }
    return std::make_unique<ReplacementFile>(
        calls_, std::move(folder), name,
        permissionsFrom(calls_, source, sourceFound ? &sourceStatus : nullptr), path, modified);
}

SourceSize LocalFileSystem::readableSize(const std::string& path) {
    const OpenedFile opened = openRegularFile(calls_, path);
    return {.bytes = opened.version.size, .reason = opened.reason};
}

void LocalFileSystem::createFolder(const std::string& path, bool ownerOnly) {
    if (calls_.mkdir(path.c_str(), ownerOnly ? ownerOnlyFolderMode : newFolderMode) != 0 &&
        errno != EEXIST) {
        folderErrors_[folderKey(path)] = systemReason(errno);
    } else {
        folderErrors_.erase(folderKey(path));
    }
}

std::vector<FolderEntry> LocalFileSystem::listFolder(const std::string& folder) {
    const UniqueFd opened(calls_.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened) {
        throw cannotOpen(folder, errno);
    }
    std::vector<FolderEntry> entries;
    if (const std::error_code reason = listOpenFolder(calls_, opened.get(), entries)) {
        throw cannotOpen(folder, reason);
    }
    return entries;
}

bool LocalFileSystem::ownerOnly(const std::string& folder) {
    struct stat status {};
    return calls_.stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
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
