#include "batch/BatchRuns.h"
#include "batch/OutputNames.h"
#include "batch/RunGuard.h"
#include "batch/SizeLimit.h"
#include "container/Probe.h"
#include "files/PathParts.h"

#include <algorithm>

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

} // namespace

RunOutcome BatchRuns::decryptRun() {
    state_.cancelRequested = false;
    state_.containerFound = false;
    readStripSuffix();
    platform_.setProgress(0, state_.selectedCount);

    if (state_.selectedCount < 1 || state_.selectedFiles.empty()) {
        platform_.showMessage(state_.catalogue.msgNoImageDec);
        btnopenClick();
        return RunOutcome::EndedEarly;
    }
    getencsn();
    decryption1(state_.selectedFiles.front());
    if (keys_.failure() != RunKeys::Failure::None) {
        // The key of the first file was given up with Cancel, or could not be derived.
        stopAfterCancel();
        return RunOutcome::EndedEarly;
    }
    if (!state_.containerFound && !platform_.confirm(state_.catalogue.msgNotContainer)) {
        return RunOutcome::EndedEarly;
    }
    if (!state_.passwordValid) {
        return RunOutcome::EndedEarly;
    }
    if (!state_.passwordMatches) {
        platform_.showMessage(state_.catalogue.msgIllegalPassword);
        ++state_.failedTries;
        if (state_.failedTries > 9) {
            decryptLocked_ = true;
            platform_.setDecryptEnabled(false);
            platform_.showMessage(state_.catalogue.msgTooManyTries);
        }
        return RunOutcome::EndedEarly;
    }

    RunGuard guard(*this);
    const std::string folder = platform_.folderField();
    platform_.setWindowHeight(WindowHeight::Running);
    files_.createFolder(folderPart(folder).append(state_.catalogue.decFolderName));

    const std::size_t fileCount = state_.selectedFiles.size();
    int restored = 0;
    for (std::size_t index = 0; index < fileCount; ++index) {
        getencsn();
        // The first file has been probed and, without a marker, asked about already.
        const std::string& next = index + 1 < fileCount ? state_.selectedFiles[index + 1] : "";
        const Restored result =
            decryption(state_.selectedFiles[index], index == 0 && !state_.containerFound, next);
        if (result == Restored::Stopped) {
            state_.cancelRequested = true;
            stopAfterCancel();
            return RunOutcome::EndedEarly;
        }
        restored += result == Restored::Done ? 1 : 0;
        showProgress(static_cast<int>(index) + 1);
        platform_.processMessages();
        if (stopAfterCancel()) {
            return RunOutcome::EndedEarly;
        }
    }

    state_.failedTries = 0;
    platform_.setProgress(state_.selectedCount, state_.selectedCount);
    if (const std::string notes = decryptNotes(); !notes.empty()) {
        platform_.showMessage(notes);
    }
    // The count of the question is that of the files restored, which is the count of the
    // selection unless some were left out.
    const std::string shown = joined({folder, state_.catalogue.decFolderName});
    if (restored > 0 && platform_.confirm(joined(
                            {std::to_string(leftOut_.empty() ? state_.selectedCount : restored),
                             state_.catalogue.msgDecDone, "\r", shown}))) {
        platform_.openFolder(shown + "/");
    }
    platform_.setProgress(0, state_.selectedCount);
    platform_.setWindowHeight(WindowHeight::Resting);
    return leftOut_.empty() ? RunOutcome::Completed : RunOutcome::NotOpened;
}

