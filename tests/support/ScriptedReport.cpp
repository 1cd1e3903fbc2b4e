#include "support/ScriptedReport.h"

#include "files/PathParts.h"
#include "ui/catalogue/Wording.h"

#include <gtest/gtest.h>

namespace tarvex::testing {

ScriptedAnswers::~ScriptedAnswers() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) to questions unused";
    EXPECT_TRUE(files_.empty()) << files_.size() << " scripted file dialog(s) unused";
}

void ScriptedAnswers::answerNextQuestion(bool yes) {
    answers_.push_back(yes);
}

void ScriptedAnswers::chooseNextFiles(std::vector<std::string> paths) {
    files_.push_back(std::move(paths));
}

bool ScriptedAnswers::nextAnswer(const std::string& question) {
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << question;
        return false;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

std::vector<std::string> ScriptedAnswers::nextFiles() {
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return {};
    }
    std::vector<std::string> paths = std::move(files_.front());
    files_.pop_front();
    return paths;
}

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
    return batch.encrypt(request, report);
}

RunResult ScriptedRuns::decrypt(std::vector<std::string> paths, bool stripSuffix) {
    DecryptRequest request = decryptRequest(std::move(paths));
    request.stripSuffix = stripSuffix;
    return batch.decrypt(request, report);
}

} // namespace tarvex::testing
