#include "ui/viewer/PictureLoader.h"

#include <QMetaObject>
#include <QThread>

namespace tarvex {

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

void PictureLoader::setWanted(int first, int last) {
    firstWanted_ = first;
    lastWanted_ = last;
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

std::optional<PictureLoader::Job> PictureLoader::nextJob(std::unique_ptr<Tools>& tools) {
    const std::lock_guard lock(mutex_);
    std::optional<Job> next;
    if (picture_) {
        next.swap(picture_);
    } else if (!thumbnails_.empty()) {
        next = std::move(thumbnails_.back());
        thumbnails_.pop_back();
    } else {
        --workers_;
        idleTools_.push_back(std::move(tools));
    }
    return next;
}

bool PictureLoader::wanted(const Job& job) const {
    return !closing_ && (job.side == 0 || (job.row >= firstWanted_ && job.row <= lastWanted_));
}

void PictureLoader::work() {
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
    while (std::optional<Job> job = nextJob(tools)) {
        ContainerPicture picture;
        picture.problem = PictureProblem::Stopped;
        if (wanted(*job)) {
            picture = readPicture({.path = job->path,
                                   .fitSide = job->side,
                                   .files = *tools->files,
                                   .readers = tools->readers,
                                   .key =
                                       [this](const ProtectedParameters& parameters) {
                                           return keys_.find(parameters);
                                       },
                                   .stop = [this, &job] { return !wanted(*job); }});
        }
        QMetaObject::invokeMethod(
            receiver_,
            [done = done_, row = job->row, ticket = job->ticket,
             picture = std::move(picture)]() mutable { done(row, ticket, std::move(picture)); },
            Qt::QueuedConnection);
    }
}

} // namespace tarvex
