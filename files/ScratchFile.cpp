#include "files/ScratchFile.h"

#include "files/PosixFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace tarvex {

namespace {

constexpr std::string_view folderName = "tarvex";
constexpr std::string_view fileName = "thummb.db";
constexpr mode_t ownerOnlyFolder = 0700;
constexpr mode_t ownerOnlyFile = 0600;
constexpr mode_t groupAndOthers = 077;

// An absolute path from the environment, or an empty text.
std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

// Whether the folder `path`, or the nearest folder above it that exists, belongs to another user.
bool ofAnotherUser(PosixCalls& calls, std::string path) {
    struct stat status {};
    while (calls.stat(path.c_str(), &status) != 0) {
        const std::size_t slash = path.rfind('/');
        if (errno != ENOENT || slash == 0 || slash == std::string::npos) {
            return false;
        }
        path.resize(slash);
    }
    return status.st_uid != ::geteuid();
}

std::string accountHome() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return {};
    }
    return found->pw_dir;
}

// The scratch folder, open; it is made first when it is missing, which it is only at the first
// write, so that later containers do not pay the calls that look up its path again. Every
// missing level of its absolute path is made, owner-only, as a cache folder is. When it cannot be
// opened, errno says why, the reason it could not be made included.
UniqueFd openFolder(PosixCalls& calls, const std::string& folder) {
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd opened(calls.open(folder.c_str(), flags));
    if (!opened && errno == ENOENT) {
        int madeError = 0;
        for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
            const bool last = end == std::string::npos;
            if (calls.mkdir(folder.substr(0, end).c_str(), ownerOnlyFolder) != 0 &&
                errno != EEXIST) {
                madeError = errno;
            }
            if (last) {
                break;
            }
        }
        opened = UniqueFd(calls.open(folder.c_str(), flags));
        if (!opened && errno == ENOENT && madeError != 0) {
            errno = madeError;
        }
    }
    return opened;
}

