#include "platform/ConsolePlatform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tarvex {
namespace {

volatile std::sig_atomic_t interrupted = 0;
// Ctrl-C, a plain kill and the terminal going away all ask the run to stop.
constexpr std::array<int, 3> stopSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, stopSignals.size()> previousActions{};

extern "C" void raiseInterruptFlag(int) {
    interrupted = 1;
}

void writeError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace

InterruptCatcher::InterruptCatcher() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = raiseInterruptFlag;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read waiting at the terminal returns, so a prompt can give up. The handler
    // falls back to the default after the first signal, so a second one ends the program.
    action.sa_flags = SA_RESETHAND;
    for (std::size_t i = 0; i < stopSignals.size(); ++i) {
        sigaction(stopSignals[i], nullptr, &previousActions[i]);
        // A signal ignored from the start (nohup, a background job of a script) stays ignored.
        if (previousActions[i].sa_handler != SIG_IGN) {
            sigaction(stopSignals[i], &action, nullptr);
        }
    }
}

InterruptCatcher::~InterruptCatcher() {
    for (std::size_t i = 0; i < stopSignals.size(); ++i) {
        sigaction(stopSignals[i], &previousActions[i], nullptr);
    }
}

bool InterruptCatcher::pending() {
    return interrupted != 0;
}

bool InterruptCatcher::take() {
    const bool raised = interrupted != 0;
    interrupted = 0;
    return raised;
}

InputLine readInputLine(std::string& line) {
    line.clear();
    // The line ends; a CR before its LF is no part of it.
    const auto ended = [&line] {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line.size() > inputLineLimit ? InputLine::TooLong : InputLine::Read;
    };
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            if (interrupted != 0) {
                return InputLine::Interrupted;
            }
            continue;
        }
        if (n <= 0) {
            return line.empty() ? InputLine::NoInput : ended();
        }
        if (c == '\n') {
            return ended();
        }
        // Room for the limit and a CR; anything longer is refused without being read to its end.
        if (line.size() > inputLineLimit) {
            return InputLine::TooLong;
        }
        line.push_back(c);
    }
}

ConsolePlatform::ConsolePlatform(ConsoleSettings settings)
    : settings_(std::move(settings)), stderrIsTerminal_(::isatty(STDERR_FILENO) == 1),
      stdinIsTerminal_(::isatty(STDIN_FILENO) == 1) {}

void ConsolePlatform::writeLine(std::string_view text) {
    std::string line = progressLineOpen_ ? "\n" : "";
    progressLineOpen_ = false;
    line += text;
    std::replace(line.begin(), line.end(), '\r', '\n');
    writeError(line + "\n");
}

void ConsolePlatform::showMessage(std::string_view text) {
    writeLine(text);
}

bool ConsolePlatform::confirm(std::string_view text) {
    writeLine(text);
    if (settings_.assumeYes) {
        writeError("[y/n] y\n");
        return true;
    }
    if (!stdinIsTerminal_) {
        writeError("[y/n] n\n");
        return false;
    }
    writeError("[y/n] ");
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

void ConsolePlatform::showProgress(int done, int count, const std::string&) {
    if (!stderrIsTerminal_) {
        return;
    }
    writeError("\r" + std::to_string(done) + "/" + std::to_string(count));
    progressLineOpen_ = true;
}

void ConsolePlatform::setDecryptEnabled(bool) {}

void ConsolePlatform::setRunControlsEnabled(bool) {}

void ConsolePlatform::showBusy(bool) {}

std::optional<std::string> ConsolePlatform::passwordAgain(std::string_view) {
    return settings_.password;
}

void ConsolePlatform::noteLeftOut(std::string_view path, std::string_view reason) {
    writeLine(std::string(path) + ": " + std::string(reason));
}

bool ConsolePlatform::stopPending() {
    return InterruptCatcher::pending();
}

} // namespace tarvex
