#include "protected/PieceThread.h"

#include <csignal>
#include <pthread.h>

namespace tarvex {

PieceThread::PieceThread(std::function<void(std::size_t place)> work) : work_(std::move(work)) {
    // The thread starts with every signal blocked, and keeps them so.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

PieceThread::~PieceThread() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    threadWakes_.notify_one();
    thread_.join();
}

std::uint64_t PieceThread::post(std::size_t place) {
    std::unique_lock lock(mutex_);
    posted_[turns_ % places] = place;
    const std::uint64_t turn = ++turns_;
    lock.unlock();
    threadWakes_.notify_one();
    return turn;
}

void PieceThread::waitFor(std::uint64_t turn) {
    std::unique_lock lock(mutex_);
    callerWakes_.wait(lock, [&] { return done_ >= turn; });
}

void PieceThread::waitForAll() {
    std::unique_lock lock(mutex_);
    callerWakes_.wait(lock, [&] { return done_ == turns_; });
}

void PieceThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        threadWakes_.wait(lock, [&] { return ending_ || done_ < turns_; });
        if (done_ == turns_) {
            return;
        }
        const std::size_t place = posted_[done_ % places];
        lock.unlock();
        work_(place);
        lock.lock();
        ++done_;
        callerWakes_.notify_one();
    }
}

} // namespace tarvex
