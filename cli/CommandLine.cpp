#include "cli/CommandLine.h"

#include "texts/Catalogue.h"
#include "texts/Wording.h"

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
    return value
               ? refusal(english, &LanguageTable::optionTakes, {option, values, shownName(*value)})
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

// `path` from `workingFolder`, with "." parts and repeated "/" taken out. ".." parts stay: where
// one leads depends on the links before it, which only the system resolves.
std::string tidiedPath(std::filesystem::path path, const std::string& workingFolder, bool english) {
    if (path.is_relative()) {
        if (workingFolder.empty()) {
            throw refusal(english, &LanguageTable::noWorkingFolder, {path.string()});
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

// The full path of the FILE argument `file` (see tidiedPath).
std::string fullPath(const std::string& file, const std::string& workingFolder, bool english) {
    if (file.empty()) {
        throw refusal(english, &LanguageTable::emptyFileName);
    }
    const std::filesystem::path path(file);
    if (const std::filesystem::path name = path.filename();
        name.empty() || name == "." || name == "..") {
        throw refusal(english, &LanguageTable::notAFile, {file});
    }
    return tidiedPath(path, workingFolder, english);
}

// The full path of the folder that --into names, which must be one.
std::string intoFolder(const std::optional<std::string>& value, const std::string& workingFolder,
                       bool english) {
    if (!value || value->empty()) {
        throw refusal(english, &LanguageTable::intoNeedsFolder);
    }
    const std::string folder = tidiedPath(*value, workingFolder, english);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        throw refusal(english, &LanguageTable::intoNoFolder, {shownName(*value)});
    }
    return folder;
}

// The options of a command line as they are read one after another: what they set in the line,
// and what is checked once all are read.
class OptionReader {
public:
    explicit OptionReader(CommandLine& line) : line_(line) {}

    // Reads `arguments[i]`, and its value when the option takes one (moving `i` on to it).
    void read(std::span<const std::string> arguments, std::size_t& i);
    // Throws the first error in the options, once they are all read.
    void checkOptions() const {
        if (fault_) {
            throw fault_(line_.english);
        }
    }
    // Checks the options read against the command.
    void checkFor(const std::string& command) const;

    bool help = false;
    bool version = false;
    // The value of --into, when it was given (none when it ends the line).
    std::optional<std::optional<std::string>> into;
    std::vector<std::string> plainArguments; // the command, then the files

private:
    void readOption(std::span<const std::string> arguments, std::size_t& i);
    // Notes `option` as the first that only one of the commands takes, which may come before it.
    static void note(std::string& first, const std::string& option) {
        if (first.empty()) {
            first = option;
        }
    }

    CommandLine& line_;
    bool optionsEnded_ = false;
    bool yes_ = false;
    bool no_ = false;
    std::string encryptOption_;
    std::string decryptOption_;
    // The first error in the options, told once --lang, which may come after it, has been read.
    std::function<UsageError(bool english)> fault_;
};

void OptionReader::read(std::span<const std::string> arguments, std::size_t& i) {
    const std::string& argument = arguments[i];
    if (optionsEnded_ || argument.empty() || argument[0] != '-' || argument == "-") {
        plainArguments.push_back(argument);
    } else if (argument == "--") {
        optionsEnded_ = true;
    } else if (argument == "--help" || argument == "-h") {
        help = true;
    } else if (argument == "--version") {
        version = true;
    } else if (argument == "--yes" || argument == "--no") {
        (argument == "--yes" ? yes_ : no_) = true;
    } else if (argument == "--recursive" || argument == "-r") {
        line_.recursive = true;
    } else if (argument == "--password-stdin") {
        line_.passwordFromStdin = true;
    } else if (argument == "--suffix") {
        line_.appendSuffix = true;
        note(encryptOption_, argument);
    } else if (argument == "--hide-names") {
        line_.hideNames = true;
        note(encryptOption_, argument);
    } else if (argument == "--remove-originals") {
        line_.removeOriginals = true;
        note(encryptOption_, argument);
    } else if (argument == "--strip-suffix") {
        line_.stripSuffix = true;
        note(decryptOption_, argument);
    } else {
        readOption(arguments, i);
    }
}

void OptionReader::readOption(std::span<const std::string> arguments, std::size_t& i) {
    const std::string& argument = arguments[i];
    std::optional<std::string> value;
    if (isValuedOption(arguments, i, "--lang", value)) {
        line_.english = languageIsEnglish(value);
    } else if (isValuedOption(arguments, i, "--class", value)) {
        if (const auto chosen = value ? classNamed(*value) : std::nullopt) {
            line_.containerClass = *chosen;
        } else if (!fault_) {
            fault_ = [value](bool english) {
                return valueRefusal(english, "--class", classNames(), value);
            };
        }
        note(encryptOption_, "--class");
    } else if (isValuedOption(arguments, i, "--into", value)) {
        into = value;
    } else if (const ClassRow* row = classOfShortForm(argument)) {
        line_.containerClass = row->id;
        note(encryptOption_, argument);
    } else if (!fault_) {
        fault_ = [argument](bool english) {
            return refusal(english, &LanguageTable::unknownOption, {shownName(argument)});
        };
    }
}

void OptionReader::checkFor(const std::string& command) const {
    const bool english = line_.english;
    if (command != "encrypt" && command != "decrypt") {
        throw refusal(english, &LanguageTable::unknownCommand, {shownName(command)});
    }
    if (const std::string& other = command == "encrypt" ? decryptOption_ : encryptOption_;
        !other.empty()) {
        throw refusal(english, &LanguageTable::notAnOptionOf, {other, command});
    }
    // A naming option of another class would be dropped without a word.
    const ClassRow& row = classRow(line_.containerClass);
    if (line_.hideNames && !row.recordsName) {
        throw refusal(english, &LanguageTable::notAnOptionOfClass, {"--hide-names", row.name});
    }
    if (line_.removeOriginals && !row.recordsName) {
        throw refusal(english, &LanguageTable::notAnOptionOfClass,
                      {"--remove-originals", row.name});
    }
    if (line_.appendSuffix && !row.fileType.empty()) {
        throw refusal(english, &LanguageTable::notAnOptionOfClass, {"--suffix", row.name});
    }
    if (yes_ && no_) {
        throw refusal(english, &LanguageTable::yesAndNo);
    }
    if (yes_ || no_) {
        line_.answer = yes_;
    }
}

} // namespace

CommandLine parseCommandLine(std::span<const std::string> arguments,
                             const std::string& workingFolder) {
    CommandLine line;
    OptionReader options(line);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        options.read(arguments, i);
    }
    if (options.help || options.version) {
        line.command = options.help ? Command::Help : Command::Version;
        return line;
    }
    options.checkOptions();
    const std::vector<std::string>& plain = options.plainArguments;
    if (plain.empty()) {
        throw refusal(line.english, &LanguageTable::noCommand);
    }
    options.checkFor(plain.front());
    line.command = plain.front() == "encrypt" ? Command::Encrypt : Command::Decrypt;
    if (plain.size() == 1) {
        throw refusal(line.english, &LanguageTable::noFile);
    }
    for (std::size_t i = 1; i < plain.size(); ++i) {
        line.files.push_back(fullPath(plain[i], workingFolder, line.english));
    }
    if (options.into) {
        line.into = intoFolder(*options.into, workingFolder, line.english);
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
