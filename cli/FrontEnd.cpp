#include "cli/FrontEnd.h"

#include "batch/BatchRuns.h"
#include "batch/BufferReuse.h"
#include "batch/FileChoice.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsolePlatform.h"
#include "cli/PasswordPrompt.h"
#include "files/PathParts.h"
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

int usageError(const ConsoleTexts& texts, std::string_view why) {
    std::cerr << "tarvex-cli: " << why << "\n" << texts.tryHelp << "\n";
    return exitUsageError;
}

// Writes `text` on standard output: the whole of what --help and --version are asked for.
int printed(const std::string& text) {
    std::cout << text << std::flush;
    return std::cout ? exitCompleted : exitFileError;
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
        return usageError(languageTable(error.english()).console, error.what());
    }
    const LanguageTable& language = languageTable(line.english);
    const ConsoleTexts& texts = language.console;
    if (line.command == Command::Help) {
        return printed(usageText(line.english));
    }
    if (line.command == Command::Version) {
        return printed("tarvex-cli " + std::string(programVersion()) + "\n");
    }
    // The FILEs are chosen by the window's rules. A shell's "*" takes in the output folders of
    // earlier runs: they are left out, and said so. A FILE that is not there is left to the run,
    // which counts it.
    FileChoice choice = chooseFiles(line.files);
    for (const std::string& folder : choice.leftOut) {
        std::cerr << "tarvex-cli: " << filledIn(texts.leavingOutFolder, {folder}) << "\n";
    }
    if (choice.files.empty()) {
        return usageError(texts, texts.onlyFolders);
    }
    if (!choice.otherFolder.empty()) {
        return usageError(texts, filledIn(texts.notInOneFolder,
                                          {choice.otherFolder, folderPart(choice.files.front())}));
    }
    line.files = std::move(choice.files);
    if (!line.passwordFromStdin && ::isatty(STDIN_FILENO) != 1) {
        return usageError(texts, texts.noTerminal);
    }

    InterruptCatcher interrupts;
    std::string password;
    switch (line.passwordFromStdin ? readInputLine(password)
                                   : promptPassword(texts.passwordPrompt, password)) {
    case InputLine::Read:
        break;
    case InputLine::Interrupted:
        return exitEndedEarly;
    case InputLine::NoInput:
        std::cerr << "tarvex-cli: " << texts.noPassword << "\n";
        return exitEndedEarly;
    case InputLine::TooLong:
        std::cerr << "tarvex-cli: "
                  << filledIn(texts.passwordLineTooLong, {std::to_string(inputLineLimit)}) << "\n";
        return exitEndedEarly;
    }
    if (characterCount(password) > passwordEntryLimit) {
        std::cerr << filledIn(texts.passwordTooLong, {std::to_string(passwordEntryLimit)}) << "\n";
        return exitEndedEarly;
    }

    const bool encrypt = line.command == Command::Encrypt;
    ConsolePlatform platform(
        ConsoleSettings{
            .files = line.files,
            .password = password,
            .passwordFromStdin = line.passwordFromStdin,
            .suffixChoice = (encrypt ? line.appendSuffix : line.stripSuffix) ? 1 : 0,
            .classChoice = line.containerClass,
            .answer = line.answer,
        },
        texts);
    keepLargeBuffersBetweenFiles();
    SharedState state;
    BatchRuns runs(state, platform, localFileSystem());
    runs.FormCreate();
    state.englishUi = line.english;
    state.catalogue = language.run;
    platform.onInterrupt([&runs] { runs.btncancelClick(); });

    runs.btnopenClick();
    return exitStatusOf(encrypt ? runs.btnencClick() : runs.btndecClick());
}

} // namespace tarvex
