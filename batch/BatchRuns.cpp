#include "batch/BatchRuns.h"

#include "batch/RunGuard.h"
#include "container/Password.h"
#include "files/PathParts.h"

namespace tarvex {

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
    RunOutcome outcome = RunOutcome::FileError;
    try {
        outcome = run();
    } catch (const FileError& error) {
        platform_.showMessage(error.what());
    }
    // No key outlives its command.
    keys_.clear();
    runKey_ = nullptr;
    return outcome;
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

void BatchRuns::getencsn() {
    state_.passwordValid = false;
    const PasswordVerdict verdict =
        checkPassword(ContainerClass::Standard, platform_.passwordEntry());
    switch (verdict.problem) {
    case PasswordProblem::TooShort:
        platform_.showMessage(state_.catalogue.msgTooShort);
        return;
    case PasswordProblem::TooLong:
        platform_.showMessage(state_.catalogue.msgIllegalPassword);
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

const ProtectedKey* BatchRuns::keyFor(const ProtectedParameters& parameters) {
    const KeyWait wait = [this] {
        platform_.processMessages();
        return !state_.cancelRequested;
    };
    if (keys_.holds(parameters)) {
        return keys_.keyFor(platform_.passwordEntry(), parameters, wait);
    }
    // The controls are off while the key is derived, and Cancel is live: a Protected first file
    // is probed before its run begins.
    const bool runBefore = running_;
    if (!runBefore) {
        running_ = true;
        platform_.setRunControlsEnabled(false);
        platform_.setWindowHeight(WindowHeight::Running);
    }
    platform_.showBusy(true);
    const ProtectedKey* key = keys_.keyFor(platform_.passwordEntry(), parameters, wait);
    platform_.showBusy(false);
    if (!runBefore) {
        running_ = false;
        platform_.setRunControlsEnabled(true);
        if (decryptLocked_) {
            platform_.setDecryptEnabled(false);
        }
        platform_.setWindowHeight(WindowHeight::Resting);
    }
    if (key == nullptr && keys_.failure() == RunKeys::Failure::OutOfMemory) {
        platform_.showMessage(state_.catalogue.msgNoMemoryForKey);
    }
    return key;
}

} // namespace tarvex
