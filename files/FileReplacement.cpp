#include "files/FileReplacement.h"

#include "files/FolderListing.h"
#include "files/PosixFile.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
// A temporary name is ".NAME.XXXXXX.tmp", the X drawn from these characters.
constexpr std::string_view randomCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t randomLength = 6;
constexpr std::string_view temporaryEnd = ".tmp";

// Whether a failure to look at or take away an access control list means there is none: the
// file has none, or its file system keeps none.
bool noAccessList(int error) {
    return error == ENODATA || error == EOPNOTSUPP;
}

std::string temporaryName(std::string_view name) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, randomCharacters.size() - 1);
    std::string temporary = ".";
    temporary.append(name.substr(0, nameKept));
    temporary.push_back('.');
    for (std::size_t i = 0; i < randomLength; ++i) {
        temporary.push_back(randomCharacters[pick(random)]);
    }
    temporary.append(temporaryEnd);
    return temporary;
}

// Whether `name` is one that temporaryName gives.
bool isTemporaryName(std::string_view name) {
    const std::size_t tail = 1 + randomLength + temporaryEnd.size(); // ".XXXXXX.tmp"
    if (name.size() < 2 + tail || name.front() != '.' || !name.ends_with(temporaryEnd)) {
        return false;
    }
    const std::string_view random = name.substr(name.size() - tail, 1 + randomLength);
    return random.front() == '.' &&
           random.substr(1).find_first_not_of(randomCharacters) == std::string_view::npos;
}

// The umask of the process, as the system tells it (setting it to learn it would let another
// thread create a file meanwhile); the strictest one when it cannot be read.
mode_t processUmask(PosixCalls& calls) {
    constexpr mode_t strictest = 077;
    constexpr std::string_view field = "\nUmask:\t";
    const UniqueFd status(calls.open("/proc/self/status", O_RDONLY | O_CLOEXEC));
    std::array<std::uint8_t, 4096> bytes{};
    const long got = status ? readAll(calls, status.get(), bytes) : -1;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                                got > 0 ? static_cast<std::size_t>(got) : 0);
    const std::size_t at = text.find(field);
    mode_t mask = strictest;
    if (at != std::string_view::npos) {
        // Left as it is when no number follows.
        std::from_chars(text.data() + at + field.size(), text.data() + text.size(), mask, 8);
    }
    return mask & allPermissions;
}

// Removes `name` from the open folder `folder` if it is a regular file of this user that no
// living writer holds locked. It is looked at through a descriptor of its own, and removed only
// while it is locked and still stands at its name.
void removeIfLeft(PosixCalls& calls, int folder, const char* name) {
    const UniqueFd file(
        calls.openAt(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0));
    struct stat status {};
    struct stat standing {};
    if (!file || calls.fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != ::geteuid() || calls.flock(file.get(), LOCK_EX | LOCK_NB) != 0 ||
        calls.fstatAt(folder, name, &standing, AT_SYMLINK_NOFOLLOW) != 0 ||
        standing.st_dev != status.st_dev || standing.st_ino != status.st_ino) {
        return;
    }
    calls.unlinkAt(folder, name, 0);
}

} // namespace

Permissions permissionsFrom(PosixCalls& calls, int folder, const std::string& name,
                            const struct stat& status) {
    // The kernel keeps a list only for permissions beyond the mode. The name is looked up in the
    // folder held open, through the process's own view of its descriptors.
    const std::string path = "/proc/self/fd/" + std::to_string(folder) + "/" + name;
    if (calls.lgetxattr(path.c_str(), accessList, nullptr, 0) >= 0 || !noAccessList(errno)) {
        return {.mode = ownerReadAndWrite};
    }
    return {.mode = ownerReadAndWrite | (status.st_mode & othersReadAndWrite),
            .group = status.st_gid};
}

ReplacementFile::ReplacementFile(PosixCalls& calls, SharedFolder folder, std::string_view name,
                                 const Permissions& permissions, std::string shownPath,
                                 std::optional<std::int64_t> modified)
    : calls_(calls), folder_(std::move(folder)), name_(name), shownPath_(std::move(shownPath)),
      permissions_(permissions), modified_(modified) {
    file_ = UniqueFd(
        calls_.openAt(folder_->get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, permissions.mode));
    if (file_) {
        unnamed_ = true;
        keepToPermissions();
        return;
    }
    // A file system without unnamed files refuses them with one of these; a kernel that does not
    // know them takes the flag for that of a folder.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        throw cannotCreate(shownPath_, errno);
    }
    createNamed();
    // A list inherited from the folder would let in whom it names once the file gets its mode.
    if (calls_.fremovexattr(file_.get(), accessList) != 0 && !noAccessList(errno)) {
        fail(errno);
    }
}

void ReplacementFile::createNamed() {
    for (int attempt = 0; attempt < creationAttempts; ++attempt) {
        std::string temporary = temporaryName(name_);
        file_ = UniqueFd(calls_.openAt(folder_->get(), temporary.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                       ownerReadAndWrite));
        if (!file_) {
            if (errno != EEXIST) {
                throw cannotCreate(shownPath_, errno);
            }
            continue;
        }
        temporary_ = std::move(temporary);
        if (lockNamed()) {
            return;
        }
        // Taken by a run that cleans the folder, which removes it.
        temporary_.clear();
        file_.close();
    }
    throw cannotCreate(shownPath_, EEXIST);
}

// The named file is locked for as long as it is written, so that no run takes it for one that a
// killed writer left. A run that cleans the folder may have locked it first, between its making
// and this, and removes it: false then. On a file system without locks no run can lock it
// either, and it is written unlocked.
bool ReplacementFile::lockNamed() {
    if (calls_.flock(file_.get(), LOCK_EX | LOCK_NB) != 0) {
        return errno != EWOULDBLOCK;
    }
    struct stat status {};
    if (calls_.fstat(file_.get(), &status) != 0) {
        fail(errno);
    }
    return status.st_nlink > 0;
}

