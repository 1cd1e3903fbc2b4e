#include "cli/ConsoleReport.h"

#include "batch/Paths.h"
#include "cli/ConsoleInput.h"
#include "texts/Wording.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

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

ConsoleReport::ConsoleReport(const LanguageTable& texts, std::optional<bool> answer,
                             PasswordAgain passwordAgain)
    : texts_(texts), answer_(answer), passwordAgain_(std::move(passwordAgain)),
      stderrIsTerminal_(::isatty(STDERR_FILENO) == 1),
      stdinIsTerminal_(::isatty(STDIN_FILENO) == 1) {}

ConsoleReport::~ConsoleReport() {
    clearStatus();
}

void ConsoleReport::say(std::string_view text) {
    clearStatus();
    std::string line(text);
    std::replace(line.begin(), line.end(), '\r', '\n');
    writeError(line + "\n");
}

void ConsoleReport::showStatus(const std::string& text) {
    if (stderrIsTerminal_) {
        writeError(std::string(clearLine) + text);
        statusShown_ = true;
    }
}

void ConsoleReport::clearStatus() {
    if (statusShown_) {
        writeError(clearLine);
        statusShown_ = false;
    }
}

bool ConsoleReport::confirm(std::string_view text) {
    say(text);
    if (answer_ || !stdinIsTerminal_) {
        const bool yes = answer_.value_or(false);
        writeError(std::string(texts_.yesOrNo) + (yes ? " y\n" : " n\n"));
        return yes;
    }
    writeError(std::string(texts_.yesOrNo) + " ");
    Secret answer = Secret::withCapacity(0);
    if (readInputLine(answer) != InputLine::Read) {
        writeError("\n");
        return false;
    }
    const std::string_view said = answer.view();
    return said == "y" || said == "Y" || said == "yes" || said == "Yes";
}

void ConsoleReport::progress(const RunProgress& progress) {
    switch (progress.stage) {
    case RunProgress::Stage::DerivingKey:
        showStatus(std::string(texts_.busy));
        return;
    case RunProgress::Stage::KeyDerived:
        clearStatus();
        return;
    case RunProgress::Stage::Started:
        return;
    case RunProgress::Stage::File:
        break;
    }
    if (!stderrIsTerminal_) {
        return;
    }
    const std::string counts =
        std::to_string(progress.done) + "/" + std::to_string(progress.count) + " ";
    // One column is left free: a line that fills the last one leaves the cursor beyond it.
    const std::size_t room = std::max<std::size_t>(terminalColumns(), counts.size() + 4);
    const std::string shown = shownName(std::string(progress.folder) + namePart(progress.path));
    showStatus(counts + fitted(shown, room - counts.size() - 1));
}

bool ConsoleReport::ask(const RunQuestion& question) {
    if (question.kind == RunQuestion::Kind::WeakPassphrase) {
        return confirm(texts_.strengthQuestion);
    }
    return confirm(worded(question, texts_));
}

std::optional<Secret> ConsoleReport::passwordAgain(double seconds) {
    say(wordedStrength(seconds, texts_));
    return passwordAgain_();
}

void ConsoleReport::leftOut(const LeftOutFile& file) {
    say(filledIn(texts_.leftOut, {shownName(file.path), worded(file.reason, file.error, texts_)}));
}

void ConsoleReport::notice(RunNotice notice) {
    if (notice != RunNotice::WaitOver) {
        say(worded(notice, texts_));
    }
}

bool ConsoleReport::stopRequested() {
    return InterruptCatcher::pending();
}

} // namespace tarvex
