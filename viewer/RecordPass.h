#pragma once

#include "batch/Viewing.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tarvex {

// Reads what the container of every row records (see readRecord) on a thread of its own, row
// after row, and hands it to the window's thread in batches: what came in a tenth of a second.
// A row whose key is not there waits for it, and is read again once it is.
class RecordPass final : public QObject {
public:
    using Batch = std::vector<std::pair<int, RecordRead>>;
    struct Setup {
        FileSystems fileSystems;
        const ViewerKeys& keys;
        // Hears each batch, on the window's thread.
        std::function<void(const Batch&)> read;
        // The first row that waits for the key of some parameters: the key is asked for once.
        std::function<void(int row, const ProtectedParameters&)> needKey;
    };

    RecordPass(std::vector<std::string> paths, Setup setup);
    // Gives up what is left, and waits for the thread.
    ~RecordPass() override;

    // The key of `parameters` is there: the rows that wait for it are read again.
    void keyReady(const ProtectedParameters& parameters);

private:
    void work();
    // Takes `batch` on the window's thread.
    void take(const Batch& batch);
    void queue(std::vector<int> rows);

    std::vector<std::string> paths_;
    Setup setup_;
    // The rows that wait for a key, with its parameters; on the window's thread.
    std::vector<std::pair<int, ProtectedParameters>> waiting_;
    // The parameters whose key was asked for: each once.
    std::vector<ProtectedParameters> asked_;
    std::mutex mutex_;
    std::condition_variable wakes_;
    std::deque<int> queued_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace tarvex
