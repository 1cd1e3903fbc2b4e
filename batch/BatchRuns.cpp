#include "batch/BatchRuns.h"

#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/Password.h"
#include "container/Probe.h"
#include "files/PathParts.h"

#include <cerrno>
#include <string_view>

namespace tarvex {
namespace {

// Files of this many KB (bytes / 1024, rounded down) or more are not encrypted.
constexpr std::uint64_t sizeLimitKb = 5000;
// The most a source may hold: a source that goes on beyond it while it is read is over the limit.
constexpr std::uint64_t largestSource = sizeLimitKb * 1024 - 1;

// A reading of a container that needs this many passes has found the file changing under it.
constexpr int containerPasses = 3;

} // namespace

// Marks a run as active and disables the controls that would change what it reads; enables them
// again however the run ends, keeping Decrypt disabled once it is locked.
class BatchRuns::RunGuard {
public:
    explicit RunGuard(BatchRuns& runs) : runs_(runs) {
        runs_.running_ = true;
        runs_.platform_.setRunControlsEnabled(false);
        // No output may take the place of a file of the selection, whatever links lead to it.
        runs_.selection_ = runs_.files_.identify(runs_.state_.selectedFiles);
    }
    ~RunGuard() {
        // A run that ends early may have named a file it did not come to.
        runs_.files_.stopReadingAhead();
        runs_.selection_.clear();
        runs_.running_ = false;
        runs_.platform_.setRunControlsEnabled(true);
        if (runs_.decryptLocked_) {
            runs_.platform_.setDecryptEnabled(false);
        }
    }
    RunGuard(const RunGuard&) = delete;
    RunGuard& operator=(const RunGuard&) = delete;

private:
    BatchRuns& runs_;
};

BatchRuns::BatchRuns(SharedState& state, Platform& platform, FileSystem& files)
    : state_(state), platform_(platform), files_(files) {}

void BatchRuns::FormCreate() {
    state_.passwordMatches = true;
    state_.failedTries = 0;
    state_.selectedCount = 0;
    state_.englishUi = true;
}

void BatchRuns::btnopenClick() {
    if (running_) {
        return;
    }
    readStripSuffix();

    OpenFilesRequest request;
    request.filter = state_.catalogue.openDialogFilter;
    request.filterIndex = 1;
    // The dialog starts in the folder of the last selection, as the desktop's own dialog keeps the
    // first path of its last successful opening; the first opening has none.
    if (!state_.selectedFiles.empty()) {
        request.initialFolder = folderPart(state_.selectedFiles.front());
    }
    takeSelection(platform_.openFiles(request));
}

void BatchRuns::dropFiles(std::vector<std::string> paths) {
    if (running_) {
        return;
    }
    readStripSuffix();
    takeSelection(std::move(paths));
}

void BatchRuns::takeSelection(std::vector<std::string> chosen) {
    // A cancelled dialog keeps the earlier selection, so list, count and folder stay in step.
    if (chosen.empty()) {
        return;
    }
    state_.selectedFiles = std::move(chosen);
    state_.selectedCount = static_cast<std::int32_t>(state_.selectedFiles.size());
    platform_.setFolderField(folderPart(state_.selectedFiles.front()));
}

RunOutcome BatchRuns::btnencClick() {
    if (running_) {
        return RunOutcome::EndedEarly;
    }
    return reportingFileErrors([this] { return encryptRun(); });
}

RunOutcome BatchRuns::btndecClick() {
    if (running_ || decryptLocked_) {
        return RunOutcome::EndedEarly;
    }
    return reportingFileErrors([this] { return decryptRun(); });
}

template <typename Run> RunOutcome BatchRuns::reportingFileErrors(Run&& run) {
    try {
        return run();
    } catch (const FileError& error) {
        platform_.showMessage(error.what());
        return RunOutcome::FileError;
    }
}

void BatchRuns::readStripSuffix() {
    const int suffix = platform_.suffixChoice();
    if (suffix == 0 || suffix == 1) {
        state_.stripSuffix = suffix == 1;
    }
}

void BatchRuns::btncancelClick() {
    state_.cancelRequested = true;
}

void BatchRuns::edtEnpassChange() {
    state_.passwordMatches = true;
}

void BatchRuns::requestClose() {
    closeRequested_ = true;
    if (running_) {
        state_.cancelRequested = true;
    }
}

RunOutcome BatchRuns::encryptRun() {
    state_.cancelRequested = false;
    int done = 0;
    int skipped = 0;
    state_.outputSuffix = platform_.suffixChoice() == 1 ? "E" : "";
    platform_.setProgress(0, state_.selectedCount);

    if (state_.selectedCount < 1) {
        platform_.showMessage(state_.catalogue.msgNoImageEnc);
        btnopenClick();
        return RunOutcome::EndedEarly;
    }
    getencsn();
    if (!state_.passwordValid) {
        return RunOutcome::EndedEarly;
    }

    // The run is sure to start: only now does its output folder appear. The scratch file's
    // folder is made by the file layer when the first High level container needs it.
    RunGuard guard(*this);
    const std::string folder = platform_.folderField();
    files_.createFolder(folderPart(folder).append(state_.catalogue.encFolderName));
    platform_.setWindowHeight(WindowHeight::Running);

    // Each file's size is looked up while the file before it is in hand, so that the file layer
    // can start reading the next file to be encrypted meanwhile.
    const std::size_t fileCount = state_.selectedFiles.size();
    const auto encryptable = [this](std::size_t index) {
        const SourceSize size = files_.readableSize(state_.selectedFiles[index]);
        return size.error == 0 && size.bytes / 1024 < sizeLimitKb;
    };
    bool takeThis = fileCount > 0 && encryptable(0);
    for (std::size_t index = 0; index < fileCount; ++index) {
        const std::string& path = state_.selectedFiles[index];
        const bool takeNext = index + 1 < fileCount && encryptable(index + 1);
        Encrypted encrypted = Encrypted::TooLarge;
        if (takeThis) {
            getencsn();
            encrypted = encryption(path, takeNext ? state_.selectedFiles[index + 1] : "");
        }
        if (encrypted == Encrypted::WaitGivenUp) {
            stopAfterCancel();
            return RunOutcome::EndedEarly;
        }
        ++(encrypted == Encrypted::Done ? done : skipped);
        takeThis = takeNext;
        showProgress(static_cast<int>(index) + 1);
        platform_.processMessages();
        if (stopAfterCancel()) {
            return RunOutcome::EndedEarly;
        }
    }

    platform_.setProgress(state_.selectedCount, state_.selectedCount);
    if (skipped > 0) {
        platform_.showMessage(skippedSummary(skipped));
    }
    if (done > 0) {
        const std::string shown = joined({folder, state_.catalogue.encFolderName});
        if (platform_.confirm(joined({std::to_string(state_.selectedCount - skipped),
                                      state_.catalogue.msgEncDone, "\r", shown}))) {
            platform_.openFolder(shown + "/");
        }
    }
    platform_.setProgress(0, state_.selectedCount);
    platform_.setWindowHeight(WindowHeight::Resting);
    return done > 0 ? RunOutcome::Completed : RunOutcome::NothingDone;
}

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
    for (std::size_t index = 0; index < fileCount; ++index) {
        getencsn();
        // The first file has been probed and, without a marker, asked about already.
        const std::string& next = index + 1 < fileCount ? state_.selectedFiles[index + 1] : "";
        if (!decryption(state_.selectedFiles[index], index == 0 && !state_.containerFound, next)) {
            platform_.setWindowHeight(WindowHeight::Resting);
            return RunOutcome::EndedEarly;
        }
        showProgress(static_cast<int>(index) + 1);
        platform_.processMessages();
        if (stopAfterCancel()) {
            return RunOutcome::EndedEarly;
        }
    }

