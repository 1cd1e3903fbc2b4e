#include "batch/Viewing.h"

#include "container/ContainerReader.h"
#include "files/LocalFileSystem.h"

#include <sodium.h>

namespace tarvex {

namespace {

// What the first piece of a Protected container says of a key.
enum class FirstPiece {
    Opened,    // the key opens it: the passphrase is the container's
    NotOpened, // it does not open: a wrong passphrase (or a damaged first piece)
    Damaged,   // the container is no Protected one of `parameters`, or its text is wrong
};

// Reads the Protected container `path` up to its first piece, and tries `key`, derived for
// `parameters`, on it. Nothing of the source is kept. Throws FileError.
FirstPiece firstPieceOf(const std::string& path, const ProtectedParameters& parameters,
                        const ProtectedKey& key, FileSystem& files, ContainerReaders& readers) {
    const FileEnd end = files.readFileEnd(path, containerEndBytes);
    if (classAtEnd(end.bytes, end.wholeFile) != ContainerClass::Protected)
        return FirstPiece::Damaged;
    ContainerReading& reading = readers.of(ContainerClass::Protected);
    reading.expect(end.bytes, end.wholeFile);
    // A file that has changed to a container of other parameters gets no key.
    reading.start(
        [&](const ProtectedParameters& asked) { return asked == parameters ? &key : nullptr; }, {},
        {}, ReadingExtent::FirstPiece);
    files.readFileStart(path, {}, [&reading](std::span<const std::uint8_t> piece) {
        return reading.append(piece);
    });
    switch (reading.finish()) {
    case ReadVerdict::FirstPieceOpened:
    case ReadVerdict::Restored:
        return FirstPiece::Opened;
    case ReadVerdict::NotOpened:
        return FirstPiece::NotOpened;
    default:
        return FirstPiece::Damaged;
    }
}

} // namespace

std::unique_ptr<FileSystem> ownFileSystem() {
    return localFileSystemOver(systemCalls());
}

namespace {

// One restoring of the container of `reading` into `restored`, to `extent`.
ReadInMemory restoreInMemory(const MemoryReading& reading, ReadingExtent extent,
                             RestoredInMemory& restored) {
    ReadInMemory read;
    const KeyProvider keys = [&](const ProtectedParameters& parameters) {
        const ProtectedKey* key = reading.key(parameters);
        if (key == nullptr)
            read.missingKey = parameters;
        return key;
    };
    const std::string next;
    const RestoreJob job{
        .path = reading.path,
        .next = next,
        .files = reading.files,
        .readers = reading.readers,
        .keys = keys,
        .noKey = [] { return FileOutcome::leftOut(LeftOutReason::NoMemoryForKey); },
        .stop = reading.stop,
        .restoreAnyway = {},
        .extent = extent};
    try {
        read.outcome = restoreContainer(job, restored);
    } catch (const FileError& error) {
        read.outcome = FileOutcome::leftOut(LeftOutReason::Unreadable, error.reason());
    }
    if (restored.source)
        read.recordedName = namePart(restored.source->path);
    return read;
}

// The most bytes of a file that is no container that a viewing reads.
constexpr std::uint64_t plainBytesAtMost = std::uint64_t(256) << 20;

// Gives `use` the bytes of the file of `reading`, which is no container, when it has at most
// plainBytesAtMost of them, and notes in `read` what came of it.
void readPlain(const MemoryReading& reading, const BytesUse& use, ReadInMemory& read) {
    std::vector<std::uint8_t> bytes;
    bool bounded = true;
    bool stopped = false;
    FileVersion version;
    try {
        version = reading.files.readFile(
            reading.path, "",
            [&](const FileVersion& opened) {
                bounded = opened.size <= plainBytesAtMost;
                if (bounded)
                    bytes.reserve(opened.size);
                return bounded;
            },
            [&](std::span<const std::uint8_t> piece) {
                stopped = reading.stop();
                bytes.insert(bytes.end(), piece.begin(), piece.end());
                // A file that grows while it is read.
                bounded = bytes.size() <= plainBytesAtMost;
                return !stopped && bounded;
            });
    } catch (const FileError& error) {
        read.outcome = FileOutcome::leftOut(LeftOutReason::Unreadable, error.reason());
        return;
    }
    if (stopped) {
        read.outcome = FileOutcome::stopped();
    } else if (!version.steady) {
        read.outcome = FileOutcome::leftOut(LeftOutReason::Changed);
    } else if (bounded) {
        read.outcome = FileOutcome::done();
        read.plain = true;
        use(bytes);
    }
}

// Reads the file of `reading` as a container, as readInMemory does.
ReadInMemory readContainer(const MemoryReading& reading, const BytesUse& use) {
    if (reading.thumbnailWillDo) {
        RestoredInMemory restored;
        ReadInMemory read = restoreInMemory(reading, ReadingExtent::Record, restored);
        if (read.outcome.kind != FileOutcome::Kind::Done || read.missingKey)
            return read;
        // A container that records nothing was read whole.
        if (restored.completed) {
            use(restored.bytes);
            return read;
        }
        if (!restored.sealedThumbnail.empty() && use(restored.sealedThumbnail))
            return read;
    }
    RestoredInMemory restored;
    ReadInMemory read = restoreInMemory(reading, ReadingExtent::Whole, restored);
    if (read.outcome.kind == FileOutcome::Kind::Done && !read.missingKey)
        use(restored.bytes);
    return read;
}

} // namespace

ReadInMemory readInMemory(const MemoryReading& reading, const BytesUse& use) {
    ReadInMemory read = readContainer(reading, use);
    if (read.outcome.kind == FileOutcome::Kind::LeftOut &&
        read.outcome.reason == LeftOutReason::NotContainer)
        readPlain(reading, use, read);
    return read;
}

RecordRead readRecord(const MemoryReading& reading) {
    RecordRead read;
    try {
        const FileEnd end = containerEnd(reading.files, reading.path);
        read.fileSize = end.version.size;
        read.fileModifiedNs = end.version.modified;
        if (classAtEnd(end.bytes, end.wholeFile) != ContainerClass::Protected) {
            read.outcome = FileOutcome::done();
            return read;
        }
    } catch (const FileError& error) {
        read.outcome = FileOutcome::leftOut(LeftOutReason::Unreadable, error.reason());
        return read;
    }
    // The first piece of versions 2 and 3 is the record.
    RestoredInMemory restored;
    const ReadInMemory inMemory = restoreInMemory(reading, ReadingExtent::FirstPiece, restored);
    read.outcome = inMemory.outcome;
    read.missingKey = inMemory.missingKey;
    read.record = restored.source;
    return read;
}

bool keyWrongFor(const ProtectedKey& key, const ProtectedParameters& parameters,
                 const std::vector<std::string>& paths, FileSystem& files) {
    ContainerReaders readers;
    bool notOpened = false;
    for (const std::string& path : paths) {
        try {
            const FirstPiece piece = firstPieceOf(path, parameters, key, files, readers);
            if (piece == FirstPiece::Opened)
                return false;
            notOpened = notOpened || piece == FirstPiece::NotOpened;
        } catch (const FileError&) {
        }
    }
    return notOpened;
}

FileOutcome saveCopy(const std::string& containerPath, const std::string& target, FileSystem& files,
                     const ViewerKeys& keys) {
    ContainerReaders readers;
    const FileIdentities keep = files.identify({containerPath});
    RestoredToFile copy(files, containerPath, keep,
                        [&target](const std::string&) { return target; });
    const std::string next;
    const KeyProvider keyOf = [&keys](const ProtectedParameters& parameters) {
        return keys.find(parameters);
    };
    return restoreContainer({.path = containerPath,
                             .next = next,
                             .files = files,
                             .readers = readers,
                             .keys = keyOf,
                             .noKey = [] { return FileOutcome::leftOut(LeftOutReason::NotOpened); },
                             .stop = [] { return false; },
                             .restoreAnyway = {}},
                            copy);
}

} // namespace tarvex
