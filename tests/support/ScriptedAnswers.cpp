#include "support/ScriptedAnswers.h"

#include <gtest/gtest.h>

namespace tarvex::testing {

ScriptedAnswers::~ScriptedAnswers() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) to questions unused";
    EXPECT_TRUE(files_.empty()) << files_.size() << " scripted file dialog(s) unused";
    EXPECT_TRUE(passwords_.empty()) << passwords_.size() << " scripted passphrase(s) unused";
}

void ScriptedAnswers::answerNextQuestion(bool yes) {
    answers_.push_back(yes);
}

void ScriptedAnswers::chooseNextFiles(std::vector<std::string> paths) {
    files_.push_back(std::move(paths));
}

void ScriptedAnswers::typeNextPassword(std::optional<std::string> typed) {
    passwords_.push_back(std::move(typed));
}

std::optional<std::string> ScriptedAnswers::nextPassword() {
    if (passwords_.empty()) {
        ADD_FAILURE() << "unexpected request to type the passphrase again";
        return std::nullopt;
    }
    std::optional<std::string> typed = std::move(passwords_.front());
    passwords_.pop_front();
    return typed;
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

} // namespace tarvex::testing
