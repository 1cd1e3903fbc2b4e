#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::testing {

// The answers a test gives to the questions and file dialogs it expects, in order. A question or
// dialog that comes without a scripted answer fails the test, and so does an answer that is
// still unused when the script is destroyed: a silent default would hide a missing or an extra
// question.
class ScriptedAnswers {
public:
    ScriptedAnswers() = default;
    ~ScriptedAnswers();
    ScriptedAnswers(const ScriptedAnswers&) = delete;
    ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

    void answerNextQuestion(bool yes);
    // The next file dialog returns `paths`; an empty list stands for Cancel.
    void chooseNextFiles(std::vector<std::string> paths);
    void cancelNextDialog() { chooseNextFiles({}); }
    // The next request to type the passphrase again gets `typed`; nothing stands for Cancel.
    void typeNextPassword(std::optional<std::string> typed);

    // The scripted answer to `question`; No, and a test failure, when none is left.
    bool nextAnswer(const std::string& question);
    // The scripted choice of the next dialog; nothing, and a test failure, when none is left.
    std::vector<std::string> nextFiles();
    // The scripted passphrase typed again; nothing, and a test failure, when none is left.
    std::optional<std::string> nextPassword();

    bool allUsed() const { return answers_.empty() && files_.empty() && passwords_.empty(); }

private:
    std::deque<bool> answers_;
    std::deque<std::vector<std::string>> files_;
    std::deque<std::optional<std::string>> passwords_;
};

} // namespace tarvex::testing
