#pragma once

#include "platform/Platform.h"

#include <deque>
#include <functional>
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

    // The scripted answer to `question`; No, and a test failure, when none is left.
    bool nextAnswer(const std::string& question);
    // The scripted choice of the next dialog; nothing, and a test failure, when none is left.
    std::vector<std::string> nextFiles();

    bool allUsed() const { return answers_.empty() && files_.empty(); }

private:
    std::deque<bool> answers_;
    std::deque<std::vector<std::string>> files_;
};

// A platform for tests: it records every message, question, dialog, folder and page opened, and
// every change of height, progress, label and enabled state, in order, as texts such as
// "message: Canceled!" or "controls: off". Questions and dialogs are answered from `script`.
// The window values the runs read are plain members that the test sets.
class ScriptedPlatform : public Platform {
public:
    ScriptedAnswers script;

    // The values of the window.
    std::string folder;
    std::string password;
    int suffix = 0;
    ContainerClass level = ContainerClass::Standard;
    std::string executableFolder = "/opt/tarvex/";
    // What the user types when asked for the password once more, the password itself when it is
    // not set; or nothing at all, for a box that was declined.
    std::optional<std::string> passwordTypedAgain;
    bool passwordAgainDeclined = false;
    // A stop asked for as by the console's Ctrl-C, which a run honours inside a file.
    bool stopAsked = false;

    // Called at every processMessages with the number of calls so far (from 1), as the window's
    // message loop would run a click between two files.
    std::function<void(int)> onProcessMessages;

    // The state of the window as the calls left it.
    WindowHeight height = WindowHeight::Resting;
    int progressPosition = 0;
    int progressMaximum = 0;
    std::string progressLabel; // "done/count", as the window shows it
    bool decryptEnabled = true;
    bool runControlsEnabled = true; // Open, Encrypt, Decrypt, password and option groups

    // Everything in order.
    const std::vector<std::string>& events() const { return events_; }
    // Only the plain messages, questions, dialog requests or opened folders, in order.
    const std::vector<std::string>& messages() const { return messages_; }
    const std::vector<std::string>& questions() const { return questions_; }
    const std::vector<OpenFilesRequest>& dialogs() const { return dialogs_; }
    const std::vector<std::string>& openedFolders() const { return openedFolders_; }
    // The files left out, as "name: reason".
    const std::vector<std::string>& leftOut() const { return leftOut_; }
    int processMessagesCalls() const { return processMessagesCalls_; }

    void showMessage(std::string_view text) override;
    bool confirm(std::string_view text) override;
    std::vector<std::string> openFiles(const OpenFilesRequest& request) override;
    void openFolder(const std::string& path) override;
    void openInBrowser(const std::string& addressOrFile) override;
    std::string programFolder() override { return executableFolder; }
    void setWindowHeight(WindowHeight newHeight) override;
    void processMessages() override;
    void showWaiting(std::string_view text) override;
    void setProgress(int position, int maximum) override;
    void showProgress(int done, int count, const std::string& path) override;
    void setDecryptEnabled(bool enabled) override;
    void showBusy(bool busy) override;
    std::optional<std::string> passwordAgain(std::string_view prompt) override;
    void noteLeftOut(std::string_view path, std::string_view reason) override;
    bool stopPending() override { return stopAsked; }
    void setRunControlsEnabled(bool enabled) override;
    std::string folderField() override { return folder; }
    void setFolderField(const std::string& newFolder) override;
    std::string passwordEntry() override { return password; }
    int suffixChoice() override { return suffix; }
    ContainerClass classChoice() override { return level; }

private:
    std::vector<std::string> events_;
    std::vector<std::string> messages_;
    std::vector<std::string> questions_;
    std::vector<OpenFilesRequest> dialogs_;
    std::vector<std::string> openedFolders_;
    std::vector<std::string> leftOut_;
    int processMessagesCalls_ = 0;
};

} // namespace tarvex::testing
