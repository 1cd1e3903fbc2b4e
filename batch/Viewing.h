#pragma once

#include "batch/FileLoop.h"
#include "batch/KeyPolicy.h"
#include "batch/Restore.h"
#include "batch/ViewerKeys.h"
#include "files/FileSystem.h"
#include "files/PathParts.h"
#include "passwords/TryLimit.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What the runs offer a viewer, which shows what containers hold without writing it: the reading
// of a container into memory, the check of a key on the first pieces of containers, the saving of
// a copy, and file systems for its threads. A viewer reaches the containers through here only.
namespace tarvex {

// A file system of its own for a thread that reads containers.
using FileSystems = std::function<std::unique_ptr<FileSystem>()>;

// The machine's file system, one of its own for the thread that takes it.
std::unique_ptr<FileSystem> ownFileSystem();

// What the viewer asks of one container besides what its restored bytes are for.
struct MemoryReading {
    const std::string& path;
    FileSystem& files;
    ContainerReaders& readers;
    // The key of a container's parameters, or null while there is none.
    std::function<const ProtectedKey*(const ProtectedParameters&)> key;
    // Asked while the container is read: true gives the reading up.
    std::function<bool()> stop;
    // Whether the thumbnail that a container seals will do in place of its source (a tile's):
    // then only the container's head, record and thumbnail are read.
    bool thumbnailWillDo = false;
};

// Takes the bytes that a reading into memory gives, and says whether they will do.
using BytesUse = std::function<bool(std::span<const std::uint8_t>)>;

// What the reading of a container into memory found.
struct ReadInMemory {
    // Done when the whole source came, or the bytes of a plain file; a file that cannot be read
    // is left out as Unreadable, with the error.
    FileOutcome outcome;
    // Whether the file is no container and its own bytes went to `use`: a plain file, in the
    // clear, which a viewer may show as it is.
    bool plain = false;
    // The parameters whose key was not there, for a Protected container that needs one.
    std::optional<ProtectedParameters> missingKey;
    // The name that the container records of its source; empty when it records none.
    std::string recordedName;
};

// Restores the container of `reading.path` into memory (nothing goes to a file) and, when its
// whole source came, gives the restored bytes to `use`; they are wiped once it returns. Where
// `reading.thumbnailWillDo`, a container that seals a thumbnail gives `use` that instead, and its
// source only when `use` says false (the thumbnail is no picture). A file that is no container
// gives `use` its own bytes, read whole into memory when it has at most 256 MiB; a larger one
// stays left out as NotContainer. Safe to call on several threads at once, each with its own file
// system and readers.
ReadInMemory readInMemory(const MemoryReading& reading, const BytesUse& use);

// What a container records of its source, read without its thumbnail or its content.
struct RecordRead {
    // Done when the record came, and for a file that records none (no Protected container, or
    // one of the first version), whose `record` is then empty; a file that cannot be read is left
    // out as Unreadable, with the error.
    FileOutcome outcome;
    std::optional<SourceRecord> record;
    // The file's own size and time of last change (nanoseconds since 1970), as its end was read.
    std::uint64_t fileSize = 0;
    std::int64_t fileModifiedNs = 0;
    // The parameters whose key was not there, for a Protected container that needs one.
    std::optional<ProtectedParameters> missingKey;
};

// Reads what the container of `reading.path` records of its source: its end, then its head and
// its record only. A file of another class than Protected, which records nothing, is not read
// beyond its end. Safe to call on several threads at once, each with its own file system and
// readers; `reading.thumbnailWillDo` is not asked.
RecordRead readRecord(const MemoryReading& reading);

// Whether `key`, derived for `parameters`, is a wrong one for the Protected containers `paths`:
// one of them does not open with it at its first piece, and none opens. When none can be read to
// its first piece, the restoring of each tells what it is.
bool keyWrongFor(const ProtectedKey& key, const ProtectedParameters& parameters,
                 const std::vector<std::string>& paths, FileSystem& files);

// Restores the container `containerPath` into a new file `target`, which replaces any file of
// that name only once it is whole, with the rights that a decrypt run gives; the container itself
// is never replaced. The key of a Protected container comes from `keys`. Throws FileError.
FileOutcome saveCopy(const std::string& containerPath, const std::string& target, FileSystem& files,
                     const ViewerKeys& keys);

} // namespace tarvex
