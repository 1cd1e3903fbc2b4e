#pragma once

#include "FileSystem.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace tarvex {

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

// Writes every byte, going on after short writes and interruptions; the error number, or 0.
int writeAll(int fd, std::span<const std::uint8_t> bytes);

// Reads into `buffer` until it is full or the file ends; the count read, or -1 with errno set.
long readAll(int fd, std::span<std::uint8_t> buffer);

// The errors the user sees: Cannot open file "PATH". Reason
FileError cannotOpen(const std::string& path, int error);
FileError cannotCreate(const std::string& path, int error);

} // namespace tarvex