    state_.failedTries = 0;
    platform_.setProgress(state_.selectedCount, state_.selectedCount);
    const std::string shown = joined({folder, state_.catalogue.decFolderName});
    if (platform_.confirm(joined(
            {std::to_string(state_.selectedCount), state_.catalogue.msgDecDone, "\r", shown}))) {
        platform_.openFolder(shown + "/");
    }
    platform_.setProgress(0, state_.selectedCount);
    platform_.setWindowHeight(WindowHeight::Resting);
    return RunOutcome::Completed;
}

bool BatchRuns::stopAfterCancel() {
    if (!state_.cancelRequested) {
        return false;
    }
    if (!closeRequested_) {
        platform_.showMessage(state_.catalogue.msgCanceled);
    }
    platform_.setWindowHeight(WindowHeight::Resting);
    return true;
}

void BatchRuns::showProgress(int done) {
    platform_.showProgress(done, state_.selectedCount, state_.selectedFiles[done - 1]);
}

std::string BatchRuns::skippedSummary(int skipped) const {
    const std::string n = std::to_string(state_.selectedCount);
    const std::string k = std::to_string(skipped);
    const std::string d = std::to_string(state_.selectedCount - skipped);
    const auto& pieces = state_.catalogue.skippedSummaryPieces;
    return state_.englishUi ? joined({k, pieces[0], n, pieces[1], d, pieces[2]})
                            : joined({n, pieces[0], k, pieces[1], d, pieces[2]});
}