// Takes the lock on `file`, asking `whileLocked` whether to go on while another writer holds it.
bool lockWaiting(PosixCalls& calls, const UniqueFd& file, const std::string& path,
                 const WaitHandler& whileLocked) {
    constexpr timespec pause{0, 50'000'000};
    for (;;) {
        if (calls.flock(file.get(), LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            throw cannotCreate(path, errno);
        }
        if (!whileLocked()) {
            return false;
        }
        ::nanosleep(&pause, nullptr);
    }
}

// Takes `name` away from the open folder `folder`, which the user owns: removes it, or renames
// it aside as NAME.set-aside.PID when it is a folder that is not empty (another user's, whose
// content the user may not remove). True when it is gone.
bool takeAway(PosixCalls& calls, int folder, const std::string& name) {
    if (calls.unlinkAt(folder, name.c_str(), 0) == 0 ||
        calls.unlinkAt(folder, name.c_str(), AT_REMOVEDIR) == 0) {
        return true;
    }
    const std::string aside = name + ".set-aside." + std::to_string(::getpid());
    return calls.renameAt(folder, name.c_str(), aside.c_str()) == 0;
}

// The error of a scratch file at `path` that `blocker` keeps the user from, and that the user is
// to remove.
FileError removeToGoOn(const std::string& path, const std::string& blocker, FileProblem problem) {
    return {FileAction::Create, path, problem, blocker};
}

// The scratch folder `folder`, open and owner-only: a real folder of this user. Anything of
// another user at its name (as root leaves under `sudo -E`) is taken away when the user owns the
// cache folder it stands in, and a new folder made; otherwise the error names what to remove.
// What the user made there (a link to another folder, say) is never taken away.
UniqueFd openOwnFolder(PosixCalls& calls, const std::string& folder, const std::string& path) {
    const std::string cache = folder.substr(0, folder.rfind('/'));
    for (bool first = true;; first = false) {
        UniqueFd opened = openFolder(calls, folder);
        const int error = errno;
        struct stat status {};
        if (opened && calls.fstat(opened.get(), &status) != 0) {
            throw cannotCreate(path, errno);
        }
        if (opened && status.st_uid == ::geteuid()) {
            if ((status.st_mode & 07777) != ownerOnlyFolder &&
                calls.fchmod(opened.get(), ownerOnlyFolder) != 0) {
                throw cannotCreate(path, errno);
            }
            return opened;
        }
        if (calls.lstat(folder.c_str(), &status) != 0) {
            // A cache folder of another user may keep the user from even looking into it.
            if (errno == EACCES && ofAnotherUser(calls, cache)) {
                throw removeToGoOn(path, cache, FileProblem::BlockerOfAnotherUser);
            }
            throw cannotCreate(path, error);
        }
        if (status.st_uid == ::geteuid()) {
            throw S_ISDIR(status.st_mode)
                ? cannotCreate(path, error)
                : removeToGoOn(path, folder, FileProblem::BlockerNotAFolder);
        }
        const UniqueFd cacheFd(calls.open(cache.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat cacheStatus {};
        if (!first || !cacheFd || calls.fstat(cacheFd.get(), &cacheStatus) != 0 ||
            cacheStatus.st_uid != ::geteuid() ||
            !takeAway(calls, cacheFd.get(), std::string(folderName))) {
            throw removeToGoOn(path, folder, FileProblem::BlockerOfAnotherUser);
        }
    }
}

// The scratch file in the open folder `folder`, which the user owns, open for writing: a regular
// file of this user with this one name. Whatever else stands at its name is taken away and a new
// file made.
UniqueFd openOwnFile(PosixCalls& calls, int folder, const std::string& path) {
    constexpr int attempts = 10;
    int error = EEXIST;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // Not following a link, and not waiting for a reader of a pipe.
        UniqueFd file(calls.openAt(folder, fileName.data(),
                                   O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                                   ownerOnlyFile));
        if (!file) {
            error = errno;
            // Taken away: a link (ELOOP), a pipe that nobody reads (ENXIO), and anything of
            // another user, which this one may not write.
            struct stat standing {};
            if (error != ELOOP && error != ENXIO &&
                (calls.fstatAt(folder, fileName.data(), &standing, AT_SYMLINK_NOFOLLOW) != 0 ||
                 standing.st_uid == ::geteuid())) {
                throw cannotCreate(path, error);
            }
        } else {
            struct stat status {};
            if (calls.fstat(file.get(), &status) != 0) {
                throw cannotCreate(path, errno);
            }
            if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_nlink == 1) {
                if ((status.st_mode & groupAndOthers) != 0 &&
                    calls.fchmod(file.get(), ownerOnlyFile) != 0) {
                    throw cannotCreate(path, errno);
                }
                return file;
            }
        }
        takeAway(calls, folder, std::string(fileName));
    }
    throw cannotCreate(path, error);
}

// Writes over the scratch file from its start, holding its lock; completing cuts it to the
// length written, which leaves nothing of a longer earlier text. Writing over the pages the
// file has keeps the system from allocating new ones; cutting it to nothing first would also
// make ext4 flush it to the disk when it is closed.
class ScratchFileWriter final : public FileWriter {
public:
    // `file` is locked by this writer.
    ScratchFileWriter(PosixCalls& calls, UniqueFd file, std::string path)
        : calls_(calls), file_(std::move(file)), path_(std::move(path)) {}

    void write(std::span<const std::uint8_t> bytes) override {
        if (const int error = writeAll(calls_, file_.get(), bytes); error != 0) {
            throw cannotCreate(path_, error);
        }
        written_ += bytes.size();
    }

    void complete() override {
        if (calls_.ftruncate(file_.get(), static_cast<off_t>(written_)) != 0) {
            throw cannotCreate(path_, errno);
        }
        if (const int error = file_.close(); error != 0) {
            throw cannotCreate(path_, error);
        }
    }

private:
    PosixCalls& calls_;
    UniqueFd file_; // closing it releases the lock
    std::string path_;
    std::size_t written_ = 0;
};

} // namespace

std::string scratchFolderPath(PosixCalls& calls) {
    std::string cache = absoluteVariable("XDG_CACHE_HOME");
    if (cache.empty()) {
        const std::string home = absoluteVariable("HOME");
        cache = home.empty() ? home : home + "/.cache";
    }
    // Root may write anywhere: in the cache folder of another user (`sudo -E` keeps the user's
    // HOME) it would leave a folder that the user cannot use. It takes the one of its account.
    if (cache.empty() || (::geteuid() == 0 && ofAnotherUser(calls, cache))) {
        const std::string home = accountHome();
        if (home.empty()) {
            return {};
        }
        cache = home + "/.cache";
    }
    return cache + "/" + std::string(folderName);
}

std::unique_ptr<FileWriter> openScratchFile(PosixCalls& calls, const WaitHandler& whileLocked) {
    const std::string folder = scratchFolderPath(calls);
    if (folder.empty()) {
        throw cannotCreate(std::string(fileName), ENOENT);
    }
    const std::string path = folder + "/" + std::string(fileName);

    const UniqueFd folderFd = openOwnFolder(calls, folder, path);
    UniqueFd file = openOwnFile(calls, folderFd.get(), path);
    if (!lockWaiting(calls, file, path, whileLocked)) {
        return nullptr;
    }
    return std::make_unique<ScratchFileWriter>(calls, std::move(file), path);
}

} // namespace tarvex
