#include "cli/CommandLine.h"

#include "files/PathParts.h"

#include <filesystem>

namespace tarvex {
namespace {

// `file` from `workingFolder`, with "." parts and repeated "/" taken out. ".." parts stay: where
// one leads depends on the links before it, which only the system resolves.
std::string fullPath(const std::string& file, const std::string& workingFolder) {
    if (file.empty()) {
        throw UsageError("an empty file name was given");
    }
    std::filesystem::path path(file);
    if (const std::filesystem::path name = path.filename();
        name.empty() || name == "." || name == "..") {
        throw UsageError("\"" + file + "\" does not name a file");
    }
    if (path.is_relative()) {
        if (workingFolder.empty()) {
            throw UsageError("the working folder is unknown; give \"" + file + "\" as a full path");
        }
        path = std::filesystem::path(workingFolder) / path;
    }
    std::filesystem::path tidy;
    for (const std::filesystem::path& part : path) {
        if (!part.empty() && part != ".") {
            tidy /= part;
        }
    }
    return tidy.string();
}

bool languageIsEnglish(const std::string& value) {
    if (value == "en") {
        return true;
    }
    if (value == "zh") {
        return false;
    }
    throw UsageError("--lang takes en or zh, not \"" + value + "\"");
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string> arguments,
                             const std::string& workingFolder) {
    CommandLine line;
    if (arguments.empty()) {
        throw UsageError("no command given");
    }
    if (arguments[0] == "--help") {
        line.help = true;
        return line;
    }
    if (arguments[0] == "encrypt") {
        line.command = Command::Encrypt;
    } else if (arguments[0] == "decrypt") {
        line.command = Command::Decrypt;
    } else {
        throw UsageError("unknown command \"" + arguments[0] + "\"");
    }
    const bool encrypt = line.command == Command::Encrypt;

    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            line.files.push_back(fullPath(argument, workingFolder));
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help") {
            line.help = true;
            return line;
        } else if (argument == "--high" && encrypt) {
            line.highLevel = true;
        } else if (argument == "--suffix" && encrypt) {
            line.appendSuffix = true;
        } else if (argument == "--strip-suffix" && !encrypt) {
            line.stripSuffix = true;
        } else if (argument == "--yes" && !encrypt) {
            line.assumeYes = true;
        } else if (argument == "--password-stdin") {
            line.passwordFromStdin = true;
        } else if (argument == "--lang") {
            if (i + 1 == arguments.size()) {
                throw UsageError("--lang needs en or zh");
            }
            line.english = languageIsEnglish(arguments[++i]);
        } else if (argument.starts_with("--lang=")) {
            line.english = languageIsEnglish(argument.substr(7));
        } else {
            throw UsageError("unknown option \"" + argument + "\" for " + arguments[0]);
        }
    }

    if (line.files.empty()) {
        throw UsageError("no FILE given");
    }
    const std::string folder = folderPart(line.files.front());
    for (const std::string& file : line.files) {
        if (folderPart(file) != folder) {
            throw UsageError("all files must be in one folder, but \"" + file + "\" is not in \"" +
                             folder + "\"");
        }
    }
    return line;
}

std::string usageText() {
    return "Usage:\n"
           "  tarvex-cli encrypt [--high] [--suffix] [OPTIONS] FILE...\n"
           "  tarvex-cli decrypt [--strip-suffix] [--yes] [OPTIONS] FILE...\n"
           "\n"
           "Encrypts image files into containers in the folder \"encrypted\" beside them, or\n"
           "restores containers into the folder \"decrypted\". All FILEs must be in one folder.\n"
           "\n"
           "  --high             High level class instead of Standard\n"
           "  --suffix           append \"E\" to the container names\n"
           "  --strip-suffix     drop a trailing \"E\" from the restored names\n"
           "  --yes              answer every question with Yes\n"
           "  --lang en|zh       English (default) or Chinese texts and folder names\n"
           "  --password-stdin   read the password from the first line of standard input\n"
           "                     (otherwise it is asked for at the terminal)\n"
           "  --help             show this text\n"
           "\n"
           "Exit status: 0 completed, 1 ended early (password rejected or wrong, question\n"
           "declined, cancelled with Ctrl-C, SIGTERM or SIGHUP) or no file encrypted (each\n"
           "too large or unreadable), 2 usage error, 3 file error. A run that is cancelled\n"
           "stops after the file in hand.\n";
}

} // namespace tarvex