void BatchRuns::decryption1(const std::string& path) {
    ContainerProbe probe;
    files_.readFile(path, "",
                    [&probe](std::span<const std::uint8_t> piece) { return probe.append(piece); });
    const ProbeResult result = probe.result(platform_.passwordEntry());
    state_.containerFound = result.containerFound;
    state_.passwordMatches = result.passwordMatches;
    if (result.level != ContainerClass::Protected) {
        return;
    }
    // Nothing about the password is stored in a Protected container: the password is the one it
    // was made with exactly when its first piece opens with the key of the password. A password
    // that breaks the rules ends the run anyway, and is not worth a key.
    state_.passwordMatches = false;
    if (!state_.passwordValid) {
        return;
    }
    protectedReader_.start(
        [this](const ProtectedParameters& parameters) { return keyFor(parameters); }, {},
        [](std::span<const std::uint8_t>) {}, true);
    files_.readFile(path, "", [this](std::span<const std::uint8_t> piece) {
        return protectedReader_.append(piece);
    });
    state_.passwordMatches = protectedReader_.finish() == ProtectedVerdict::FirstPieceOpened;
}

BatchRuns::Restored BatchRuns::decryption(const std::string& containerPath, bool askedAboutMarker,
                                          const std::string& nextPath) {
    const std::string outputPath = outputFor(
        containerPath, joined({folderPart(containerPath), state_.catalogue.decFolderName, "/",
                               restoredName(namePart(containerPath), state_.stripSuffix)}));
    FileEnd end = files_.readFileEnd(containerPath, containerEndBytes);
    reader_.expect(end.bytes, end.wholeFile);
    if (reader_.endsInMarker() == ContainerClass::Protected) {
        return restoreProtected(containerPath, outputPath, std::move(end), nextPath);
    }
    return restoreDesigned(containerPath, outputPath, std::move(end), askedAboutMarker, nextPath);
}

BatchRuns::Restored BatchRuns::restoreProtected(const std::string& containerPath,
                                                const std::string& outputPath, FileEnd end,
                                                const std::string& nextPath) {
    for (int pass = 1;; ++pass) {
        const std::unique_ptr<FileWriter> restored =
            files_.createFile(outputPath, containerPath, selection_);
        protectedReader_.start(
            [this](const ProtectedParameters& parameters) { return keyFor(parameters); }, {},
            [&restored](std::span<const std::uint8_t> bytes) { restored->write(bytes); });
        bool stopped = false;
        const FileVersion version = files_.readFile(
            containerPath, nextPath, [this, &stopped](std::span<const std::uint8_t> piece) {
                stopped = platform_.stopPending();
                return !stopped && protectedReader_.append(piece);
            });
        if (stopped) {
            return Restored::Stopped;
        }
        const ProtectedVerdict verdict = protectedReader_.finish();
        if (verdict == ProtectedVerdict::NoKey) {
            return keys_.failure() == RunKeys::Failure::OutOfMemory
                       ? leaveOut(containerPath, state_.catalogue.msgNoMemoryForKey)
                       : Restored::Stopped;
        }
        // A file that changed while it was read may have given pieces of two versions: it is
        // read again, unless it keeps changing.
        if (!version.matches(end.version)) {
            if (pass == containerPasses) {
                return leaveOut(containerPath, state_.catalogue.reasonChanged);
            }
            end = files_.readFileEnd(containerPath, 0);
            continue;
        }
        switch (verdict) {
        case ProtectedVerdict::Restored:
            restored->complete();
            return written(containerPath, outputPath);
        case ProtectedVerdict::NotOpened:
            return leaveOut(containerPath, state_.catalogue.reasonNotOpened);
        default:
            return leaveOut(containerPath, state_.catalogue.reasonDamaged);
        }
    }
}

