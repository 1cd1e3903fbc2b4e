#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// A file step that failed. what() is the text the user sees, for example
// Cannot open file "/a/b.jpg". No such file or directory
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The errors the user sees, with the system's text for the error number `error`:
// Cannot open file "PATH". Reason
FileError cannotOpen(const std::string& path, int error);
FileError cannotCreate(const std::string& path, int error);

// A file being written, piece by piece. Both calls throw FileError.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Ends the file. What happens to a file that is given up before this depends on the file.
    virtual void complete() = 0;
};

// The size of the pieces in which the machine's file system reads files; it fits in a
// processor's second-level cache. Whole lines of 57 bytes, 16 of them to a text of a whole number
// of blocks of 64 characters, so that lone "/" can be listed a piece at a time (see SlashLister).
inline constexpr std::size_t readPieceSize = 57 * 16 * 287;

// Takes the pieces of a file that FileSystem::readFile hands over.
using PieceReceiver = std::function<void(std::span<const std::uint8_t>)>;

struct ListedSlashes;

// Takes the pieces of a source that FileSystem::readFileBefore hands over, each with the lone "/"
// of its High level text when they were listed ahead, and null when they were not.
using SourcePieceReceiver =
    std::function<void(std::span<const std::uint8_t>, const ListedSlashes*)>;

// Every file step the program takes goes through this seam, so that tests can make any step fail.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The whole content of a file. Throws FileError.
    virtual std::vector<std::uint8_t> loadFile(const std::string& path) = 0;

    // Hands the content of a file to `take` in order, a piece at a time as it is read, so that
    // it need not be held whole. A piece is valid during its call only. Throws FileError.
    virtual void readFile(const std::string& path, const PieceReceiver& take) = 0;

    // Reads `path` as readFile does, and names `next` as the file that the following call will
    // ask for, so that the file system may start reading it early. With `listSlashes` it may list
    // the lone "/" of each piece's High level text as it reads, for `next` too (see SlashLister).
    // Throws FileError.
    virtual void readFileBefore(const std::string& path, const std::string& next, bool listSlashes,
                                const SourcePieceReceiver& take) {
        static_cast<void>(next);
        static_cast<void>(listSlashes);
        readFile(path, [&take](std::span<const std::uint8_t> piece) { take(piece, nullptr); });
    }

    // Gives up reading the file named next, and returns once it is closed: a run that ends keeps
    // no source open.
    virtual void stopReadingAhead() {}

    // A new content for `path`, made from the file `source`. The bytes go to a temporary file in
    // the same folder that is renamed over `path` when the writer completes, so a failure never
    // leaves a partial file under `path` nor destroys an earlier one; a writer given up before it
    // completes removes its temporary file. The file is no more open to others than `source`:
    // group and others may read and write it as they may `source` (less the umask), and not at
    // all when its permissions cannot be read; the owner may always read and write it. Throws
    // FileError.
    virtual std::unique_ptr<FileWriter> createFile(const std::string& path,
                                                   const std::string& source) = 0;

    // Replaces (or creates) `path` with `bytes`, made from `source`, through createFile.
    void saveFile(const std::string& path, std::span<const std::uint8_t> bytes,
                  const std::string& source);

    // Size in bytes of a file that can be opened for reading; nothing when it cannot.
    virtual std::optional<std::uint64_t> readableSize(const std::string& path) = 0;

    // Creates one folder level. An existing folder, or a failure, is not reported.
    virtual void createFolder(const std::string& path) = 0;

    // A new content for the per-user scratch file. It is written over in place: a writer given
    // up before it completes leaves what it wrote over the earlier content. Throws FileError.
    virtual std::unique_ptr<FileWriter> openScratch() = 0;

    // Replaces the content of the scratch file with `text`, through openScratch.
    void writeScratch(std::string_view text);
};

// The file system of the machine. The scratch file lives in an owner-only folder of the user's
// cache folder and is never written through a link.
FileSystem& localFileSystem();

inline std::span<const std::uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

inline void FileSystem::saveFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                 const std::string& source) {
    const std::unique_ptr<FileWriter> file = createFile(path, source);
    file->write(bytes);
    file->complete();
}

inline void FileSystem::writeScratch(std::string_view text) {
    const std::unique_ptr<FileWriter> file = openScratch();
    file->write(asBytes(text));
    file->complete();
}

} // namespace tarvex
