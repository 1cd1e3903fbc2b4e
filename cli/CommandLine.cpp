#include "cli/CommandLine.h"

#include "ui/catalogue/Catalogue.h"

#include <algorithm>
#include <filesystem>
#include <functional>

namespace tarvex {
namespace {

constexpr ContainerClass defaultClass = CommandLine{}.containerClass;
constexpr std::string_view languageValues = "en|zh";
// Where the descriptions of the options begin in the usage text.
constexpr std::size_t usageColumn = 21;

// A usage error: the console text `text` of the language with `values` filled in.
UsageError refusal(bool english, std::string_view LanguageTable::*text,
                   std::initializer_list<std::string_view> values = {}) {
    return UsageError(filledIn(languageTable(english).*text, values), english);
}

// The refusal of the value `value` of the option `option`, which takes one of `values`; no value
// is a value missing at the end of the line.
UsageError valueRefusal(bool english, std::string_view option, std::string_view values,
                        const std::optional<std::string>& value) {
    return value ? refusal(english, &LanguageTable::optionTakes, {option, values, *value})
                 : refusal(english, &LanguageTable::optionNeedsValue, {option, values});
}

// The names of the container classes, as --class takes them.
std::string classNames() {
    std::string names;
    for (const ClassRow& row : containerClasses) {
        names.append(names.empty() ? "" : "|").append(row.name);
    }
    return names;
}

// Every class but the default one has an option of its own: "--high" for "--class high".
const ClassRow* classOfShortForm(std::string_view argument) {
    for (const ClassRow& row : containerClasses) {
        if (row.id != defaultClass && argument.starts_with("--") &&
            argument.substr(2) == row.name) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<ContainerClass> classNamed(std::string_view name) {
    for (const ClassRow& row : containerClasses) {
        if (row.name == name) {
            return row.id;
        }
    }
    return std::nullopt;
}

// Whether `arguments[i]` is the option `name`, given as "NAME=VALUE" or as "NAME VALUE", which
// moves `i` on to the value. `value` is what it is given, none when the line ends after it.
bool isValuedOption(std::span<const std::string> arguments, std::size_t& i, std::string_view name,
                    std::optional<std::string>& value) {
    const std::string& argument = arguments[i];
    if (argument == name) {
        value = i + 1 < arguments.size() ? std::optional(arguments[++i]) : std::nullopt;
        return true;
    }
    if (argument.starts_with(name) && argument.size() > name.size() &&
        argument[name.size()] == '=') {
        value = argument.substr(name.size() + 1);
        return true;
    }
    return false;
}

// The language that the value of --lang names; as long as there is none, errors are English.
bool languageIsEnglish(const std::optional<std::string>& value) {
    if (value == "en" || value == "zh") {
        return value == "en";
    }
    throw valueRefusal(true, "--lang", languageValues, value);
}

// `file` from `workingFolder`, with "." parts and repeated "/" taken out. ".." parts stay: where
// one leads depends on the links before it, which only the system resolves.
std::string fullPath(const std::string& file, const std::string& workingFolder, bool english) {
    if (file.empty()) {
        throw refusal(english, &LanguageTable::emptyFileName);
    }
    std::filesystem::path path(file);
    if (const std::filesystem::path name = path.filename();
        name.empty() || name == "." || name == "..") {
        throw refusal(english, &LanguageTable::notAFile, {file});
    }
    if (path.is_relative()) {
        if (workingFolder.empty()) {
            throw refusal(english, &LanguageTable::noWorkingFolder, {file});
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

} // namespace

CommandLine parseCommandLine(std::span<const std::string> arguments,
                             const std::string& workingFolder) {
    CommandLine line;
    std::vector<std::string> plainArguments; // the command, then the files
    bool help = false;
    bool version = false;
    bool yes = false;
    bool no = false;
    // The first option given that only one of the commands takes, which may come before it.
    std::string encryptOption;
    std::string decryptOption;
    const auto note = [](std::string& first, const std::string& option) {
        if (first.empty()) {
            first = option;
        }
    };
    // The first error in the options, told once --lang, which may come after it, has been read.
    std::function<UsageError(bool english)> fault;

    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::optional<std::string> value;
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            plainArguments.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            help = true;
        } else if (argument == "--version") {
            version = true;
        } else if (argument == "--yes" || argument == "--no") {
            (argument == "--yes" ? yes : no) = true;
        } else if (argument == "--password-stdin") {
            line.passwordFromStdin = true;
        } else if (argument == "--suffix") {
            line.appendSuffix = true;
            note(encryptOption, argument);
        } else if (argument == "--strip-suffix") {
            line.stripSuffix = true;
            note(decryptOption, argument);
        } else if (isValuedOption(arguments, i, "--lang", value)) {
            line.english = languageIsEnglish(value);
        } else if (isValuedOption(arguments, i, "--class", value)) {
            if (const auto chosen = value ? classNamed(*value) : std::nullopt) {
                line.containerClass = *chosen;
            } else if (!fault) {
                fault = [value](bool english) {
                    return valueRefusal(english, "--class", classNames(), value);
                };
            }
            note(encryptOption, "--class");
        } else if (const ClassRow* row = classOfShortForm(argument)) {
            line.containerClass = row->id;
            note(encryptOption, argument);
        } else if (!fault) {
            fault = [argument](bool english) {
                return refusal(english, &LanguageTable::unknownOption, {argument});
            };
        }
    }

    const bool english = line.english;
    if (help || version) {
        line.command = help ? Command::Help : Command::Version;
        return line;
    }
    if (fault) {
        throw fault(english);
    }
    if (plainArguments.empty()) {
        throw refusal(english, &LanguageTable::noCommand);
    }
    const std::string& command = plainArguments.front();
    if (command != "encrypt" && command != "decrypt") {
        throw refusal(english, &LanguageTable::unknownCommand, {command});
    }
    line.command = command == "encrypt" ? Command::Encrypt : Command::Decrypt;
    if (const std::string& other = command == "encrypt" ? decryptOption : encryptOption;
        !other.empty()) {
        throw refusal(english, &LanguageTable::notAnOptionOf, {other, command});
    }
    if (yes && no) {
        throw refusal(english, &LanguageTable::yesAndNo);
    }
    if (yes || no) {
        line.answer = yes;
    }

    if (plainArguments.size() == 1) {
        throw refusal(english, &LanguageTable::noFile);
    }
    for (std::size_t i = 1; i < plainArguments.size(); ++i) {
        line.files.push_back(fullPath(plainArguments[i], workingFolder, english));
    }
    return line;
}

std::string usageText(bool english) {
    const LanguageTable& texts = languageTable(english);
    std::string shortForms;
    for (const ClassRow& row : containerClasses) {
        if (const std::string option = "--" + std::string(row.name); classOfShortForm(option)) {
            std::string start = "  " + option;
            start.resize(std::max(start.size() + 1, usageColumn), ' ');
            shortForms += start + filledIn(texts.classShortForm, {row.name}) + "\n";
        }
    }
    return filledIn(texts.usage, {classNames(), shortForms});
}

} // namespace tarvex
