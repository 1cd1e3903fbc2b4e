#pragma once

// What a run tells its front end while it goes, and what it asks. The run says what happened with
// values; the window and the console word them, each in its own way and the user's language.

#include "protected/Secret.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

namespace tarvex {

// Where a run stands.
struct RunProgress {
    enum class Stage {
        Started,     // the run has passed its checks and begins its files
        DerivingKey, // a key is being derived, which takes a second or more
        KeyDerived,  // the key is there, or its wait was given up
        File,        // `done` of the run's `count` files are handled, the last of them `path`
    };
    Stage stage = Stage::File;
    int done = 0;
    int count = 0;
    std::string_view path{};
    // The folders of `path` below the folder chosen as its tree ("2024/summer/"); empty for a
    // file chosen alone.
    std::string_view folder{};
};

// A question that the run waits for; Yes goes on as it says, No does not.
struct RunQuestion {
    enum class Kind {
        // The first file of a decrypt run ends in no marker: restore the run's files anyway?
        FirstFileNoContainer,
        // `path` may be no container (no marker, or a byte that no container holds): restore it?
        FileNoContainer,
        // `path`, in a run of containers that authenticate, is of a class that does not: anyone
        // could have made it. Restore it?
        Unauthenticated,
        // An encrypt run would replace `path`, a container that encrypts, with one that does not.
        ReplaceProtected,
        // A container asks for a key that costs far more than the program's own: about `seconds`
        // to derive. Derive it?
        CostlyKey,
        // The run has derived `count` keys already, for containers of as many runs. Go on?
        ManyKeys,
        // The passphrase of a class that enciphers would be found within a year, in about
        // `seconds`. Use it anyway? No unless the user says so.
        WeakPassphrase,
        // The output folder `path` holds Protected containers, none of which the passphrase
        // opens: encrypt beside them with this one anyway? No unless the user says so.
        OtherPassphrase,
    };
    Kind kind;
    std::string_view path{};
    double seconds = 0;
    int count = 0;
};

// Why a run leaves a file out and goes on.
enum class LeftOutReason {
    TooLarge,         // at or over the size limit of its class
    NotRegular,       // a pipe, a device, a socket: never read
    Unreadable,       // it cannot be read; the error says why
    NotOpened,        // it does not open with this password, or it is damaged
    Damaged,          // it is no container of its class
    NotContainer,     // it may be no container, and the user said to leave it
    NothingRestored,  // it holds nothing to restore
    BeyondContainers, // it is larger than any container of its class can be
    Changed,          // it kept changing while it was read
    NoMemoryForKey,   // its key needs more memory than there is
    Unauthenticated,  // it does not authenticate in a run of containers that do, and the user
                      // said to leave it
    ProtectedKept,    // its output would have replaced a container that encrypts, and the user
                      // said to keep that
    KeyDeclined,      // its key would cost more than the user agreed to spend
    Replaced,         // it is no longer the file that its folder held when the run began
    NameTooLong,      // its output's name would be longer than a name can be
    FolderTaken,      // a file stands where a folder of its output must be
    // Of an original kept in place:
    NotVerified, // its container, read back from the disk, did not restore it exactly
    NotTrashed,  // it could not be moved to the Trash; the error says why
    // Of a folder chosen as a tree:
    Link,             // a symbolic link, never followed
    Hidden,           // a file or folder whose name begins with "."
    OwnFolder,        // an output folder of the program's, of an earlier run
    FolderUnreadable, // a folder that cannot be read; the error says why
    SystemFolder,     // the whole system's folder, or the kernel's /proc, /sys or /dev
};

// A file that a run leaves out, and why.
struct LeftOutFile {
    std::string_view path{};
    LeftOutReason reason;
    std::error_code error{}; // for Unreadable and FolderUnreadable
};

// What a run says without waiting for an answer.
enum class RunNotice {
    WaitingForScratch, // another copy of the program writes its scratch file; Cancel ends the wait
    WaitOver,          // ends the notice above
    NoMemoryForKey,    // a key needs more memory than there is
};

// The front end of a run. Every call comes on the run's thread, in the order of the run.
class RunReport {
public:
    virtual ~RunReport() = default;

    virtual void progress(const RunProgress& progress) = 0;
    virtual bool ask(const RunQuestion& question) = 0;
    virtual void leftOut(const LeftOutFile& file) = 0;
    virtual void notice(RunNotice notice) = 0;
    // Asked by an encrypt run of a class that enciphers, before it derives its key: the passphrase
    // typed again, where the user sees `seconds`, the estimate of how long an attacker needs to
    // find it (see PassphraseStrength.h). Nothing when the user cancels. A front end that cannot
    // ask again (a passphrase read from a pipe) shows the estimate and gives the one typed back.
    virtual std::optional<Secret> passwordAgain(double seconds) = 0;
    // Whether the user asked the run to stop: the window's Cancel, the console's Ctrl-C. Asked
    // between files and inside them.
    virtual bool stopRequested() = 0;
};

} // namespace tarvex
