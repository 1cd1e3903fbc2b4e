#include "batch/Restore.h"

#include "batch/ClassTools.h"
#include "container/ContainerReader.h"
#include "container/SizeLimit.h"
#include "files/PathParts.h"

#include <algorithm>
#include <sodium.h>

namespace tarvex {

namespace {

// A reading of a container that needs this many passes has found the file changing under it.
constexpr int containerPasses = 3;

// The last bytes of a file as they come a piece at a time, to compare with its end read first.
class FileTail {
public:
    explicit FileTail(std::size_t size) : size_(size) {}
    void add(std::span<const std::uint8_t> piece) {
        if (piece.size() >= size_) {
            bytes_.assign(piece.end() - static_cast<std::ptrdiff_t>(size_), piece.end());
            return;
        }
        bytes_.insert(bytes_.end(), piece.begin(), piece.end());
        if (bytes_.size() > size_) {
            bytes_.erase(bytes_.begin(),
                         bytes_.begin() + static_cast<std::ptrdiff_t>(bytes_.size() - size_));
        }
    }
    bool endsAs(const std::vector<std::uint8_t>& end) const {
        return bytes_.size() >= end.size() &&
               std::equal(end.begin(), end.end(),
                          bytes_.end() - static_cast<std::ptrdiff_t>(end.size()));
    }

private:
    std::size_t size_;
    std::vector<std::uint8_t> bytes_;
};

// One reading of the file from its start into the sink.
struct Reading {
    FileVersion version;
    std::uint64_t restoredBytes = 0;
    bool stopped = false;
    bool tooLong = false;  // it went on beyond the largest file of its class
    bool ended = false;    // the reader needed no more of it
    bool replaced = false; // another file than the walk found stands at the path
    ReadVerdict verdict = ReadVerdict::Damaged;
    bool sameFile = false; // it is of the content whose end was read first
};

Reading readOnce(const RestoreJob& job, ContainerReading& reading, const FileEnd& end,
                 RestoreSink& sink) {
    Reading once;
    FileTail tail(end.bytes.size());
    std::uint64_t read = 0;
    sink.begin();
    reading.start(
        job.keys,
        [&sink](const SourceRecord& source, std::span<const std::uint8_t> thumbnail) {
            sink.record(source);
            sink.thumbnail(thumbnail);
        },
        [&](std::span<const std::uint8_t> bytes) {
            sink.write(bytes);
            once.restoredBytes += bytes.size();
        },
        job.extent);
    const auto opened = [&](const FileVersion& version) {
        once.replaced = job.walked != FileIdentity{} &&
                        job.walked != FileIdentity{version.device, version.inode};
        return !once.replaced;
    };
    const PieceReceiver take = [&](std::span<const std::uint8_t> piece) {
        once.stopped = job.stop();
        read += piece.size();
        once.tooLong = !once.stopped && read > reading.largestFile();
        if (once.stopped || once.tooLong) {
            return false;
        }
        tail.add(piece);
        once.ended = !reading.append(piece);
        return !once.ended;
    };
    // A reading of what a container records stops a few KiB into it, as a rule.
    once.version = job.extent == ReadingExtent::Whole
                       ? job.files.readFile(job.path, job.next, opened, take)
                       : job.files.readFileStart(job.path, opened, take);
    if (!once.stopped && !once.tooLong && !once.replaced) {
        once.verdict = reading.finish();
        once.sameFile = once.version.matches(end.version) && (once.ended || tail.endsAs(end.bytes));
    }
    return once;
}

// Whether `bytes` hold nothing but blanks, tabs and line breaks.
bool onlyBlankLines(const std::vector<std::uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    });
}

// Whether to restore a file that may be no container.
bool restoreAnyway(const RestoreJob& job, bool& asked) {
    if (!asked && !(job.restoreAnyway && job.restoreAnyway())) {
        return false;
    }
    asked = true;
    return true;
}

} // namespace

FileEnd containerEnd(FileSystem& files, const std::string& path) {
    for (std::uint64_t count = containerEndBytes;;
         count = std::min(4 * count, largestDesignedFile)) {
        FileEnd end = files.readFileEnd(path, static_cast<std::size_t>(count));
        if (end.wholeFile || count == largestDesignedFile || !onlyBlankLines(end.bytes)) {
            return end;
        }
    }
}

ContainerReading& ContainerReaders::of(ContainerClass level) {
    auto& reader = readers_[static_cast<std::size_t>(level)];
    if (!reader) {
        reader = newReading(level);
    }
    return *reader;
}

RestoredToFile::RestoredToFile(FileSystem& files, const std::string& container,
                               const FileIdentities& keep,
                               std::function<std::string(const std::string&)> pathFor)
    : files_(files), container_(container), keep_(keep), pathFor_(std::move(pathFor)) {}

