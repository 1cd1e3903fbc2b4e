#pragma once

#include "files/FileError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tarvex {

// A file being written, piece by piece. Both calls throw FileError.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Ends the file. What happens to a file that is given up before this depends on the file.
    virtual void complete() = 0;
};

// The size of the pieces in which files are read: small enough for a processor's second-level
// cache, large enough that a system call reads a good deal.
inline constexpr std::size_t readPieceSize = 256 * 1024;

// Which file a path names, whatever links lead to it: its device and inode.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
using FileIdentities = std::vector<FileIdentity>;

// What an entry of a folder is, its links not followed.
enum class EntryKind {
    RegularFile,
    Folder,
    Link,
    Other, // a pipe, a device, a socket, or what cannot be looked at
};

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
    // Which file it was when the folder was read, for a reading to tell whether it is the same.
    FileIdentity identity{};
};

// Called now and then while a step waits for another program; false gives the wait up.
using WaitHandler = std::function<bool()>;

// The version of a file that a reading saw: which file it was, its size, and the times of the
// last change of its content and of its status (nanoseconds since 1970), as they were when the
// reading began. A file written to, or another file put in its place, has another version, but
// for one written to within the same tick of the system's clock (a few milliseconds) as the one
// before and with the same size.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    // False when the file was seen to change while it was read: what was read may be a mix.
    bool steady = true;

    // Whether this reading and the reading of `other` saw one content: both began at the same
    // version, and neither saw the file change.
    bool matches(const FileVersion& other) const {
        return steady && other.steady && device == other.device && inode == other.inode &&
               size == other.size && modified == other.modified && changed == other.changed;
    }
};

// Takes the version of a file that FileSystem::readFile has opened, before any of its pieces,
// and says whether to read it.
using VersionReceiver = std::function<bool(const FileVersion&)>;

// Takes the pieces of a file that FileSystem::readFile hands over, and says whether to go on.
using PieceReceiver = std::function<bool(std::span<const std::uint8_t>)>;

// The last bytes of a file, whether they are all of it, and the version they were read from.
struct FileEnd {
    std::vector<std::uint8_t> bytes;
    bool wholeFile = false;
    FileVersion version;
};

// What FileSystem::readableSize finds: the size of a file that can be read, or why it cannot be.
struct SourceSize {
    std::uint64_t bytes = 0;
    // None when the file can be read: a system error, or FileProblem::NotRegularFile.
    std::error_code reason;
};

