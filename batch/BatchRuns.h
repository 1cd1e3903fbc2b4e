#pragma once

#include "FileSystem.h"
#include "Platform.h"
#include "SharedState.h"

#include <string>

namespace tarvex {

// How a command ended, for front ends that report it (the console's exit status).
enum class RunOutcome {
    Completed,  // the run went through every file
    EndedEarly, // nothing selected, password rejected or wrong, question declined, cancelled
    FileError,  // a file step failed; its text has been shown
};

// The handlers of the main window that do the work: selection, the encrypt and decrypt runs,
// the password check and the probe. They read and write the shared state and reach the window
// only through the platform, so the Qt window, the console and the tests run the same code.
class BatchRuns {
public:
    BatchRuns(SharedState& state, Platform& platform, FileSystem& files);

    // The start values that the window's creation sets (the language is applied separately).
    void FormCreate();
    // Applies a language to the catalogue and `englishUi`.
    void applyLanguage(bool english);

    void btnopenClick();
    RunOutcome btnencClick();
    RunOutcome btndecClick();
    void btncancelClick();
    void edtEnpassChange();

    // True while a run steps through its files.
    bool running() const { return running_; }

    // The steps the runs are made of, exposed for tests.
    void getencsn();
    void decryption1(const std::string& path);
    void encryption(const std::string& sourcePath);
    void decryption(const std::string& containerPath);

private:
    SharedState& state_;
    Platform& platform_;
    FileSystem& files_;
    bool running_ = false;
    std::string initialFolder_;
};

// The name a restored file is written under, from the container's file name.
std::string restoredName(const std::string& containerName, bool stripSuffix);

} // namespace tarvex
