#include "files/ReadAhead.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>

namespace tarvex {

namespace {

// `version` as the file had it when it was opened, before any reading could see it change.
FileVersion asOpened(FileVersion version) {
    version.steady = true;
    return version;
}

} // namespace

ReadAhead::ReadAhead(PosixCalls& calls, Opener open) : calls_(calls), open_(std::move(open)) {
    // The thread starts with every signal blocked, and keeps them so.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread([this] { readFiles(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    readerWakes_.notify_one();
    thread_.join();
}

void ReadAhead::dropEverything() {
    files_.clear();
    expected_.clear();
    ++dropped_;
    // A piece the thread is filling is not counted yet; it drops it when its read returns.
    filled_ = 0;
    // A thread that waits for a file to read has nothing to give up.
    if (reading_) {
        readerWakes_.notify_one();
    }
}

FileVersion ReadAhead::read(const std::string& path, const std::string& next,
                            const VersionReceiver& opened, const PieceReceiver& take) {
    std::unique_lock lock(mutex_);
    if (expected_ != path) {
        dropEverything();
        lock.unlock();
        if (const std::optional<FileVersion> version = readHere(path, opened, take)) {
            return *version;
        }
        lock.lock();
        files_.push_back(path);
    }
    expected_ = next;
    if (!next.empty()) {
        files_.push_back(next);
    }
    readerWakes_.notify_one();

    FileVersion version;
    try {
        for (bool first = true, last = false; !last; first = false) {
            callerWakes_.wait(lock, [this] { return filled_ > 0; });
            const Piece& piece = ring_[first_];
            lock.unlock();
            // Once the file is seen to change, what was taken of it is a mix, whatever follows.
            const bool steady = version.steady;
            version = piece.version;
            version.steady = version.steady && steady;
            // The version that the file had when it was opened comes with its first piece.
            if (first && piece.opened && opened && !opened(asOpened(version))) {
                lock.lock();
                skipFile();
                return version;
            }
            if (piece.reason) {
                throw cannotOpen(path, piece.reason);
            }
            const bool goOn = piece.length == 0 || take(std::span(piece.bytes).first(piece.length));
            last = piece.last;
            lock.lock();
            if (!goOn && !last) {
                // The rest of the file is not wanted; neither is what was read ahead.
                dropEverything();
                return version;
            }
            first_ = (first_ + 1) % ring_.size();
            --filled_;
            readerWakes_.notify_one();
        }
    } catch (...) {
        // The rest of the file may be in the ring, and the thread in the file: both are dropped.
        if (!lock.owns_lock()) {
            lock.lock();
        }
        dropEverything();
        throw;
    }
    return version;
}

std::optional<FileVersion> ReadAhead::readHere(const std::string& path,
                                               const VersionReceiver& opened,
                                               const PieceReceiver& take) {
    const OpenedFile file = open_(path);
    if (file.reason) {
        throw cannotOpen(path, file.reason);
    }
    if (file.version.size >= readPieceSize) {
        return std::nullopt;
    }
    return readOnThisThread(calls_, path, file, readPieceSize, opened, take, here_);
}

void ReadAhead::skipFile() {
    while (filled_ > 0) {
        const bool last = ring_[first_].last;
        first_ = (first_ + 1) % ring_.size();
        --filled_;
        if (last) {
            readerWakes_.notify_one();
            return;
        }
    }
    ++skipped_;
    readerWakes_.notify_one();
}

void ReadAhead::giveUp() {
    std::unique_lock lock(mutex_);
    dropEverything();
    callerWakes_.wait(lock, [this] { return !reading_; });
}

void ReadAhead::readFiles() {
    std::unique_lock lock(mutex_);
    for (;;) {
        readerWakes_.wait(lock, [this] { return stopping_ || !files_.empty(); });
        if (stopping_) {
            return;
        }
        const std::string path = files_.front();
        readOne(path, lock);
    }
}

void ReadAhead::readOne(const std::string& path, std::unique_lock<std::mutex>& lock) {
    const std::uint64_t dropped = dropped_;
    const std::uint64_t skipped = skipped_;
    const auto givenUp = [&] { return dropped_ != dropped || skipped_ != skipped; };
    reading_ = true;
    lock.unlock();
    OpenedFile opened = open_(path);
    lock.lock();
    for (bool last = false; !last;) {
        readerWakes_.wait(lock, [&] { return stopping_ || givenUp() || filled_ < ring_.size(); });
        if (stopping_ || givenUp()) {
            break;
        }
        // The caller does not look at this place until it is counted as filled.
        Piece& piece = ring_[(first_ + filled_) % ring_.size()];
        lock.unlock();
        piece.reason = opened.reason;
        piece.opened = !opened.reason;
        piece.length = 0;
        if (!piece.reason) {
            const long got = readAll(calls_, opened.file.get(), piece.bytes);
            piece.reason = got < 0 ? systemReason(errno) : std::error_code();
            piece.length = got < 0 ? 0 : static_cast<std::size_t>(got);
            piece.version = opened.version;
            piece.version.steady = keepsVersion(calls_, opened.file.get(), opened.version);
        }
        piece.last = piece.reason || piece.length < piece.bytes.size();
        last = piece.last;
        lock.lock();
        if (givenUp()) {
            break;
        }
        ++filled_;
        if (last) {
            files_.pop_front();
        }
        callerWakes_.notify_one();
    }
    // A file skipped is asked for no longer, the files after it still are; dropping everything
    // took it away already.
    if (skipped_ != skipped && dropped_ == dropped) {
        files_.pop_front();
    }
    // The file is closed without the lock held.
    lock.unlock();
    opened.file.close();
    lock.lock();
    reading_ = false;
    callerWakes_.notify_all();
}

} // namespace tarvex
