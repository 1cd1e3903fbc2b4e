#pragma once

#include "files/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tarvex {

// The system calls that the local file system makes, one virtual function each. Every one does
// what its POSIX namesake does (-1 and errno on failure); a test overrides the one it wants to
// fail and keeps the rest.
class PosixCalls {
public:
    virtual ~PosixCalls() = default;

    virtual int open(const char* path, int flags);
    virtual int openAt(int folder, const char* name, int flags, mode_t mode);
    virtual ssize_t read(int fd, void* buffer, std::size_t size);
    virtual ssize_t write(int fd, const void* bytes, std::size_t size);
    virtual off_t lseek(int fd, off_t offset, int whence);
    virtual int ftruncate(int fd, off_t length);
    virtual int flock(int fd, int operation);

    virtual int stat(const char* path, struct stat* status);
    virtual int lstat(const char* path, struct stat* status);
    virtual int fstat(int fd, struct stat* status);
    virtual int fstatAt(int folder, const char* name, struct stat* status, int flags);
    virtual int fchmod(int fd, mode_t mode);
    virtual int futimens(int fd, const timespec times[2]);
    virtual int fchown(int fd, uid_t owner, gid_t group);
    // Looks at the attribute of `path` itself, a link at its end not followed.
    virtual ssize_t lgetxattr(const char* path, const char* name, void* value, std::size_t size);
    virtual int fremovexattr(int fd, const char* name);

    // Writes what the file holds to the disk.
    virtual int fsync(int fd);
    // Drops the cached pages of the file: its next reading comes from the disk.
    virtual int dropCachedPages(int fd);

    // Renames within one folder.
    virtual int renameAt(int folder, const char* from, const char* to);
    // Renames from one folder to another, as renameat2 does with `flags`.
    virtual int renameAt2(int fromFolder, const char* from, int toFolder, const char* to,
                          unsigned flags);
    virtual int linkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    virtual int unlinkAt(int folder, const char* name, int flags);
    virtual int mkdir(const char* path, mode_t mode);
    virtual int mkdirAt(int folder, const char* name, mode_t mode);
    // Reads entries of the folder open as `fd` into `buffer`, as struct dirent64 records.
    virtual ssize_t getdents64(int fd, void* buffer, std::size_t size);
};

// The machine's own calls.
PosixCalls& systemCalls();

// An open file descriptor, closed when its owner goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    // Closes the descriptor now; the error number of the close, or 0.
    int close() noexcept;

private:
    int fd_ = -1;
};

// A regular file open for reading and its version when it was opened, or the reason that there
// is none.
struct OpenedFile {
    UniqueFd file;
    FileVersion version;
    std::error_code reason;
};
// Opens the file `name` of the open folder `folder` for reading if it is a regular file. Anything
// else is not opened at all: a link is never followed, and opening a device may act on it (a tape
// rewinds, a watchdog starts); as the name may come to name another file meanwhile, the file
// opened is looked at again, and opening does not block, so a named pipe cannot hold the caller
// either. Only a regular file is read, so neither a pipe nor a device named as a file can feed it
// without end.
OpenedFile openRegularFile(PosixCalls& calls, int folder, const std::string& name);

// The version of the file whose status is `status`.
FileVersion versionOf(const struct stat& status);

// Whether the open file `fd` still has the content of `version`: a file whose status cannot be
// read counts as changed.
bool keepsVersion(PosixCalls& calls, int fd, const FileVersion& version);

// Writes every byte, going on after short writes and interruptions; the error number, or 0.
int writeAll(PosixCalls& calls, int fd, std::span<const std::uint8_t> bytes);

// Reads into `buffer` until it is full or the file ends; the count read, or -1 with errno set.
long readAll(PosixCalls& calls, int fd, std::span<std::uint8_t> buffer);

// Hands `file`, opened from `path`, to `opened` and `take` as FileSystem::readFile does, on the
// caller's thread and through `buffer`: in pieces of `firstPiece` bytes at first, each one twice
// as long as the one before up to readPieceSize, so that a caller that needs only the start of a
// large file reads little more than that. Throws FileError.
FileVersion readOnThisThread(PosixCalls& calls, const std::string& path, const OpenedFile& file,
                             std::size_t firstPiece, const VersionReceiver& opened,
                             const PieceReceiver& take, std::vector<std::uint8_t>& buffer);

} // namespace tarvex
