#include "texts/Wording.h"

#include "batch/Paths.h"
#include "passwords/Utf8.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace tarvex {

namespace {

// Appends the escape of `bytes`, a character that may not be shown as it is or a byte that is no
// part of one.
void appendEscaped(std::string& shown, std::string_view bytes) {
    constexpr std::string_view hexDigits = "0123456789abcdef";
    for (const char c : bytes) {
        if (c == '\n' || c == '\r' || c == '\t') {
            shown.append(c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t");
        } else {
            const auto byte = static_cast<unsigned char>(c);
            shown.append("\\x").append(1, hexDigits[byte >> 4]).append(1, hexDigits[byte & 0xF]);
        }
    }
}

} // namespace

std::string shownName(std::string_view name) {
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const Utf8Character character = firstCharacter(name.substr(i));
        const std::string_view bytes = name.substr(i, character.length);
        if (character.printable) {
            shown.append(bytes);
        } else {
            appendEscaped(shown, bytes);
        }
        i += character.length;
    }
    return shown;
}

std::string wordedReason(std::error_code reason, const LanguageTable& texts) {
    if (reason == FileProblem::NotRegularFile) {
        return std::string(texts.reasonNotRegularFile);
    }
    if (reason == FileProblem::IsALink) {
        return std::string(texts.reasonLink);
    }
    if (reason == FileProblem::SystemFolder) {
        return std::string(texts.reasonSystemFolder);
    }
    return reason.message();
}

std::string worded(const FileError& error, const LanguageTable& texts) {
    const std::string blocker = shownName(error.blocker());
    std::string reason;
    if (error.reason() == FileProblem::BlockerOfAnotherUser) {
        reason = filledIn(texts.reasonBlockerOfAnotherUser, {blocker});
    } else if (error.reason() == FileProblem::BlockerNotAFolder) {
        reason = filledIn(texts.reasonBlockerNotAFolder, {blocker});
    } else if (error.reason() == FileProblem::FolderIsALink) {
        reason = filledIn(texts.reasonFolderIsALink, {blocker});
    } else if (error.reason() == FileProblem::FolderOfAnotherUser) {
        reason = filledIn(texts.reasonFolderOfAnotherUser, {blocker});
    } else if (error.reason() == FileProblem::FolderOpenToOthers) {
        reason = filledIn(texts.reasonFolderOpenToOthers, {blocker});
    } else {
        reason = wordedReason(error.reason(), texts);
    }
    const std::string_view sentence =
        error.action() == FileAction::Open ? texts.fileCannotOpen : texts.fileCannotCreate;
    return filledIn(sentence, {shownName(error.path()), reason});
}

namespace {

// A character that a passphrase may not hold, as the user can read it: U+001B, or 0xFF for a
// byte that is no part of a character.
std::string shownCharacter(std::string_view character) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(character[i]); };
    char shown[16];
    if (character.size() == 1 && byte(0) >= 0x80) {
        std::snprintf(shown, sizeof shown, "0x%02X", byte(0));
        return shown;
    }
    // The code point of one character of UTF-8.
    unsigned long code = character.empty() ? 0 : byte(0);
    if (character.size() > 1) {
        code &= 0xFFu >> (character.size() + 1);
        for (std::size_t i = 1; i < character.size(); ++i) {
            code = (code << 6) | (byte(i) & 0x3Fu);
        }
    }
    std::snprintf(shown, sizeof shown, "U+%04lX", code);
    return shown;
}

} // namespace

