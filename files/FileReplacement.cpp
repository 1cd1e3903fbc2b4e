#include "files/FileReplacement.h"

#include "files/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tarvex {

namespace {

constexpr int creationAttempts = 100;
// Keeps the temporary name within the limit of a name even for the longest final names.
constexpr std::size_t nameKept = 200;
constexpr mode_t ownerReadAndWrite = 0600;
constexpr mode_t othersReadAndWrite = 0066; // group and others
constexpr mode_t groupPermissions = 0070;
constexpr mode_t allPermissions = 0777;
// Where Linux keeps the access control list of a file.
constexpr const char* accessList = "system.posix_acl_access";

// Whether a failure to look at or take away an access control list means there is none: the
// file has none, or its file system keeps none.
bool noAccessList(int error) {
    return error == ENODATA || error == EOPNOTSUPP;
}

std::string temporaryName(std::string_view name) {
    constexpr std::string_view characters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    std::string temporary = ".";
    temporary.append(name.substr(0, nameKept));
    temporary.push_back('.');
    for (int i = 0; i < 6; ++i) {
        temporary.push_back(characters[pick(random)]);
    }
    temporary.append(".tmp");
    return temporary;
}

} // namespace

Permissions permissionsFrom(PosixCalls& calls, const std::string& path, const struct stat* status) {
    // The kernel keeps a list only for permissions beyond the mode.
    if (status == nullptr || calls.getxattr(path.c_str(), accessList, nullptr, 0) >= 0 ||
        !noAccessList(errno)) {
        return {.mode = ownerReadAndWrite};
    }
    return {.mode = ownerReadAndWrite | (status->st_mode & othersReadAndWrite),
            .group = status->st_gid};
}

ReplacementFile::ReplacementFile(PosixCalls& calls, UniqueFd folder, std::string_view name,
                                 const Permissions& permissions, std::string shownPath)
    : calls_(calls), folder_(std::move(folder)), name_(name), shownPath_(std::move(shownPath)) {
    for (int attempt = 1; !file_; ++attempt) {
        temporary_ = temporaryName(name);
        const int fd =
            calls_.openAt(folder_.get(), temporary_.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions.mode);
        const int openError = errno;
        file_ = UniqueFd(fd);
        if (!file_ && (openError != EEXIST || attempt == creationAttempts)) {
            throw cannotCreate(shownPath_, openError);
        }
    }
    keepTo(permissions);
}

// A folder with a default access control list gives its new files a list of their own, and a
// folder marked set-group-ID gives them its group: either would open the file to others whom its
// source does not let in.
void ReplacementFile::keepTo(const Permissions& permissions) {
    if (calls_.fremovexattr(file_.get(), accessList) != 0 && !noAccessList(errno)) {
        fail(errno);
    }
    if ((permissions.mode & groupPermissions) == 0) {
        return;
    }
    struct stat status {};
    if (calls_.fstat(file_.get(), &status) != 0) {
        fail(errno);
    }
    // Giving the file the source's group takes being root or a member of it.
    if (status.st_gid != permissions.group &&
        calls_.fchown(file_.get(), static_cast<uid_t>(-1), permissions.group) != 0 &&
        calls_.fchmod(file_.get(), status.st_mode & allPermissions & ~groupPermissions) != 0) {
        fail(errno);
    }
}

ReplacementFile::~ReplacementFile() {
    discard();
}

void ReplacementFile::discard() {
    if (!temporary_.empty()) {
        file_.close();
        calls_.unlinkAt(folder_.get(), temporary_.c_str(), 0);
        temporary_.clear();
    }
}

void ReplacementFile::fail(int error) {
    discard();
    throw cannotCreate(shownPath_, error);
}

void ReplacementFile::write(std::span<const std::uint8_t> bytes) {
    if (const int error = writeAll(calls_, file_.get(), bytes); error != 0) {
        fail(error);
    }
}

// The rename makes the complete file appear at once, so a killed or failing run never leaves a
// partial file under the final name. There is no flush to disk before it: the sources are never
// changed, so even a power failure cannot lose a picture, and a flush per file would cost more
// than the whole rest of a run.
void ReplacementFile::complete() {
    if (const int error = file_.close(); error != 0) {
        fail(error);
    }
    if (calls_.renameAt(folder_.get(), temporary_.c_str(), name_.c_str()) != 0) {
        fail(errno);
    }
    temporary_.clear(); // it has the final name now
}

} // namespace tarvex
