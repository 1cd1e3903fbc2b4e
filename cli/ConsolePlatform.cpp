#include "cli/ConsolePlatform.h"

#include "cli/ConsoleInput.h"
#include "cli/PasswordPrompt.h"
#include "files/PathParts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace tarvex {
namespace {

// Takes the cursor to the start of the line and clears it.
constexpr std::string_view clearLine = "\r\033[K";

void writeError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// The columns of the terminal on standard error.
std::size_t terminalColumns() {
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

// The columns that `text` takes at most: a character beyond ASCII counts as two, as wide as a
// Chinese one.
std::size_t widthOf(std::string_view text) {
    std::size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        width += byte < 0x80 ? 1 : (byte & 0xC0) == 0xC0 ? 2 : 0;
    }
    return width;
}

// `name`, or its end after "..." when it takes more than `columns`: a status line longer than
// the terminal would wrap, and clearing it would leave its first part behind.
std::string fitted(std::string_view name, std::size_t columns) {
    if (widthOf(name) <= columns) {
        return std::string(name);
    }
    constexpr std::string_view dots = "...";
    std::size_t start = name.size();
    std::size_t width = dots.size();
    while (start > 0) {
        std::size_t begin = start - 1;
        while (begin > 0 && (static_cast<unsigned char>(name[begin]) & 0xC0) == 0x80) {
            --begin;
        }
        width += widthOf(name.substr(begin, start - begin));
        if (width > columns) {
            break;
        }
        start = begin;
    }
    return std::string(dots).append(name.substr(start));
}

} // namespace

ConsolePlatform::ConsolePlatform(ConsoleSettings settings, const ConsoleTexts& texts)
    : settings_(std::move(settings)), texts_(texts),
      stderrIsTerminal_(::isatty(STDERR_FILENO) == 1),
      stdinIsTerminal_(::isatty(STDIN_FILENO) == 1) {}

ConsolePlatform::~ConsolePlatform() {
    clearStatus();
}

void ConsolePlatform::writeLine(std::string_view text) {
    clearStatus();
    std::string line(text);
    std::replace(line.begin(), line.end(), '\r', '\n');
    writeError(line + "\n");
}

void ConsolePlatform::showStatus(const std::string& text) {
    if (stderrIsTerminal_) {
        writeError(std::string(clearLine) + text);
        statusShown_ = true;
    }
}

void ConsolePlatform::clearStatus() {
    if (statusShown_) {
        writeError(clearLine);
        statusShown_ = false;
    }
}

void ConsolePlatform::showMessage(std::string_view text) {
    writeLine(text);
}

bool ConsolePlatform::confirm(std::string_view text) {
    writeLine(text);
    if (settings_.answer || !stdinIsTerminal_) {
        const bool yes = settings_.answer.value_or(false);
        writeError(std::string(texts_.yesOrNo) + (yes ? " y\n" : " n\n"));
        return yes;
    }
    writeError(std::string(texts_.yesOrNo) + " ");
    std::string answer;
    if (readInputLine(answer) != InputLine::Read) {
        writeError("\n");
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

std::vector<std::string> ConsolePlatform::openFiles(const OpenFilesRequest&) {
    return settings_.files;
}

void ConsolePlatform::openFolder(const std::string&) {}

void ConsolePlatform::openInBrowser(const std::string&) {}

std::string ConsolePlatform::programFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return program.parent_path().string() + "/";
}

void ConsolePlatform::setWindowHeight(WindowHeight) {}

void ConsolePlatform::processMessages() {
    if (InterruptCatcher::take() && onInterrupt_) {
        onInterrupt_();
    }
}

void ConsolePlatform::showWaiting(std::string_view text) {
    if (!text.empty()) {
        writeLine(text);
    }
}

void ConsolePlatform::setProgress(int, int) {}

void ConsolePlatform::showProgress(int done, int count, const std::string& path) {
    if (!stderrIsTerminal_) {
        return;
    }
    const std::string counts = std::to_string(done) + "/" + std::to_string(count) + " ";
    // One column is left free: a line that fills the last one leaves the cursor beyond it.
    const std::size_t room = std::max<std::size_t>(terminalColumns(), counts.size() + 4);
    showStatus(counts + fitted(namePart(path), room - counts.size() - 1));
}

void ConsolePlatform::setDecryptEnabled(bool) {}

void ConsolePlatform::setRunControlsEnabled(bool) {}

void ConsolePlatform::showBusy(bool busy) {
    if (busy) {
        showStatus(std::string(texts_.busy));
    } else {
        clearStatus();
    }
}

std::optional<std::string> ConsolePlatform::passwordAgain(std::string_view prompt) {
    // A password from standard input is its one line; only at a terminal is it typed twice.
    if (settings_.passwordFromStdin) {
        return settings_.password;
    }
    clearStatus();
    std::string again;
    switch (promptPassword(std::string(prompt) + " ", again)) {
    case InputLine::Read:
        return again;
    case InputLine::TooLong:
        writeLine(filledIn(texts_.passwordLineTooLong, {std::to_string(inputLineLimit)}));
        break;
    case InputLine::NoInput:
    case InputLine::Interrupted:
        break;
    }
    return std::nullopt;
}

void ConsolePlatform::noteLeftOut(std::string_view path, std::string_view reason) {
    writeLine(filledIn(texts_.leftOut, {path, reason}));
}

bool ConsolePlatform::stopPending() {
    return InterruptCatcher::pending();
}

} // namespace tarvex
