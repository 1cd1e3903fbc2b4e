#include "ReadAhead.h"

#include <cassert>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <sched.h>

namespace tarvex {

namespace {

// How long a thread watches for the other one before it goes to sleep.
constexpr auto briefWait = std::chrono::microseconds(200);

// Watching is worth it only while the other thread runs on another processor.
bool manyProcessors() {
    cpu_set_t allowed;
    return sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 1;
}

// Returns once `changed` holds or briefWait has passed, without sleeping.
template <class Changed> void watchBriefly(Changed changed) {
    static const bool worthIt = manyProcessors();
    if (!worthIt) {
        return;
    }
    constexpr int pausesPerClockReading = 32;
    const auto until = std::chrono::steady_clock::now() + briefWait;
    for (int pauses = 0; !changed(); ++pauses) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (pauses % pausesPerClockReading == 0 && std::chrono::steady_clock::now() >= until) {
            return;
        }
    }
}

// Waits on `cv` until `ready` holds. The two threads are mostly a piece apart, so what the waiter
// needs usually comes within microseconds: it first watches for `changed` (read without the
// lock) for a short while, and only then sleeps. Sleeping and being woken cost each side a system
// call and, on a virtual machine, a trip through the host, for every piece.
template <class Ready, class Changed>
void waitBrieflyAwake(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, Ready ready,
                      Changed changed) {
    if (!ready()) {
        lock.unlock();
        watchBriefly(changed);
        lock.lock();
    }
    cv.wait(lock, ready);
}

} // namespace

ReadAhead::ReadAhead(PosixCalls& calls) : calls_(calls) {
    // The thread starts with every signal blocked, and keeps them so.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &before);
    reader_ = std::thread([this] { readFiles(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        postWork();
    }
    reader_.join();
}

void ReadAhead::dropEverything() {
    jobs_.clear();
    expected_ = {};
    ++round_;
    // The slot that the reader may be filling is head_; it is dropped when the read returns.
    tail_ = head_;
    filledCount_ = 0;
    postWork();
}

void ReadAhead::postWork() {
    ++workPosted_;
    work_.notify_one();
}

template <class Ready> void ReadAhead::awaitWork(std::unique_lock<std::mutex>& lock, Ready ready) {
    const std::uint64_t seen = workPosted_;
    waitBrieflyAwake(lock, work_, ready, [&] { return workPosted_ != seen; });
}

void ReadAhead::read(const std::string& path, const std::string& next, bool listSlashes,
                     const SourcePieceReceiver& take) {
    std::unique_lock lock(mutex_);
    std::uint64_t job = expected_.id;
    if (job == 0 || expected_.path != path || expected_.listSlashes != listSlashes) {
        dropEverything();
        job = ++lastJob_;
        jobs_.push_back({job, path, listSlashes});
    }
    expected_ = {};
    if (!next.empty()) {
        expected_ = {++lastJob_, next, listSlashes};
        jobs_.push_back(expected_);
    }
    postWork();

    try {
        for (bool last = false; !last;) {
            const auto filled = [this] { return filledCount_ > 0; };
            waitBrieflyAwake(lock, filled_, filled, filled);
            const Slot& slot = ring_[tail_];
            assert(slot.job == job);
            lock.unlock();
            if (slot.error != 0) {
                throw cannotOpen(path, slot.error);
            }
            if (slot.length > 0) {
                take(std::span(slot.bytes).first(slot.length),
                     slot.listed.listedEnd > 0 ? &slot.listed : nullptr);
            }
            last = slot.last;
            lock.lock();
            tail_ = (tail_ + 1) % slotCount;
            --filledCount_;
            postWork();
        }
    } catch (...) {
        // The rest of the file may be in the ring, and the reader in the file: both are given up.
        if (!lock.owns_lock()) {
            lock.lock();
        }
        dropEverything();
        throw;
    }
}

void ReadAhead::giveUp() {
    std::unique_lock lock(mutex_);
    dropEverything();
    idle_.wait(lock, [this] { return !reading_; });
}

void ReadAhead::readFiles() {
    std::unique_lock lock(mutex_);
    for (;;) {
        awaitWork(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) {
            return;
        }
        const Job job = jobs_.front();
        readJob(job, lock);
    }
}

void ReadAhead::readJob(const Job& job, std::unique_lock<std::mutex>& lock) {
    const std::uint64_t round = round_;
    reading_ = true;
    lock.unlock();
    OpenedFile opened = openRegularFile(calls_, job.path);
    lister_.startSource();
    lock.lock();
    for (bool last = false; !last;) {
        awaitWork(lock, [&] { return stopping_ || round_ != round || filledCount_ < slotCount; });
        if (stopping_ || round_ != round) {
            break;
        }
        // The caller does not look at the slot at head_ until it is counted as filled.
        Slot& slot = ring_[head_];
        lock.unlock();
        slot.job = job.id;
        slot.error = opened.error;
        slot.length = 0;
        if (slot.error == 0) {
            const long got = readAll(calls_, opened.file.get(), slot.bytes);
            slot.error = got < 0 ? errno : 0;
            slot.length = got < 0 ? 0 : static_cast<std::size_t>(got);
        }
        slot.last = slot.error != 0 || slot.length < slot.bytes.size();
        slot.listed.listedEnd = 0;
        if (job.listSlashes && slot.length > 0) {
            lister_.list(std::span(slot.bytes).first(slot.length), slot.listed);
        }
        last = slot.last;
        lock.lock();
        if (round_ != round) {
            break;
        }
        head_ = (head_ + 1) % slotCount;
        ++filledCount_;
        if (last) {
            jobs_.pop_front();
        }
        filled_.notify_one();
    }
    // The file is closed without the lock held.
    lock.unlock();
    opened.file.close();
    lock.lock();
    reading_ = false;
    idle_.notify_all();
}

} // namespace tarvex