std::vector<std::string> wordedRejection(ContainerClass level, const PasswordVerdict& verdict,
                                         const LanguageTable& texts) {
    const PasswordLimits limits = classRow(level).passwordLimits;
    const std::string most = std::to_string(limits.most);
    if (limits.countsBytes) {
        switch (verdict.problem) {
        case PasswordProblem::TooShort:
            return {std::string(texts.msgPassphraseEmpty)};
        case PasswordProblem::TooLong:
            return {filledIn(texts.msgPassphraseTooLong, {most})};
        case PasswordProblem::Blank:
        case PasswordProblem::IllegalCharacter:
            return {filledIn(texts.msgPassphraseIllegal, {shownCharacter(verdict.offending)})};
        case PasswordProblem::None:
            return {};
        }
    }
    switch (verdict.problem) {
    case PasswordProblem::TooShort:
        return {std::string(texts.msgTooShort)};
    case PasswordProblem::TooLong:
        return {filledIn(texts.msgPasswordTooLong, {most})};
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

std::string wordedDuration(double seconds, const LanguageTable& texts) {
    struct Unit {
        double seconds;
        std::string_view LanguageTable::*text;
    };
    constexpr double minute = 60;
    constexpr double hour = 60 * minute;
    constexpr double day = 24 * hour;
    constexpr double year = 365.25 * day;
    if (!(seconds < 1e6 * year)) {
        return std::string(texts.overAMillionYears);
    }
    if (seconds < 1) {
        return std::string(texts.lessThanASecond);
    }
    constexpr std::array<Unit, 5> units{{{year, &LanguageTable::someYears},
                                         {day, &LanguageTable::someDays},
                                         {hour, &LanguageTable::someHours},
                                         {minute, &LanguageTable::someMinutes},
                                         {1, &LanguageTable::someSeconds}}};
    const Unit& unit = *std::find_if(units.begin(), units.end(),
                                     [seconds](const Unit& u) { return seconds >= u.seconds; });
    return filledIn(texts.*unit.text, {std::to_string(std::llround(seconds / unit.seconds))});
}

std::string wordedStrength(double seconds, const LanguageTable& texts) {
    return filledIn(texts.strengthEstimate, {wordedDuration(seconds, texts)});
}

std::string worded(const RunQuestion& question, const LanguageTable& texts) {
    switch (question.kind) {
    case RunQuestion::Kind::FirstFileNoContainer:
        break;
    case RunQuestion::Kind::FileNoContainer:
        return shownName(namePart(question.path)) + "\n" + std::string(texts.msgNotContainer);
    case RunQuestion::Kind::Unauthenticated:
        return filledIn(texts.questionUnauthenticated, {shownName(namePart(question.path))});
    case RunQuestion::Kind::ReplaceProtected:
        return filledIn(texts.questionReplaceProtected, {shownName(question.path)});
    case RunQuestion::Kind::CostlyKey:
        return filledIn(texts.questionCostlyKey,
                        {std::to_string(std::lround(std::max(question.seconds, 1.0)))});
    case RunQuestion::Kind::ManyKeys:
        return filledIn(texts.questionManyKeys, {std::to_string(question.count)});
    case RunQuestion::Kind::WeakPassphrase:
        return wordedStrength(question.seconds, texts) + "\n" + std::string(texts.strengthQuestion);
    case RunQuestion::Kind::OtherPassphrase:
        return filledIn(texts.questionOtherPassphrase, {shownName(question.path)});
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
    case LeftOutReason::Unauthenticated:
        return std::string(texts.reasonUnauthenticated);
    case LeftOutReason::ProtectedKept:
        return std::string(texts.reasonProtectedKept);
    case LeftOutReason::KeyDeclined:
        return std::string(texts.reasonKeyDeclined);
    case LeftOutReason::Replaced:
        return std::string(texts.reasonReplaced);
    case LeftOutReason::NameTooLong:
        return std::string(texts.reasonNameTooLong);
    case LeftOutReason::FolderTaken:
        return std::string(texts.reasonFolderTaken);
    case LeftOutReason::NotVerified:
        return std::string(texts.reasonNotVerified);
    case LeftOutReason::NotTrashed:
        return filledIn(texts.reasonNotTrashed, {wordedReason(error, texts)});
    case LeftOutReason::SystemFolder:
        return std::string(texts.reasonSystemFolder);
    case LeftOutReason::Link:
        return std::string(texts.reasonLink);
    case LeftOutReason::Hidden:
        return std::string(texts.reasonHidden);
    case LeftOutReason::OwnFolder:
        return std::string(texts.reasonOwnFolder);
    case LeftOutReason::FolderUnreadable:
        return filledIn(texts.reasonFolderUnreadable, {wordedReason(error, texts)});
    case LeftOutReason::NoMemoryForKey:
        break;
    }
    return std::string(texts.msgNoMemoryForKey);
}

namespace {

// A list that the end of a run shows: its heading, and a line for each of `lines`.
void addList(std::string& notes, std::string_view heading, const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return;
    }
    notes.append(notes.empty() ? "" : "\r\r").append(heading);
    for (const std::string& line : lines) {
        notes.append("\r").append(line);
    }
}

// The lines of the files a run left out, but for those `kept` says to leave to another message.
std::vector<std::string> leftOutLines(const std::vector<LeftOutRecord>& files,
                                      const LanguageTable& texts,
                                      const std::function<bool(LeftOutReason)>& kept) {
    std::vector<std::string> lines;
    for (const LeftOutRecord& file : files) {
        if (kept(file.reason)) {
            lines.push_back(filledIn(texts.noteLeftOut, {shownName(namePart(file.path)),
                                                         worded(file.reason, file.error, texts)}));
        }
    }
    return lines;
}

// What the walk of the folders chosen whole left out: how many of each kind, and each folder that
// could not be read or is the system's by its name.
std::string notTakenNotes(const RunResult& result, const LanguageTable& texts) {
    std::map<LeftOutReason, int> counts;
    std::vector<std::string> lines;
    for (const LeftOutRecord& entry : result.notTaken) {
        if (entry.reason == LeftOutReason::FolderUnreadable ||
            entry.reason == LeftOutReason::SystemFolder) {
            lines.push_back(
                filledIn(texts.noteLeftOut,
                         {shownName(entry.path), worded(entry.reason, entry.error, texts)}));
        } else {
            ++counts[entry.reason];
        }
    }
    for (const auto& [reason, count] : counts) {
        lines.push_back(
            filledIn(texts.noteNotTaken, {worded(reason, {}, texts), std::to_string(count)}));
    }
    std::string notes;
    addList(notes, texts.msgNotTaken, lines);
    return notes;
}

RunEndWords encryptEnd(const RunResult& result, bool namedAlready, const LanguageTable& texts) {
    RunEndWords words;
    // The summary counts the files left out as too large; those left out for another reason are
    // listed with it.
    const auto tooLarge = [](LeftOutReason reason) { return reason == LeftOutReason::TooLarge; };
    const auto skipped =
        std::count_if(result.leftOut.begin(), result.leftOut.end(),
                      [&](const LeftOutRecord& file) { return tooLarge(file.reason); });
    if (skipped > 0) {
        words.messages.push_back(
            filledIn(texts.skippedSummary, {std::to_string(skipped), std::to_string(result.count),
                                            std::to_string(result.done)}));
    }
    std::string notes;
    if (!namedAlready) {
        addList(notes, texts.msgNotEncrypted,
                leftOutLines(result.leftOut, texts,
                             [&](LeftOutReason reason) { return !tooLarge(reason); }));
    }
    std::vector<std::string> replaced;
    for (const std::string& path : result.replaced) {
        replaced.push_back(shownName(namePart(path)));
    }
    addList(notes, texts.msgReplaced, replaced);
    addList(notes, texts.msgOriginalsKept,
            leftOutLines(result.keptOriginals, texts, [](LeftOutReason) { return true; }));
    if (!notes.empty()) {
        words.messages.push_back(std::move(notes));
    }
    if (result.trashed > 0) {
        words.messages.push_back(filledIn(texts.msgTrashed, {std::to_string(result.trashed)}));
    }
    if (result.intoLibrary) {
        words.openFolder =
            filledIn(texts.libraryEncDone,
                     {std::to_string(result.done - result.changed), std::to_string(result.changed),
                      std::to_string(result.unchanged), shownName(result.outputFolder)});
    } else if (result.done > 0) {
        words.openFolder = filledIn(texts.msgEncDone,
                                    {std::to_string(result.done), shownName(result.outputFolder)});
    }
    return words;
}

RunEndWords decryptEnd(const RunResult& result, bool namedAlready, const LanguageTable& texts) {
    RunEndWords words;
    std::string notes;
    if (!namedAlready) {
        addList(notes, texts.msgLeftOut,
                leftOutLines(result.leftOut, texts, [](LeftOutReason) { return true; }));
    }
    std::vector<std::string> renamed;
    for (const auto& [name, newName] : result.renamed) {
        renamed.push_back(filledIn(texts.noteRenamed, {shownName(name), shownName(newName)}));
    }
    addList(notes, texts.msgRenamed, renamed);
    if (!notes.empty()) {
        words.messages.push_back(std::move(notes));
    }
    // The count of the question is that of the files restored, which is the count of the
    // selection unless some were left out.
    if (result.done > 0) {
        const int count = result.leftOut.empty() ? result.count : result.done;
        words.openFolder =
            filledIn(texts.msgDecDone, {std::to_string(count), shownName(result.outputFolder)});
    }
    return words;
}

} // namespace

RunEndWords endWords(const RunResult& result, RunCommand command, bool namedAlready,
                     const LanguageTable& texts) {
    switch (result.end) {
    case RunEnd::Completed: {
        RunEndWords words = command == RunCommand::Encrypt
                                ? encryptEnd(result, namedAlready, texts)
                                : decryptEnd(result, namedAlready, texts);
        if (!namedAlready && !result.notTaken.empty()) {
            words.messages.insert(words.messages.begin(), notTakenNotes(result, texts));
        }
        return words;
    }
    case RunEnd::FirstDamaged:
        return {
            .messages = {filledIn(texts.msgFirstDamaged, {shownName(namePart(result.firstFile))})}};
    case RunEnd::Stopped:
        return {.messages = {std::string(texts.msgCanceled)}};
    case RunEnd::PasswordRejected:
        return {.messages = wordedRejection(result.passwordRule, result.passwordVerdict, texts)};
    case RunEnd::WrongPassword:
        return {.messages = {std::string(texts.msgIllegalPassword)}};
    case RunEnd::FileFailed:
        return {.messages = {worded(*result.fileError, texts)}};
    case RunEnd::PasswordsDiffer:
        return {.messages = {std::string(texts.msgPasswordsDiffer)}};
    case RunEnd::PasswordNotRepeated:
    case RunEnd::WeakDeclined:
    case RunEnd::Declined:
    case RunEnd::NoKey:
        break;
    }
    return {};
}

} // namespace tarvex
