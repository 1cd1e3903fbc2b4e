#include "cli/ConsoleInput.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tarvex {
namespace {

volatile std::sig_atomic_t interrupted = 0;
// The terminal's settings before EchoOff turned the echo off, while it is off.
volatile std::sig_atomic_t echoIsOff = 0;
termios terminalBefore{};
// Signals that end the program, which InterruptCatcher does not take.
constexpr std::array<int, 4> endingSignals = {SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};
std::array<struct sigaction, endingSignals.size()> actionsBeforeEcho{};

// Safe in a signal handler.
void restoreEcho() {
    if (echoIsOff != 0) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &terminalBefore);
        echoIsOff = 0;
    }
}

extern "C" void restoreEchoAndEnd(int signal) {
    restoreEcho();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}
// Ctrl-C, a plain kill and the terminal going away all ask the run to stop.
constexpr std::array<int, 3> stopSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, stopSignals.size()> previousActions{};

extern "C" void raiseInterruptFlag(int) {
    interrupted = 1;
    restoreEcho();
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

EchoOff::EchoOff() {
    termios settings{};
    if (::tcgetattr(STDIN_FILENO, &settings) != 0) {
        return;
    }
    terminalBefore = settings;
    struct sigaction action {};
    action.sa_handler = restoreEchoAndEnd;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        sigaction(endingSignals[i], nullptr, &actionsBeforeEcho[i]);
        if (actionsBeforeEcho[i].sa_handler == SIG_DFL) {
            sigaction(endingSignals[i], &action, nullptr);
        }
    }
    echoIsOff = 1;
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings);
}

EchoOff::~EchoOff() {
    if (echoIsOff != 0) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &terminalBefore);
        echoIsOff = 0;
    }
    for (std::size_t i = 0; i < endingSignals.size(); ++i) {
        sigaction(endingSignals[i], &actionsBeforeEcho[i], nullptr);
    }
}

InputLine readInputLine(Secret& line) {
    line = Secret::withCapacity(inputLineLimit);
    // A CR is held back until what follows it shows whether it ends the line.
    bool carriageReturn = false;
    for (;;) {
        // A signal that came before the read began would not interrupt it: the input is waited
        // for a tenth of a second at a time.
        if (interrupted != 0) {
            return InputLine::Interrupted;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 100);
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0 || c == '\n') {
            const bool nothing = n <= 0 && line.empty() && !carriageReturn;
            return nothing ? InputLine::NoInput : InputLine::Read;
        }
        // Room for the limit; anything longer is refused without being read to its end.
        if ((carriageReturn && !line.push_back('\r')) || (c != '\r' && !line.push_back(c))) {
            return InputLine::TooLong;
        }
        carriageReturn = c == '\r';
    }
}

} // namespace tarvex
