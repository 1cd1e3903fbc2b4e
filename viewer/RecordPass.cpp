#include "viewer/RecordPass.h"

#include "viewer/PictureLoader.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <numeric>

namespace tarvex {

namespace {

// How long the thread gathers records before it hands them over.
constexpr auto batchTime = std::chrono::milliseconds(100);

} // namespace

RecordPass::RecordPass(std::vector<std::string> paths, Setup setup)
    : paths_(std::move(paths)), setup_(std::move(setup)) {
    queued_.resize(paths_.size());
    std::iota(queued_.begin(), queued_.end(), 0);
    thread_ = std::thread([this] { work(); });
}

RecordPass::~RecordPass() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wakes_.notify_one();
    thread_.join();
}

void RecordPass::work() {
    lowerWorkerPriority();
    const std::unique_ptr<FileSystem> files = setup_.fileSystems();
    ContainerReaders readers;
    Batch batch;
    auto handed = std::chrono::steady_clock::now();
    const auto hand = [&] {
        if (!batch.empty())
            QMetaObject::invokeMethod(
                this, [this, done = std::move(batch)] { take(done); }, Qt::QueuedConnection);
        batch = {};
        handed = std::chrono::steady_clock::now();
    };
    for (;;) {
        int row = -1;
        {
            std::unique_lock lock(mutex_);
            if (queued_.empty()) {
                lock.unlock();
                hand();
                lock.lock();
            }
            wakes_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
            if (stopping_)
                return;
            row = queued_.front();
            queued_.pop_front();
        }
        batch.emplace_back(row, readRecord({.path = paths_[std::size_t(row)],
                                            .files = *files,
                                            .readers = readers,
                                            .key =
                                                [this](const ProtectedParameters& parameters) {
                                                    return setup_.keys.find(parameters);
                                                },
                                            .stop = [this] { return stopping_.load(); }}));
        if (std::chrono::steady_clock::now() - handed >= batchTime)
            hand();
    }
}

void RecordPass::take(const Batch& batch) {
    std::vector<int> again;
    for (const auto& [row, read] : batch) {
        if (!read.missingKey)
            continue;
        // A key that came while the row was read.
        if (setup_.keys.find(*read.missingKey) != nullptr) {
            again.push_back(row);
            continue;
        }
        waiting_.emplace_back(row, *read.missingKey);
        if (std::find(asked_.begin(), asked_.end(), *read.missingKey) == asked_.end()) {
            asked_.push_back(*read.missingKey);
            setup_.needKey(row, *read.missingKey);
        }
    }
    queue(std::move(again));
    setup_.read(batch);
}

void RecordPass::keyReady(const ProtectedParameters& parameters) {
    std::vector<int> again;
    const auto ready =
        std::stable_partition(waiting_.begin(), waiting_.end(),
                              [&](const auto& waits) { return waits.second != parameters; });
    for (auto waits = ready; waits != waiting_.end(); ++waits)
        again.push_back(waits->first);
    waiting_.erase(ready, waiting_.end());
    queue(std::move(again));
}

void RecordPass::queue(std::vector<int> rows) {
    if (rows.empty())
        return;
    {
        const std::lock_guard lock(mutex_);
        queued_.insert(queued_.end(), rows.begin(), rows.end());
    }
    wakes_.notify_one();
}

} // namespace tarvex
