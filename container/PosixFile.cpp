#include "PosixFile.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace tarvex {

namespace {

FileError fileError(std::string_view action, const std::string& path, int error) {
    return FileError(std::string(action) + " \"" + path + "\". " +
                     std::generic_category().message(error));
}

} // namespace

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

int writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
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

long readAll(int fd, std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + done, buffer.size() - done);
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

FileError cannotOpen(const std::string& path, int error) {
    return fileError("Cannot open file", path, error);
}

FileError cannotCreate(const std::string& path, int error) {
    return fileError("Cannot create file", path, error);
}

} // namespace tarvex