BatchRuns::Restored BatchRuns::restoreDesigned(const std::string& containerPath,
                                               const std::string& outputPath, FileEnd end,
                                               bool askedAboutMarker, const std::string& nextPath) {
    bool asked = askedAboutMarker;
    for (int pass = 1;; ++pass) {
        // The marker that counts is the one where the reader stops: the probe of the first file
        // looks beyond a Ctrl-Z.
        if (!asked && !reader_.endsInMarker()) {
            if (!restoreAnyway(containerPath)) {
                return leaveOut(containerPath, state_.catalogue.reasonNotContainer);
            }
            asked = true;
        }
        const std::unique_ptr<FileWriter> restored =
            files_.createFile(outputPath, containerPath, selection_);
        std::uint64_t read = 0;
        std::uint64_t restoredBytes = 0;
        bool stopped = false;
        bool textEnded = false;
        FileTail tail(end.bytes.size());
        reader_.start([&](std::span<const std::uint8_t> bytes) {
            restored->write(bytes);
            restoredBytes += bytes.size();
        });
        const FileVersion version =
            files_.readFile(containerPath, nextPath, [&](std::span<const std::uint8_t> piece) {
                stopped = platform_.stopPending();
                read += piece.size();
                if (stopped || read > largestDesignedFile) {
                    return false;
                }
                tail.add(piece);
                textEnded = !reader_.append(piece);
                return !textEnded;
            });
        if (stopped) {
            return Restored::Stopped;
        }
        if (read > largestDesignedFile) {
            return leaveOut(containerPath, state_.catalogue.reasonBeyondContainers);
        }
        const bool asExpected = reader_.finish();
        // The end read first and the whole file read now must be of one content; unless they
        // are, the file is read again, from its end, as it stands now.
        const bool sameFile = version.matches(end.version) && (textEnded || tail.endsAs(end.bytes));
        if (asExpected && sameFile) {
            // A byte that no container holds makes the file one that may be no container.
            if (!asked && reader_.foreignBytes()) {
                if (!restoreAnyway(containerPath)) {
                    return leaveOut(containerPath, state_.catalogue.reasonNotContainer);
                }
                asked = true;
            }
            if (asked && restoredBytes == 0) {
                return leaveOut(containerPath, state_.catalogue.reasonNothingRestored);
            }
            restored->complete();
            return written(containerPath, outputPath);
        }
        if (pass == containerPasses) {
            return leaveOut(containerPath, state_.catalogue.reasonChanged);
        }
        // The text ended elsewhere than its end said (a Ctrl-Z in it): the next reading goes by
        // the end that was found.
        if (!sameFile) {
            end = files_.readFileEnd(containerPath, containerEndBytes);
            reader_.expect(end.bytes, end.wholeFile);
        }
    }
}

bool BatchRuns::restoreAnyway(const std::string& containerPath) {
    return platform_.confirm(
        joined({namePart(containerPath), "\n", state_.catalogue.msgNotContainer}));
}

std::string BatchRuns::outputFor(const std::string& containerPath, const std::string& wanted) {
    // The same container twice in one selection writes the same bytes twice: no harm in that.
    const auto free = [&](const std::string& path) {
        const auto taken = outputs_.find(path);
        return taken == outputs_.end() || taken->second == containerPath;
    };
    const std::string folder = folderPart(wanted);
    const std::string name = namePart(wanted);
    std::string path = wanted;
    for (int number = 2; !free(path); ++number) {
        path = folder + numberedName(name, number);
    }
    return path;
}

BatchRuns::Restored BatchRuns::written(const std::string& containerPath,
                                       const std::string& outputPath) {
    const auto [output, first] = outputs_.emplace(outputPath, containerPath);
    const std::string name = restoredName(namePart(containerPath), state_.stripSuffix);
    if (first && namePart(outputPath) != name) {
        renamed_.emplace_back(namePart(containerPath), namePart(outputPath));
    }
    return Restored::Done;
}

BatchRuns::Restored BatchRuns::leaveOut(const std::string& path, std::string_view reason) {
    leftOut_.emplace_back(namePart(path), reason);
    return Restored::LeftOut;
}

std::string BatchRuns::decryptNotes() const {
    std::string notes;
    const auto list = [&notes](std::string_view heading, const auto& entries,
                               std::string_view between) {
        if (entries.empty()) {
            return;
        }
        notes.append(notes.empty() ? "" : "\r\r").append(heading);
        for (const auto& [name, what] : entries) {
            notes.append("\r").append(name).append(between).append(what);
        }
    };
    list(state_.catalogue.msgLeftOut, leftOut_, ": ");
    list(state_.catalogue.msgRenamed, renamed_, " → ");
    return notes;
}

} // namespace tarvex