// A folder with a default access control list gives its new files a list of their own, and a
// folder marked set-group-ID gives them its group: either would open the file to others whom its
// source does not let in.
void ReplacementFile::keepToPermissions() {
    if (calls_.fremovexattr(file_.get(), accessList) != 0 && !noAccessList(errno)) {
        fail(errno);
    }
    if ((permissions_.mode & groupPermissions) == 0) {
        return;
    }
    struct stat status {};
    if (calls_.fstat(file_.get(), &status) != 0) {
        fail(errno);
    }
    if (!takesGroup(status) &&
        calls_.fchmod(file_.get(), status.st_mode & allPermissions & ~groupPermissions) != 0) {
        fail(errno);
    }
}

// The complete named file gets the mode that creating it with its permissions would have given
// (less the umask; a folder's default access control list counts for nothing, as the file has
// none). Its group comes first, so that the group's permissions never let in the folder's group.
void ReplacementFile::openToPermissions() {
    mode_t mode = permissions_.mode & ~processUmask(calls_);
    if ((mode & groupPermissions) != 0) {
        struct stat status {};
        if (calls_.fstat(file_.get(), &status) != 0) {
            fail(errno);
        }
        if (!takesGroup(status)) {
            mode &= ~groupPermissions;
        }
    }
    // A file system that keeps no modes (FAT) refuses the change: the file stays as it was made,
    // owner-only, which lets in no one whom its source keeps out.
    calls_.fchmod(file_.get(), mode);
}

// Giving the file the source's group takes being root or a member of it.
bool ReplacementFile::takesGroup(const struct stat& status) {
    return status.st_gid == permissions_.group ||
           calls_.fchown(file_.get(), static_cast<uid_t>(-1), permissions_.group) == 0;
}

std::string ReplacementFile::unnamedPath() const {
    return "/proc/self/fd/" + std::to_string(file_.get());
}

// A link fails where a file has the name, so nothing is replaced: the complete file appears at
// once. Closing may report an error of its writing (NFS does), and then the name goes again, so
// that no file that may be incomplete keeps it; the output folder is the user's alone, so the
// name is still this file's.
bool ReplacementFile::linkedAtName() {
    if (calls_.linkAt(AT_FDCWD, unnamedPath().c_str(), folder_->get(), name_.c_str(),
                      AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST) {
            return false;
        }
        fail(errno);
    }
    if (const int error = file_.close(); error != 0) {
        calls_.unlinkAt(folder_->get(), name_.c_str(), 0);
        fail(error);
    }
    return true;
}

// The name appears locked, as a named file is from its making, so that no run that cleans the
// folder takes it before the rename; its lock cannot fail but where no run can lock it either.
void ReplacementFile::nameUnnamed() {
    calls_.flock(file_.get(), LOCK_EX | LOCK_NB);
    const std::string self = unnamedPath();
    for (int attempt = 1;; ++attempt) {
        std::string temporary = temporaryName(name_);
        if (calls_.linkAt(AT_FDCWD, self.c_str(), folder_->get(), temporary.c_str(),
                          AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(temporary);
            return;
        }
        if (errno != EEXIST || attempt == creationAttempts) {
            fail(errno);
        }
    }
}

ReplacementFile::~ReplacementFile() {
    discard();
}

void ReplacementFile::discard() {
    if (!temporary_.empty()) {
        calls_.unlinkAt(folder_->get(), temporary_.c_str(), 0);
        temporary_.clear();
    }
    // An unnamed file goes with its last descriptor.
    file_.close();
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

// The link or the rename makes the complete file appear at once, so a killed or failing run
// never leaves a partial file under the final name; a file that has the name is replaced by the
// rename. There is no flush to disk before it: the sources are never
// changed, so even a power failure cannot lose a picture, and a flush per file would cost more
// than the whole rest of a run. The file is closed before the rename, as closing may report an
// error of its writing (NFS does); a second descriptor keeps its lock until the rename.
void ReplacementFile::complete() {
    if (modified_) {
        constexpr std::int64_t billion = 1'000'000'000;
        // The nanoseconds of a time before 1970 are counted up from its second.
        const std::int64_t seconds = *modified_ / billion - (*modified_ % billion < 0 ? 1 : 0);
        const timespec times[2] = {
            {0, UTIME_NOW},
            {static_cast<time_t>(seconds), static_cast<long>(*modified_ - seconds * billion)}};
        if (calls_.futimens(file_.get(), times) != 0) {
            fail(errno);
        }
    }
    if (unnamed_) {
        if (linkedAtName()) {
            return;
        }
        nameUnnamed();
    } else {
        openToPermissions();
    }
    const UniqueFd lock(::fcntl(file_.get(), F_DUPFD_CLOEXEC, 0));
    if (!lock) {
        fail(errno);
    }
    if (const int error = file_.close(); error != 0) {
        fail(error);
    }
    if (calls_.renameAt(folder_->get(), temporary_.c_str(), name_.c_str()) != 0) {
        fail(errno);
    }
    temporary_.clear(); // it has the final name now
}

void removeLeftTemporaries(PosixCalls& calls, int folder) {
    const UniqueFd listing(calls.openAt(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    std::vector<FolderEntry> entries;
    if (!listing || listOpenFolder(calls, listing.get(), entries)) {
        return;
    }
    for (const FolderEntry& entry : entries) {
        if (entry.kind == EntryKind::RegularFile && isTemporaryName(entry.name)) {
            removeIfLeft(calls, folder, entry.name.c_str());
        }
    }
}

} // namespace tarvex
