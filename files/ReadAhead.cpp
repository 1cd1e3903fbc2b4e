#include "files/ReadAhead.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>

namespace tarvex {

ReadAhead::ReadAhead(PosixCalls& calls) : calls_(calls) {
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
    readerWakes_.notify_one();
}

FileVersion ReadAhead::read(const std::string& path, const std::string& next,
                            const PieceReceiver& take) {
    std::unique_lock lock(mutex_);
    if (expected_ != path) {
        dropEverything();
        files_.push_back(path);
    }
    expected_ = next;
    if (!next.empty()) {
        files_.push_back(next);
    }
    readerWakes_.notify_one();

    FileVersion version;
    try {
        for (bool last = false; !last;) {
            callerWakes_.wait(lock, [this] { return filled_ > 0; });
            const Piece& piece = ring_[first_];
            lock.unlock();
            if (piece.reason) {
                throw cannotOpen(path, piece.reason);
            }
            // Once the file is seen to change, what was taken of it is a mix, whatever follows.
            const bool steady = version.steady;
            version = piece.version;
            version.steady = version.steady && steady;
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
    reading_ = true;
    lock.unlock();
    OpenedFile opened = openRegularFile(calls_, path);
    lock.lock();
    for (bool last = false; !last;) {
        readerWakes_.wait(
            lock, [&] { return stopping_ || dropped_ != dropped || filled_ < ring_.size(); });
        if (stopping_ || dropped_ != dropped) {
            break;
        }
        // The caller does not look at this place until it is counted as filled.
        Piece& piece = ring_[(first_ + filled_) % ring_.size()];
        lock.unlock();
        piece.reason = opened.reason;
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
        if (dropped_ != dropped) {
            break;
        }
        ++filled_;
        if (last) {
            files_.pop_front();
        }
        callerWakes_.notify_one();
    }
    // The file is closed without the lock held.
    lock.unlock();
    opened.file.close();
    lock.lock();
    reading_ = false;
    callerWakes_.notify_all();
}

} // namespace tarvex
