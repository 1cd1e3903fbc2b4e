#include "ui/RunThread.h"

#include "ui/WindowReport.h"

#include <exception>

namespace tarvex {

// The report that a run calls on its own thread: it hands every call on to the window's thread,
// and answers whether to stop from the flag that Cancel sets.
class RunThread::Relay final : public RunReport {
public:
    explicit Relay(RunThread& run) : run_(run) {}

    void progress(const RunProgress& progress) override {
        if (progress.stage == RunProgress::Stage::File)
            run_.postCount(progress);
        else
            run_.onWindow([&] { run_.shown_.progress(progress); });
    }
    // A question the window cannot show any more is answered No.
    bool ask(const RunQuestion& question) override {
        bool yes = false;
        run_.onWindow([&] { yes = run_.shown_.ask(question); });
        return yes;
    }
    // The window keeps to the summary of its run.
    void leftOut(const LeftOutFile&) override {}
    void notice(RunNotice notice) override {
        run_.onWindow([&] { run_.shown_.notice(notice); });
    }
    std::optional<Secret> passwordAgain(double seconds) override {
        std::optional<Secret> again;
        run_.onWindow([&] { again = run_.shown_.passwordAgain(seconds); });
        return again;
    }
    bool stopRequested() override { return run_.stopRequested_; }

private:
    RunThread& run_;
};

RunThread::RunThread(WindowReport& shown) : shown_(shown), context_(std::make_unique<QObject>()) {}

RunThread::~RunThread() {
    stopRequested_ = true;
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    answered_.notify_one();
    if (thread_.joinable())
        thread_.join();
    // What the run posted and the window's thread has not handled goes unhandled.
    context_.reset();
}

void RunThread::start(Work work, Done done) {
    stopRequested_ = false;
    thread_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        RunOutcome outcome;
        {
            Relay relay(*this);
            try {
                outcome.result = work(relay);
            } catch (const std::exception& error) {
                outcome.failure = error.what();
            }
        }
        const std::lock_guard lock(mutex_);
        if (abandoned_)
            return;
        QMetaObject::invokeMethod(
            context_.get(),
            [this, outcome = std::move(outcome), done] {
                // The thread has nothing left to do but to end.
                thread_.join();
                done(outcome);
            },
            Qt::QueuedConnection);
    });
}

bool RunThread::onWindow(const std::function<void()>& call) {
    bool returned = false;
    std::unique_lock lock(mutex_);
    if (abandoned_)
        return false;
    QMetaObject::invokeMethod(
        context_.get(),
        [this, &call, &returned] {
            call();
            const std::lock_guard answeredLock(mutex_);
            returned = true;
            answered_.notify_one();
        },
        Qt::QueuedConnection);
    answered_.wait(lock, [&] { return returned || abandoned_; });
    return returned;
}

void RunThread::postCount(const RunProgress& progress) {
    const std::lock_guard lock(mutex_);
    if (abandoned_)
        return;
    count_.done = progress.done;
    count_.count = progress.count;
    count_.folder.assign(progress.folder);
    if (countPosted_)
        return;
    countPosted_ = true;
    QMetaObject::invokeMethod(
        context_.get(), [this] { showCount(); }, Qt::QueuedConnection);
}

void RunThread::showCount() {
    ShownCount latest;
    {
        const std::lock_guard lock(mutex_);
        latest = count_;
        countPosted_ = false;
    }
    shown_.progress({.stage = RunProgress::Stage::File,
                     .done = latest.done,
                     .count = latest.count,
                     .folder = latest.folder});
}

} // namespace tarvex
