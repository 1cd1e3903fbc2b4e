#include "ui/catalogue/Wording.h"

#include "files/PathParts.h"

#include <algorithm>

namespace tarvex {

std::string wordedReason(std::error_code reason, const LanguageTable& texts) {
    if (reason == FileProblem::NotRegularFile) {
        return std::string(texts.reasonNotRegularFile);
    }
    return reason.message();
}

std::string worded(const FileError& error, const LanguageTable& texts) {
    std::string reason;
    if (error.reason() == FileProblem::BlockerOfAnotherUser) {
        reason = filledIn(texts.reasonBlockerOfAnotherUser, {error.blocker()});
    } else if (error.reason() == FileProblem::BlockerNotAFolder) {
        reason = filledIn(texts.reasonBlockerNotAFolder, {error.blocker()});
    } else {
        reason = wordedReason(error.reason(), texts);
    }
    const std::string_view sentence =
        error.action() == FileAction::Open ? texts.fileCannotOpen : texts.fileCannotCreate;
    return filledIn(sentence, {error.path(), reason});
}

std::vector<std::string> wordedRejection(const PasswordVerdict& verdict,
                                         const LanguageTable& texts) {
    switch (verdict.problem) {
    case PasswordProblem::TooShort:
        return {std::string(texts.msgTooShort)};
    case PasswordProblem::Blank:
        return {std::string(texts.msgNoBlank)};
    case PasswordProblem::IllegalCharacter:
        return {filledIn(texts.illegalCharPrefix, {verdict.offending}),
                std::string(texts.msgIllegalChar)};
    case PasswordProblem::None:
        break;
    }
    return {};
}

std::string worded(const RunQuestion& question, const LanguageTable& texts) {
    switch (question.kind) {
    case RunQuestion::Kind::FirstFileNoContainer:
        break;
    case RunQuestion::Kind::FileNoContainer:
        return namePart(question.path) + "\n" + std::string(texts.msgNotContainer);
    }
    return std::string(texts.msgNotContainer);
}

std::string worded(RunNotice notice, const LanguageTable& texts) {
    switch (notice) {
    case RunNotice::WaitingForScratch:
        return std::string(texts.scratchWaitNotice);
    case RunNotice::NoMemoryForKey:
        return std::string(texts.msgNoMemoryForKey);
    case RunNotice::WaitOver:
        break;
    }
    return {};
}

std::string worded(LeftOutReason reason, std::error_code error, const LanguageTable& texts) {
    switch (reason) {
    case LeftOutReason::TooLarge:
        return std::string(texts.reasonTooLarge);
    case LeftOutReason::NotRegular:
        return std::string(texts.reasonNotRegular);
    case LeftOutReason::Unreadable:
        return filledIn(texts.reasonUnreadable, {wordedReason(error, texts)});
    case LeftOutReason::NotOpened:
        return std::string(texts.reasonNotOpened);
    case LeftOutReason::Damaged:
        return std::string(texts.reasonDamaged);
    case LeftOutReason::NotContainer:
        return std::string(texts.reasonNotContainer);
    case LeftOutReason::NothingRestored:
        return std::string(texts.reasonNothingRestored);
    case LeftOutReason::BeyondContainers:
        return std::string(texts.reasonBeyondContainers);
    case LeftOutReason::Changed:
        return std::string(texts.reasonChanged);
    case LeftOutReason::NoMemoryForKey:
        break;
    }
    return std::string(texts.msgNoMemoryForKey);
}

namespace {

RunEndWords encryptEnd(const RunResult& result, int chosen, const LanguageTable& texts) {
    RunEndWords words;
    // The summary counts every file left out as too large, as it always has; the console names
    // each one with its reason as it goes.
    const int skipped = static_cast<int>(result.leftOut.size());
    if (skipped > 0) {
        const std::string n = std::to_string(chosen);
        const std::string k = std::to_string(skipped);
        const std::string d = std::to_string(chosen - skipped);
        words.messages.push_back(filledIn(texts.skippedSummary, {k, n, d}));
    }
    if (result.done > 0) {
        words.openFolder =
            filledIn(texts.msgEncDone, {std::to_string(result.done), result.outputFolder});
    }
    return words;
}

// The lists of the files a decrypt run left out, and of those it restored under another name.
std::string decryptNotes(const RunResult& result, const LanguageTable& texts) {
    std::string notes;
    const auto heading = [&notes](std::string_view text) {
        notes.append(notes.empty() ? "" : "\r\r").append(text);
    };
    if (!result.leftOut.empty()) {
        heading(texts.msgLeftOut);
    }
    for (const LeftOutRecord& file : result.leftOut) {
        notes.append("\r").append(filledIn(
            texts.noteLeftOut, {namePart(file.path), worded(file.reason, file.error, texts)}));
    }
    if (!result.renamed.empty()) {
        heading(texts.msgRenamed);
    }
    for (const auto& [name, newName] : result.renamed) {
        notes.append("\r").append(filledIn(texts.noteRenamed, {name, newName}));
    }
    return notes;
}

RunEndWords decryptEnd(const RunResult& result, int chosen, const LanguageTable& texts) {
    RunEndWords words;
    if (std::string notes = decryptNotes(result, texts); !notes.empty()) {
        words.messages.push_back(std::move(notes));
    }
    // The count of the question is that of the files restored, which is the count of the
    // selection unless some were left out.
    if (result.done > 0) {
        const int count = result.leftOut.empty() ? chosen : result.done;
        words.openFolder = filledIn(texts.msgDecDone, {std::to_string(count), result.outputFolder});
    }
    return words;
}

} // namespace

RunEndWords endWords(const RunResult& result, RunCommand command, int chosen,
                     const LanguageTable& texts) {
    switch (result.end) {
    case RunEnd::Completed:
        return command == RunCommand::Encrypt ? encryptEnd(result, chosen, texts)
                                              : decryptEnd(result, chosen, texts);
    case RunEnd::Stopped:
        return {.messages = {std::string(texts.msgCanceled)}};
    case RunEnd::PasswordRejected:
        return {.messages = wordedRejection(result.passwordVerdict, texts)};
    case RunEnd::WrongPassword:
        return {.messages = {std::string(texts.msgIllegalPassword)}};
    case RunEnd::FileFailed:
        return {.messages = {worded(*result.fileError, texts)}};
    case RunEnd::Declined:
    case RunEnd::NoKey:
        break;
    }
    return {};
}

} // namespace tarvex
