#include "ui/viewer/SaveCopy.h"

#include "batch/OutputNames.h"
#include "batch/Restore.h"
#include "files/PathParts.h"
#include "ui/viewer/ViewerChoice.h"

#include <memory>

namespace tarvex {

namespace {

// The restored bytes into a file made when the first byte comes, or at the end for a source of
// nothing.
class FileCopy final : public RestoreSink {
public:
    FileCopy(FileSystem& files, const std::string& target, const std::string& container)
        : files_(files), target_(target), container_(container),
          keep_(files.identify({container})) {}

    void begin() override { writer_.reset(); }
    void record(const SourceRecord&) override {}
    void write(std::span<const std::uint8_t> bytes) override { open().write(bytes); }
    void complete() override { open().complete(); }

private:
    FileWriter& open() {
        if (!writer_)
            writer_ = files_.createFile(target_, container_, keep_);
        return *writer_;
    }

    FileSystem& files_;
    const std::string& target_;
    const std::string& container_;
    FileIdentities keep_;
    std::unique_ptr<FileWriter> writer_;
};

} // namespace

std::string copyName(const std::string& containerPath, const std::string& recordedName) {
    if (!recordedName.empty())
        return recordedName;
    const std::string name = namePart(containerPath);
    return namedTvx(name) ? name.substr(0, name.size() - tvxType.size())
                          : restoredName(name, false);
}

FileOutcome saveCopy(const std::string& containerPath, const std::string& target, FileSystem& files,
                     const ViewerKeys& keys) {
    ContainerReaders readers;
    FileCopy copy(files, target, containerPath);
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
