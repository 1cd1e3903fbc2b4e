#include "batch/BatchRuns.h"

#include "batch/OutputNames.h"
#include "container/ContainerReader.h"
#include "container/ContainerText.h"
#include "container/Password.h"
#include "container/Probe.h"
#include "files/PathParts.h"

#include <cerrno>
#include <new>
#include <string_view>

namespace tarvex {
namespace {

// Files of this many KB (bytes / 1024, rounded down) or more are not encrypted.
constexpr std::uint64_t sizeLimitKb = 5000;

// The first message about an illegal character in the password, in both languages, which the
// character follows.
constexpr std::string_view illegalCharacterPrefix = "str0[i]:";

// Runs `step` on the container at `path`, which is held whole in memory: a container too large
// to hold is a file error of that file, which ends the run like any other.
template <typename Step> auto withinMemory(const std::string& path, Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw cannotOpen(path, ENOMEM);
    }
}

} // namespace

// Marks a run as active and disables the controls that would change what it reads; enables them
// again however the run ends, keeping Decrypt disabled once it is locked.
class BatchRuns::RunGuard {
public:
    explicit RunGuard(BatchRuns& runs) : runs_(runs) {
        runs_.running_ = true;
        runs_.platform_.setRunControlsEnabled(false);
    }
    ~RunGuard() {
        // A run that ends early may have named a file it did not come to.
        runs_.files_.stopReadingAhead();
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
    request.filter = state_.openDialogFilter;
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
    files_.createFolder(folderPart(folder) + state_.catalogue.encFolderName);
    platform_.setWindowHeight(WindowHeight::Running);

    // Each file's size is looked up while the file before it is in hand, so that the file layer
    // can start reading the next file to be encrypted meanwhile.
    const std::size_t fileCount = state_.selectedFiles.size();
    const auto encryptable = [this](std::size_t index) {
        const auto size = files_.readableSize(state_.selectedFiles[index]);
        return size && *size / 1024 < sizeLimitKb;
    };
    bool takeThis = fileCount > 0 && encryptable(0);
    for (std::size_t index = 0; index < fileCount; ++index) {
        const std::string& path = state_.selectedFiles[index];
        const bool takeNext = index + 1 < fileCount && encryptable(index + 1);
        if (!takeThis) {
            ++skipped;
        } else {
            getencsn();
            encryption(path, takeNext ? state_.selectedFiles[index + 1] : "");
            ++done;
        }
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
        const std::string shown = folder + state_.catalogue.encFolderName;
        if (platform_.confirm(std::to_string(state_.selectedCount - skipped) +
                              state_.catalogue.msgEncDone + "\r" + shown)) {
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
    files_.createFolder(folderPart(folder) + state_.catalogue.decFolderName);

    const std::size_t fileCount = state_.selectedFiles.size();
    for (std::size_t index = 0; index < fileCount; ++index) {
        getencsn();
        // The first file has been probed and, without a marker, asked about already.
        if (!decryption(state_.selectedFiles[index], index == 0 && !state_.containerFound)) {
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
    const std::string shown = folder + state_.catalogue.decFolderName;
    if (platform_.confirm(std::to_string(state_.selectedCount) + state_.catalogue.msgDecDone +
                          "\r" + shown)) {
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
    platform_.setProgress(done, state_.selectedCount);
    platform_.setProgressText(std::to_string(done) + "/" + std::to_string(state_.selectedCount));
}

std::string BatchRuns::skippedSummary(int skipped) const {
    const std::string n = std::to_string(state_.selectedCount);
    const std::string k = std::to_string(skipped);
    const std::string d = std::to_string(state_.selectedCount - skipped);
    const auto& pieces = state_.skippedSummaryPieces;
    return (state_.englishUi ? k + pieces[0] + n : n + pieces[0] + k) + pieces[1] + d + pieces[2];
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
        platform_.showMessage(std::string(illegalCharacterPrefix) + verdict.offending);
        platform_.showMessage(state_.catalogue.msgIllegalChar);
        return;
    case PasswordProblem::None:
        state_.passwordValid = true;
        return;
    }
}

void BatchRuns::decryption1(const std::string& path) {
    const ProbeResult probe = withinMemory(path, [&] {
        std::vector<std::uint8_t> bytes = files_.loadFile(path);
        return probeContainer(containerText(bytes), platform_.passwordEntry());
    });
    state_.containerFound = probe.containerFound;
    state_.passwordMatches = probe.passwordMatches;
}

void BatchRuns::encryption(const std::string& sourcePath, const std::string& nextPath) {
    const ContainerClass level =
        platform_.classChoice() == 1 ? ContainerClass::HighLevel : ContainerClass::Standard;
    const std::unique_ptr<FileWriter> container = files_.createFile(
        containerPath(sourcePath, state_.catalogue.encFolderName, state_.outputSuffix), sourcePath);
    const std::unique_ptr<FileWriter> scratch =
        level == ContainerClass::HighLevel ? files_.openScratch() : nullptr;
    builder_.start(
        level, platform_.passwordEntry(), state_.generator,
        [&container](std::string_view text) { container->write(asBytes(text)); },
        [&scratch](std::string_view body) { scratch->write(asBytes(body)); });
    files_.readFile(sourcePath, nextPath,
                    [this](std::span<const std::uint8_t> piece) { builder_.append(piece); });
    builder_.finish();
    if (scratch) {
        scratch->complete();
    }
    container->complete();
}

bool BatchRuns::decryption(const std::string& containerPath, bool askedAboutMarker) {
    std::vector<std::uint8_t> bytes =
        withinMemory(containerPath, [&] { return files_.loadFile(containerPath); });
    const std::string_view text = containerText(bytes);
    // The marker that counts is the one the reader reaches: the probe of the first file looks
    // beyond a Ctrl-Z, where the reader stops. The question names the file, which may be any of
    // the batch.
    if (!askedAboutMarker && !probeContainer(readerText(text), {}).containerFound &&
        !platform_.confirm(namePart(containerPath) + "\n" + state_.catalogue.msgNotContainer)) {
        return false;
    }
    const std::vector<std::uint8_t> restored =
        withinMemory(containerPath, [&] { return readContainer(text); });
    files_.saveFile(folderPart(containerPath) + state_.catalogue.decFolderName + "/" +
                        restoredName(namePart(containerPath), state_.stripSuffix),
                    restored, containerPath);
    return true;
}

} // namespace tarvex
