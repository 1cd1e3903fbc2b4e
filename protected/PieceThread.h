#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tarvex {

// The pieces of a place of the ring, 1 MiB of source: the two threads meet about once per place,
// and each meeting can cost a switch between threads.
inline constexpr std::size_t piecesPerPlace = 16;

// A thread that works on a container's pieces beside the caller's thread: the caller posts the
// places of a small ring one after another, the thread runs the work on each in the order posted,
// and the caller waits for a place's work before it uses what the work made, or lends the place
// anew. The work must not throw. The thread takes no signal: they go to the caller's thread.
class PieceThread {
public:
    static constexpr std::size_t places = 3;

    // `work` runs on the thread with the place posted.
    explicit PieceThread(std::function<void(std::size_t place)> work);
    // Waits for the work posted, then ends the thread.
    ~PieceThread();
    PieceThread(const PieceThread&) = delete;
    PieceThread& operator=(const PieceThread&) = delete;

    // Posts `place`, which must not be waiting or in work; gives its turn for waitFor.
    std::uint64_t post(std::size_t place);
    // Returns once the work of turn `turn` and of every one before it is done.
    void waitFor(std::uint64_t turn);
    // Returns once all the work posted is done.
    void waitForAll();

private:
    void run();

    std::function<void(std::size_t)> work_;
    std::mutex mutex_;
    std::condition_variable threadWakes_; // a place posted, or the end
    std::condition_variable callerWakes_; // a place's work done
    std::array<std::size_t, places> posted_{};
    std::uint64_t turns_ = 0; // posted so far
    std::uint64_t done_ = 0;  // done so far, in the order posted
    bool ending_ = false;
    std::thread thread_;
};

} // namespace tarvex
