#pragma once

#include "batch/Viewing.h"
#include "viewer/ContainerPicture.h"
#include "viewer/KeyAsking.h"

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// Lowers the priority of the calling thread, a worker's, below the window's thread.
void lowerWorkerPriority();

// Reads the pictures of containers on worker threads, one container a thread at a time, and
// hands each to the window's thread: the whole picture asked for first, then the thumbnails of
// the rows in view, from the first, then those nearest to the view. A thumbnail whose row has
// gone further than a screen from the view before its container is read through is given up.
// Each worker reads with a file system and readers of its own; the keys are shared.
class PictureLoader {
public:
    // Hears a picture on the thread of `receiver`: its row, the ticket it was asked with (0 for a
    // thumbnail), and the picture or why there is none (Stopped for one given up).
    using Done = std::function<void(int row, quint64 ticket, ContainerPicture picture)>;

    PictureLoader(FileSystems fileSystems, const ViewerKeys& keys, QObject* receiver, Done done);
    // Gives up what waits and what is read, and waits for the workers.
    ~PictureLoader();
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // The thumbnail of `row`, fitted into a square of `side`.
    void thumbnail(int row, std::string path, int side);
    // The whole picture of `row`, in place of one asked for before and not read yet.
    void picture(int row, std::string path, quint64 ticket);
    // The places in view, from `first` to `last`; none when `last` < `first`.
    void setRowsInView(int first, int last);
    // The place of each row in the view's order, -1 for one that does not show; a row is its
    // own place while there are none.
    void setPlaces(std::vector<int> places);

private:
    struct Job {
        int row;
        std::string path;
        int side; // 0 for a whole picture
        quint64 ticket;
        int place = row; // as it was when the job was last looked at
    };
    // What a worker reads with.
    struct Tools {
        std::unique_ptr<FileSystem> files;
        ContainerReaders readers;
    };

    void add(Job job);
    // A worker: reads jobs until none is left.
    void work();
    // The next job, or none: then the worker ends, and its tools wait for the next one. The
    // thumbnails no longer wanted go to `dropped`.
    std::optional<Job> nextJob(std::unique_ptr<Tools>& tools, std::vector<Job>& dropped);
    // How many places `place` lies from the places in view; 0 in view.
    int distance(int place) const;
    bool wanted(const Job& job) const;
    // Gives `picture` of `job` to the window's thread.
    void hand(const Job& job, ContainerPicture picture);

    FileSystems fileSystems_;
    const ViewerKeys& keys_;
    QObject* receiver_;
    Done done_;
    std::mutex mutex_;
    std::optional<Job> picture_;
    std::vector<Job> thumbnails_;
    std::vector<int> places_;
    std::vector<std::unique_ptr<Tools>> idleTools_;
    int workers_ = 0;
    std::atomic<int> firstInView_{0};
    std::atomic<int> lastInView_{INT_MAX};
    std::atomic<bool> closing_{false};
    QThreadPool pool_;
};

} // namespace tarvex