void BatchRuns::getencsn() {
    state_.passwordValid = false;
    const PasswordVerdict verdict = checkPassword(platform_.passwordEntry());
    switch (verdict.problem) {
    case PasswordProblem::TooShort:
        platform_.showMessage(state_.catalogue.msgTooShort);
        return;
    case PasswordProblem::Blank:
        platform_.showMessage(state_.catalogue.msgNoBlank);
        return;
    case PasswordProblem::IllegalCharacter:
        platform_.showMessage(joined({state_.catalogue.illegalCharPrefix, verdict.offending}));
        platform_.showMessage(state_.catalogue.msgIllegalChar);
        return;
    case PasswordProblem::None:
        state_.passwordValid = true;
        return;
    }
}

void BatchRuns::decryption1(const std::string& path) {
    ContainerProbe probe;
    files_.readFile(path, "",
                    [&probe](std::span<const std::uint8_t> piece) { return probe.append(piece); });
    const ProbeResult result = probe.result(platform_.passwordEntry());
    state_.containerFound = result.containerFound;
    state_.passwordMatches = result.passwordMatches;
}

BatchRuns::Encrypted BatchRuns::encryption(const std::string& sourcePath,
                                           const std::string& nextPath) {
    const ContainerClass level = platform_.classChoice();
    const std::unique_ptr<FileWriter> container = files_.createFile(
        containerPath(sourcePath, state_.catalogue.encFolderName, state_.outputSuffix), sourcePath,
        selection_);
    std::unique_ptr<FileWriter> scratch;
    if (classRow(level).marksSlashes) {
        // Another copy of the program may be writing the scratch file: the user is told, and
        // Cancel ends the wait.
        bool told = false;
        scratch = files_.openScratch([this, &told] {
            if (!told) {
                platform_.showWaiting(state_.catalogue.scratchWaitNotice);
                told = true;
            }
            platform_.processMessages();
            return !state_.cancelRequested;
        });
        if (told) {
            platform_.showWaiting("");
        }
        if (!scratch) {
            return Encrypted::WaitGivenUp;
        }
    }
    // A source given up for its size takes no key: the next container gets the one it would
    // have had.
    const KeyGenerator generatorBefore = state_.generator;
    builder_.start(
        level, platform_.passwordEntry(), state_.generator,
        [&container](std::string_view text) { container->write(asBytes(text)); },
        [&scratch](std::string_view body) { scratch->write(asBytes(body)); });
    std::uint64_t read = 0;
    bool tooLarge = false;
    files_.readFile(sourcePath, nextPath, [&](std::span<const std::uint8_t> piece) {
        read += piece.size();
        tooLarge = read > largestSource;
        if (!tooLarge) {
            builder_.append(piece);
        }
        return !tooLarge;
    });
    if (tooLarge) {
        state_.generator = generatorBefore;
        return Encrypted::TooLarge;
    }
    builder_.finish();
    if (scratch) {
        scratch->complete();
    }
    container->complete();
    return Encrypted::Done;
}

bool BatchRuns::decryption(const std::string& containerPath, bool askedAboutMarker,
                           const std::string& nextPath) {
    const std::string outputPath =
        joined({folderPart(containerPath), state_.catalogue.decFolderName, "/",
                restoredName(namePart(containerPath), state_.stripSuffix)});
    const FileEnd end = files_.readFileEnd(containerPath, containerEndBytes);
    reader_.expect(end.bytes, end.wholeFile);
    for (int pass = 1;; ++pass) {
        // The marker that counts is the one where the reader stops: the probe of the first file
        // looks beyond a Ctrl-Z. The question names the file, which may be any of the batch.
        if (!askedAboutMarker && !reader_.endsInMarker()) {
            if (!platform_.confirm(
                    joined({namePart(containerPath), "\n", state_.catalogue.msgNotContainer}))) {
                return false;
            }
            askedAboutMarker = true;
        }
        const std::unique_ptr<FileWriter> restored =
            files_.createFile(outputPath, containerPath, selection_);
        reader_.start([&restored](std::span<const std::uint8_t> bytes) { restored->write(bytes); });
        files_.readFile(containerPath, nextPath, [this](std::span<const std::uint8_t> piece) {
            return reader_.append(piece);
        });
        if (reader_.finish()) {
            restored->complete();
            return true;
        }
        // The text ended elsewhere than its end said (a Ctrl-Z in it): it is read again, going by
        // the end that was found. A file that keeps changing as it is read is not restored.
        if (pass == containerPasses) {
            throw cannotOpen(containerPath, EAGAIN);
        }
    }
}

} // namespace tarvex
