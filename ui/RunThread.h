#pragma once

#include "batch/RunReport.h"
#include "batch/RunResult.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tarvex {

class WindowReport;

// How a run of the window ended: its result, or the error it did not foresee.
struct RunOutcome {
    RunResult result;
    std::string failure; // empty unless the run threw
};

// The main window's runs, each on a thread of its own, so that the window's thread never waits
// for a file. What a run reports reaches `shown` on the window's thread: a question, a notice, a
// password asked again and every stage but a file's while the run waits for them; the count of
// files handled as the latest one, posted once however many files were handled meanwhile.
class RunThread {
public:
    explicit RunThread(WindowReport& shown);
    // A run that goes is stopped, and waited for: a question it waits on is answered No.
    ~RunThread();
    RunThread(const RunThread&) = delete;
    RunThread& operator=(const RunThread&) = delete;

    using Work = std::function<RunResult(RunReport& report)>;
    using Done = std::function<void(const RunOutcome& outcome)>;
    // Runs `work` on a thread of its own; `done` gets its outcome on the window's thread once the
    // thread has ended. Only while no run goes: the window disables what starts one.
    void start(Work work, Done done);
    // Whether a run goes: from its start until its outcome is handed to `done`.
    bool going() const { return thread_.joinable(); }
    // The window's Cancel: the run stops as soon as it asks whether to.
    void cancel() { stopRequested_ = true; }

private:
    class Relay;
    struct ShownCount {
        int done = 0;
        int count = 0;
        std::string folder;
    };

    // Runs `call` on the window's thread while the run's thread waits for it; false, without
    // calling it, once the window is going away.
    bool onWindow(const std::function<void()>& call);
    // Keeps the count of a file's progress and posts it unless a post of it is pending.
    void postCount(const RunProgress& progress);
    // On the window's thread: shows the latest count.
    void showCount();

    WindowReport& shown_;
    std::thread thread_;
    std::atomic<bool> stopRequested_ = false;
    // The calls posted to the window's thread are bound to this object, which lives there: they
    // are dropped with it.
    std::unique_ptr<QObject> context_;

    std::mutex mutex_;
    std::condition_variable answered_;
    // Guarded by mutex_: whether the window began to go away, after which nothing is posted; the
    // count to show, and whether a post of it is pending.
    bool abandoned_ = false;
    ShownCount count_;
    bool countPosted_ = false;
};

} // namespace tarvex
