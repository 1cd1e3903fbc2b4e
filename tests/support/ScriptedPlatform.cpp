#include "support/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace tarvex::testing {
namespace {

std::string onOff(bool enabled) {
    return enabled ? "on" : "off";
}

} // namespace

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

void ScriptedPlatform::showMessage(std::string_view text) {
    events_.push_back("message: " + std::string(text));
    messages_.emplace_back(text);
}

bool ScriptedPlatform::confirm(std::string_view text) {
    events_.push_back("question: " + std::string(text));
    questions_.emplace_back(text);
    return script.nextAnswer(std::string(text));
}

std::vector<std::string> ScriptedPlatform::openFiles(const OpenFilesRequest& request) {
    events_.push_back("dialog");
    dialogs_.push_back(request);
    return script.nextFiles();
}

void ScriptedPlatform::openFolder(const std::string& path) {
    events_.push_back("open folder: " + path);
    openedFolders_.push_back(path);
}

void ScriptedPlatform::openInBrowser(const std::string& addressOrFile) {
    events_.push_back("browser: " + addressOrFile);
}

void ScriptedPlatform::setWindowHeight(WindowHeight newHeight) {
    height = newHeight;
    events_.push_back(newHeight == WindowHeight::Running ? "height: running" : "height: resting");
}

void ScriptedPlatform::processMessages() {
    ++processMessagesCalls_;
    if (onProcessMessages) {
        onProcessMessages(processMessagesCalls_);
    }
}

void ScriptedPlatform::showWaiting(std::string_view text) {
    events_.push_back("waiting: " + std::string(text));
}

void ScriptedPlatform::setProgress(int position, int maximum) {
    progressPosition = position;
    progressMaximum = maximum;
    events_.push_back("progress: " + std::to_string(position) + " of " + std::to_string(maximum));
}

void ScriptedPlatform::showProgress(int done, int count, const std::string&) {
    setProgress(done, count);
    progressLabel = std::to_string(done) + "/" + std::to_string(count);
    events_.push_back("label: " + progressLabel);
}

void ScriptedPlatform::setDecryptEnabled(bool enabled) {
    decryptEnabled = enabled;
    events_.push_back("decrypt: " + onOff(enabled));
}

void ScriptedPlatform::showBusy(bool busy) {
    events_.push_back("busy: " + onOff(busy));
}

std::optional<std::string> ScriptedPlatform::passwordAgain(std::string_view prompt) {
    events_.push_back("password again: " + std::string(prompt));
    if (passwordAgainDeclined) {
        return std::nullopt;
    }
    return passwordTypedAgain.value_or(password);
}

void ScriptedPlatform::noteLeftOut(std::string_view path, std::string_view reason) {
    leftOut_.push_back(std::string(path) + ": " + std::string(reason));
    events_.push_back("left out: " + leftOut_.back());
}

void ScriptedPlatform::setRunControlsEnabled(bool enabled) {
    runControlsEnabled = enabled;
    decryptEnabled = enabled; // Decrypt is one of the controls a run disables
    events_.push_back("controls: " + onOff(enabled));
}

void ScriptedPlatform::setFolderField(const std::string& newFolder) {
    folder = newFolder;
    events_.push_back("folder field: " + newFolder);
}

} // namespace tarvex::testing
