#pragma once

#include "platform/Platform.h"
#include "ui/catalogue/ConsoleTexts.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// What the console front end fixes before a run: the window's values and the answers.
struct ConsoleSettings {
    std::vector<std::string> files; // what the open dialog returns: full paths, in order
    std::string password;
    // The password came from a line of standard input, not from the terminal.
    bool passwordFromStdin = false;
    int suffixChoice = 0;
    ContainerClass classChoice = ContainerClass::Standard;
    // The answer to every question; without one a question is asked at the terminal, and answered
    // No when there is none.
    std::optional<bool> answer;
};

// The platform as a console program sees it: the console's look. Messages and questions go to
// standard error in the texts they are given, each on lines of its own; a question is answered
// at the terminal on standard input unless the settings answer it. When standard error is a
// terminal, one status line there shows the progress ("3/10 name.jpg") or the work before the
// first file, and is cleared before anything else is written; otherwise nothing of the kind is
// written. No folder or page is ever opened.
class ConsolePlatform final : public Platform {
public:
    ConsolePlatform(ConsoleSettings settings, const ConsoleTexts& texts);
    // Clears the status line.
    ~ConsolePlatform() override;
    ConsolePlatform(const ConsolePlatform&) = delete;
    ConsolePlatform& operator=(const ConsolePlatform&) = delete;

    // Called from processMessages after Ctrl-C, SIGTERM or SIGHUP: the front end's Cancel.
    void onInterrupt(std::function<void()> handler) { onInterrupt_ = std::move(handler); }

    void showMessage(std::string_view text) override;
    bool confirm(std::string_view text) override;
    std::vector<std::string> openFiles(const OpenFilesRequest& request) override;
    void openFolder(const std::string& folder) override;
    void openInBrowser(const std::string& addressOrFile) override;
    std::string programFolder() override;
    void setWindowHeight(WindowHeight height) override;
    void processMessages() override;
    void showWaiting(std::string_view text) override;
    void setProgress(int position, int maximum) override;
    void showProgress(int done, int count, const std::string& path) override;
    void setDecryptEnabled(bool enabled) override;
    void showBusy(bool busy) override;
    std::optional<std::string> passwordAgain(std::string_view prompt) override;
    void noteLeftOut(std::string_view path, std::string_view reason) override;
    bool stopPending() override;
    void setRunControlsEnabled(bool enabled) override;
    std::string folderField() override { return folderField_; }
    void setFolderField(const std::string& folder) override { folderField_ = folder; }
    std::string passwordEntry() override { return settings_.password; }
    int suffixChoice() override { return settings_.suffixChoice; }
    ContainerClass classChoice() override { return settings_.classChoice; }

private:
    // Writes `text` on its own line of standard error, a carriage return inside it as a line
    // break, after clearing the status line.
    void writeLine(std::string_view text);
    // Shows `text` on the status line, in place of what it showed; nothing without a terminal.
    void showStatus(const std::string& text);
    void clearStatus();

    ConsoleSettings settings_;
    const ConsoleTexts& texts_;
    std::string folderField_;
    std::function<void()> onInterrupt_;
    bool statusShown_ = false;
    bool stderrIsTerminal_;
    bool stdinIsTerminal_;
};

} // namespace tarvex
