#pragma once

#include "platform/Platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// What the console front end fixes before a run: the window's values and the answers.
struct ConsoleSettings {
    std::vector<std::string> files; // what the open dialog returns: full paths, in order
    std::string password;
    int suffixChoice = 0;
    ContainerClass classChoice = ContainerClass::Standard;
    bool assumeYes = false; // answer every question with Yes
};

// The platform as a console program sees it. Messages and questions go to standard error in the
// texts they are given; a question is answered at the terminal on standard input, with Yes when
// `assumeYes` is set, else No when there is no terminal. No folder or page is ever opened. The
// "i/n" progress shows on standard error when that is a terminal.
class ConsolePlatform final : public Platform {
public:
    explicit ConsolePlatform(ConsoleSettings settings);

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
    // break, after ending an open progress line.
    void writeLine(std::string_view text);

    ConsoleSettings settings_;
    std::string folderField_;
    std::function<void()> onInterrupt_;
    bool progressLineOpen_ = false;
    bool stderrIsTerminal_;
    bool stdinIsTerminal_;
};

} // namespace tarvex
