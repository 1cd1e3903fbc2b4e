#pragma once

#include "batch/Requests.h"

#include <cstddef>

namespace tarvex {

// Catches Ctrl-C (SIGINT), SIGTERM and SIGHUP while it lives, unless they were ignored from the
// start: the first one only raises a flag, a second one of the same kind ends the program as
// usual. The previous actions are restored on destruction. One at a time.
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // True when one of them came since the last call.
    static bool take();
    // True when one of them came since the last call of take(), which it leaves to take().
    static bool pending();
};

// Turns the echo of the terminal on standard input off while it lives. A signal that ends the
// program meanwhile (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2) turns it back
// on first, so that the shell is not left without it. One at a time.
class EchoOff {
public:
    EchoOff();
    ~EchoOff();
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
};

// What reading a line of standard input found.
enum class InputLine {
    Read,
    NoInput,     // the input ended with no byte read
    TooLong,     // the line went on beyond inputLineLimit bytes
    Interrupted, // Ctrl-C, or another signal that InterruptCatcher takes
};

// The most bytes a line of input may hold: room for the longest passphrase in any normalisation
// form, which takes at most three times its bytes in form C.
inline constexpr std::size_t inputLineLimit = 3 * longestPassword;

// Reads one line of standard input into `line`, byte by byte so that nothing after it is
// consumed, without its line break (LF, or CR LF). The line lives in memory of its own, as a
// passphrase must.
InputLine readInputLine(Secret& line);

} // namespace tarvex
