#include "cli/FrontEnd.h"

#include "batch/BatchRuns.h"
#include "batch/BufferReuse.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsolePlatform.h"
#include "cli/PasswordPrompt.h"
#include "ui/catalogue/Catalogue.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace tarvex {
namespace {

// The password entry of the window takes at most this many characters.
constexpr std::size_t passwordEntryLimit = 10;

// The characters of the UTF-8 text `text`: its bytes that do not continue a sequence.
std::size_t characterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

int usageError(const std::string& why) {
    std::cerr << "tarvex-cli: " << why << "\nTry 'tarvex-cli --help'.\n";
    return exitUsageError;
}

int exitStatusOf(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Completed:
        return exitCompleted;
    case RunOutcome::EndedEarly:
    case RunOutcome::NothingDone:
    case RunOutcome::NotOpened:
        return exitEndedEarly;
    case RunOutcome::Unreadable:
        return exitUnreadable;
    case RunOutcome::FileError:
        return exitFileError;
    }
    return exitFileError;
}

} // namespace

int runFrontEnd(std::span<const std::string> arguments) {
    // A reader of the output that has gone away makes a write fail, not the program end. What
    // the run writes there is only information; the run itself goes on.
    std::signal(SIGPIPE, SIG_IGN);
    CommandLine line;
    try {
        std::error_code noFolder;
        const std::string workingFolder = std::filesystem::current_path(noFolder).string();
        line = parseCommandLine(arguments, workingFolder);
    } catch (const UsageError& error) {
        return usageError(error.what());
    }
    if (line.help) {
        std::cout << usageText() << std::flush;
        return std::cout ? exitCompleted : exitFileError;
    }
    // A shell's "*" takes in the output folders of earlier runs. A folder is no file to choose,
    // as in the window's dialog: it is left out, and said so.
    std::erase_if(line.files, [](const std::string& file) {
        std::error_code notThere;
        if (!std::filesystem::is_directory(file, notThere)) {
            return false;
        }
        std::cerr << "tarvex-cli: leaving out the folder \"" << file << "\"\n";
        return true;
    });
    if (line.files.empty()) {
        return usageError("no FILE given, only folders");
    }
    if (!line.passwordFromStdin && ::isatty(STDIN_FILENO) != 1) {
        return usageError("no terminal to ask for the password; use --password-stdin");
    }

    InterruptCatcher interrupts;
    std::string password;
    switch (line.passwordFromStdin ? readInputLine(password) : promptPassword(password)) {
    case InputLine::Read:
        break;
    case InputLine::Interrupted:
        return exitEndedEarly;
    case InputLine::NoInput:
        std::cerr << "tarvex-cli: no password was given\n";
        return exitEndedEarly;
    case InputLine::TooLong:
        std::cerr << "tarvex-cli: the password line is longer than " << inputLineLimit
                  << " bytes\n";
        return exitEndedEarly;
    }
    if (characterCount(password) > passwordEntryLimit) {
        std::cerr << "The password has more than " << passwordEntryLimit << " characters.\n";
        return exitEndedEarly;
    }

    const bool encrypt = line.command == Command::Encrypt;
    ConsolePlatform platform(ConsoleSettings{
        .files = line.files,
        .password = password,
        .suffixChoice = (encrypt ? line.appendSuffix : line.stripSuffix) ? 1 : 0,
        .classChoice = line.highLevel ? ContainerClass::HighLevel : ContainerClass::Standard,
        .assumeYes = line.assumeYes,
    });
    keepLargeBuffersBetweenFiles();
    SharedState state;
    BatchRuns runs(state, platform, localFileSystem());
    runs.FormCreate();
    state.englishUi = line.english;
    state.catalogue = languageTable(state.englishUi).run;
    platform.onInterrupt([&runs] { runs.btncancelClick(); });

    runs.btnopenClick();
    return exitStatusOf(encrypt ? runs.btnencClick() : runs.btndecClick());
}

} // namespace tarvex