// Every file step the program takes goes through this seam, so that tests can make any step fail.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens each of `folders` once as a root of the run in hand, as the system resolves its path
    // (the user named it). Until closeRoots, every path below a root is opened from it, one folder
    // at a time, never through a link: whatever is renamed, swapped or linked meanwhile, such a
    // path names a file of that root's tree or none, and it may be longer than the system's
    // longest path. A root that cannot be opened makes every step below it fail with the reason.
    virtual void openRoots(const std::vector<std::string>& folders) = 0;
    virtual void closeRoots() = 0;

    // Hands the content of `path` to `take` in order, in pieces of readPieceSize bytes (the last
    // one shorter) as they are read, so that it need not be held whole; a piece is valid during
    // its call only. Before any piece, even of an empty file, `opened` (when not empty) is given
    // the version of the file as it was opened, once: its size is the one to hold a limit
    // against, as the path may name another file by now. Reading stops early when `opened` or
    // `take` says so: the file is let go at once. `next`, when not empty, names the file that the
    // following call will ask for, so that the file system may start reading it early, even
    // before its end is read. Only a regular file is read. Gives the version of the file that the
    // pieces came from: it is not steady when the file changed before the last piece taken was
    // read. Throws FileError, and whatever `opened` and `take` throw.
    virtual FileVersion readFile(const std::string& path, const std::string& next,
                                 const VersionReceiver& opened, const PieceReceiver& take) = 0;

    // Hands the content of `path` to `take` as readFile does, but on the caller's thread, with
    // nothing read ahead, and in pieces that begin a few KiB long and grow to readPieceSize: for
    // a caller that needs only the start of a file and then stops, such as a reading of what a
    // container records, which should read a few KiB of a file of megabytes. Throws as readFile.
    virtual FileVersion readFileStart(const std::string& path, const VersionReceiver& opened,
                                      const PieceReceiver& take) = 0;

    // The last `count` bytes of a regular file, or all of it when it is shorter, with the version
    // they came from. A caller that goes by them while it reads the whole file with readFile
    // compares the two versions: unless they match, the file changed, and the two readings may
    // not be of the same content. Throws FileError.
    virtual FileEnd readFileEnd(const std::string& path, std::size_t count) = 0;

    // Gives up reading the file named next, and returns once it is closed: a run that ends keeps
    // no source open.
    virtual void stopReadingAhead() = 0;

    // The files that `paths` name, as far as they exist: given to createFile, they are the files
    // that no output may replace, whatever other names they have.
    virtual FileIdentities identify(const std::vector<std::string>& paths) = 0;

    // A new content for `path`, made from the file `source`. The bytes go to a new file in the
    // same folder that is renamed over `path` when the writer completes, so a failure never
    // leaves a partial file under `path` nor destroys an earlier one. The new file has no name
    // until it is complete where the file system allows it, so that a writer given up or killed
    // before it completes leaves nothing; elsewhere it is an owner-only hidden file, which a
    // writer given up removes, and which the first file made in the folder by a later run
    // removes when a killed writer left it (see ReplacementFile). `path` is refused ("File exists")
    // when it is `source` itself or one of the files of `keep`. The file is no more open to others
    // than `source`: group and others may read and write it as they may `source` (less the umask),
    // and not at all when its permissions cannot be read; the owner may always read and write it. A
    // folder that createFolder could not make is reported here, with the reason it could not be
    // made. Only the source's group may use the group's permissions: the file takes that group
    // where the user may give it, and has none of them otherwise. A source whose access control
    // list names further users or groups gives an owner-only file, and the file has no list of its
    // own (none inherited from the folder). The folder of `path` must be the user's own, and only
    // the user may put files into it (others may in a sticky folder, but remove none of the
    // user's): a link, another user's folder or one open to others is refused, with the folder as
    // the blocker (FileProblem::FolderIsALink, FolderOfAnotherUser, FolderOpenToOthers), and
    // nothing is written into it. The file's time of last change is `modified` (nanoseconds since
    // 1970) when it is given, else the time of its last write. Throws FileError.
    virtual std::unique_ptr<FileWriter> createFile(const std::string& path,
                                                   const std::string& source,
                                                   const FileIdentities& keep,
                                                   std::optional<std::int64_t> modified) = 0;

    // Size in bytes of a regular file that can be opened for reading, or the reason it cannot be
    // (a missing file, a pipe or device, a folder, a file the user may not read...). Opens no
    // pipe or device.
    virtual SourceSize readableSize(const std::string& path) = 0;

    // Creates one folder level, which group and others may not write to, whatever the umask, nor
    // look into when it is `ownerOnly`. An existing folder, or a failure, is not reported: the
    // reason of a failure is kept for the first file that createFile is asked to make in it.
    virtual void createFolder(const std::string& path, bool ownerOnly) = 0;

    // Makes the file `path`, and the folder that holds it, durable on the disk, and drops the
    // file's cached pages, so that its next reading comes from the disk. Throws FileError (Create).
    virtual void flushToDisk(const std::string& path) = 0;
    // Moves the file `path` to the user's Trash as the desktop's file managers do (see
    // moveFileToTrash in files/Trash.h), unless it is no longer `version`: then false, with
    // nothing moved. Throws FileError (Create) when it cannot be moved.
    virtual bool moveToTrash(const std::string& path, const FileVersion& version) = 0;

    // The entries of `folder`, but "." and "..", with their kinds and identities, links not
    // followed, in no particular order. Throws FileError (Open, `folder`) when the folder cannot be
    // read, with FileProblem::SystemFolder for the system's root folder and the kernel's /proc,
    // /sys and /dev, which are never listed: a tree of the whole system is no one's pictures.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder) = 0;

    // Whether `folder` is a folder of the user's own that group and others may not even look
    // into; false when it cannot be looked at.
    virtual bool ownerOnly(const std::string& folder) = 0;

    // A new content for the per-user scratch file. It is written over in place: a writer given
    // up before it completes leaves what it wrote over the earlier content. Another copy of the
    // program may be writing it: while it does, `whileLocked` is asked whether to go on waiting,
    // and nothing is given when it says no. Throws FileError.
    virtual std::unique_ptr<FileWriter> openScratch(const WaitHandler& whileLocked) = 0;
};

// The file system of the machine. The scratch file lives in an owner-only folder of the user's
// cache folder and is never written through a link; see openScratchFile.
FileSystem& localFileSystem();

inline std::span<const std::uint8_t> asBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace tarvex
