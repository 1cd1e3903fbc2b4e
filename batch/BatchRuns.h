#pragma once

#include "batch/SharedState.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "files/FileSystem.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace tarvex {

// How a command ended, for front ends that report it (the console's exit status).
enum class RunOutcome {
    Completed,   // the run went through every file; sources too large were passed over
    NothingDone, // the encrypt run went through every file, but each was too large or unreadable
    EndedEarly,  // nothing selected, password rejected or wrong, question declined, cancelled
    FileError,   // a file step failed; its text has been shown
    NotOpened,   // the run went through every file, but left out containers that did not open
    Unreadable,  // the encrypt run went through every file, but left out some it could not read
};

// The handlers of the main window that do the work: selection, the encrypt and decrypt runs,
// the password check and the probe. They read and write the shared state and reach the window
// only through the platform, so the Qt window, the console and the tests run the same code.
//
// While a run steps through its files, the controls that would change what it reads are
// disabled through the platform, and the handlers that would change it (selection, another
// run) refuse to act. However the run ends, the controls are enabled again,
// except Decrypt once ten wrong passwords in a row have locked it.
class BatchRuns {
public:
    BatchRuns(SharedState& state, Platform& platform, FileSystem& files);

    // The start values that the window's creation sets. The texts of a language are filled in
    // by whoever applies it, never while a run is active: the run names its output folder from
    // the catalogue.
    void FormCreate();

    void btnopenClick();
    // Files dropped on the window become the selection as the chosen files of Open do: `paths`
    // are full paths of one folder; none leaves the selection as it is.
    void dropFiles(std::vector<std::string> paths);
    RunOutcome btnencClick();
    RunOutcome btndecClick();
    void btncancelClick();
    void edtEnpassChange();

    // The window is asked to close. During a run the run ends after the file in hand, as with
    // Cancel but without the cancel message; the window closes once the handler has returned.
    void requestClose();
    bool closeRequested() const { return closeRequested_; }

    // True while a run steps through its files.
    bool running() const { return running_; }
    // True once ten wrong passwords in a row have disabled Decrypt for the life of the process.
    bool decryptLocked() const { return decryptLocked_; }

    // How encryption ended.
    enum class Encrypted {
        Done,
        TooLarge,    // the source went on beyond the size limit as it was read
        WaitGivenUp, // Cancel ended the wait for the scratch file
    };

    // The steps the runs are made of, exposed for tests.
    void getencsn();
    void decryption1(const std::string& path);
    // `nextPath`, when not empty, is the file that the run will probably encrypt next.
    Encrypted encryption(const std::string& sourcePath, const std::string& nextPath);
    // Restores one container into the output folder. Unless `askedAboutMarker`, a file whose text
    // ends in no level marker where the reader stops (cut short, or no container at all) is
    // restored only when the user answers Yes to the question the probe asks for the first file;
    // false when the answer is No. `nextPath`, when not empty, is the file the run reads next.
    bool decryption(const std::string& containerPath, bool askedAboutMarker,
                    const std::string& nextPath);

private:
    class RunGuard;

    RunOutcome encryptRun();
    RunOutcome decryptRun();
    // Runs a command; a file error ends it with the error's text in a message box.
    template <typename Run> RunOutcome reportingFileErrors(Run&& run);
    // The files of a dialog or a drop become the selection, unless there are none.
    void takeSelection(std::vector<std::string> chosen);
    // Sets stripSuffix from the suffix choice; any other index leaves it as it was.
    void readStripSuffix();
    // The end of a run stopped by Cancel or a close request, between two files.
    bool stopAfterCancel();
    void showProgress(int done);
    // The summary of an encrypt run in which `skipped` of the selected files were too large.
    std::string skippedSummary(int skipped) const;

    SharedState& state_;
    Platform& platform_;
    FileSystem& files_;
    ContainerBuilder builder_; // kept from file to file, with its buffers
    ContainerReader reader_;
    FileIdentities selection_; // the files of the run in hand
    bool running_ = false;
    bool closeRequested_ = false;
    bool decryptLocked_ = false;
};

} // namespace tarvex
