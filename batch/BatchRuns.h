#pragma once

#include "batch/RunKeys.h"
#include "batch/SharedState.h"
#include "container/ContainerReader.h"
#include "container/ContainerWriter.h"
#include "container/ProtectedReader.h"
#include "container/ProtectedWriter.h"
#include "files/FileSystem.h"
#include "platform/Platform.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// How a command ended, for front ends that report it (the console's exit status).
enum class RunOutcome {
    Completed,   // the run went through every file; sources too large were passed over
    NothingDone, // the encrypt run went through every file, but each was too large or unreadable
    EndedEarly,  // nothing selected, password rejected or wrong, question declined, cancelled
    FileError,   // a file step failed; its text has been shown
    NotOpened,   // the decrypt run went through every file, but left some out
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

    // True while a run steps through its files, or derives the key it needs first.
    bool running() const { return running_; }
    // True once ten wrong passwords in a row have disabled Decrypt for the life of the process.
    bool decryptLocked() const { return decryptLocked_; }

    // The cost of the key of the Protected containers that encrypt runs write. Tests lower it;
    // a reader honours the cost that a container names.
    void setProtectedCost(ProtectedCost cost) { protectedCost_ = cost; }

    // How the encryption of one file ended.
    enum class Encrypted {
        Done,
        TooLarge, // the source went on beyond the size limit of its class as it was read
        Stopped,  // Cancel ended a wait (for the scratch file, for the key), or a stop came
    };
    // How the restoring of one container ended.
    enum class Restored {
        Done,
        LeftOut, // nothing was written for it, and the end of the run says why
        Stopped, // Cancel ended the wait for a key, or a stop came inside the file
    };

    // The steps the runs are made of, exposed for tests.
    void getencsn();
    void decryption1(const std::string& path);
    // `nextPath`, when not empty, is the file that the run will probably encrypt next.
    Encrypted encryption(const std::string& sourcePath, const std::string& nextPath);
    // Restores one container into the output folder. Unless `askedAboutMarker`, a file that may
    // be no container (its text ends in no level marker where the reader stops, or it holds a
    // byte that no container holds) is restored only when the user answers Yes to the question
    // the probe asks for the first file. `nextPath`, when not empty, is the file the run reads
    // next.
    Restored decryption(const std::string& containerPath, bool askedAboutMarker,
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
    // The end of a run stopped by Cancel, a stop or a close request, between two files.
    bool stopAfterCancel();
    void showProgress(int done);
    // The summary of an encrypt run in which `skipped` of the selected files were too large.
    std::string skippedSummary(int skipped) const;

    // Encrypting in a class that only the password opens: asks for the password once more and
    // derives the run's key. False when the run is not to go on; it has said why.
    bool prepareRunKey();
    // The key of the typed password for a container of `parameters`, derived while the progress
    // row shows work going on and Cancel is live. Null when Cancel ended the wait, or memory
    // ran out (which has been said).
    const ProtectedKey* keyFor(const ProtectedParameters& parameters);
    // The High level body of the source in hand, as encoded, into the scratch file. False when
    // Cancel ended the wait for another copy of the program.
    bool writeScratch();

    // Restores a container of the Protected class into `outputPath`.
    // `end` is its end, read first.
    Restored restoreProtected(const std::string& containerPath, const std::string& outputPath,
                              FileEnd end, const std::string& nextPath);
    // Restores a container of a designed class into `outputPath`, going by `end`, its end as the
    // reader expects it; see decryption.
    Restored restoreDesigned(const std::string& containerPath, const std::string& outputPath,
                             FileEnd end, bool askedAboutMarker, const std::string& nextPath);
    // Asks whether to restore `containerPath`, which may be no container.
    bool restoreAnyway(const std::string& containerPath);
    // Where the restored bytes of `containerPath` go: `wanted`, unless another container of the
    // run went there; then the first numbered name that none did ("abc (2).JPG").
    std::string outputFor(const std::string& containerPath, const std::string& wanted);
    // Notes that the bytes of `containerPath` are in `outputPath` now; a name other than its own
    // is for the run's end to say.
    Restored written(const std::string& containerPath, const std::string& outputPath);
    // Leaves `path` out of the run, for the run's end to say why.
    Restored leaveOut(const std::string& path, std::string_view reason);
    // What the end of a decrypt run says of the files it left out or renamed; empty when nothing.
    std::string decryptNotes() const;

    SharedState& state_;
    Platform& platform_;
    FileSystem& files_;
    ContainerBuilder builder_; // kept from file to file, with its buffers
    ContainerReader reader_;
    ProtectedBuilder protectedBuilder_;
    ProtectedReader protectedReader_;
    FileIdentities selection_; // the files of the run in hand
    bool running_ = false;
    bool closeRequested_ = false;
    bool decryptLocked_ = false;

    ProtectedCost protectedCost_ = protectedWriteCost;
    RunKeys keys_; // the keys of the run in hand
    // The key and the parameters of the Protected containers of the encrypt run in hand.
    const ProtectedKey* runKey_ = nullptr;
    ProtectedParameters runParameters_{};
    // The High level body of the source in hand, which reaches the scratch file only once the
    // source is complete: nothing of a source left out is ever written there.
    std::string scratchText_;

    // Of the decrypt run in hand: the container that each output came from, the files left out
    // with why, and the outputs written under another name than their own.
    std::map<std::string, std::string> outputs_;
    std::vector<std::pair<std::string, std::string>> leftOut_;
    std::vector<std::pair<std::string, std::string>> renamed_;
};

} // namespace tarvex
