#include "cli/ConsoleInput.h"

#include <array>
#include <cerrno>
#include <csignal>
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

} // namespace tarvex
