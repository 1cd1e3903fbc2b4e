#include "cli/FrontEnd.h"

#include "batch/Batch.h"
#include "batch/FileChoice.h"
#include "batch/ProcessSetup.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsoleReport.h"
#include "cli/PasswordPrompt.h"
#include "files/PathParts.h"
#include "ui/catalogue/Catalogue.h"
#include "ui/catalogue/Wording.h"

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

int usageError(const LanguageTable& texts, std::string_view why) {
    std::cerr << "tarvex-cli: " << why << "\n" << texts.tryHelp << "\n";
    return exitUsageError;
}

// Writes `text` on standard output: the whole of what --help and --version are asked for.
int printed(const std::string& text) {
    std::cout << text << std::flush;
    return std::cout ? exitCompleted : exitFileError;
}

// Whether `reason` is that the file could not be read: a reason of its own for the exit status.
bool unreadable(LeftOutReason reason, RunCommand command) {
    return reason == LeftOutReason::Unreadable || reason == LeftOutReason::NotRegular ||
           (command == RunCommand::Encrypt && reason == LeftOutReason::Changed);
}

// The exit status of a run that ended as `result` says.
int exitStatusOf(const RunResult& result, RunCommand command) {
    switch (result.end) {
    case RunEnd::Completed:
        break;
    case RunEnd::FileFailed:
        return exitFileError;
    default:
        return exitEndedEarly;
    }
    bool couldNotRead = false;
    for (const LeftOutRecord& file : result.leftOut) {
        if (unreadable(file.reason, command)) {
            couldNotRead = true;
        } else if (command == RunCommand::Decrypt || file.reason != LeftOutReason::TooLarge) {
            return exitEndedEarly;
        }
    }
    if (couldNotRead) {
        return exitUnreadable;
    }
    return result.done > 0 || result.leftOut.empty() ? exitCompleted : exitEndedEarly;
}

// Reads the password from the first line of standard input, or at the terminal without echo
// with `prompt`. Nothing, and the exit status, when none was read.
std::optional<std::string> readPassword(const LanguageTable& texts, bool fromStdin,
                                        std::string_view prompt, int& status) {
    std::string password;
    switch (fromStdin ? readInputLine(password) : promptPassword(prompt, password)) {
    case InputLine::Read:
        return password;
    case InputLine::Interrupted:
        break;
    case InputLine::NoInput:
        if (fromStdin || prompt == texts.passwordPrompt) {
            std::cerr << "tarvex-cli: " << texts.noPassword << "\n";
        }
        break;
    case InputLine::TooLong:
        std::cerr << "tarvex-cli: "
                  << filledIn(texts.passwordLineTooLong, {std::to_string(inputLineLimit)}) << "\n";
        break;
    }
    status = exitEndedEarly;
    return std::nullopt;
}

// The command line `arguments`, or the exit status when the program has nothing more to do:
// after --help, --version or a usage error.
std::optional<int> parsedInto(std::span<const std::string> arguments, CommandLine& line) {
    try {
        std::error_code noFolder;
        const std::string workingFolder = std::filesystem::current_path(noFolder).string();
        line = parseCommandLine(arguments, workingFolder);
    } catch (const UsageError& error) {
        return usageError(languageTable(error.english()), error.what());
    }
    if (line.command == Command::Help) {
        return printed(usageText(line.english));
    }
    if (line.command == Command::Version) {
        return printed("tarvex-cli " + std::string(programVersion()) + "\n");
    }
    return std::nullopt;
}

// The FILEs are chosen by the window's rules. A shell's "*" takes in the output folders of
// earlier runs: they are left out, and said so. A FILE that is not there is left to the run,
// which counts it. Gives the exit status of a choice that cannot be run.
std::optional<int> chosenInto(CommandLine& line, const LanguageTable& texts) {
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
    if (!line.passwordFromStdin && ::isatty(STDIN_FILENO) != 1) {
        return usageError(texts, texts.noTerminal);
    }
    line.files = std::move(choice.files);
    return std::nullopt;
}

// Whether the password may go to an encrypt run: a password that only a class that enciphers
// opens is typed twice at the terminal, since a typing error would lock the user out of their
// own pictures. Sets the exit status when it may not.
bool typedTwice(const CommandLine& line, const LanguageTable& texts, const std::string& password,
                ConsoleReport& report, int& status) {
    if (checkPassword(password).problem != PasswordProblem::None ||
        !classRow(line.containerClass).enciphered || line.passwordFromStdin) {
        return true;
    }
    const std::optional<std::string> again =
        readPassword(texts, false, std::string(texts.msgPasswordAgain) + " ", status);
    if (again && *again != password) {
        report.say(texts.msgPasswordsDiffer);
        status = exitEndedEarly;
    }
    return again && *again == password;
}

RunResult runOf(const CommandLine& line, const LanguageTable& texts, const std::string& password,
                ConsoleReport& report) {
    keepLargeBuffersBetweenFiles();
    Batch batch(localFileSystem());
    if (line.command == Command::Encrypt) {
        return batch.encrypt({.files = line.files,
                              .password = password,
                              .containerClass = line.containerClass,
                              .appendSuffix = line.appendSuffix,
                              .outputFolderName = std::string(texts.encFolderName)},
                             report);
    }
    return batch.decrypt({.files = line.files,
                          .password = password,
                          .stripSuffix = line.stripSuffix,
                          .outputFolderName = std::string(texts.decFolderName)},
                         report);
}

} // namespace

int runFrontEnd(std::span<const std::string> arguments) {
    // A reader of the output that has gone away makes a write fail, not the program end. What
    // the run writes there is only information; the run itself goes on.
    std::signal(SIGPIPE, SIG_IGN);
    CommandLine line;
    if (const std::optional<int> status = parsedInto(arguments, line)) {
        return *status;
    }
    const LanguageTable& texts = languageTable(line.english);
    if (const std::optional<int> status = chosenInto(line, texts)) {
        return *status;
    }
    InterruptCatcher interrupts;
    int status = exitCompleted;
    const std::optional<std::string> password =
        readPassword(texts, line.passwordFromStdin, texts.passwordPrompt, status);
    if (!password) {
        return status;
    }
    if (characterCount(*password) > passwordEntryLimit) {
        std::cerr << filledIn(texts.passwordTooLong, {std::to_string(passwordEntryLimit)}) << "\n";
        return exitEndedEarly;
    }
    const RunCommand command =
        line.command == Command::Encrypt ? RunCommand::Encrypt : RunCommand::Decrypt;
    ConsoleReport report(texts, line.answer);
    if (command == RunCommand::Encrypt && !typedTwice(line, texts, *password, report, status)) {
        return status;
    }
    const RunResult result = runOf(line, texts, *password, report);
    const RunEndWords words =
        endWords(result, command, static_cast<int>(line.files.size()), true, texts);
    for (const std::string& message : words.messages) {
        report.say(message);
    }
    // The console opens no folder: the question is asked only for the answer to show.
    if (!words.openFolder.empty()) {
        report.confirm(words.openFolder);
    }
    return exitStatusOf(result, command);
}

} // namespace tarvex
