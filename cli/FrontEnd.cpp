#include "cli/FrontEnd.h"

#include "batch/Batch.h"
#include "batch/FileChoice.h"
#include "batch/Paths.h"
#include "batch/ProcessSetup.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsoleReport.h"
#include "cli/FileManager.h"
#include "cli/PasswordPrompt.h"
#include "pictures/Thumbnail.h"
#include "texts/Catalogue.h"
#include "texts/Wording.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace tarvex {
namespace {

int usageError(const LanguageTable& texts, std::string_view why) {
    std::cerr << "tarvex-cli: " << why << "\n" << texts.tryHelp << "\n";
    return exitUsageError;
}

// Writes `text` on standard output: the whole of what --help and --version are asked for.
int printed(const std::string& text) {
    std::cout << text << std::flush;
    return std::cout ? exitCompleted : exitFileError;
}

// Whether `reason` is that the file or folder could not be read: a reason of its own for the exit
// status.
bool unreadable(LeftOutReason reason, RunCommand command) {
    switch (reason) {
    case LeftOutReason::Unreadable:
    case LeftOutReason::NotRegular:
    case LeftOutReason::Link:
    case LeftOutReason::Replaced:
    case LeftOutReason::FolderUnreadable:
        return true;
    case LeftOutReason::Changed:
        return command == RunCommand::Encrypt;
    default:
        return false;
    }
}

// The exit status of a run that ended as `result` says. What the walk of a tree leaves out by its
// rules (links, hidden entries, output folders) is no file of the run; a folder it could not read
// or would not walk is.
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
    for (const LeftOutRecord& entry : result.notTaken) {
        if (entry.reason == LeftOutReason::SystemFolder) {
            return exitEndedEarly;
        }
        couldNotRead = couldNotRead || entry.reason == LeftOutReason::FolderUnreadable;
    }
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
    // An original that was to go and did not: the user must look at it.
    if (!result.keptOriginals.empty()) {
        return exitEndedEarly;
    }
    return result.done + result.unchanged > 0 || result.leftOut.empty() ? exitCompleted
                                                                        : exitEndedEarly;
}

// Reads the password from the first line of standard input, or at the terminal without echo
// with `prompt`. Nothing when none was read, which ends the program early.
std::optional<Secret> readPassword(const LanguageTable& texts, bool fromStdin,
                                   std::string_view prompt) {
    Secret password = Secret::withCapacity(0);
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
    // With --recursive a folder stands for everything under it.
    if (line.recursive) {
        line.trees = std::exchange(choice.leftOut, {});
    }
    for (const std::string& folder : choice.leftOut) {
        std::cerr << "tarvex-cli: " << filledIn(texts.leavingOutFolder, {shownName(folder)})
                  << "\n";
    }
    if (choice.files.empty() && line.trees.empty()) {
        return usageError(texts, texts.onlyFolders);
    }
    if (!choice.otherFolder.empty()) {
        return usageError(
            texts, filledIn(texts.notInOneFolder, {shownName(choice.otherFolder),
                                                   shownName(folderPart(choice.files.front()))}));
    }
    if (!line.passwordFromStdin && ::isatty(STDIN_FILENO) != 1) {
        return usageError(texts, texts.noTerminal);
    }
    line.files = std::move(choice.files);
    return std::nullopt;
}

// How the passphrase is typed again, when a run asks: at the terminal, or not at all when it came
// from standard input, which holds no second line for it.
ConsoleReport::PasswordAgain passwordAgain(const CommandLine& line, const LanguageTable& texts,
                                           const Secret& password) {
    if (line.passwordFromStdin) {
        return [&password] { return std::optional<Secret>(Secret::copyOf(password.view())); };
    }
    return
        [&texts] { return readPassword(texts, false, std::string(texts.msgPasswordAgain) + " "); };
}

// Asks whether to open the output folder, as `question` says, where a file manager can show it,
// and opens it on Yes. Elsewhere the question is only said, and nothing opens.
void offerFolder(const std::string& question, const std::string& folder, ConsoleReport& report) {
    if (!fileManagerAvailable()) {
        report.say(question);
    } else if (report.confirm(question)) {
        openInFileManager(folder);
    }
}

RunResult runOf(const CommandLine& line, const LanguageTable& texts, std::string_view password,
                ConsoleReport& report) {
    keepLargeBuffersBetweenFiles();
    Batch batch;
    if (line.command == Command::Encrypt) {
        return batch.encrypt({.files = line.files,
                              .trees = line.trees,
                              .ownFolderNames = outputFolderNames(),
                              .password = password,
                              .containerClass = line.containerClass,
                              .appendSuffix = line.appendSuffix,
                              .hideNames = line.hideNames,
                              .outputFolderName = std::string(texts.encFolderName),
                              .into = line.into,
                              .thumbnail = pictures::makeThumbnail,
                              .removeOriginals = line.removeOriginals},
                             report);
    }
    return batch.decrypt({.files = line.files,
                          .trees = line.trees,
                          .ownFolderNames = outputFolderNames(),
                          .password = password,
                          .stripSuffix = line.stripSuffix,
                          .outputFolderName = std::string(texts.decFolderName),
                          .into = line.into},
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
    const std::optional<Secret> password =
        readPassword(texts, line.passwordFromStdin, texts.passwordPrompt);
    if (!password) {
        return exitEndedEarly;
    }
    const RunCommand command =
        line.command == Command::Encrypt ? RunCommand::Encrypt : RunCommand::Decrypt;
    ConsoleReport report(texts, line.answer, passwordAgain(line, texts, *password));
    const RunResult result = runOf(line, texts, password->view(), report);
    const RunEndWords words = endWords(result, command, true, texts);
    for (const std::string& message : words.messages) {
        report.say(message);
    }
    if (!words.openFolder.empty()) {
        offerFolder(words.openFolder, result.outputFolder, report);
    }
    return exitStatusOf(result, command);
}

} // namespace tarvex
