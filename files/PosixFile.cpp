#include "files/PosixFile.h"

#include "files/FileError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tarvex {

namespace {

// Why a file of `status` is not read, or no reason when it is a regular file.
std::error_code notReadAs(const struct stat& status) {
    if (S_ISREG(status.st_mode)) {
        return {};
    }
    if (S_ISLNK(status.st_mode)) {
        return make_error_code(FileProblem::IsALink);
    }
    return S_ISDIR(status.st_mode) ? systemReason(EISDIR)
                                   : make_error_code(FileProblem::NotRegularFile);
}

} // namespace

int PosixCalls::open(const char* path, int flags) {
    return ::open(path, flags);
}

int PosixCalls::openAt(int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
}

ssize_t PosixCalls::read(int fd, void* buffer, std::size_t size) {
    return ::read(fd, buffer, size);
}

ssize_t PosixCalls::write(int fd, const void* bytes, std::size_t size) {
    return ::write(fd, bytes, size);
}

off_t PosixCalls::lseek(int fd, off_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}

int PosixCalls::ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}

int PosixCalls::flock(int fd, int operation) {
    return ::flock(fd, operation);
}

int PosixCalls::stat(const char* path, struct stat* status) {
    return ::stat(path, status);
}

int PosixCalls::lstat(const char* path, struct stat* status) {
    return ::lstat(path, status);
}

int PosixCalls::fstat(int fd, struct stat* status) {
    return ::fstat(fd, status);
}

int PosixCalls::fstatAt(int folder, const char* name, struct stat* status, int flags) {
    return ::fstatat(folder, name, status, flags);
}

int PosixCalls::fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

int PosixCalls::futimens(int fd, const timespec times[2]) {
    return ::futimens(fd, times);
}

int PosixCalls::fchown(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group);
}

ssize_t PosixCalls::lgetxattr(const char* path, const char* name, void* value, std::size_t size) {
    return ::lgetxattr(path, name, value, size);
}

int PosixCalls::fremovexattr(int fd, const char* name) {
    return ::fremovexattr(fd, name);
}

int PosixCalls::fsync(int fd) {
    return ::fsync(fd);
}

int PosixCalls::dropCachedPages(int fd) {
    const int error = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    errno = error;
    return error == 0 ? 0 : -1;
}

int PosixCalls::renameAt(int folder, const char* from, const char* to) {
    return ::renameat(folder, from, folder, to);
}

int PosixCalls::renameAt2(int fromFolder, const char* from, int toFolder, const char* to,
                          unsigned flags) {
    return ::renameat2(fromFolder, from, toFolder, to, flags);
}

int PosixCalls::linkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    return ::linkat(fromFolder, from, toFolder, to, flags);
}

int PosixCalls::unlinkAt(int folder, const char* name, int flags) {
    return ::unlinkat(folder, name, flags);
}

int PosixCalls::mkdir(const char* path, mode_t mode) {
    return ::mkdir(path, mode);
}

int PosixCalls::mkdirAt(int folder, const char* name, mode_t mode) {
    return ::mkdirat(folder, name, mode);
}

ssize_t PosixCalls::getdents64(int fd, void* buffer, std::size_t size) {
    return ::getdents64(fd, buffer, size);
}

PosixCalls& systemCalls() {
    static PosixCalls calls;
    return calls;
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

int UniqueFd::close() noexcept {
    if (fd_ < 0) {
        return 0;
    }
    // Linux releases the descriptor even when close fails, so it is never retried.
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 ? 0 : errno;
}

int writeAll(PosixCalls& calls, int fd, std::span<const std::uint8_t> bytes) {
    // Larger writes let the kernel (Linux 6.x) cache the file in blocks of several megabytes,
    // whose allocation can stall on compacting memory; 1 MB pieces cost the same and never do.
    constexpr std::size_t largestWrite = std::size_t{1} << 20;
    while (!bytes.empty()) {
        const ssize_t written = calls.write(fd, bytes.data(), std::min(bytes.size(), largestWrite));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return 0;
}

OpenedFile openRegularFile(PosixCalls& calls, int folder, const std::string& name) {
    OpenedFile opened;
    struct stat status {};
    if (calls.fstatAt(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        opened.reason = systemReason(errno);
        return opened;
    }
    if ((opened.reason = notReadAs(status))) {
        return opened;
    }
    opened.file = UniqueFd(
        calls.openAt(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0));
    if (!opened.file || calls.fstat(opened.file.get(), &status) != 0) {
        opened.reason = systemReason(errno);
    } else {
        opened.reason = notReadAs(status);
    }
    if (opened.reason) {
        opened.file.close();
        return opened;
    }
    opened.version = versionOf(status);
    return opened;
}

FileVersion versionOf(const struct stat& status) {
    constexpr std::int64_t billion = 1'000'000'000;
    return {.device = status.st_dev,
            .inode = status.st_ino,
            .size = static_cast<std::uint64_t>(status.st_size),
            .modified = status.st_mtim.tv_sec * billion + status.st_mtim.tv_nsec,
            .changed = status.st_ctim.tv_sec * billion + status.st_ctim.tv_nsec};
}

bool keepsVersion(PosixCalls& calls, int fd, const FileVersion& version) {
    struct stat status {};
    return calls.fstat(fd, &status) == 0 && versionOf(status).matches(version);
}

long readAll(PosixCalls& calls, int fd, std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = calls.read(fd, buffer.data() + done, buffer.size() - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long>(done);
}

FileVersion readOnThisThread(PosixCalls& calls, const std::string& path, const OpenedFile& file,
                             std::size_t firstPiece, const VersionReceiver& opened,
                             const PieceReceiver& take, std::vector<std::uint8_t>& buffer) {
    FileVersion version = file.version;
    version.steady = true;
    if (opened && !opened(version)) {
        return version;
    }
    // Read to its end, whatever its size said: a file of the kernel's, or of a file system in a
    // program, may hold more than it says.
    for (std::size_t piece = firstPiece;; piece = std::min(2 * piece, readPieceSize)) {
        buffer.resize(piece);
        const long got = readAll(calls, file.file.get(), buffer);
        if (got < 0) {
            throw cannotOpen(path, systemReason(errno));
        }
        const auto length = static_cast<std::size_t>(got);
        if ((length > 0 && !take(std::span(buffer).first(length))) || length < piece) {
            break;
        }
    }
    version.steady = keepsVersion(calls, file.file.get(), file.version);
    return version;
}

} // namespace tarvex
