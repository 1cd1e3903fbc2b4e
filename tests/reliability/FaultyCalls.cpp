#include "FaultyCalls.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace tarvex::testing {
namespace {

std::atomic<int> processInjected = 0;

} // namespace

int errorOf(FaultStep step) {
    switch (step) {
    case FaultStep::Open:
    case FaultStep::Create:
        return EACCES;
    case FaultStep::Read:
    case FaultStep::ShortWrite:
    case FaultStep::Status:
    case FaultStep::Seek:
    case FaultStep::Truncate:
        return EIO;
    case FaultStep::NoSpace:
        return ENOSPC;
    case FaultStep::Rename:
        return EBUSY;
    case FaultStep::Link:
        return EMLINK;
    }
    return EIO;
}

const char* nameOf(FaultStep step) {
    switch (step) {
    case FaultStep::Open:
        return "open";
    case FaultStep::Create:
        return "create";
    case FaultStep::Read:
        return "read";
    case FaultStep::ShortWrite:
        return "short write";
    case FaultStep::NoSpace:
        return "no space";
    case FaultStep::Rename:
        return "rename";
    case FaultStep::Status:
        return "status";
    case FaultStep::Seek:
        return "seek";
    case FaultStep::Truncate:
        return "truncate";
    case FaultStep::Link:
        return "link";
    }
    return "?";
}

FaultyCalls::FaultyCalls(FaultStep step, std::string target, int occurrence)
    : step_(step), target_(std::move(target)), occurrence_(occurrence) {}

int FaultyCalls::injectedInProcess() {
    return processInjected;
}

std::string FaultyCalls::pathIn(int folder, const char* name) {
    // The folder's path as the process's own view of its descriptors gives it.
    char link[PATH_MAX];
    const std::string self = "/proc/self/fd/" + std::to_string(folder);
    const ssize_t length = ::readlink(self.c_str(), link, sizeof link);
    return length <= 0 ? std::string(name) : std::string(link, std::size_t(length)) + "/" + name;
}

bool FaultyCalls::names(std::string_view path) const {
    // A target given as a full path is that file alone.
    if (target_.starts_with('/')) {
        return path == target_;
    }
    const std::string_view name = path.substr(path.rfind('/') + 1);
    if (name == target_) {
        return true;
    }
    const std::string temporaryStart = "." + target_ + ".";
    return name.starts_with(temporaryStart) && name.ends_with(".tmp");
}

bool FaultyCalls::strikes(FaultStep step) {
    if (step != step_ || injected_ > 0) {
        return false;
    }
    if (++calls_ != occurrence_) {
        return false;
    }
    ++injected_;
    ++processInjected;
    return true;
}

int FaultyCalls::fail(int error) {
    errno = error;
    return -1;
}

int FaultyCalls::track(int fd, bool onTarget) {
    if (fd >= 0) {
        if (onTarget) {
            watched_.insert(fd);
        } else {
            watched_.erase(fd); // a number used again for another file
        }
    }
    return fd;
}

int FaultyCalls::open(const char* path, int flags) {
    const std::lock_guard lock(mutex_);
    const bool onTarget = names(path);
    if (onTarget && strikes(FaultStep::Open)) {
        return fail(errorOf(FaultStep::Open));
    }
    return track(PosixCalls::open(path, flags), onTarget);
}

int FaultyCalls::openAt(int folder, const char* name, int flags, mode_t mode) {
    const std::lock_guard lock(mutex_);
    const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    const bool onTarget = unnamed ? lookedAtTarget_[folder] : names(pathIn(folder, name));
    const bool creates = (flags & O_CREAT) != 0 || unnamed;
    if (onTarget && creates && strikes(FaultStep::Create)) {
        return fail(errorOf(FaultStep::Create));
    }
    if (onTarget && !creates && (flags & O_PATH) == 0 && strikes(FaultStep::Open)) {
        return fail(errorOf(FaultStep::Open));
    }
    return track(PosixCalls::openAt(folder, name, flags, mode), onTarget);
}

ssize_t FaultyCalls::read(int fd, void* buffer, std::size_t size) {
    const std::lock_guard lock(mutex_);
    if (watched_.contains(fd) && strikes(FaultStep::Read)) {
        return fail(errorOf(FaultStep::Read));
    }
    return PosixCalls::read(fd, buffer, size);
}

ssize_t FaultyCalls::write(int fd, const void* bytes, std::size_t size) {
    const std::lock_guard lock(mutex_);
    if (writeFailsNext_ && watched_.contains(fd)) {
        writeFailsNext_ = false;
        return fail(errorOf(step_));
    }
    if (watched_.contains(fd) && size > 1 &&
        (strikes(FaultStep::ShortWrite) || strikes(FaultStep::NoSpace))) {
        writeFailsNext_ = true;
        return PosixCalls::write(fd, bytes, size / 2);
    }
    return PosixCalls::write(fd, bytes, size);
}

int FaultyCalls::renameAt(int folder, const char* from, const char* to) {
    const std::lock_guard lock(mutex_);
    if (names(to) && strikes(FaultStep::Rename)) {
        return fail(errorOf(FaultStep::Rename));
    }
    return PosixCalls::renameAt(folder, from, to);
}

int FaultyCalls::fstat(int fd, struct stat* status) {
    const std::lock_guard lock(mutex_);
    if (watched_.contains(fd) && strikes(FaultStep::Status)) {
        return fail(errorOf(FaultStep::Status));
    }
    return PosixCalls::fstat(fd, status);
}

off_t FaultyCalls::lseek(int fd, off_t offset, int whence) {
    const std::lock_guard lock(mutex_);
    if (watched_.contains(fd) && strikes(FaultStep::Seek)) {
        return fail(errorOf(FaultStep::Seek));
    }
    return PosixCalls::lseek(fd, offset, whence);
}

int FaultyCalls::ftruncate(int fd, off_t length) {
    const std::lock_guard lock(mutex_);
    if (watched_.contains(fd) && strikes(FaultStep::Truncate)) {
        return fail(errorOf(FaultStep::Truncate));
    }
    return PosixCalls::ftruncate(fd, length);
}

int FaultyCalls::fstatAt(int folder, const char* name, struct stat* status, int flags) {
    const std::lock_guard lock(mutex_);
    lookedAtTarget_[folder] = names(name);
    return PosixCalls::fstatAt(folder, name, status, flags);
}

int FaultyCalls::linkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    const std::lock_guard lock(mutex_);
    if (names(to) && strikes(FaultStep::Link)) {
        return fail(errorOf(FaultStep::Link));
    }
    return PosixCalls::linkAt(fromFolder, from, toFolder, to, flags);
}

} // namespace tarvex::testing
