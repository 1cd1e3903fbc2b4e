#pragma once

#include "files/FileSystem.h"
#include "files/PosixFile.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarvex {

// Reads files on a thread of its own, a few pieces ahead of the caller who takes them, so that
// reading overlaps with the work on what came before. Once a file is read, the thread goes on
// with the file named as the next one, while the caller still works on the last pieces of the
// current one and on its output. A file of one piece that was not read ahead is read on the
// caller's own thread, and names no next one: among small files, waking the other thread for each
// would cost more than the reading.
//
// The two threads share a small ring of pieces: the reading thread waits for a free place in it
// (or for a file to read), the caller for a filled one. Reading has no effect on the files, so
// what is read ahead and never asked for is dropped. The thread takes no signal: they go to the
// caller's thread, as they would without it.
class ReadAhead {
public:
    // Opens a file that is asked for, as openRegularFile does.
    using Opener = std::function<OpenedFile(const std::string& path)>;

    // Reads through `calls` the files that `open` opens; `open` is called on the reading thread.
    ReadAhead(PosixCalls& calls, Opener open);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Hands the version of `path` to `opened` and its content to `take` as FileSystem::readFile
    // does, then reads on into `next`, when it is not empty, for the call that asks for it; when
    // `opened` or `take` stops early, what was read ahead is given up. Gives the version of the
    // file as it was when the thread opened it, steady when it still had it after the last piece
    // taken was read. Throws the FileError of a file that cannot be opened or read, and whatever
    // `opened` and `take` throw.
    FileVersion read(const std::string& path, const std::string& next,
                     const VersionReceiver& opened, const PieceReceiver& take);

    // Gives up what was read ahead, and returns once the thread holds no file open.
    void giveUp();

private:
    // A piece read, or the end of a file: a piece shorter than readPieceSize is its file's last,
    // and an error ends the file too. The version is the file's when it was opened, steady while
    // the file still had it once the piece was read; a file that could not be opened has none.
    struct Piece {
        std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(readPieceSize);
        std::size_t length = 0;
        bool last = false;
        bool opened = false;
        std::error_code reason;
        FileVersion version;
    };

    // Reads `path` on the caller's thread when it fits in one piece, as `read` does: handing a
    // small file over from the reading thread costs more than reading it. Nothing when it is
    // larger, which is left to the thread. Called without the lock.
    std::optional<FileVersion> readHere(const std::string& path, const VersionReceiver& opened,
                                        const PieceReceiver& take);
    // The reading thread.
    void readFiles();
    // Reads `path` into the ring until its end, or until everything is dropped or the thread is
    // to stop. Called and returning with `lock` held.
    void readOne(const std::string& path, std::unique_lock<std::mutex>& lock);
    // Gives up every file asked for and every piece read. Called with the lock held.
    void dropEverything();
    // Gives up the file in hand from its piece that the caller takes next, but not the files
    // after it: its pieces are dropped up to its last, and when the thread is still reading it,
    // it goes on with the next file. Called with the lock held.
    void skipFile();

    PosixCalls& calls_;
    Opener open_;
    std::mutex mutex_;
    std::condition_variable readerWakes_; // a file to read, a free place, or a stop
    std::condition_variable callerWakes_; // a filled place, or the thread done with its file
    std::deque<std::string> files_;       // to be read, the one in hand first
    std::string expected_;                // named next by the last call, until it is asked for
    std::uint64_t dropped_ = 0;           // grows whenever everything is dropped
    std::uint64_t skipped_ = 0;           // grows whenever the file in hand is skipped
    std::array<Piece, 4> ring_;
    std::vector<std::uint8_t> here_; // what readHere read, on the caller's thread
    std::size_t first_ = 0;          // the filled place the caller takes next
    std::size_t filled_ = 0;
    bool reading_ = false; // the thread has a file open
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tarvex
