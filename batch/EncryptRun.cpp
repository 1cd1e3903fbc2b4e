#include "batch/BatchRuns.h"
#include "batch/OutputNames.h"
#include "batch/RunGuard.h"
#include "batch/SizeLimit.h"
#include "codec/Base64Body.h"
#include "files/FileError.h"
#include "files/PathParts.h"

namespace tarvex {

RunOutcome BatchRuns::encryptRun() {
    state_.cancelRequested = false;
    int done = 0;
    int skipped = 0;
    bool unreadable = false;
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

    RunGuard guard(*this);
    if (classRow(platform_.classChoice()).enciphered && !prepareRunKey()) {
        return RunOutcome::EndedEarly;
    }
    // The run is sure to start: only now does its output folder appear. The scratch file's
    // folder is made by the file layer when the first High level container needs it.
    const std::string folder = platform_.folderField();
    files_.createFolder(folderPart(folder).append(state_.catalogue.encFolderName));
    platform_.setWindowHeight(WindowHeight::Running);

    // Each file's size is looked up while the file before it is in hand, so that the file layer
    // can start reading the next file to be encrypted meanwhile. Why a file is left out, when it
    // is, or nothing.
    const std::size_t fileCount = state_.selectedFiles.size();
    const auto leftOutBecause = [this](std::size_t index) -> std::string {
        const SourceSize size = files_.readableSize(state_.selectedFiles[index]);
        if (size.error == notRegularFile) {
            return std::string(state_.catalogue.reasonNotRegular);
        }
        if (size.error != 0) {
            return joined({state_.catalogue.reasonUnreadable, fileErrorReason(size.error)});
        }
        if (classRow(platform_.classChoice()).sizeLimited && size.bytes / 1024 >= sizeLimitKb) {
            return std::string(state_.catalogue.reasonTooLarge);
        }
        return {};
    };
    std::string thisReason = fileCount > 0 ? leftOutBecause(0) : "";
    for (std::size_t index = 0; index < fileCount; ++index) {
        const std::string& path = state_.selectedFiles[index];
        const std::string nextReason = index + 1 < fileCount ? leftOutBecause(index + 1) : "-";
        Encrypted encrypted = Encrypted::TooLarge;
        if (thisReason.empty()) {
            getencsn();
            encrypted = encryption(path, nextReason.empty() ? state_.selectedFiles[index + 1] : "");
            if (encrypted == Encrypted::TooLarge) {
                thisReason = state_.catalogue.reasonTooLarge;
            }
        }
        if (encrypted == Encrypted::Stopped) {
            state_.cancelRequested = true;
            stopAfterCancel();
            return RunOutcome::EndedEarly;
        }
        if (encrypted == Encrypted::Done) {
            ++done;
        } else {
            // The summary counts every file left out as too large, as it always has; the console
            // says why.
            ++skipped;
            unreadable = unreadable || thisReason != state_.catalogue.reasonTooLarge;
            platform_.noteLeftOut(path, thisReason);
        }
        thisReason = nextReason;
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
    if (unreadable) {
        return RunOutcome::Unreadable;
    }
    return done > 0 ? RunOutcome::Completed : RunOutcome::NothingDone;
}

bool BatchRuns::prepareRunKey() {
    const std::string password = platform_.passwordEntry();
    const std::optional<std::string> again =
        platform_.passwordAgain(state_.catalogue.msgPasswordAgain);
    if (!again) {
        return false;
    }
    if (*again != password) {
        platform_.showMessage(state_.catalogue.msgPasswordsDiffer);
        return false;
    }
    // One salt for the run: every container of it shares the key, which is derived once.
    runParameters_ = newProtectedParameters(protectedCost_);
    platform_.setWindowHeight(WindowHeight::Running);
    runKey_ = keyFor(runParameters_);
    if (runKey_ == nullptr) {
        if (keys_.failure() == RunKeys::Failure::GivenUp) {
            stopAfterCancel();
        } else {
            platform_.setWindowHeight(WindowHeight::Resting);
        }
        return false;
    }
    return true;
}

BatchRuns::Encrypted BatchRuns::encryption(const std::string& sourcePath,
                                           const std::string& nextPath) {
    const ContainerClass level = platform_.classChoice();
    const ClassRow& row = classRow(level);
    // A class chosen during the run that needs a key has it derived now, once.
    if (row.enciphered && runKey_ == nullptr) {
        runParameters_ = newProtectedParameters(protectedCost_);
        runKey_ = keyFor(runParameters_);
        if (runKey_ == nullptr) {
            return Encrypted::Stopped;
        }
    }
    const std::unique_ptr<FileWriter> container = files_.createFile(
        containerPath(sourcePath, state_.catalogue.encFolderName, state_.outputSuffix), sourcePath,
        selection_);
    const TextSink toContainer = [&container](std::string_view text) {
        container->write(asBytes(text));
    };
    // A source given up takes no key: the next container gets the one it would have had.
    const KeyGenerator generatorBefore = state_.generator;
    scratchText_.clear();
    if (row.marksSlashes) {
        // Room for the largest body, made once: a large source's text is never copied as it
        // grows, and the pages a small one leaves unused are never taken from the system.
        scratchText_.reserve(encodedBodyLength(largestSource) + bodyLineBreak.size());
    }
    if (row.enciphered) {
        protectedBuilder_.start(*runKey_, runParameters_,
                                {namePart(sourcePath), 0, files_.readableSize(sourcePath).bytes},
                                toContainer);
    } else {
        builder_.start(level, platform_.passwordEntry(), state_.generator, toContainer,
                       [this](std::string_view body) { scratchText_.append(body); });
    }
    std::uint64_t read = 0;
    bool tooLarge = false;
    bool stopped = false;
    files_.readFile(sourcePath, nextPath, [&](std::span<const std::uint8_t> piece) {
        stopped = platform_.stopPending();
        read += piece.size();
        tooLarge = row.sizeLimited && read > largestSource;
        if (stopped || tooLarge) {
            return false;
        }
        if (row.enciphered) {
            protectedBuilder_.append(piece);
        } else {
            builder_.append(piece);
        }
        return true;
    });
    if (stopped || tooLarge) {
        state_.generator = generatorBefore;
        return stopped ? Encrypted::Stopped : Encrypted::TooLarge;
    }
    if (!row.enciphered) {
        builder_.finish();
    } else if (!protectedBuilder_.finish()) {
        // A source whose size changed while it was read is left out, as too large for now.
        return Encrypted::TooLarge;
    }
    if (row.marksSlashes && !writeScratch()) {
        state_.generator = generatorBefore;
        return Encrypted::Stopped;
    }
    container->complete();
    return Encrypted::Done;
}

bool BatchRuns::writeScratch() {
    // Another copy of the program may be writing the scratch file: the user is told, and Cancel
    // ends the wait.
    bool told = false;
    const std::unique_ptr<FileWriter> scratch = files_.openScratch([this, &told] {
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
        return false;
    }
    scratch->write(asBytes(scratchText_));
    scratch->complete();
    return true;
}

std::string BatchRuns::skippedSummary(int skipped) const {
    const std::string n = std::to_string(state_.selectedCount);
    const std::string k = std::to_string(skipped);
    const std::string d = std::to_string(state_.selectedCount - skipped);
    const auto& pieces = state_.catalogue.skippedSummaryPieces;
    return state_.englishUi ? joined({k, pieces[0], n, pieces[1], d, pieces[2]})
                            : joined({n, pieces[0], k, pieces[1], d, pieces[2]});
}

} // namespace tarvex
