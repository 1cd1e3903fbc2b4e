#pragma once

#include "FileSystem.h"
#include "PosixFile.h"
#include "SlashLister.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvex {

// Reads files on a thread of its own, a few pieces ahead of the caller who takes them, so that
// reading a source overlaps with encoding and writing what came before. Once a file is read, the
// thread goes on with the file named as the next one, while the caller still works on the last
// pieces of the current one and on its output.
//
// For a High level container the thread also lists the lone "/" of each piece's text, which
// takes that work off the caller's thread.
//
// Reading has no effect on the files, so what is read ahead and never asked for is dropped. The
// thread takes no signal: they go to the caller's thread, as they did before it existed.
class ReadAhead {
public:
    explicit ReadAhead(PosixCalls& calls);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Hands the content of `path` to `take` in order, in pieces of readPieceSize bytes (the last
    // one shorter), as FileSystem::readFile does; then reads on into `next`, when it is not empty,
    // for the call that asks for it. With `listSlashes`, each piece comes with the lone "/" of its
    // High level text as SlashLister lists them (null where nothing is listed), and `next` is
    // read ahead the same way. Throws the FileError of a file that cannot be opened or read, and
    // whatever `take` throws.
    void read(const std::string& path, const std::string& next, bool listSlashes,
              const SourcePieceReceiver& take);

    // Gives up what was read ahead, and returns once the thread holds no file open.
    void giveUp();

private:
    // A file to read; ids grow with every file asked for.
    struct Job {
        std::uint64_t id = 0;
        std::string path;
        bool listSlashes = false;
    };
    // A piece read, or the end of a file: a piece shorter than readPieceSize is its file's last,
    // and an error ends the file too.
    struct Slot {
        std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(readPieceSize);
        std::size_t length = 0;
        ListedSlashes listed;
        std::uint64_t job = 0;
        bool last = false;
        int error = 0;
    };
    static constexpr std::size_t slotCount = 4;

    void readFiles();
    // Reads `job` into the ring until its end, until its reading is given up or the reader stops.
    // Called and returning with `lock` held.
    void readJob(const Job& job, std::unique_lock<std::mutex>& lock);
    // Gives up every file asked for and every piece read. Called with the lock held.
    void dropEverything();
    // Tells the reader to look at the state again. Called with the lock held.
    void postWork();
    // Waits on `work_` until `ready` holds, as the reader. Called with `lock` held.
    template <class Ready> void awaitWork(std::unique_lock<std::mutex>& lock, Ready ready);

    PosixCalls& calls_;
    std::mutex mutex_;
    std::condition_variable work_;              // the reader waits here for a file or a free slot
    std::atomic<std::uint64_t> workPosted_ = 0; // grows with every notification of work_
    std::condition_variable filled_;            // the caller waits here for a piece
    std::condition_variable idle_; // giveUp waits here for the reader to close its file
    std::deque<Job> jobs_;         // the files to read, the one being read first
    std::uint64_t lastJob_ = 0;
    // The file named as the next one by the last call, while it is still to be asked for.
    Job expected_;
    // Grows whenever everything is given up, so that a read under way is dropped when it returns.
    std::uint64_t round_ = 0;
    std::array<Slot, slotCount> ring_;
    std::size_t head_ = 0;                     // the slot the reader fills next
    std::size_t tail_ = 0;                     // the slot the caller takes next
    std::atomic<std::size_t> filledCount_ = 0; // also watched without the lock
    bool reading_ = false;                     // the reader has a file in hand
    bool stopping_ = false;
    SlashLister lister_; // used by the reading thread alone
    std::thread reader_;
};

} // namespace tarvex