void RestoredToFile::begin() {
    writer_.reset();
    record_.reset();
    authenticated_ = false;
}

std::string RestoredToFile::recordedName() const {
    return record_ ? namePart(record_->path) : std::string();
}

FileWriter& RestoredToFile::open() {
    if (!writer_) {
        path_ = pathFor_(record_ ? record_->path : std::string());
        const auto modified = record_ ? std::optional(record_->modifiedNs) : std::nullopt;
        writer_ = files_.createFile(path_, container_, keep_, modified);
    }
    return *writer_;
}

RestoredInMemory::~RestoredInMemory() {
    wipe();
}

void RestoredInMemory::begin() {
    wipe();
    source.reset();
    completed = false;
}

void RestoredInMemory::wipe() {
    sodium_memzero(bytes.data(), bytes.size());
    bytes.clear();
    sodium_memzero(sealedThumbnail.data(), sealedThumbnail.size());
    sealedThumbnail.clear();
}

void RestoredInMemory::thumbnail(std::span<const std::uint8_t> sealed) {
    sealedThumbnail.assign(sealed.begin(), sealed.end());
}

void RestoredInMemory::write(std::span<const std::uint8_t> part) {
    bytes.insert(bytes.end(), part.begin(), part.end());
}

namespace {

// What a reading of a file that did not change under it comes to: the file's bytes in the sink,
// once the user has said to restore them where that is asked, or why the file is left out.
FileOutcome finishedReading(const RestoreJob& job, const ContainerReading& reading,
                            const Reading& once, std::optional<ContainerClass> level, bool& asked,
                            RestoreSink& sink) {
    switch (once.verdict) {
    case ReadVerdict::Restored:
        break;
    case ReadVerdict::RecordOpened:
    case ReadVerdict::FirstPieceOpened:
        return FileOutcome::done();
    case ReadVerdict::NotOpened:
        return FileOutcome::leftOut(LeftOutReason::NotOpened);
    default:
        return FileOutcome::leftOut(LeftOutReason::Damaged);
    }
    // A byte that no container holds makes the file one that may be no container.
    if (reading.foreignBytes() && !restoreAnyway(job, asked)) {
        return FileOutcome::leftOut(LeftOutReason::NotContainer);
    }
    if (asked && once.restoredBytes == 0) {
        return FileOutcome::leftOut(LeftOutReason::NothingRestored);
    }
    // A file that the user agreed to restore although it may be no container is not asked about
    // again.
    const bool authenticated = level && classRow(*level).enciphered;
    if (!authenticated && !asked && job.restoreUnauthenticated && !job.restoreUnauthenticated()) {
        return FileOutcome::leftOut(LeftOutReason::Unauthenticated);
    }
    sink.authenticated(authenticated);
    sink.complete();
    return FileOutcome::done();
}

} // namespace

FileOutcome restoreContainer(const RestoreJob& job, RestoreSink& sink) {
    FileEnd end = containerEnd(job.files, job.path);
    std::optional<ContainerClass> level = classAtEnd(end.bytes, end.wholeFile);
    job.readers.of(level.value_or(ContainerClass::Standard)).expect(end.bytes, end.wholeFile);
    bool asked = job.askedAlready;
    for (int pass = 1;; ++pass) {
        ContainerReading& reading = job.readers.of(level.value_or(ContainerClass::Standard));
        // The marker that counts is the one where the reader stops: the probe of the first file
        // looks beyond a Ctrl-Z.
        if (!reading.endsInMarker() && !restoreAnyway(job, asked)) {
            return FileOutcome::leftOut(LeftOutReason::NotContainer);
        }
        const Reading once = readOnce(job, reading, end, sink);
        if (once.stopped) {
            return FileOutcome::stopped();
        }
        if (once.tooLong) {
            return FileOutcome::leftOut(LeftOutReason::BeyondContainers);
        }
        if (once.replaced) {
            return FileOutcome::leftOut(LeftOutReason::Replaced);
        }
        if (once.verdict == ReadVerdict::NoKey) {
            return job.noKey();
        }
        // A file that changed while it was read may have given pieces of two versions: it is
        // read again, unless it keeps changing.
        if (once.sameFile && once.verdict != ReadVerdict::ReadAgain) {
            return finishedReading(job, reading, once, level, asked, sink);
        }
        if (pass == containerPasses) {
            return FileOutcome::leftOut(LeftOutReason::Changed);
        }
        // The text ended elsewhere than its end said (a Ctrl-Z in it): the reader goes by the
        // end it found the next time. A file that changed is read again from its end as it is.
        if (!once.sameFile) {
            end = containerEnd(job.files, job.path);
            level = classAtEnd(end.bytes, end.wholeFile);
            job.readers.of(level.value_or(ContainerClass::Standard))
                .expect(end.bytes, end.wholeFile);
        }
    }
}

} // namespace tarvex
