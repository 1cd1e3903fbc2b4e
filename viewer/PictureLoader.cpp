#include "viewer/PictureLoader.h"

#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace tarvex {

namespace {

// The workers' niceness: a worker claims about a third of what the window's thread does when
// both want a processor.
constexpr int workerNiceness = 5;

} // namespace

void lowerWorkerPriority() {
    // The window's thread, and the display server, go first: they make the frames, which must
    // not wait for a decoding. A thread's niceness is its own on Linux, and passes to the
    // threads it starts, the file system's reader among them.
    setpriority(PRIO_PROCESS, pid_t(gettid()), workerNiceness);
}

PictureLoader::PictureLoader(FileSystems fileSystems, const ViewerKeys& keys, QObject* receiver,
                             Done done)
    : fileSystems_(std::move(fileSystems)), keys_(keys), receiver_(receiver),
      done_(std::move(done)) {
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

PictureLoader::~PictureLoader() {
    closing_ = true;
    {
        const std::lock_guard lock(mutex_);
        picture_.reset();
        thumbnails_.clear();
    }
    pool_.waitForDone();
}

void PictureLoader::thumbnail(int row, std::string path, int side) {
    add({row, std::move(path), side, 0});
}

void PictureLoader::picture(int row, std::string path, quint64 ticket) {
    add({row, std::move(path), 0, ticket});
}

void PictureLoader::setRowsInView(int first, int last) {
    firstInView_ = first;
    lastInView_ = last;
}

void PictureLoader::add(Job job) {
    const std::lock_guard lock(mutex_);
    if (job.side == 0)
        picture_ = std::move(job);
    else
        thumbnails_.push_back(std::move(job));
    if (workers_ < pool_.maxThreadCount()) {
        ++workers_;
        pool_.start([this] { work(); });
    }
}

void PictureLoader::setPlaces(std::vector<int> places) {
    const std::lock_guard lock(mutex_);
    places_ = std::move(places);
}

int PictureLoader::distance(int place) const {
    const int first = firstInView_;
    const int last = lastInView_;
    if (last < first || place < 0)
        return INT_MAX;
    return place < first ? first - place : place > last ? place - last : 0;
}

bool PictureLoader::wanted(const Job& job) const {
    // A screen's rows on each side of the view, for the scrolling that comes back.
    const long long screen = std::max(0LL, (long long)(lastInView_)-firstInView_ + 1);
    return !closing_ && (job.side == 0 || distance(job.place) <= screen);
}

std::optional<PictureLoader::Job> PictureLoader::nextJob(std::unique_ptr<Tools>& tools,
                                                         std::vector<Job>& dropped) {
    const std::lock_guard lock(mutex_);
    std::optional<Job> next;
    for (Job& job : thumbnails_)
        job.place = places_.empty() ? job.row : places_.at(std::size_t(job.row));
    const auto gone = std::partition(thumbnails_.begin(), thumbnails_.end(),
                                     [this](const Job& job) { return wanted(job); });
    std::move(gone, thumbnails_.end(), std::back_inserter(dropped));
    thumbnails_.erase(gone, thumbnails_.end());
    if (picture_) {
        next.swap(picture_);
    } else if (!thumbnails_.empty()) {
        // The rows in view from the first on, then those nearest to them.
        const auto best = std::min_element(thumbnails_.begin(), thumbnails_.end(),
                                           [this](const Job& a, const Job& b) {
                                               return std::pair(distance(a.place), a.place) <
                                                      std::pair(distance(b.place), b.place);
                                           });
        next = std::move(*best);
        thumbnails_.erase(best);
    } else {
        --workers_;
        idleTools_.push_back(std::move(tools));
    }
    return next;
}

void PictureLoader::hand(const Job& job, ContainerPicture picture) {
    QMetaObject::invokeMethod(
        receiver_,
        [done = done_, row = job.row, ticket = job.ticket, picture = std::move(picture)]() mutable {
            done(row, ticket, std::move(picture));
        },
        Qt::QueuedConnection);
}

void PictureLoader::work() {
    lowerWorkerPriority();
    std::unique_ptr<Tools> tools;
    {
        const std::lock_guard lock(mutex_);
        if (!idleTools_.empty()) {
            tools = std::move(idleTools_.back());
            idleTools_.pop_back();
        }
    }
    if (!tools)
        tools = std::make_unique<Tools>(Tools{fileSystems_(), {}});
    for (;;) {
        std::vector<Job> dropped;
        const std::optional<Job> job = nextJob(tools, dropped);
        ContainerPicture stopped;
        stopped.problem = PictureProblem::Stopped;
        for (const Job& gone : dropped)
            hand(gone, stopped);
        if (!job)
            return;
        hand(*job, readPicture({.path = job->path,
                                .fitSide = job->side,
                                .files = *tools->files,
                                .readers = tools->readers,
                                .key =
                                    [this](const ProtectedParameters& parameters) {
                                        return keys_.find(parameters);
                                    },
                                .stop = [this, &job] { return !wanted(*job); }}));
    }
}

} // namespace tarvex
