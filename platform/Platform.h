#pragma once

#include "container/ContainerClass.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

enum class WindowHeight { Resting, Running };

// The options of the open-file dialog. Several files can be chosen.
struct OpenFilesRequest {
    std::string filter;        // "label|patterns|label|patterns", patterns separated by ";"
    int filterIndex = 1;       // the entry the dialog starts on, from 1
    std::string initialFolder; // empty: the platform's choice
};

// Everything the runs ask of the window and the desktop. The Qt window, the console front end
// and the tests' scripted double each implement it.
class Platform {
public:
    virtual ~Platform() = default;

    // Plain message box with one OK button, captioned with the application title.
    virtual void showMessage(std::string_view text) = 0;
    // Question box captioned "Confirm" with Yes and No; true only for Yes.
    virtual bool confirm(std::string_view text) = 0;
    // The full paths of the chosen files in the dialog's order; empty after Cancel.
    virtual std::vector<std::string> openFiles(const OpenFilesRequest& request) = 0;

    virtual void openFolder(const std::string& folder) = 0;
    // A web address or the full path of a local file, in the desktop's browser.
    virtual void openInBrowser(const std::string& addressOrFile) = 0;
    // The folder of the program's executable, ending in a separator.
    virtual std::string programFolder() = 0;

    virtual void setWindowHeight(WindowHeight height) = 0;
    // Lets pending window messages run: repaints, Cancel clicks, Esc.
    virtual void processMessages() = 0;
    // Tells the user, without waiting for an answer, that the run waits for another program;
    // Cancel (or Esc) ends the wait. An empty text ends the notice.
    virtual void showWaiting(std::string_view text) = 0;
    virtual void setProgress(int position, int maximum) = 0;
    // The run has handled `done` of its `count` files, the last of them `path`.
    virtual void showProgress(int done, int count, const std::string& path) = 0;
    virtual void setDecryptEnabled(bool enabled) = 0;
    // The run works at something that takes a while before its first file (a key being
    // derived): the progress row shows that work is going on until `busy` is false. Cancel (or
    // Esc) stays live meanwhile.
    virtual void showBusy(bool busy) = 0;
    // Asks for the password once more before a run whose containers nothing but the password
    // opens, where a typing error would lock the user out of their own pictures: `prompt` says
    // so. Nothing when the user gave none.
    virtual std::optional<std::string> passwordAgain(std::string_view prompt) = 0;
    // A file that the run leaves out, and why. The console names it; the window keeps to the
    // summary of its run.
    virtual void noteLeftOut(std::string_view path, std::string_view reason) = 0;
    // Whether a stop was asked for that a run honours even inside a file: the console's Ctrl-C,
    // SIGTERM and SIGHUP. The window's Cancel is seen between files, by processMessages.
    virtual bool stopPending() = 0;
    // While a run steps through its files, every control that would change what it reads is
    // disabled: Open (button and menu), Encrypt, Decrypt, the password entry and both option
    // groups. Cancel stays live.
    virtual void setRunControlsEnabled(bool enabled) = 0;

    // Values of the window.
    virtual std::string folderField() = 0;
    virtual void setFolderField(const std::string& folder) = 0;
    virtual std::string passwordEntry() = 0; // UTF-8
    virtual int suffixChoice() = 0;          // 0 keep names, 1 append "E"
    virtual ContainerClass classChoice() = 0;
};

} // namespace tarvex
