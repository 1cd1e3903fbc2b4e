#pragma once

#include "batch/FileLoop.h"
#include "container/ClassFormat.h"
#include "container/ContainerClass.h"
#include "files/FileSystem.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// The reader of each class, made when a file of the class first comes, and kept with its buffers
// from file to file.
class ContainerReaders {
public:
    ContainerReading& of(ContainerClass level);

private:
    std::array<std::unique_ptr<ContainerReading>, containerClasses.size()> readers_;
};

// Where the restored bytes of a container go: an output file, or memory. A reading may be done
// again (the file changed while it was read): each begins afresh.
class RestoreSink {
public:
    virtual ~RestoreSink() = default;
    // Begins a reading, giving up what an earlier one gave.
    virtual void begin() = 0;
    // What the container records of its source, before any of its bytes.
    virtual void record(const SourceRecord& source) = 0;
    // The thumbnail that a container seals beside its record, right after the record; none
    // comes from a container without one.
    virtual void thumbnail(std::span<const std::uint8_t>) {}
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Whether the container proved the bytes given since begin() unchanged.
    virtual void authenticated(bool) {}
    // The bytes given since begin() are the whole source.
    virtual void complete() = 0;
};

// The source of a container held in memory, wiped when it goes.
struct RestoredInMemory final : RestoreSink {
    RestoredInMemory() = default;
    RestoredInMemory(const RestoredInMemory&) = delete;
    RestoredInMemory& operator=(const RestoredInMemory&) = delete;
    ~RestoredInMemory() override;

    std::vector<std::uint8_t> bytes;
    std::optional<SourceRecord> source;
    std::vector<std::uint8_t> sealedThumbnail;
    // Whether the whole source came, not only what the container records of it.
    bool completed = false;

    void begin() override;
    void record(const SourceRecord& recorded) override { source = recorded; }
    void thumbnail(std::span<const std::uint8_t> sealed) override;
    void write(std::span<const std::uint8_t> part) override;
    void complete() override { completed = true; }

private:
    void wipe();
};

// The restored bytes of a container into an output file, made when its first byte comes (or
// when it ends, for a container of nothing), under the path that `pathFor` gives then for the path
// the container recorded of its source (its name alone in version 2), or for none (empty). A file
// restored from a record takes the recorded time too. The output is made from the file `container`,
// and replaces none of `keep` (see FileSystem::createFile).
class RestoredToFile final : public RestoreSink {
public:
    RestoredToFile(FileSystem& files, const std::string& container, const FileIdentities& keep,
                   std::function<std::string(const std::string& recordedPath)> pathFor);

    void begin() override;
    void record(const SourceRecord& source) override { record_ = source; }
    void authenticated(bool authenticated) override { authenticated_ = authenticated; }
    void write(std::span<const std::uint8_t> bytes) override { open().write(bytes); }
    void complete() override { open().complete(); }
    // The path of the output, once it is made, and the name its source had (the last component
    // of the recorded path), if it was recorded.
    const std::string& path() const { return path_; }
    std::string recordedName() const;
    bool authenticated() const { return authenticated_; }

private:
    FileWriter& open();

    FileSystem& files_;
    const std::string& container_;
    const FileIdentities& keep_;
    std::function<std::string(const std::string&)> pathFor_;
    std::optional<SourceRecord> record_;
    std::string path_;
    std::unique_ptr<FileWriter> writer_;
    bool authenticated_ = false;
};

// What the restoring of one container takes besides the sink.
struct RestoreJob {
    const std::string& path;
    // The file the caller reads next, for the file layer to read ahead; empty for none.
    const std::string& next;
    FileSystem& files;
    ContainerReaders& readers;
    // The keys of containers that need one; null when none can be had.
    const KeyProvider& keys;
    // Why no key came, when none did: stopped (the wait was given up) or left out.
    std::function<FileOutcome()> noKey;
    // Asked inside the file: a stop leaves the file with nothing restored.
    std::function<bool()> stop;
    // Asked when the file may be no container; empty leaves such a file out.
    std::function<bool()> restoreAnyway{};
    // Asked, once the file is read, when it is of a class that does not authenticate; empty
    // restores it.
    std::function<bool()> restoreUnauthenticated{};
    // Whether the user has said already to restore the file even if it is no container.
    bool askedAlready = false;
    // The file that a walk found at the path, which the file read must be; none for any.
    FileIdentity walked{};
    // How much of the container to read. With ReadingExtent::Record, a container that records
    // its source ends done once its record and thumbnail came, the sink not completed; with
    // ReadingExtent::FirstPiece, a Protected container ends done once its first piece opened
    // (the record, without the thumbnail, in versions 2 and 3); any other is read whole.
    ReadingExtent extent = ReadingExtent::Whole;
};

// The last bytes of the container `path`, with the version they came from: as many as it takes to
// find the end of its text after any number of blank lines and blanks, within the size of the
// largest designed container. Throws FileError.
FileEnd containerEnd(FileSystem& files, const std::string& path);

// Reads the container `job.path` by its own marker (a file without one as the designed classes
// are read) into `sink`, completing it only when the whole source came. The file is read again
// from its end when it changed while it was read, three times at most. Throws FileError.
FileOutcome restoreContainer(const RestoreJob& job, RestoreSink& sink);

} // namespace tarvex
