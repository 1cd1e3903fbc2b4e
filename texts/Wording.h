#pragma once

// The sentences of what the runs report, in the user's language: one wording for the window and
// the console alike.

#include "batch/RunReport.h"
#include "batch/RunResult.h"
#include "texts/Catalogue.h"

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tarvex {

// A name of a file or folder, or a path, as a message shows it: the name only, never the text
// around it. A name can hold any bytes, and those that would act on a terminal (clear it, move the
// cursor, start a line that looks like one of the program's) are shown escaped: line feed,
// carriage return and tab as "\n", "\r" and "\t", every other control character (C0, DEL and
// C1) and every byte that is not part of valid UTF-8 as "\xHH" for each of its bytes ("\x1b",
// "\xc2\x9b"). Printable characters, Chinese among them, stay as they are, and so does a
// backslash: the shown form is there to keep the name from acting, not to give its bytes back, and
// a name with a backslash in it (common among names that come from Windows) stays readable.
std::string shownName(std::string_view name);

// Cannot open file "/a/b.jpg". No such file or directory
std::string worded(const FileError& error, const LanguageTable& texts);
// The reason of a file step that failed: the system's own text, or the program's for its own.
std::string wordedReason(std::error_code reason, const LanguageTable& texts);
// The messages that reject a password by the rule of `level`, in order: one, or two for an
// illegal character of the designed classes.
std::vector<std::string> wordedRejection(ContainerClass level, const PasswordVerdict& verdict,
                                         const LanguageTable& texts);
// How long `seconds` are, in the unit that suits them: "3 days", "less than a second".
std::string wordedDuration(double seconds, const LanguageTable& texts);
// The estimate of how long an attacker needs to find a passphrase of `seconds` (see
// PassphraseStrength.h).
std::string wordedStrength(double seconds, const LanguageTable& texts);
std::string worded(const RunQuestion& question, const LanguageTable& texts);
std::string worded(RunNotice notice, const LanguageTable& texts);
// Why a file was left out, as a run's end lists it.
std::string worded(LeftOutReason reason, std::error_code error, const LanguageTable& texts);

// What the end of a run says: its messages in order, then the question whether to open the
// output folder (empty when there is none to ask). With `namedAlready`, the front end named
// each file left out as the run went, and the end does not list them again. A front end adds
// what is its own (the window's lock of Decrypt, a close that ends a run without a word).
struct RunEndWords {
    std::vector<std::string> messages{};
    std::string openFolder{};
};
enum class RunCommand { Encrypt, Decrypt };
RunEndWords endWords(const RunResult& result, RunCommand command, bool namedAlready,
                     const LanguageTable& texts);

} // namespace tarvex
