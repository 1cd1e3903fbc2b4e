#include "support/ScriptedReport.h"

#include "files/PathParts.h"
#include "passwords/PassphraseStrength.h"
#include "texts/Wording.h"

#include <gtest/gtest.h>

namespace tarvex::testing {

std::vector<std::string> ScriptedReport::eventsOf(std::string_view prefix) const {
    std::vector<std::string> found;
    std::copy_if(events_.begin(), events_.end(), std::back_inserter(found),
                 [prefix](const std::string& event) { return event.starts_with(prefix); });
    return found;
}

void ScriptedReport::progress(const RunProgress& progress) {
    switch (progress.stage) {
    case RunProgress::Stage::Started:
        events_.push_back("started " + std::to_string(progress.count));
        break;
    case RunProgress::Stage::DerivingKey:
        events_.emplace_back("deriving key");
        break;
    case RunProgress::Stage::KeyDerived:
        events_.emplace_back("key derived");
        break;
    case RunProgress::Stage::File:
        events_.push_back("file " + std::to_string(progress.done) + "/" +
                          std::to_string(progress.count) + " " + namePart(progress.path));
        break;
    }
}

bool ScriptedReport::ask(const RunQuestion& question) {
    events_.push_back("question: " + worded(question, englishTable()));
    return script.nextAnswer(events_.back());
}

void ScriptedReport::leftOut(const LeftOutFile& file) {
    events_.push_back("left out: " + namePart(file.path) + ": " +
                      worded(file.reason, file.error, englishTable()));
}

void ScriptedReport::notice(RunNotice notice) {
    events_.push_back(notice == RunNotice::WaitOver ? "wait over"
                                                    : "notice: " + worded(notice, englishTable()));
}

void ScriptedReport::acceptPassphrase(const std::string& password) {
    script.typeNextPassword(password);
    if (foundWithinAYear(secondsToFind(password))) {
        script.answerNextQuestion(true);
    }
}

std::optional<Secret> ScriptedReport::passwordAgain(double seconds) {
    events_.push_back("password again: " + wordedStrength(seconds, englishTable()));
    const std::optional<std::string> typed = script.nextPassword();
    if (!typed) {
        return std::nullopt;
    }
    return Secret::copyOf(*typed);
}

bool ScriptedReport::stopRequested() {
    ++stopChecks_;
    return stopWhen && stopWhen(stopChecks_);
}

void expectFileError(const RunResult& result, FileAction action, const std::string& path,
                     int error) {
    EXPECT_EQ(result.end, RunEnd::FileFailed);
    ASSERT_TRUE(result.fileError);
    EXPECT_EQ(result.fileError->action(), action);
    EXPECT_EQ(result.fileError->path(), path);
    EXPECT_EQ(result.fileError->reason(), std::error_code(error, std::generic_category()));
}

EncryptRequest ScriptedRuns::encryptRequest(std::vector<std::string> paths) const {
    return {.files = std::move(paths),
            .password = password,
            .outputFolderName = std::string(englishTable().encFolderName),
            .cost = cost};
}

DecryptRequest ScriptedRuns::decryptRequest(std::vector<std::string> paths) const {
    return {.files = std::move(paths),
            .password = password,
            .outputFolderName = std::string(englishTable().decFolderName)};
}

RunResult ScriptedRuns::encrypt(std::vector<std::string> paths, ContainerClass level,
                                bool appendSuffix) {
    EncryptRequest request = encryptRequest(std::move(paths));
    request.containerClass = level;
    request.appendSuffix = appendSuffix;
    if (classRow(level).enciphered) {
        report.acceptPassphrase(password);
    }
    return batch.encrypt(request, report);
}

RunResult ScriptedRuns::decrypt(std::vector<std::string> paths, bool stripSuffix) {
    DecryptRequest request = decryptRequest(std::move(paths));
    request.stripSuffix = stripSuffix;
    return batch.decrypt(request, report);
}

} // namespace tarvex::testing
