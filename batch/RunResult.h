#pragma once

#include "batch/RunReport.h"
#include "files/FileError.h"
#include "passwords/PasswordRules.h"
#include "passwords/TryLimit.h"

#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace tarvex {

// How a run ended.
enum class RunEnd {
    Completed,        // it went through every file; some may have been left out
    Stopped,          // the user stopped it, between files or inside one
    PasswordRejected, // the password breaks the rule of its class: `passwordVerdict` says how
    WrongPassword,    // the first file does not open with the password
    FirstDamaged,     // the first file is no container of its class: no password can be checked
    Declined,         // the first file may be no container, and the user said not to go on
    NoKey,            // the run's key could not be derived (not enough memory); it has said so
    FileFailed,       // a file step failed: `fileError` says which and why
    // Of a class that enciphers, before the key is derived:
    PasswordsDiffer,     // the passphrase typed again is another one
    PasswordNotRepeated, // the user cancelled when asked for it again
    WeakDeclined,        // it would be found within a year, and the user said not to use it
};

// A file that the run left out, and why; see LeftOutFile.
struct LeftOutRecord {
    std::string path;
    LeftOutReason reason;
    std::error_code error;
};

// What a run did, for its front end to show.
struct RunResult {
    RunEnd end = RunEnd::Completed;
    PasswordVerdict passwordVerdict;
    // The class whose rule the password was checked by.
    ContainerClass passwordRule = ContainerClass::Standard;
    std::optional<FileError> fileError;
    // Whether the run got past its checks and began its files.
    bool started = false;
    int count = 0;   // files of the run, once it began
    int handled = 0; // files gone through, those left out included
    int done = 0;    // containers written, or files restored
    // Of an encrypt run whose output folders held containers of its passphrase that record their
    // sources (a library it adds to): the sources whose containers were there, unchanged, which
    // are not in `done`, and those of `done` whose containers it replaced, as they had changed.
    bool intoLibrary = false;
    int unchanged = 0;
    int changed = 0;
    // Of an encrypt run that removes originals: how many went to the Trash, and those kept in
    // place, with why.
    int trashed = 0;
    std::vector<LeftOutRecord> keptOriginals;
    std::vector<LeftOutRecord> leftOut;
    // What the walk of the folders chosen as trees left out: links, hidden and special files,
    // output folders of earlier runs, folders that cannot be read.
    std::vector<LeftOutRecord> notTaken;
    // Of a decrypt run: the files restored under another name than their own, as another file
    // of the run had taken theirs, with the name each took.
    std::vector<std::pair<std::string, std::string>> renamed;
    // Of an encrypt run: the containers that encrypt which it replaced with ones that do not.
    std::vector<std::string> replaced;
    // Where the outputs went.
    std::string outputFolder;
    // The file whose password check ended the run before it began, when one did.
    std::string firstFile;
};

} // namespace tarvex
